#include "terminal/terminalscreen.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

#include "screenrenderer.h"
#include "simulator.h"

namespace simtool
{

namespace
{

constexpr std::size_t kLogKept = 500;
constexpr int kDrawDelayMs = 15;

void put(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

} // namespace

TerminalScreen::TerminalScreen(const Simulator *simulator, QObject *parent)
    : QObject(parent), m_simulator(simulator)
{
    m_drawTimer.setSingleShot(true);
    m_drawTimer.setInterval(kDrawDelayMs);
    connect(&m_drawTimer, &QTimer::timeout, this, &TerminalScreen::draw);
    connect(simulator, &Simulator::logged, this, &TerminalScreen::addLine);
    connect(simulator, &Simulator::changed, this, &TerminalScreen::scheduleDraw);
    put(QStringLiteral("\x1b[?1049h\x1b[?25l\x1b[2J"));
}

TerminalScreen::~TerminalScreen()
{
    put(QStringLiteral("\x1b[0m\x1b[?25h\x1b[?1049l"));
}

void TerminalScreen::addLine(const QString &line)
{
    m_log.push_back(line);
    while (m_log.size() > kLogKept)
        m_log.pop_front();
    scheduleDraw();
}

void TerminalScreen::redraw()
{
    put(QStringLiteral("\x1b[2J"));
    draw();
}

void TerminalScreen::scheduleDraw()
{
    if (!m_drawTimer.isActive())
        m_drawTimer.start();
}

void TerminalScreen::draw()
{
    const PtyPort &port = m_simulator->port();
    ViewInfo view;
    view.slavePath = port.slavePath();
    view.linkPath = port.linkPath();
    view.portSpeed = port.portSpeed();
    view.log = &m_log;
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        view.width = size.ws_col;
        view.height = size.ws_row;
    }
    put(renderScreen(m_simulator->model(), view));
}

} // namespace simtool
