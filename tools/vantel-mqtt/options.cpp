#include "options.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include "files/userfile.h"
#include "ports/comname.h"
#include "ports/devicename.h"

namespace mqttbridge
{

namespace
{

constexpr int kLongestAnalogInterval = 86400;
constexpr qint64 kLargestFile = 64 * 1024;

const QStringList kValueKeys = {QStringLiteral("port"),         QStringLiteral("speed"),
                                QStringLiteral("broker"),       QStringLiteral("cafile"),
                                QStringLiteral("username"),     QStringLiteral("password-file"),
                                QStringLiteral("name"),         QStringLiteral("discovery-prefix"),
                                QStringLiteral("analog-every"), QStringLiteral("config")};
const QStringList kSwitches = {QStringLiteral("keypad"), QStringLiteral("no-discovery"),
                               QStringLiteral("help"), QStringLiteral("version")};

struct Setting {
    QString key;
    QString value;
    QString where; // "--port" or "FILE:LINE: port", for messages
};

std::optional<bool> switchValue(const QString &value)
{
    const QString word = value.trimmed().toLower();
    if (word == u"yes" || word == u"true" || word == u"on" || word == u"1")
        return true;
    if (word == u"no" || word == u"false" || word == u"off" || word == u"0")
        return false;
    return std::nullopt;
}

std::optional<BrokerAddress> brokerAddress(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"mqtt" && scheme != u"mqtts") || url.host().isEmpty() ||
        !url.userInfo().isEmpty() || (!url.path().isEmpty() && url.path() != u"/") ||
        url.hasQuery() || url.hasFragment() || url.port() == 0)
        return std::nullopt;
    BrokerAddress broker;
    broker.tls = scheme == u"mqtts";
    broker.host = url.host();
    broker.port = static_cast<quint16>(url.port(broker.tls ? 8883 : 1883));
    const QString host = broker.host.contains(QLatin1Char(':'))
                             ? QStringLiteral("[%1]").arg(broker.host)
                             : broker.host;
    broker.shown = QStringLiteral("%1://%2:%3").arg(scheme, host).arg(broker.port);
    return broker;
}

// A topic level of the bridge's own: it names the device in Home Assistant too, whose
// discovery topics take these characters only.
bool isPlainName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_-]{1,64}$"));
    return plain.match(name).hasMatch();
}

// The config and password files, by the rule every file a person keeps is read by.
std::optional<QByteArray> readSmallFile(const QString &path, QString &problem)
{
    files::UserFile file = files::readUserFile(path, kLargestFile);
    if (!file.isRead()) {
        problem = QStringLiteral("cannot read %1: %2").arg(path, file.reason);
        return std::nullopt;
    }
    return std::move(file.content);
}

