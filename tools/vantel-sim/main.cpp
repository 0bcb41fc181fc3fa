// vantel-sim: a virtual display module on a pseudo-terminal, so the utility can be used
// and tried without the hardware. Start it, then point the utility's port at the link it
// prints (VANTEL_COM1=<link>).

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

#include <cstdio>
#include <limits>
#include <unistd.h>

#include "keyboard.h"
#include "keymap.h"
#include "processwatcher.h"
#include "ptyport.h"
#include "signalwatcher.h"
#include "simulator.h"

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
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantel-sim"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A virtual 20x4 display module on a pseudo-terminal.\n") +
        simtool::helpLines().join(QLatin1Char('\n')));
    parser.addHelpOption();
    const QCommandLineOption linkOption(QStringLiteral("link"),
                                        QStringLiteral("Stable symbolic link to the port."),
                                        QStringLiteral("path"), defaultLink());
    const QCommandLineOption plainOption(
        QStringList{QStringLiteral("no-ui"), QStringLiteral("plain")},
        QStringLiteral("No screen: log lines on standard output, keys from standard input."));
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
    parser.addOptions({linkOption, plainOption, analog1Option, analog2Option, exitWithOption});
    parser.process(app);

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
    const bool screen = !parser.isSet(plainOption) && ::isatty(STDOUT_FILENO);

    simtool::SignalWatcher signalWatcher;
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

    simtool::Keyboard keyboard(screen);
    simtool::Simulator simulator(&port, screen);
    simulator.presetAnalog(0, analog1);
    simulator.presetAnalog(1, analog2);
    QObject::connect(&keyboard, &simtool::Keyboard::pressed, &simulator,
                     &simtool::Simulator::press);
    QObject::connect(&simulator, &simtool::Simulator::quitRequested, &app, &QCoreApplication::quit);
    QObject::connect(&signalWatcher, &simtool::SignalWatcher::quitRequested, &app,
                     &QCoreApplication::quit);
    QObject::connect(&signalWatcher, &simtool::SignalWatcher::resized, &simulator,
                     &simtool::Simulator::redraw);
    simtool::ProcessWatcher partner;
    QObject::connect(&partner, &simtool::ProcessWatcher::ended, &app, &QCoreApplication::quit);
    if (exitWith > 0)
        partner.watch(static_cast<pid_t>(exitWith));
    simulator.start();
    const int status = QCoreApplication::exec();
    return status;
}
