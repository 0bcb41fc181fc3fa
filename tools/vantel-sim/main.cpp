// vantel-sim: a virtual display module on a pseudo-terminal, so the utility can be used
// and tried without the hardware. Start it, then point the utility's port at the link it
// prints (VANTEL_COM1=<link>). With --listen HOST:PORT it serves the same line over raw TCP
// as well, for a utility on another machine (tcpmodulelink.h).
//
// It shows the module in a window when a display is there, else in the terminal, else
// (output not a terminal, or --no-ui) as plain log lines.

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

#include <csignal>
#include <cstdio>
#include <limits>
#include <memory>
#include <unistd.h>

#include "displayview.h"
#include "keyboard.h"
#include "keymap.h"
#include "link/signalwatcher.h"
#include "modulewindow.h"
#include "processwatcher.h"
#include "ptyport.h"
#include "simulator.h"
#include "tcpmodulelink.h"
#include "terminalscreen.h"

namespace
{

enum class Face { Window, Terminal, Plain };

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

} // namespace

int main(int argc, char *argv[])
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A virtual 20x4 display module on a pseudo-terminal.\n") +
        simtool::helpLines().join(QLatin1Char('\n')));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption linkOption(QStringLiteral("link"),
                                        QStringLiteral("Stable symbolic link to the port."),
                                        QStringLiteral("path"), defaultLink());
    const QCommandLineOption windowOption(
        QStringLiteral("window"),
        QStringLiteral("Show the module in a window, dot for dot (the default with a display)."));
    const QCommandLineOption terminalOption(
        QStringLiteral("terminal"),
        QStringLiteral("Show the module in this terminal (the default without a display)."));
    const QCommandLineOption plainOption(
        QStringList{QStringLiteral("no-ui"), QStringLiteral("plain")},
        QStringLiteral("No screen: log lines on standard output, keys from standard input."));
    const QCommandLineOption zoomOption(QStringLiteral("zoom"),
                                        QStringLiteral("Scale of the display in the window."),
                                        QStringLiteral("1-8"));
    const QCommandLineOption analog1Option(QStringLiteral("analog1"),
                                           QStringLiteral("Starting value of analog input 1."),
                                           QStringLiteral("0-65535"), QStringLiteral("0"));
    const QCommandLineOption analog2Option(QStringLiteral("analog2"),
                                           QStringLiteral("Starting value of analog input 2."),
                                           QStringLiteral("0-65535"), QStringLiteral("0"));
    const QCommandLineOption exitWithOption(
        QStringLiteral("exit-with"),
        QStringLiteral("Quit when the process with this id ends (the utility beside it)."),
        QStringLiteral("pid"));
    const QCommandLineOption listenOption(
        QStringLiteral("listen"),
        QStringLiteral("Serve the module over raw TCP too, one client at a time "
                       "(socket://HOST:PORT for the utility)."),
        QStringLiteral("host:port"));
    parser.addOptions({linkOption, windowOption, terminalOption, plainOption, zoomOption,
                       analog1Option, analog2Option, exitWithOption, listenOption});

    // A window needs an application object made for it, and that needs a display; so the
    // choice is read from the arguments before there is one (process() below reports what
    // is wrong with them). --help needs no display.
    parser.parse(arguments(argc, argv));
    const int faces =
        parser.isSet(windowOption) + parser.isSet(terminalOption) + parser.isSet(plainOption);
    if (faces > 1) {
        std::fputs("vantel-sim: choose one of --window, --terminal and --no-ui\n", stderr);
        return 2;
    }
    const bool help = parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"));
    Face face = Face::Plain;
    if (parser.isSet(windowOption) || (faces == 0 && displayPresent()))
        face = Face::Window;
    else if (!parser.isSet(plainOption) && ::isatty(STDOUT_FILENO))
        face = Face::Terminal;
    if (face == Face::Window && !help && !displayPresent()) {
        std::fputs("vantel-sim: --window needs a display (DISPLAY or WAYLAND_DISPLAY); "
                   "--terminal draws the module here\n",
                   stderr);
        return 2;
    }
    std::unique_ptr<QCoreApplication> app;
    if (face == Face::Window && !help)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantel-sim"));
    parser.process(*app);

    bool ok1 = false;
    bool ok2 = false;
    const int analog1 = parser.value(analog1Option).toInt(&ok1);
    const int analog2 = parser.value(analog2Option).toInt(&ok2);
    if (!ok1 || !ok2 || analog1 < 0 || analog2 < 0 || analog1 > 0xFFFF || analog2 > 0xFFFF) {
        std::fputs("vantel-sim: analog values are whole numbers from 0 to 65535\n", stderr);
        return 2;
    }
    bool pidOk = true;
    const qint64 exitWith =
        parser.isSet(exitWithOption) ? parser.value(exitWithOption).toLongLong(&pidOk) : 0;
    if (!pidOk || (parser.isSet(exitWithOption) && exitWith <= 0) ||
        exitWith > std::numeric_limits<pid_t>::max()) {
        std::fputs("vantel-sim: --exit-with takes a process id\n", stderr);
        return 2;
    }
    bool zoomOk = true;
    const int zoom = parser.isSet(zoomOption) ? parser.value(zoomOption).toInt(&zoomOk) : 0;
    if (!zoomOk || (parser.isSet(zoomOption) && (zoom < simtool::DisplayView::kMinScale ||
                                                 zoom > simtool::DisplayView::kMaxScale))) {
        std::fputs("vantel-sim: --zoom takes a whole number from 1 to 8\n", stderr);
        return 2;
    }
    QString listenError;
    if (parser.isSet(listenOption) &&
        !simtool::parseListenAddress(parser.value(listenOption), &listenError)) {
        std::fprintf(stderr, "vantel-sim: %s\n", qPrintable(listenError));
        return 2;
    }
    // SIGHUP too: the terminal the module was drawn in has gone. SIGWINCH: it was resized.
    SignalWatcher signalWatcher({SIGINT, SIGTERM, SIGHUP, SIGWINCH});
    simtool::PtyPort port;
    if (!port.open(parser.value(linkOption))) {
        std::fprintf(stderr, "vantel-sim: %s\n", qPrintable(port.errorString()));
        return 1;
    }
    say(QStringLiteral("vantel-sim: module on %1, link %2").arg(port.slavePath(), port.linkPath()));
    if (parser.isSet(exitWithOption))
        say(QStringLiteral(
            "vantel-sim: the utility has COM1 mapped here: pick COM1 and press Connect"));
    else
        say(QStringLiteral("vantel-sim: start the utility with VANTEL_COM1=%1")
                .arg(port.linkPath()));

    simtool::Simulator simulator(&port);
    simulator.presetAnalog(0, analog1);
    simulator.presetAnalog(1, analog2);
    QObject::connect(&simulator, &simtool::Simulator::quitRequested, app.get(),
                     &QCoreApplication::quit);
    simtool::TcpModuleLink network;
    if (parser.isSet(listenOption)) {
        if (!network.open(parser.value(listenOption), port.slavePath())) {
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
        window->setScale(zoom > 0 ? zoom : simtool::ModuleWindow::defaultScale());
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
    if (exitWith > 0)
        partner.watch(static_cast<pid_t>(exitWith));
    simulator.start();
    return QCoreApplication::exec();
}
