#pragma once
// The bridge's one connection to the broker: libmosquitto driven from Qt's event loop, with
// no thread of its own. Once connected, its socket is watched by a QSocketNotifier (reads
// always, writes only while libmosquitto has bytes queued, so an idle connection costs
// nothing), and a timer calls its housekeeping (keep-alive pings, retries) once a second.
//
// While a connection is being made, a short timer runs libmosquitto's own one-pass loop
// instead, without waiting (mosquitto_loop with no timeout), until the broker accepts, the
// attempt fails or kConnectTimeout passes. Only that loop moves a TLS handshake on: while it
// runs, libmosquitto 2.0 reports bytes to write that its write call will not write, which
// would keep a write notifier firing, and it does not notice a refused TLS connection at all.
//
// The promises it keeps:
//  - connected() each time the broker accepts the connection, at the start and after every
//    outage; the subscriptions given to start() are renewed by then.
//  - A broker that is not there, refuses or goes away is tried again after 1 s, then 2, 4,
//    ... up to 30 s between attempts, until it is back; unreachable() says so once per
//    outage, with the reason, however many attempts fail.
//  - The last will (topic and payload given to start(), retained) is what the broker
//    publishes for the bridge when it vanishes without a goodbye; finish() says the
//    goodbye itself: it publishes its message and disconnects cleanly.
//  - publish() while not connected drops the message: whoever publishes states publishes
//    them all again on connected().
// Name resolution and the start of a TCP connection do not wait for the network; only a
// name that the system resolves slowly holds the event loop that long.

#include <chrono>
#include <memory>

#include <QByteArray>
#include <QDeadlineTimer>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QStringList>
#include <QTimer>

struct mosquitto;
struct mosquitto_message;

namespace mqttbridge
{

class MqttClient : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kFirstRetry{1000};
    static constexpr std::chrono::milliseconds kLongestRetry{30000};
    static constexpr int kKeepAliveSeconds = 30;
    static constexpr std::chrono::milliseconds kConnectTimeout{10000};
    static constexpr std::chrono::milliseconds kConnectPoll{20};

    struct Settings {
        QString host;
        quint16 port = 1883;
        bool tls = false;
        QString cafile; // with tls: empty trusts the system's authorities
        QString username;
        QString password;
        QString clientId;
        QString willTopic;
        QByteArray willPayload;
        QStringList subscriptions;
    };

    explicit MqttClient(QObject *parent = nullptr);
    ~MqttClient() override;

    // Sets the client up and makes the first attempt; false when it cannot even be set up
    // (a certificate file that cannot be used), and problem() says why.
    bool start(const Settings &settings);
    const QString &problem() const { return m_problem; }
    bool isConnected() const { return m_connected; }

    void publish(const QString &topic, const QByteArray &payload, bool retain);
    // Publishes the goodbye (retained) and disconnects, waiting up to `timeoutMs` for both
    // to leave.
    void finish(const QString &topic, const QByteArray &payload, int timeoutMs = 1000);

signals:
    void connected();
    void unreachable(const QString &reason);
    void messageReceived(const QString &topic, const QByteArray &payload);

private:
    static void onConnect(mosquitto *, void *self, int code);
    static void onDisconnect(mosquitto *, void *self, int code);
    static void onMessage(mosquitto *, void *self, const mosquitto_message *message);

    void attempt();
    void pollConnection();
    void failed(const QString &reason);
    void readReady();
    void writeReady();
    void housekeeping();
    // Follows libmosquitto's socket: watched while there is one, writes while it has some.
    void watchSocket(bool fresh);
    void unwatchSocket();
    QString words(int code) const;

    mosquitto *m_client = nullptr;
    Settings m_settings;
    QString m_problem;
    bool m_connected = false;
    bool m_connecting = false;
    QDeadlineTimer m_connectDeadline;
    QTimer m_connectPoll;
    QString m_refusal; // why the broker refused the last connection
    bool m_outageTold = false;
    std::chrono::milliseconds m_nextDelay = kFirstRetry;
    QTimer m_retry;
    QTimer m_housekeeping;
    std::unique_ptr<QSocketNotifier> m_readNotifier;
    std::unique_ptr<QSocketNotifier> m_writeNotifier;
};

} // namespace mqttbridge
