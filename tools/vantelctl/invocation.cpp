#include "invocation.h"

#include <utility>

#include "ports/comname.h"
#include "ports/devicename.h"
#include "script/arguments.h"
#include "script/parser.h"

namespace vantelctl
{

namespace
{

const QString kOptions = QStringLiteral("--port, --speed, --dry-run, --format, --help, --version");

} // namespace

std::variant<Invocation, QString> parseInvocation(const QStringList &arguments)
{
    Invocation invocation;
    bool formatGiven = false;
    qsizetype i = 0;
    for (; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        if (!option.startsWith(QLatin1Char('-')) || option == QLatin1String("--"))
            break;
        QString value;
        bool hasValue = false;
        if (const qsizetype equals = option.indexOf(QLatin1Char('=')); equals > 0) {
            value = option.mid(equals + 1);
            option.truncate(equals);
            hasValue = true;
        }
        const bool takesValue = option == QLatin1String("--port") ||
                                option == QLatin1String("--speed") ||
                                option == QLatin1String("--format");
        if (takesValue && !hasValue) {
            // "--port --dry-run clear": the next option is no value (and a port named
            // "--dry-run" would hide the dry run the user asked for).
            if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--")))
                return QStringLiteral("%1 needs a value").arg(option);
            value = arguments.at(++i);
        } else if (!takesValue && hasValue) {
            return QStringLiteral("%1 takes no value").arg(option);
        }
        if (option == QLatin1String("--port")) {
            if (value.isEmpty())
                return QStringLiteral("--port needs a value (COMn or a device path)");
            if (const QString problem = ports::deviceNameProblem(value); !problem.isEmpty())
                return QStringLiteral("--port %1").arg(problem);
            if (const QString problem = ports::readComName(value).problem(); !problem.isEmpty())
                return QStringLiteral("--port %1: %2").arg(value, problem);
            invocation.port = value;
        } else if (option == QLatin1String("--speed")) {
            if (value != QLatin1String("9600") && value != QLatin1String("19200"))
                return QStringLiteral("--speed '%1' is not allowed (allowed: 9600, 19200)")
                    .arg(value);
            invocation.speed = value.toInt();
        } else if (option == QLatin1String("--format")) {
            const QStringList formats = {QStringLiteral("hex"), QStringLiteral("c"),
                                         QStringLiteral("python")};
            const auto index = formats.indexOf(value);
            if (index < 0)
                return QStringLiteral("--format '%1' is not allowed (allowed: hex, c, python)")
                    .arg(value);
            invocation.format = static_cast<script::DryRunFormat>(index);
            formatGiven = true;
        } else if (option == QLatin1String("--dry-run")) {
            invocation.dryRun = true;
        } else if (option == QLatin1String("--help") || option == QLatin1String("-h")) {
            invocation.help = true;
        } else if (option == QLatin1String("--version")) {
            invocation.version = true;
        } else {
            return QStringLiteral("unknown option '%1' (allowed: %2)")
                .arg(script::shownWord(option), kOptions);
        }
    }
    if (invocation.help || invocation.version)
        return invocation;
    if (formatGiven && !invocation.dryRun)
        return QStringLiteral("--format goes with --dry-run (it formats the bytes printed "
                              "instead of sent)");
    QStringList command;
    for (; i < arguments.size(); ++i) {
        if (arguments.at(i) != QLatin1String("--")) {
            command << arguments.at(i);
            continue;
        }
        if (command.isEmpty())
            return QStringLiteral("'--' with no command before it (commands are separated by "
                                  "'--')");
        invocation.commands.push_back(std::exchange(command, {}));
    }
    if (command.isEmpty())
        return invocation.commands.empty()
                   ? QStringLiteral("no command given (see vantelctl --help)")
                   : QStringLiteral("'--' with no command after it (commands are separated by "
                                    "'--')");
    invocation.commands.push_back(command);
    return invocation;
}

QString usageText()
{
    return QStringLiteral(
               "Usage: vantelctl [--port COMn|PATH] [--speed 9600|19200]\n"
               "                 [--dry-run [--format hex|c|python]]\n"
               "                 COMMAND [ARGS] [-- COMMAND [ARGS] ...]\n"
               "\n"
               "Drives the 20x4 serial display module from a shell or a script.\n"
               "\n"
               "Options:\n"
               "  --port COMn|PATH  the port (COMn as in the window, a device path, or\n"
               "                    rfc2217://HOST:PORT or socket://HOST:PORT);\n"
               "                    default: the port in the settings file\n"
               "  --speed SPEED     the line speed; default: the settings file's, else 19200\n"
               "  --dry-run         print the bytes instead of opening the port\n"
               "  --format FORMAT   with --dry-run: hex (a script), c or python\n"
               "  --help, --version\n"
               "\n"
               "Commands:\n") +
           script::Parser::commandHelp().join(QLatin1Char('\n')) +
           QStringLiteral("\n\nNumbers are decimal, 0x hex or 0b binary. Exit status: 0 done, "
                          "1 the port or the module failed, 2 a usage error (nothing sent).\n");
}

} // namespace vantelctl
