#pragma once
// What vantel-mqtt is asked to do, from its configuration file and its command line, read
// on plain values so that a test can check every answer; main() only acts on it.
//
//   vantel-mqtt [--config FILE] [--port NAME] [--speed 9600|19200]
//               [--broker mqtt://HOST[:PORT] | mqtts://HOST[:PORT] [--cafile FILE]]
//               [--username USER] [--password-file FILE] [--name NAME]
//               [--discovery-prefix PREFIX | --no-discovery] [--keypad]
//               [--analog-every SECONDS]
//
// The configuration file (FILE, else /etc/vantel-mqtt.conf when it exists) takes the same
// keys, one "key = value" a line, '#' starting a comment line; the two switches read a
// value there (keypad = yes, no-discovery = yes). The command line wins over the file.
// Every problem with either is a usage error: one line, status 2, nothing opened.

#include <optional>

#include <QString>
#include <QStringList>

namespace mqttbridge
{

struct BrokerAddress {
    QString host;
    quint16 port = 1883;
    bool tls = false;
    QString shown; // mqtt://HOST:PORT, for messages
};

struct Options {
    QString port = QStringLiteral("COM1"); // COMn, a device path or a network port
    int speed = 19200;
    BrokerAddress broker;
    QString cafile;
    QString username;
    QString password; // read from --password-file
    QString name = QStringLiteral("vantel");
    QString discoveryPrefix = QStringLiteral("homeassistant");
    bool discovery = true;
    bool keypad = false;
    int analogEverySeconds = 5; // 0: never
    QString configFile;         // the file read, if any
};

// Text for the terminal and the exit status: standard output for status 0, standard error
// for any other.
struct OptionsAnswer {
    int exitStatus = 0;
    QString text;
};

struct ParsedOptions {
    Options options;
    std::optional<OptionsAnswer> answer; // set: print it and end instead of running
};

inline constexpr char kDefaultConfigFile[] = "/etc/vantel-mqtt.conf";

// `arguments` without the program's name; `defaultConfig` is read when it exists and no
// --config names another.
ParsedOptions parseOptions(const QStringList &arguments, const QString &defaultConfig,
                           const QString &version);

QString usageText();

} // namespace mqttbridge
