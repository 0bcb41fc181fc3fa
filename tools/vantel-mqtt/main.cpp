// vantel-mqtt: the display module on an MQTT broker, announced to Home Assistant. All but
// the world around the program (streams, signals, the event loop) is in bridge.h.

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

#include "bridge.h"
#include "options.h"
#include "posix/signalwatcher.h"

namespace
{

void writeLine(std::FILE *stream, const QString &line)
{
    std::fprintf(stream, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stream);
}

} // namespace

int main(int argc, char *argv[])
{
    // A broker that drops the connection mid-write must not kill the bridge.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vantel-mqtt"));
    const mqttbridge::ParsedOptions parsed = mqttbridge::parseOptions(
        app.arguments().mid(1), QString::fromLatin1(mqttbridge::kDefaultConfigFile),
        QStringLiteral(VANTEL_VERSION));
    if (parsed.answer) {
        writeLine(parsed.answer->exitStatus == 0 ? stdout : stderr, parsed.answer->text);
        return parsed.answer->exitStatus;
    }

    SignalWatcher terminationSignals({SIGINT, SIGTERM});
    mqttbridge::Bridge bridge(
        parsed.options, QStringLiteral(VANTEL_VERSION),
        [](const QString &line) { writeLine(stderr, QStringLiteral("vantel-mqtt: ") + line); });
    QObject::connect(&terminationSignals, &SignalWatcher::received, &app, [&bridge] {
        bridge.stop();
        QCoreApplication::quit();
    });
    if (!bridge.start())
        return 1;
    return QCoreApplication::exec();
}
