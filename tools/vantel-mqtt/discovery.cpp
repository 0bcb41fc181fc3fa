#include "discovery.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "protocol/keypad.h"
#include "protocol/protocol.h"

namespace mqttbridge
{

namespace
{

constexpr int kInputs = 8;
constexpr int kAnalogInputs = 2;

class Announcer
{
public:
    explicit Announcer(const DiscoveryIdentity &identity) : m_identity(identity)
    {
        m_device = QJsonObject{
            {QStringLiteral("identifiers"), QJsonArray{QStringLiteral("vantel_") + identity.name}},
            {QStringLiteral("name"), identity.name},
            {QStringLiteral("model"), QStringLiteral("20x4 serial LCD module")},
            {QStringLiteral("sw_version"), identity.version},
        };
    }

    void add(const QString &component, const QString &object, const QString &name,
             QJsonObject fields)
    {
        fields.insert(QStringLiteral("name"), name);
        fields.insert(QStringLiteral("unique_id"),
                      QStringLiteral("vantel_%1_%2").arg(m_identity.name, object));
        fields.insert(QStringLiteral("availability_topic"), m_identity.topics.availability());
        fields.insert(QStringLiteral("device"), m_device);
        m_messages.push_back(
            {configTopic(component, object), QJsonDocument(fields).toJson(QJsonDocument::Compact)});
    }

    void remove(const QString &component, const QString &object)
    {
        m_messages.push_back({configTopic(component, object), QByteArray()});
    }

    std::vector<RetainedMessage> take() { return std::move(m_messages); }

private:
    QString configTopic(const QString &component, const QString &object) const
    {
        return QStringLiteral("%1/%2/%3/%4/config")
            .arg(m_identity.prefix, component, m_identity.name, object);
    }

    const DiscoveryIdentity &m_identity;
    QJsonObject m_device;
    std::vector<RetainedMessage> m_messages;
};

} // namespace

std::vector<RetainedMessage> discoveryMessages(const DiscoveryIdentity &identity)
{
    const Topics &t = identity.topics;
    Announcer announce(identity);
    for (int row = 1; row <= proto::kRows; ++row) {
        announce.add(QStringLiteral("text"), QStringLiteral("row_%1").arg(row),
                     QStringLiteral("Row %1").arg(row),
                     {{QStringLiteral("command_topic"), t.rowSet(row)},
                      {QStringLiteral("state_topic"), t.row(row)},
                      {QStringLiteral("min"), 0},
                      {QStringLiteral("max"), proto::kColumns},
                      {QStringLiteral("mode"), QStringLiteral("text")}});
    }
    announce.add(QStringLiteral("button"), QStringLiteral("clear"), QStringLiteral("Clear"),
                 {{QStringLiteral("command_topic"), t.clearSet()}});
    announce.add(QStringLiteral("light"), QStringLiteral("backlight"), QStringLiteral("Backlight"),
                 {{QStringLiteral("command_topic"), t.backlightSet()},
                  {QStringLiteral("state_topic"), t.backlight()},
                  {QStringLiteral("brightness_command_topic"), t.brightnessSet()},
                  {QStringLiteral("brightness_state_topic"), t.brightness()},
                  {QStringLiteral("brightness_scale"), proto::kMaxBacklightLevel},
                  {QStringLiteral("payload_on"), QStringLiteral("ON")},
                  {QStringLiteral("payload_off"), QStringLiteral("OFF")}});
    QJsonArray keys;
    for (int key = 1; key <= proto::keypad::kKeys; ++key)
        keys.append(QStringLiteral("key_%1").arg(key));
    announce.add(QStringLiteral("event"), QStringLiteral("keypad"), QStringLiteral("Keypad"),
                 {{QStringLiteral("state_topic"), t.key()}, {QStringLiteral("event_types"), keys}});
    for (int input = 1; input <= kInputs; ++input) {
        const QString object = QStringLiteral("input_%1").arg(input);
        if (identity.keypad) {
            announce.remove(QStringLiteral("binary_sensor"), object);
            continue;
        }
        announce.add(QStringLiteral("binary_sensor"), object, QStringLiteral("Input %1").arg(input),
                     {{QStringLiteral("state_topic"), t.input(input)},
                      {QStringLiteral("payload_on"), QStringLiteral("ON")},
                      {QStringLiteral("payload_off"), QStringLiteral("OFF")}});
    }
    for (int input = 1; input <= kAnalogInputs; ++input) {
        announce.add(QStringLiteral("sensor"), QStringLiteral("analog_%1").arg(input),
                     QStringLiteral("Analog %1").arg(input),
                     {{QStringLiteral("state_topic"), t.analog(input)},
                      {QStringLiteral("state_class"), QStringLiteral("measurement")}});
    }
    return announce.take();
}

} // namespace mqttbridge
