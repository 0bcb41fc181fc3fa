#include "bridge.h"

#include "discovery.h"

#include <variant>

namespace mqttbridge
{

namespace
{

const QByteArray kOnline = QByteArrayLiteral("online");
const QByteArray kOffline = QByteArrayLiteral("offline");

QByteArray onOff(bool on)
{
    return on ? QByteArrayLiteral("ON") : QByteArrayLiteral("OFF");
}

Panel::Settings panelSettings(const Options &options)
{
    return {options.port, options.speed, options.keypad, options.analogEverySeconds};
}

} // namespace

Bridge::Bridge(const Options &options, const QString &version, Log log, QObject *parent)
    : QObject(parent), m_options(options), m_version(version),
      m_log(std::move(log)), m_topics{QStringLiteral("vantel/") + options.name},
      m_panel(panelSettings(options))
{
    connect(&m_mqtt, &MqttClient::connected, this, &Bridge::brokerConnected);
    connect(&m_mqtt, &MqttClient::unreachable, this, [this](const QString &reason) {
        m_log(QStringLiteral("broker %1: %2; trying again, every 30 s at the longest")
                  .arg(m_options.broker.shown, reason));
    });
    connect(&m_mqtt, &MqttClient::messageReceived, this, &Bridge::commandReceived);
    connect(&m_panel, &Panel::online, this, &Bridge::moduleOnline);
    connect(&m_panel, &Panel::offline, this, &Bridge::moduleOffline);
    connect(&m_panel, &Panel::keyPressed, this, [this](int number) {
        m_mqtt.publish(m_topics.key(),
                       QStringLiteral("{\"event_type\":\"key_%1\"}").arg(number).toUtf8(), false);
    });
    connect(&m_panel, &Panel::inputChanged, this,
            [this](int number, bool high) { publishState(m_topics.input(number), onOff(high)); });
    connect(&m_panel, &Panel::analogRead, this, [this](int number, int value) {
        // As the window shows a reading: the decimal number.
        const QByteArray reading = QByteArray::number(value);
        if (m_states.value(m_topics.analog(number)) != reading)
            publishState(m_topics.analog(number), reading);
    });
}

bool Bridge::start()
{
    m_states.insert(m_topics.availability(), kOffline);
    MqttClient::Settings settings;
    settings.host = m_options.broker.host;
    settings.port = m_options.broker.port;
    settings.tls = m_options.broker.tls;
    settings.cafile = m_options.cafile;
    settings.username = m_options.username;
    settings.password = m_options.password;
    settings.clientId = QStringLiteral("vantel-mqtt-") + m_options.name;
    settings.willTopic = m_topics.availability();
    settings.willPayload = kOffline;
    settings.subscriptions = m_topics.commandFilters();
    if (!m_mqtt.start(settings)) {
        m_log(m_mqtt.problem());
        return false;
    }
    m_panel.start();
    return true;
}

void Bridge::stop()
{
    m_mqtt.finish(m_topics.availability(), kOffline);
}

void Bridge::brokerConnected()
{
    m_log(QStringLiteral("broker %1: connected, topics under %2")
              .arg(m_options.broker.shown, m_topics.base));
    if (m_options.discovery) {
        const DiscoveryIdentity identity{m_options.name, m_options.discoveryPrefix, m_topics,
                                         m_options.keypad, m_version};
        for (const RetainedMessage &message : discoveryMessages(identity))
            m_mqtt.publish(message.topic, message.payload, true);
    }
    // Availability last, once everything it speaks for is there.
    for (auto it = m_states.cbegin(); it != m_states.cend(); ++it) {
        if (it.key() != m_topics.availability())
            m_mqtt.publish(it.key(), it.value(), true);
    }
    m_mqtt.publish(m_topics.availability(), m_states.value(m_topics.availability()), true);
}

void Bridge::commandReceived(const QString &topic, const QByteArray &payload)
{
    const QString prefix = m_topics.base + QLatin1Char('/');
    const auto parsed = topic.startsWith(prefix)
                            ? parseCommand(QStringView(topic).mid(prefix.size()), payload)
                            : std::variant<Command, QString>(QStringLiteral("not a topic of mine"));
    if (const auto *refusal = std::get_if<QString>(&parsed)) {
        m_log(QStringLiteral("%1 %2: %3; ignored").arg(topic, quotedPayload(payload), *refusal));
        return;
    }
    const Command &command = std::get<Command>(parsed);
    m_panel.apply(command);
    if (const auto *row = std::get_if<SetRow>(&command)) {
        publishRow(row->row);
    } else if (std::holds_alternative<ClearDisplay>(command)) {
        for (int index = 0; index < proto::kRows; ++index)
            publishRow(index);
    } else if (const auto *light = std::get_if<SetBacklight>(&command)) {
        publishState(m_topics.backlight(), onOff(light->on));
    } else if (const auto *level = std::get_if<SetBrightness>(&command)) {
        publishState(m_topics.brightness(), QByteArray::number(level->level));
    }
    // A predefined message: the bridge cannot read the module's messages, so the top row's
    // published text stays as it was.
}

void Bridge::publishState(const QString &topic, const QByteArray &payload)
{
    m_states.insert(topic, payload);
    m_mqtt.publish(topic, payload, true);
}

void Bridge::publishRow(int index)
{
    publishState(m_topics.row(index + 1), rowText(m_panel.row(index)).toUtf8());
}

void Bridge::moduleOnline()
{
    m_log(QStringLiteral("module %1 %2").arg(m_moduleSeen ? "back on" : "on", m_panel.portShown()));
    if (!m_moduleSeen) {
        // The display starts blank (panel.h): what it shows is published as such.
        for (int index = 0; index < proto::kRows; ++index)
            publishRow(index);
    }
    m_moduleSeen = true;
    publishState(m_topics.availability(), kOnline);
}

void Bridge::moduleOffline(const QString &reason)
{
    m_log(QStringLiteral("module on %1: %2; trying again every second")
              .arg(m_panel.portShown(), reason));
    publishState(m_topics.availability(), kOffline);
}

} // namespace mqttbridge
