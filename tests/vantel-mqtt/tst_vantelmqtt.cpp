// The real vantel-mqtt between Debian's mosquitto broker (on a free loopback port, started
// here) and the module model on a pseudo-terminal, with mosquitto_pub and mosquitto_sub as
// the other client. The steps build on each other, as a day of the bridge does: discovery,
// commands to the module, the module's news to the broker, bad payloads, the broker killed
// and started again, the module lost and back, a clean stop, a run in keypad mode.

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <memory>

#include "modulepump.h"

namespace
{

constexpr int kTimeoutMs = 30000; // the bridge's back-off may wait 2 s between attempts
const QString kBase = QStringLiteral("vantel/t");

QString tool(const QString &name)
{
    return QStandardPaths::findExecutable(
        name, {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/bin")});
}

// mosquitto_sub -v on some topics: every "topic payload" line that came.
class Subscriber
{
public:
    Subscriber(quint16 port, const QStringList &filters)
    {
        QStringList arguments{"-h", "127.0.0.1", "-p", QString::number(port), "-v"};
        for (const QString &filter : filters)
            arguments << "-t" << filter;
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, [this] {
            m_pending += m_process.readAllStandardOutput();
            qsizetype end;
            while ((end = m_pending.indexOf('\n')) >= 0) {
                m_lines << QString::fromUtf8(m_pending.left(end));
                m_pending.remove(0, end + 1);
            }
        });
        m_process.start(tool(QStringLiteral("mosquitto_sub")), arguments);
    }
    ~Subscriber()
    {
        m_process.kill();
        m_process.waitForFinished();
    }
    bool has(const QString &line) const { return m_lines.contains(line); }
    QStringList startingWith(const QString &prefix) const { return m_lines.filter(prefix); }

private:
    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
};

// Each config message: the fields Home Assistant requires for its component and those every
// entity of the bridge carries. Returns what is wrong, or nothing.
QString checkDiscovery(const QStringList &lines, bool keypad)
{
    QMap<QString, int> count;
    QSet<QString> uniqueIds;
    for (const QString &line : lines) {
        const QString topic = line.section(QLatin1Char(' '), 0, 0);
        const QString component = topic.section(QLatin1Char('/'), 1, 1);
        const QJsonObject config =
            QJsonDocument::fromJson(line.section(QLatin1Char(' '), 1).toUtf8()).object();
        if (config.isEmpty())
            continue; // an emptied topic
        ++count[component];
        const QJsonObject device = config.value("device").toObject();
        if (config.value("availability_topic").toString() != kBase + "/availability" ||
            !device.value("identifiers").toArray().contains(QStringLiteral("vantel_t")) ||
            device.value("name").toString() != u"t" ||
            device.value("model").toString() != u"20x4 serial LCD module" ||
            !topic.startsWith("homeassistant/" + component + "/t/"))
            return "common fields: " + line;
        if (uniqueIds.contains(config.value("unique_id").toString()) ||
            config.value("unique_id").toString().isEmpty())
            return "unique_id: " + line;
        uniqueIds.insert(config.value("unique_id").toString());
        const QString needed =
            component == u"text" || component == u"button" || component == u"light"
                ? QStringLiteral("command_topic")
                : QStringLiteral("state_topic");
        if (!config.value(needed).toString().startsWith(kBase + "/"))
            return needed + ": " + line;
        if (component == u"light" && (config.value("brightness_scale").toInt() != 250 ||
                                      config.value("brightness_command_topic").toString() !=
                                          kBase + "/backlight/brightness/set"))
            return "brightness: " + line;
        if (component == u"event") {
            QJsonArray keys;
            for (int key = 1; key <= 16; ++key)
                keys.append(QStringLiteral("key_%1").arg(key));
            if (config.value("event_types").toArray() != keys)
                return "event_types: " + line;
        }
    }
    const QMap<QString, int> expected{{"text", 4},   {"button", 1},
                                      {"light", 1},  {"event", 1},
                                      {"sensor", 2}, {"binary_sensor", keypad ? 0 : 8}};
    for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
        if (count.value(it.key()) != it.value())
            return QStringLiteral("%1 %2 config messages, not %3")
                .arg(count.value(it.key()))
                .arg(it.key())
                .arg(it.value());
    }
    return {};
}

} // namespace

class TestVantelMqtt : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void discoveryAnnouncesEveryEntity();
    void commandsReachTheModule();
    void theModulesNewsReachesTheBroker();
    void badPayloadsSendNothing();
    void brokerRestartGetsEverythingAgain();
    void moduleLostAndBack();
    void stopSaysOffline();
    void keypadModeSendsKeyPresses();

