#pragma once
// vantel-mqtt between its two ends: the broker (mqttclient.h) and the module (panel.h).
//
//   broker -> module   a message on a command topic is read whole (commands.h); a valid
//                      one goes to the panel and its new state is published, anything
//                      else is logged with its topic and dropped, whatever it holds
//   module -> broker   key presses (events), input changes and analog readings (states)
//   both ways          availability: online while the broker has the bridge and the
//                      module's line is open, offline otherwise (the broker publishes the
//                      last will, offline, for a bridge that vanished)
//
// Every state the bridge published is kept, so that each time the broker connection is
// made again (and at the start) the discovery messages (discovery.h), every state and the
// availability go out again, retained: a broker restarted without its store is whole again.

#include <functional>

#include <QMap>
#include <QObject>
#include <QString>

#include "mqttclient.h"
#include "options.h"
#include "panel.h"
#include "topics.h"

namespace mqttbridge
{

class Bridge : public QObject
{
    Q_OBJECT
public:
    using Log = std::function<void(const QString &)>;

    Bridge(const Options &options, const QString &version, Log log, QObject *parent = nullptr);

    // False when the bridge cannot even start (it said why).
    bool start();
    // Says goodbye to the broker (offline, retained) before the program ends.
    void stop();

private:
    void brokerConnected();
    void commandReceived(const QString &topic, const QByteArray &payload);
    void publishState(const QString &topic, const QByteArray &payload);
    void publishRow(int index);
    void moduleOnline();
    void moduleOffline(const QString &reason);

    Options m_options;
    QString m_version;
    Log m_log;
    Topics m_topics;
    MqttClient m_mqtt;
    Panel m_panel;
    QMap<QString, QByteArray> m_states; // every state published, by topic
    bool m_moduleSeen = false;
};

} // namespace mqttbridge
