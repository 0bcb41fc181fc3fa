#include "app/commandline.h"

#include <QCommandLineParser>

#include <algorithm>
#include <cstdio>

#ifdef VANTEL_HAVE_WINDOWS
#include "windows/consoletext.h"
#endif

namespace
{

constexpr QLatin1StringView kProgram("vantelapp");

// Single-dash words are whole option names, as Qt's own are: "-reverse" must not read as
// "-r -e -v ..." and so as --version.
void describeOptions(QCommandLineParser &parser)
{
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        QStringLiteral("Drives a 20x4 serial character display module over RS232."));
    parser.addOption(QCommandLineOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Displays help on commandline options.")));
    parser.addVersionOption();
}

// Without an application object the parser names the program "<executable_name>".
QString helpText(const QCommandLineParser &parser)
{
    QString text = parser.helpText();
    return text.replace(0, text.indexOf(QLatin1Char('\n')),
                        QLatin1String("Usage: %1 [options]").arg(kProgram));
}

// X11 and Wayland need a display server; Qt's other platforms (offscreen, minimal, vnc,
// linuxfb, eglfs, ...) draw without one. No choice at all means the default, X11.
bool needsDisplayServer(const QString &platform)
{
    const QString name = platform.section(QLatin1Char(':'), 0, 0).trimmed();
    return name.isEmpty() || name == QLatin1String("xcb") ||
           name.startsWith(QLatin1String("wayland"));
}

// The platform comes from -platform, else from QT_QPA_PLATFORM, which may list several to
// try in turn ("wayland;xcb"), each with options after a colon. A Windows session always
// has its desktop.
bool canOpenWindow(const QStringList &arguments, const QProcessEnvironment &environment)
{
#ifdef Q_OS_WIN
    Q_UNUSED(arguments);
    Q_UNUSED(environment);
    return true;
#endif
    if (!environment.value(QStringLiteral("DISPLAY")).isEmpty() ||
        !environment.value(QStringLiteral("WAYLAND_DISPLAY")).isEmpty())
        return true;
    QString platforms = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        const QString option =
            arguments[i].startsWith(QLatin1String("--")) ? arguments[i].mid(1) : arguments[i];
        if (option == QLatin1String("-display"))
            return true;
        if (option == QLatin1String("-platform"))
            platforms = arguments[i + 1];
    }
    const QStringList choices = platforms.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    return std::any_of(choices.begin(), choices.end(),
                       [](const QString &choice) { return !needsDisplayServer(choice); });
}

} // namespace

namespace commandline
{

std::optional<Answer> answerBeforeApplication(const QStringList &arguments,
                                              const QProcessEnvironment &environment)
{
    QCommandLineParser parser;
    describeOptions(parser);
    // Errors wait for the second step: Qt's own options are still here.
    parser.parse(arguments);
    if (parser.isSet(QStringLiteral("version")))
        return Answer{0, QLatin1String("%1 %2\n").arg(kProgram, QLatin1String(VANTEL_VERSION))};
    if (parser.isSet(QStringLiteral("help")))
        return Answer{0, helpText(parser)};
    if (!canOpenWindow(arguments, environment))
        return Answer{1, QLatin1String("%1: no display found (neither DISPLAY nor "
                                       "WAYLAND_DISPLAY is set); scripts/run.sh or xvfb-run "
                                       "starts it on a virtual one\n")
                             .arg(kProgram)};
    return std::nullopt;
}

std::optional<Answer> answerLeftoverArguments(const QStringList &arguments)
{
    QCommandLineParser parser;
    describeOptions(parser);
    if (!parser.parse(arguments))
        return Answer{1, QLatin1String("%1: %2\n").arg(kProgram, parser.errorText())};
    if (!parser.positionalArguments().isEmpty())
        return Answer{1, QLatin1String("%1: unexpected argument '%2'\n")
                             .arg(kProgram, parser.positionalArguments().constFirst())};
    return std::nullopt;
}

int deliver(const Answer &answer)
{
#ifdef VANTEL_HAVE_WINDOWS
    // The window has no console of its own: the answer goes to the one it was started from.
    consoletext::useParentConsole();
    consoletext::write(answer.exitStatus == 0 ? consoletext::Stream::Output
                                              : consoletext::Stream::Error,
                       answer.text);
#else
    std::FILE *stream = answer.exitStatus == 0 ? stdout : stderr;
    std::fputs(answer.text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
#endif
    return answer.exitStatus;
}

} // namespace commandline