private:
    void startBroker();
    void startBridge(const QStringList &extra = {});
    void plugModuleIn();
    void publish(const QString &topic, const QByteArray &payload);
    QString bridgeLog() { return QString::fromUtf8(m_log += m_bridge.readAllStandardError()); }

    QTemporaryDir m_dir;
    quint16 m_port = 0;
    QProcess m_broker;
    QProcess m_bridge;
    QByteArray m_log;
    std::unique_ptr<PtyPeer> m_peer;
    std::unique_ptr<ModulePump> m_module;
    std::unique_ptr<Subscriber> m_sub;
};

void TestVantelMqtt::startBroker()
{
    const QString config = m_dir.filePath("mosquitto.conf");
    FILE *file = std::fopen(qPrintable(config), "w");
    std::fprintf(file, "listener %u 127.0.0.1\nallow_anonymous true\n", m_port);
    std::fclose(file);
    m_broker.start(tool("mosquitto"), {"-c", config});
    QTRY_VERIFY_WITH_TIMEOUT(([this] {
                                 QTcpSocket probe;
                                 probe.connectToHost(QHostAddress::LocalHost, m_port);
                                 return probe.waitForConnected(200);
                             }()),
                             kTimeoutMs);
}

void TestVantelMqtt::plugModuleIn()
{
    m_module.reset();
    m_peer = std::make_unique<PtyPeer>();
    QVERIFY(m_peer->isValid());
    m_module = std::make_unique<ModulePump>(*m_peer);
    m_module->model().setAnalog(0, 321); // read when the bridge asks
    const QString link = m_dir.filePath("module");
    QFile::remove(link + ".new");
    QVERIFY(QFile::link(m_peer->slavePath(), link + ".new"));
    QVERIFY(::rename(qPrintable(link + ".new"), qPrintable(link)) == 0);
}

void TestVantelMqtt::startBridge(const QStringList &extra)
{
    m_log.clear();
    // A configuration of its own: whatever this machine's /etc/vantel-mqtt.conf says stays out.
    const QString config = m_dir.filePath("vantel-mqtt.conf");
    QFile(config).open(QIODevice::WriteOnly);
    m_bridge.start(VANTEL_MQTT_PATH,
                   QStringList{"--config", config, "--port", m_dir.filePath("module"), "--broker",
                               QStringLiteral("mqtt://127.0.0.1:%1").arg(m_port), "--name", "t",
                               "--analog-every", "3600"} +
                       extra);
    QVERIFY(m_bridge.waitForStarted());
}

void TestVantelMqtt::publish(const QString &topic, const QByteArray &payload)
{
    QProcess pub;
    pub.start(tool("mosquitto_pub"),
              {"-h", "127.0.0.1", "-p", QString::number(m_port), "-t", topic, "-s"});
    pub.write(payload);
    pub.closeWriteChannel();
    QVERIFY(pub.waitForFinished() && pub.exitCode() == 0);
}

void TestVantelMqtt::initTestCase()
{
    if (tool("mosquitto").isEmpty() || tool("mosquitto_sub").isEmpty())
        QSKIP("mosquitto and mosquitto-clients are not installed");
    QTcpServer free;
    QVERIFY(free.listen(QHostAddress::LocalHost));
    m_port = free.serverPort();
    free.close();
    startBroker();
    m_sub = std::make_unique<Subscriber>(m_port, QStringList{"vantel/t/#", "homeassistant/#"});
    plugModuleIn();
    startBridge();
}

void TestVantelMqtt::cleanupTestCase()
{
    m_bridge.kill();
    m_bridge.waitForFinished();
    m_broker.kill();
    m_broker.waitForFinished();
}