// Applies one setting; the problem in words, or nothing.
std::optional<QString> apply(const Setting &s, Options &options)
{
    const QString &v = s.value;
    if (s.key == u"port") {
        if (v.isEmpty())
            return QStringLiteral("%1 needs a value (COMn, a device path or a network port)")
                .arg(s.where);
        if (const QString problem = ports::deviceNameProblem(v); !problem.isEmpty())
            return QStringLiteral("%1 %2").arg(s.where, problem);
        if (const QString problem = ports::readComName(v).problem(); !problem.isEmpty())
            return QStringLiteral("%1 %2: %3").arg(s.where, v, problem);
        options.port = v;
    } else if (s.key == u"speed") {
        if (v != u"9600" && v != u"19200")
            return QStringLiteral("%1 '%2' is not allowed (allowed: 9600, 19200)").arg(s.where, v);
        options.speed = v.toInt();
    } else if (s.key == u"broker") {
        const auto broker = brokerAddress(v);
        if (!broker)
            return QStringLiteral("%1 '%2' is no broker address (mqtt://HOST:PORT or "
                                  "mqtts://HOST:PORT)")
                .arg(s.where, v);
        options.broker = *broker;
    } else if (s.key == u"cafile") {
        options.cafile = v;
    } else if (s.key == u"username") {
        options.username = v;
    } else if (s.key == u"password-file") {
        QString problem;
        const auto bytes = readSmallFile(v, problem);
        if (!bytes)
            return QStringLiteral("%1: %2").arg(s.where, problem);
        // The first line; a newline at its end is the file's, not the password's.
        options.password = QString::fromUtf8(bytes->split('\n').first()).remove(QLatin1Char('\r'));
    } else if (s.key == u"name") {
        if (!isPlainName(v))
            return QStringLiteral("%1 '%2': a name is 1-64 letters, digits, '_' or '-'")
                .arg(s.where, v);
        options.name = v;
    } else if (s.key == u"discovery-prefix") {
        static const QRegularExpression prefix(QStringLiteral("^[^/+#]+(/[^/+#]+)*$"));
        if (!prefix.match(v).hasMatch())
            return QStringLiteral("%1 '%2' is no topic prefix").arg(s.where, v);
        options.discoveryPrefix = v;
    } else if (s.key == u"analog-every") {
        bool ok = false;
        const int seconds = v.toInt(&ok);
        if (!ok || seconds < 0 || seconds > kLongestAnalogInterval || v.startsWith(u'+'))
            return QStringLiteral("%1 '%2' is not a number of seconds (0-%3)")
                .arg(s.where, v)
                .arg(kLongestAnalogInterval);
        options.analogEverySeconds = seconds;
    } else if (s.key == u"keypad" || s.key == u"no-discovery") {
        const auto on = switchValue(v);
        if (!on)
            return QStringLiteral("%1 '%2' is neither yes nor no").arg(s.where, v);
        if (s.key == u"keypad")
            options.keypad = *on;
        else
            options.discovery = !*on;
    }
    return std::nullopt;
}

std::optional<QString> readConfig(const QString &path, std::vector<Setting> &settings)
{
    QString problem;
    const auto text = readSmallFile(path, problem);
    if (!text)
        return problem;
    const QList<QByteArray> lines = text->split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = QString::fromUtf8(lines[i]).trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#')))
            continue;
        const QString where = QStringLiteral("%1:%2:").arg(path).arg(i + 1);
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals < 0)
            return QStringLiteral("%1 '%2' is no 'key = value' line").arg(where, line);
        const QString key = line.left(equals).trimmed();
        if (key == u"config" || key == u"help" || key == u"version" ||
            (!kValueKeys.contains(key) && !kSwitches.contains(key)))
            return QStringLiteral("%1 unknown key '%2'").arg(where, key);
        settings.push_back({key, line.mid(equals + 1).trimmed(), where + QLatin1Char(' ') + key});
    }
    return std::nullopt;
}

OptionsAnswer usageError(const QString &problem)
{
    return {2, QStringLiteral("vantel-mqtt: ") + problem};
}

} // namespace

