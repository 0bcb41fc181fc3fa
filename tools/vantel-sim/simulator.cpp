#include "simulator.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

#include "keymap.h"
#include "link/framedescriber.h"
#include "replytext.h"
#include "screenrenderer.h"

namespace simtool
{

namespace
{

constexpr std::size_t kLogKept = 500;
constexpr int kDrawDelayMs = 15;
constexpr int kHexShown = 8; // bytes of a long frame shown in the log

void put(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

QString frameLogLine(const proto::Frame &frame)
{
    QString hex;
    if (frame.size() > static_cast<std::size_t>(kHexShown))
        hex = proto::hexCaption(std::span(frame).first(kHexShown)) +
              QStringLiteral("... (%1 bytes) ").arg(frame.size());
    else
        hex = proto::hexCaption(frame);
    return hex + QLatin1Char(' ') + QString::fromStdString(proto::describeFrame(frame));
}

} // namespace

Simulator::Simulator(PtyPort *port, bool screen, QObject *parent)
    : QObject(parent), m_port(port), m_screen(screen)
{
    m_drawTimer.setSingleShot(true);
    m_drawTimer.setInterval(kDrawDelayMs);
    connect(&m_drawTimer, &QTimer::timeout, this, &Simulator::draw);
    connect(m_port, &PtyPort::received, this, &Simulator::receive);
    connect(m_port, &PtyPort::unreadDropped, this, [this](int count) {
        log(QStringLiteral("%1 reply bytes not read within half a second (is the utility "
                           "connected?): dropped")
                .arg(count));
    });
}

Simulator::~Simulator()
{
    if (m_screen && m_started)
        put(QStringLiteral("\x1b[0m\x1b[?25h\x1b[?1049l"));
}

void Simulator::start()
{
    m_started = true;
    if (m_screen)
        put(QStringLiteral("\x1b[?1049h\x1b[?25l\x1b[2J"));
    for (const QString &line : helpLines())
        log(line);
    draw();
}

void Simulator::receive(const QByteArray &bytes)
{
    const std::span<const std::uint8_t> data(reinterpret_cast<const std::uint8_t *>(bytes.data()),
                                             static_cast<std::size_t>(bytes.size()));
    for (const sim::ReceivedFrame &received : m_model.receive(data)) {
        log(frameLogLine(received.frame));
        send(received.reply);
    }
    scheduleDraw();
}

void Simulator::press(char key)
{
    const auto action = actionForKey(key);
    if (!action)
        return;
    using Kind = KeyAction::Kind;
    const int index = action->index;
    switch (action->kind) {
    case Kind::ToggleKey:
        send(m_model.setKey(index, !m_model.key(index)));
        if (m_model.settings().p2Mode != P2Mode::Keypad)
            log(QStringLiteral("key %1 %2; not reported: P2 is in general I/O mode")
                    .arg(index, 0, 16)
                    .arg(m_model.key(index) ? QStringLiteral("held") : QStringLiteral("up")));
        break;
    case Kind::ReleaseKeys:
        for (int k = 0; k < sim::kKeypadKeys; ++k)
            if (m_model.key(k))
                m_model.setKey(k, false);
        if (m_model.settings().p2Mode == P2Mode::Keypad)
            send(m_model.statusReply());
        break;
    case Kind::TogglePin:
        send(m_model.setInputPin(index, !m_model.inputPin(index)));
        if (m_model.settings().p2Mode != P2Mode::Gpio)
            log(QStringLiteral("pin %1 %2; not reported: P2 is in keypad mode")
                    .arg(index + 1)
                    .arg(m_model.inputPin(index) ? QStringLiteral("high") : QStringLiteral("low")));
        break;
    case Kind::AdjustAnalog: {
        // A start value above the converter's range (--analog1) is kept, not cut back.
        const int value = m_model.analog(index);
        const int ceiling = std::max(kAnalogMaximum, value);
        send(m_model.setAnalog(index, std::clamp(value + action->delta, 0, ceiling)));
    } break;
    case Kind::SendStatus:
        send(m_model.statusReply());
        break;
    case Kind::PowerCycle:
        m_model.powerCycle();
        log(QStringLiteral("power cycle: settings and glyphs from flash, screen blank"));
        break;
    case Kind::PrintScreen:
        for (const QString &line : plainDisplay(m_model))
            log(line);
        break;
    case Kind::Help:
        for (const QString &line : helpLines())
            log(line);
        break;
    case Kind::Quit:
        emit quitRequested();
        break;
    }
    scheduleDraw();
}

void Simulator::send(const std::optional<Reply> &reply)
{
    if (!reply)
        return;
    log(replyLogLine(*reply, m_model.settings().p2Mode));
    if (!m_port->write(reply->bytes()))
        log(QStringLiteral("the reply could not be written"));
}

void Simulator::log(const QString &line)
{
    if (!m_screen) {
        put(line + QLatin1Char('\n'));
        return;
    }
    m_log.push_back(line);
    while (m_log.size() > kLogKept)
        m_log.pop_front();
    scheduleDraw();
}

void Simulator::redraw()
{
    if (m_screen)
        put(QStringLiteral("\x1b[2J"));
    draw();
}

void Simulator::scheduleDraw()
{
    if (m_screen && m_started && !m_drawTimer.isActive())
        m_drawTimer.start();
}

void Simulator::draw()
{
    if (!m_screen || !m_started)
        return;
    ViewInfo view;
    view.slavePath = m_port->slavePath();
    view.linkPath = m_port->linkPath();
    view.portSpeed = m_port->portSpeed();
    view.log = &m_log;
    winsize size{};
    if (::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) {
        view.width = size.ws_col;
        view.height = size.ws_row;
    }
    put(renderScreen(m_model, view));
}

} // namespace simtool
