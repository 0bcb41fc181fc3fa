// vantelctl: the display module from a shell, a script or a cron job. Everything but the
// world around the program (streams, signals, the event loop) is in vantelctl.h, built on
// the script layer (src/script).

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>

#include "script/parser.h"
#include "settings/settingsfile.h"
#include "vantelctl.h"
#ifdef VANTEL_HAVE_POSIX
#include "posix/signalwatcher.h"
#endif
#ifdef VANTEL_HAVE_WINDOWS
#include "windows/consolecontrolwatcher.h"
#include "windows/consoletext.h"
#endif

#ifndef VANTEL_HAVE_WINDOWS
namespace
{

// Lines are words and numbers, never a NUL. Flushed at once, so a reader on a pipe sees each
// reply as it arrives, and a reader that went away shows up as a failed write.
bool writeLine(FILE *stream, const QString &line)
{
    return std::fprintf(stream, "%s\n", line.toLocal8Bit().constData()) >= 0 &&
           std::fflush(stream) == 0;
}

} // namespace
#endif

int main(int argc, char *argv[])
{
    // A reader that goes away (vantelctl listen | head -1) ends the listen through a failed
    // write rather than killing the program with the port still open.
#ifdef SIGPIPE
    std::signal(SIGPIPE, SIG_IGN);
#endif
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantelctl"));

    vantelctl::World world;
    world.version = QStringLiteral(VANTEL_VERSION);
    world.settingsPath = defaultSettingsPath();
    world.readStandardInput = [] {
#ifdef VANTEL_HAVE_WINDOWS
        if (consoletext::inputIsConsole())
            return consoletext::readConsole(script::kLargestScript + 1);
#endif
        // To its end, or one byte past the largest script, which is enough to refuse a larger
        // one (or an endless stream such as /dev/zero). A pipe gives it a piece at a time.
        QFile input;
        QByteArray content;
        if (!input.open(stdin, QIODevice::ReadOnly))
            return content;
        while (content.size() <= script::kLargestScript) {
            const QByteArray piece = input.read(script::kLargestScript + 1 - content.size());
            if (piece.isEmpty())
                break;
            content += piece;
        }
        return content;
    };
#ifdef VANTEL_HAVE_WINDOWS
    using consoletext::Stream;
    world.out = [](const QString &line) {
        return consoletext::write(Stream::Output, line + u'\n');
    };
    world.err = [](const QString &line) { consoletext::write(Stream::Error, line + u'\n'); };
#else
    world.out = [](const QString &line) { return writeLine(stdout, line); };
    world.err = [](const QString &line) { writeLine(stderr, line); };
#endif

    vantelctl::Vantelctl ctl(std::move(world));
#ifdef VANTEL_HAVE_POSIX
    SignalWatcher terminationSignals({SIGINT, SIGTERM});
    QObject::connect(&terminationSignals, &SignalWatcher::received, &ctl,
                     &vantelctl::Vantelctl::stop);
#endif
#ifdef VANTEL_HAVE_WINDOWS
    ConsoleControlWatcher consoleControl;
    QObject::connect(&consoleControl, &ConsoleControlWatcher::received, &ctl,
                     &vantelctl::Vantelctl::stop);
#endif
    QObject::connect(&ctl, &vantelctl::Vantelctl::finished, &app, &QCoreApplication::exit);
    if (const auto status = ctl.start(app.arguments().mid(1)))
        return *status;
    return QCoreApplication::exec();
}