ParsedOptions parseOptions(const QStringList &arguments, const QString &defaultConfig,
                           const QString &version)
{
    ParsedOptions parsed;
    parsed.options.broker = *brokerAddress(QStringLiteral("mqtt://localhost:1883"));
    std::vector<Setting> given;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        QString option = arguments.at(i);
        if (!option.startsWith(QLatin1String("--")) && option != u"-h") {
            parsed.answer = usageError(
                QStringLiteral("'%1' is no option (see vantel-mqtt --help)").arg(option));
            return parsed;
        }
        QString value;
        bool hasValue = false;
        if (const qsizetype equals = option.indexOf(QLatin1Char('=')); equals > 0) {
            value = option.mid(equals + 1);
            option.truncate(equals);
            hasValue = true;
        }
        const QString key = option == u"-h" ? QStringLiteral("help") : option.mid(2);
        const bool takesValue = kValueKeys.contains(key);
        if (!takesValue && !kSwitches.contains(key)) {
            parsed.answer = usageError(
                QStringLiteral("unknown option '%1' (see vantel-mqtt --help)").arg(option));
            return parsed;
        }
        if (takesValue && !hasValue) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--"))) {
                parsed.answer = usageError(QStringLiteral("%1 needs a value").arg(option));
                return parsed;
            }
            value = arguments.at(++i);
        } else if (!takesValue && hasValue) {
            parsed.answer = usageError(QStringLiteral("%1 takes no value").arg(option));
            return parsed;
        }
        if (key == u"help") {
            parsed.answer = OptionsAnswer{0, usageText()};
            return parsed;
        }
        if (key == u"version") {
            parsed.answer = OptionsAnswer{0, QStringLiteral("vantel-mqtt ") + version};
            return parsed;
        }
        given.push_back({key, takesValue ? value : QStringLiteral("yes"), option});
    }

    // The file first, so that the command line wins.
    std::vector<Setting> settings;
    QString config;
    for (const Setting &s : given) {
        if (s.key == u"config")
            config = s.value;
    }
    if (config.isEmpty() && QFileInfo::exists(defaultConfig))
        config = defaultConfig;
    if (!config.isEmpty()) {
        if (const auto problem = readConfig(config, settings)) {
            parsed.answer = usageError(*problem);
            return parsed;
        }
        parsed.options.configFile = config;
    }
    for (const Setting &s : given) {
        if (s.key != u"config")
            settings.push_back(s);
    }
    for (const Setting &s : settings) {
        if (const auto problem = apply(s, parsed.options)) {
            parsed.answer = usageError(*problem);
            return parsed;
        }
    }
    if (!parsed.options.cafile.isEmpty() && !parsed.options.broker.tls)
        parsed.answer = usageError(QStringLiteral("--cafile goes with an mqtts:// broker"));
    return parsed;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: vantel-mqtt [OPTIONS]\n"
        "\n"
        "Puts the 20x4 serial display module on an MQTT broker: its rows, backlight and\n"
        "predefined messages as commands, its keys, inputs and analog readings as events\n"
        "and states, announced to Home Assistant by MQTT discovery.\n"
        "\n"
        "Options (the configuration file takes the same keys, \"key = value\"):\n"
        "  --config FILE          read the options from FILE first; default:\n"
        "                         /etc/vantel-mqtt.conf when it exists\n"
        "  --port NAME            the module's port: COMn (as in the window and the port\n"
        "                         map), a device path, rfc2217://HOST:PORT or\n"
        "                         socket://HOST:PORT; default COM1\n"
        "  --speed 9600|19200     the line speed; default 19200\n"
        "  --broker URL           mqtt://HOST[:PORT] (default mqtt://localhost:1883) or\n"
        "                         mqtts://HOST[:PORT] (TLS, port 8883 unless given)\n"
        "  --cafile FILE          with mqtts://: the certificate authority to trust;\n"
        "                         default: the system's\n"
        "  --username USER        log in to the broker as USER\n"
        "  --password-file FILE   with the password on FILE's first line\n"
        "  --name NAME            topics under vantel/NAME, the device NAME in Home\n"
        "                         Assistant; letters, digits, '_' and '-'; default vantel\n"
        "  --discovery-prefix P   Home Assistant's discovery prefix; default homeassistant\n"
        "  --no-discovery         announce nothing to Home Assistant\n"
        "  --keypad               P2 drives a 4x4 keypad; default: eight general inputs\n"
        "  --analog-every S       read both analog inputs every S seconds; 0: never;\n"
        "                         default 5\n"
        "  --help, --version\n"
        "\n"
        "Topics (B = vantel/NAME; states are retained):\n"
        "  B/availability             online, offline (while the module is lost; also the\n"
        "                             broker's last will)\n"
        "  B/row/N/set   -> B/row/N   text for row N (1-4), cut or padded to 20\n"
        "  B/clear/set                clears the display (any payload)\n"
        "  B/backlight/set -> B/backlight                        ON or OFF\n"
        "  B/backlight/brightness/set -> B/backlight/brightness  0-250\n"
        "  B/message/set              shows predefined message 1-20 on the top row\n"
        "  B/key                      {\"event_type\":\"key_K\"} when key K (1-16) goes down\n"
        "  B/input/N                  ON or OFF when input N (1-8) changes\n"
        "  B/analog/N                 the reading of analog input N (1-2)\n"
        "A payload that is not valid is logged with its topic and ignored whole.\n"
        "\n"
        "The bridge keeps going when the broker or the module goes away: it tries the\n"
        "broker again after 1 s, doubling to 30 s, and the module every second, and\n"
        "publishes everything again when either is back.\n"
        "\n"
        "Exit status: 0 stopped by SIGTERM or SIGINT, 1 a failure at start, 2 a usage error.\n");
}

} // namespace mqttbridge