void TestVantelMqtt::discoveryAnnouncesEveryEntity()
{
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/availability online"), kTimeoutMs);
    const QString problem = checkDiscovery(m_sub->startingWith("homeassistant/"), false);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestVantelMqtt::commandsReachTheModule()
{
    publish(kBase + "/row/1/set", "Hello");
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/row/1 Hello"), kTimeoutMs);
    QTRY_COMPARE(m_module->rowText(0), QStringLiteral("Hello").leftJustified(20));
    publish(kBase + "/backlight/set", "OFF");
    publish(kBase + "/backlight/brightness/set", "120");
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/backlight/brightness 120"), kTimeoutMs);
    QVERIFY(m_sub->has(kBase + "/backlight OFF"));
    QTRY_COMPARE(m_module->model().settings().backlightLevel, 120);
    QVERIFY(!m_module->model().settings().backlightOn);
}

void TestVantelMqtt::theModulesNewsReachesTheBroker()
{
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/analog/1 321"), kTimeoutMs);
    m_module->send(m_module->model().setInputPin(2, true));
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/input/3 ON"), kTimeoutMs);
    QVERIFY(m_sub->has(kBase + "/input/8 OFF"));
}

void TestVantelMqtt::badPayloadsSendNothing()
{
    const qsizetype heard = m_module->heard().size();
    const QList<QPair<QString, QByteArray>> bad{{"/backlight/brightness/set", "300"},
                                                {"/row/5/set", "x"},
                                                {"/row/1/set", "bad \xC3\x28 text"},
                                                {"/message/set", "0"}};
    for (const auto &[topic, payload] : bad)
        publish(kBase + topic, payload);
    publish(kBase + "/row/2/set", "after");
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/row/2 after"), kTimeoutMs);
    const QByteArray rowTwo =
        QByteArray("\xFE\x32\x01\x00", 4) + QByteArray("after").leftJustified(20);
    QTRY_COMPARE(m_module->heard().mid(heard), rowTwo);
    QCOMPARE(m_bridge.state(), QProcess::Running);
    for (const auto &[topic, payload] : bad)
        QVERIFY2(bridgeLog().contains(kBase + topic + " \""), qPrintable(bridgeLog()));
}

void TestVantelMqtt::brokerRestartGetsEverythingAgain()
{
    m_sub.reset();
    m_broker.kill(); // no goodbye, nothing kept
    m_broker.waitForFinished();
    startBroker();
    m_sub = std::make_unique<Subscriber>(m_port, QStringList{"vantel/t/#", "homeassistant/#"});
    for (const char *state : {"/row/1 Hello", "/row/2 after", "/backlight OFF",
                              "/backlight/brightness 120", "/input/3 ON", "/analog/1 321"})
        QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + state), kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/availability online"), kTimeoutMs);
    const QString problem = checkDiscovery(m_sub->startingWith("homeassistant/"), false);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(bridgeLog().count("trying again, every 30 s"), 1);
}

void TestVantelMqtt::moduleLostAndBack()
{
    m_peer->hangUp();
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/availability offline"), kTimeoutMs);
    publish(kBase + "/row/3/set", "while away"); // drawn when the module is back
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/row/3 while away"), kTimeoutMs);
    plugModuleIn();
    QTRY_COMPARE_WITH_TIMEOUT(
        m_module->screen(),
        (QStringList{QStringLiteral("Hello").leftJustified(20),
                     QStringLiteral("after").leftJustified(20),
                     QStringLiteral("while away").leftJustified(20), QString(20, u' ')}),
        kTimeoutMs);
    QTRY_COMPARE(m_module->model().settings().backlightLevel, 120);
    QVERIFY(!m_module->model().settings().backlightOn);
    QCOMPARE(m_sub->startingWith(kBase + "/availability online").size(), 2);
}

void TestVantelMqtt::stopSaysOffline()
{
    const qsizetype offline = m_sub->startingWith(kBase + "/availability offline").size();
    m_bridge.terminate();
    QVERIFY(m_bridge.waitForFinished(kTimeoutMs));
    QCOMPARE(m_bridge.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_bridge.exitCode(), 0);
    QTRY_COMPARE(m_sub->startingWith(kBase + "/availability offline").size(), offline + 1);
}

void TestVantelMqtt::keypadModeSendsKeyPresses()
{
    startBridge({"--keypad"});
    QTRY_VERIFY_WITH_TIMEOUT(m_module->model().settings().p2Mode == proto::P2Mode::Keypad,
                             kTimeoutMs);
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has("homeassistant/binary_sensor/t/input_1/config (null)"),
                             kTimeoutMs);
    m_module->send(m_module->model().setKey(6, true));
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/key {\"event_type\":\"key_6\"}"), kTimeoutMs);
    m_module->send(m_module->model().setKey(6, false));
    m_module->send(m_module->model().setKey(16, true));
    QTRY_VERIFY_WITH_TIMEOUT(m_sub->has(kBase + "/key {\"event_type\":\"key_16\"}"), kTimeoutMs);
    QCOMPARE(m_sub->startingWith(kBase + "/key ").size(), 2);
}

QTEST_GUILESS_MAIN(TestVantelMqtt)
#include "tst_vantelmqtt.moc"
