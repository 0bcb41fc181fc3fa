#include "options.h"

#include <QCommandLineParser>

#include <limits>
#include <sys/types.h>

#include "keymap.h"
#include "tcpmodulelink.h"
#include "window/displayview.h"

namespace simtool
{
namespace
{

OptionsAnswer usageError(const QString &text)
{
    return {2, QStringLiteral("vantel-sim: ") + text};
}

// A whole number within [low, high], or nothing.
std::optional<qint64> wholeNumber(const QString &text, qint64 low, qint64 high)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < low || value > high)
        return std::nullopt;
    return value;
}

} // namespace

bool wantsWindowApplication(const QStringList &arguments, const Surroundings &surroundings)
{
    if (!surroundings.displayPresent)
        return false;
    static const QStringList others{QStringLiteral("--terminal"), QStringLiteral("--no-ui"),
                                    QStringLiteral("--plain"),    QStringLiteral("-h"),
                                    QStringLiteral("--help"),     QStringLiteral("-?")};
    for (const QString &argument : arguments.mid(1))
        if (others.contains(argument))
            return false;
    return true;
}

ParsedOptions parseOptions(const QStringList &arguments, const Surroundings &surroundings)
{
    ParsedOptions parsed;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A virtual 20x4 display module on a pseudo-terminal.\n") +
        helpLines().join(QLatin1Char('\n')));
    const QCommandLineOption helpOption(
        QStringList{QStringLiteral("h"), QStringLiteral("help"), QStringLiteral("?")},
        QStringLiteral("Displays help on commandline options."));
    const QCommandLineOption linkOption(QStringLiteral("link"),
                                        QStringLiteral("Stable symbolic link to the port."),
                                        QStringLiteral("path"), surroundings.defaultLink);
    const QCommandLineOption windowOption(
        QStringLiteral("window"),
        QStringLiteral("Show the module in a window, dot for dot (the default with a display)."));
    const QCommandLineOption terminalOption(
        QStringLiteral("terminal"),
        QStringLiteral("Show the module in this terminal (the default without a display)."));
    const QCommandLineOption plainOption(
        QStringList{QStringLiteral("no-ui"), QStringLiteral("plain")},
        QStringLiteral("No screen: log lines on standard output, keys from standard input."));
    const QString zoomRange =
        QStringLiteral("%1-%2").arg(DisplayView::kMinScale).arg(DisplayView::kMaxScale);
    const QCommandLineOption zoomOption(
        QStringLiteral("zoom"), QStringLiteral("Scale of the display in the window."), zoomRange);
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
    parser.addOptions({helpOption, linkOption, windowOption, terminalOption, plainOption,
                       zoomOption, analog1Option, analog2Option, exitWithOption, listenOption});

    const bool understood = parser.parse(arguments);
    if (parser.isSet(helpOption)) {
        parsed.answer = OptionsAnswer{0, parser.helpText().trimmed()};
        return parsed;
    }
    if (!understood) {
        parsed.answer = usageError(parser.errorText());
        return parsed;
    }
    if (!parser.positionalArguments().isEmpty()) {
        parsed.answer = usageError(QStringLiteral("unexpected argument \"%1\"")
                                       .arg(parser.positionalArguments().constFirst()));
        return parsed;
    }

    const int faces =
        parser.isSet(windowOption) + parser.isSet(terminalOption) + parser.isSet(plainOption);
    if (faces > 1) {
        parsed.answer =
            usageError(QStringLiteral("choose one of --window, --terminal and --no-ui"));
        return parsed;
    }
    Options &options = parsed.options;
    if (parser.isSet(windowOption) || (faces == 0 && surroundings.displayPresent))
        options.face = Face::Window;
    else if (!parser.isSet(plainOption) && surroundings.outputIsTerminal)
        options.face = Face::Terminal;
    if (options.face == Face::Window && !surroundings.displayPresent) {
        parsed.answer = usageError(QStringLiteral(
            "--window needs a display (DISPLAY or WAYLAND_DISPLAY); --terminal draws the "
            "module here"));
        return parsed;
    }

    const auto analog1 = wholeNumber(parser.value(analog1Option), 0, 0xFFFF);
    const auto analog2 = wholeNumber(parser.value(analog2Option), 0, 0xFFFF);
    if (!analog1 || !analog2) {
        parsed.answer =
            usageError(QStringLiteral("analog values are whole numbers from 0 to 65535"));
        return parsed;
    }
    options.analog1 = static_cast<int>(*analog1);
    options.analog2 = static_cast<int>(*analog2);

    if (parser.isSet(exitWithOption)) {
        // 0 and negative numbers name process groups, not one process.
        const auto pid =
            wholeNumber(parser.value(exitWithOption), 1, std::numeric_limits<pid_t>::max());
        if (!pid) {
            parsed.answer = usageError(QStringLiteral("--exit-with takes a process id"));
            return parsed;
        }
        options.exitWith = *pid;
    }
    if (parser.isSet(zoomOption)) {
        const auto zoom =
            wholeNumber(parser.value(zoomOption), DisplayView::kMinScale, DisplayView::kMaxScale);
        if (!zoom) {
            parsed.answer = usageError(QStringLiteral("--zoom takes a whole number from %1 to %2")
                                           .arg(DisplayView::kMinScale)
                                           .arg(DisplayView::kMaxScale));
            return parsed;
        }
        options.zoom = static_cast<int>(*zoom);
    }
    if (parser.isSet(listenOption)) {
        QString error;
        if (!parseListenAddress(parser.value(listenOption), &error)) {
            parsed.answer = usageError(error);
            return parsed;
        }
        options.listen = parser.value(listenOption);
    }
    options.link = parser.value(linkOption);
    if (options.link.isEmpty()) {
        parsed.answer = usageError(QStringLiteral("--link needs a path"));
        return parsed;
    }
    return parsed;
}

} // namespace simtool
