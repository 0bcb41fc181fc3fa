// vantel-sim: a virtual display module on a pseudo-terminal, so the utility can be used
// and tried without the hardware. Start it, then point the utility's port at the link it
// prints (VANTEL_COM1=<link>). With --listen HOST:PORT it serves the same line over raw TCP
// as well, for a utility on another machine (tcpmodulelink.h).
//
// It shows the module in a window when a display is there, else in the terminal, else
// (output not a terminal, or --no-ui) as plain log lines.

#include <QApplication>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include "options.h"
#include "posix/signalwatcher.h"
#include "processwatcher.h"
#include "ptyport.h"
#include "simulator.h"
#include "tcpmodulelink.h"
#include "terminal/keyboard.h"
#include "terminal/terminalscreen.h"
#include "window/modulewindow.h"

namespace
{

QString defaultLink()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir(runtime).exists())
        return runtime + QStringLiteral("/vantel-sim");
    return QStringLiteral("/tmp/vantel-sim-%1").arg(::getuid());
}

void say(const QString &text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fflush(stdout);
}

bool displayPresent()
{
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    return false;
}

QStringList arguments(int argc, char *argv[])
{
    QStringList list;
    for (int i = 0; i < argc; ++i)
        list << QString::fromLocal8Bit(argv[i]);
    return list;
}

int deliver(const simtool::OptionsAnswer &answer)
{
    const QByteArray bytes = (answer.text + QLatin1Char('\n')).toLocal8Bit();
    std::FILE *stream = answer.exitStatus == 0 ? stdout : stderr;
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    return answer.exitStatus;
}

} // namespace

int main(int argc, char *argv[])
{
    using simtool::Face;
    const simtool::Surroundings surroundings{displayPresent(), ::isatty(STDOUT_FILENO) == 1,
                                             defaultLink()};
    std::unique_ptr<QCoreApplication> app;
    if (simtool::wantsWindowApplication(arguments(argc, argv), surroundings))
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantel-sim"));
    const simtool::ParsedOptions parsed =
        simtool::parseOptions(QCoreApplication::arguments(), surroundings);
    if (parsed.answer)
        return deliver(*parsed.answer);
    const simtool::Options &options = parsed.options;
    const Face face = options.face;

    // SIGHUP too: the terminal the module was drawn in has gone. SIGWINCH: it was resized.
    SignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP, SIGWINCH});
    simtool::PtyPort port;
    if (!port.open(options.link)) {
        std::fprintf(stderr, "vantel-sim: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    say(QStringLiteral("vantel-sim: module on %1, link %2").arg(port.slavePath(), port.linkPath()));
    if (options.exitWith > 0)
        say(QStringLiteral(
            "vantel-sim: the utility has COM1 mapped here: pick COM1 and press Connect"));
    else
        say(QStringLiteral("vantel-sim: start the utility with VANTEL_COM1=%1")
                .arg(port.linkPath()));

    simtool::Simulator simulator(&port);
    simulator.presetAnalog(0, options.analog1);
    simulator.presetAnalog(1, options.analog2);
    QObject::connect(&simulator, &simtool::Simulator::quitRequested, app.get(),
                     &QCoreApplication::quit);
    simtool::TcpModuleLink network;
    if (!options.listen.isEmpty()) {
        if (!network.open(options.listen, port.slavePath())) {
            std::fprintf(stderr, "vantel-sim: %s\n", qPrintable(network.errorString()));
            return 1;
        }
        say(QStringLiteral("vantel-sim: listening on %1: socket://%1").arg(network.address()));
        QObject::connect(&network, &simtool::TcpModuleLink::logged, &simulator,
                         &simtool::Simulator::logged);
    }
    QObject::connect(&signalWatcher, &SignalWatcher::received, app.get(), [](int signalNumber) {
        if (signalNumber != SIGWINCH)
            QCoreApplication::quit();
    });

    // Keys come from standard input except in the window, which has its own.
    std::unique_ptr<simtool::Keyboard> keyboard;
    if (face != Face::Window) {
        keyboard = std::make_unique<simtool::Keyboard>(face == Face::Terminal);
        QObject::connect(keyboard.get(), &simtool::Keyboard::pressed, &simulator,
                         &simtool::Simulator::press);
    }
    std::unique_ptr<simtool::TerminalScreen> screen;
    std::unique_ptr<simtool::ModuleWindow> window;
    switch (face) {
    case Face::Window:
        window = std::make_unique<simtool::ModuleWindow>(&simulator);
        window->setScale(options.zoom > 0 ? options.zoom : simtool::ModuleWindow::defaultScale());
        window->show();
        break;
    case Face::Terminal:
        screen = std::make_unique<simtool::TerminalScreen>(&simulator);
        QObject::connect(&signalWatcher, &SignalWatcher::received, screen.get(),
                         [terminal = screen.get()](int signalNumber) {
                             if (signalNumber == SIGWINCH)
                                 terminal->redraw();
                         });
        break;
    case Face::Plain:
        QObject::connect(&simulator, &simtool::Simulator::logged,
                         [](const QString &line) { say(line); });
        break;
    }

    simtool::ProcessWatcher partner;
    QObject::connect(&partner, &simtool::ProcessWatcher::ended, app.get(), &QCoreApplication::quit);
    if (options.exitWith > 0)
        partner.watch(static_cast<pid_t>(options.exitWith));
    simulator.start();
    return QCoreApplication::exec();
}
