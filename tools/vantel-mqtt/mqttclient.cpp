#include "mqttclient.h"

#include <QDeadlineTimer>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <mosquitto.h>
#include <poll.h>
#include <sys/socket.h>

namespace mqttbridge
{

namespace
{

constexpr int kQos = 1;

// libmosquitto's global set-up, once for the process.
void initialiseLibrary()
{
    static const bool done = [] {
        mosquitto_lib_init();
        std::atexit([] { mosquitto_lib_cleanup(); });
        return true;
    }();
    (void)done;
}

// libmosquitto's sentences read inside a line: "The connection was lost." becomes "the
// connection was lost"; its broker's answers ("Connection Refused: not authorised.") keep
// their capitals.
QString inLine(QString text, bool lowerFirst)
{
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (lowerFirst && text.size() > 1 && !text[1].isUpper())
        text[0] = text[0].toLower();
    return text;
}

MqttClient *clientOf(void *self)
{
    return static_cast<MqttClient *>(self);
}

} // namespace

MqttClient::MqttClient(QObject *parent) : QObject(parent)
{
    initialiseLibrary();
    m_retry.setSingleShot(true);
    connect(&m_retry, &QTimer::timeout, this, &MqttClient::attempt);
    m_connectPoll.setInterval(kConnectPoll);
    connect(&m_connectPoll, &QTimer::timeout, this, &MqttClient::pollConnection);
    m_housekeeping.setInterval(1000);
    connect(&m_housekeeping, &QTimer::timeout, this, &MqttClient::housekeeping);
}

MqttClient::~MqttClient()
{
    m_readNotifier.reset();
    m_writeNotifier.reset();
    if (m_client)
        mosquitto_destroy(m_client);
}

QString MqttClient::words(int code) const
{
    return inLine(code == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                         : QString::fromUtf8(mosquitto_strerror(code)),
                  true);
}

bool MqttClient::start(const Settings &settings)
{
    m_settings = settings;
    m_client = mosquitto_new(settings.clientId.toUtf8().constData(), true, this);
    if (!m_client) {
        m_problem = QStringLiteral("cannot make an MQTT client: %1")
                        .arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    mosquitto_connect_callback_set(m_client, &MqttClient::onConnect);
    mosquitto_disconnect_callback_set(m_client, &MqttClient::onDisconnect);
    mosquitto_message_callback_set(m_client, &MqttClient::onMessage);
    const QByteArray will = settings.willTopic.toUtf8();
    int rc = mosquitto_will_set(m_client, will.constData(),
                                static_cast<int>(settings.willPayload.size()),
                                settings.willPayload.constData(), kQos, true);
    if (rc == MOSQ_ERR_SUCCESS && !settings.username.isEmpty()) {
        rc = mosquitto_username_pw_set(
            m_client, settings.username.toUtf8().constData(),
            settings.password.isEmpty() ? nullptr : settings.password.toUtf8().constData());
    }
    if (rc == MOSQ_ERR_SUCCESS && settings.tls) {
        if (settings.cafile.isEmpty()) {
            rc = mosquitto_int_option(m_client, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        } else {
            rc = mosquitto_tls_set(m_client, settings.cafile.toLocal8Bit().constData(), nullptr,
                                   nullptr, nullptr, nullptr);
            if (rc != MOSQ_ERR_SUCCESS) {
                m_problem = QStringLiteral("cannot use the certificate authority %1: %2")
                                .arg(settings.cafile, words(rc));
                return false;
            }
        }
    }
    if (rc != MOSQ_ERR_SUCCESS) {
        m_problem = QStringLiteral("cannot set the MQTT client up: %1").arg(words(rc));
        return false;
    }
    attempt();
    return true;
}

void MqttClient::attempt()
{
    unwatchSocket();
    m_refusal.clear();
    // Every attempt starts from the address, so a broker whose name now resolves elsewhere
    // is found there.
    const int rc = mosquitto_connect_async(m_client, m_settings.host.toUtf8().constData(),
                                           m_settings.port, kKeepAliveSeconds);
    if (rc != MOSQ_ERR_SUCCESS) {
        failed(words(rc));
        return;
    }
    m_connecting = true;
    m_connectDeadline.setRemainingTime(kConnectTimeout);
    m_connectPoll.start();
    pollConnection();
}

void MqttClient::pollConnection()
{
    const int fd = mosquitto_socket(m_client);
    if (!m_connecting || fd < 0) {
        m_connectPoll.stop();
        return;
    }
    // A refused or dropped connection, which libmosquitto may never notice during TLS.
    pollfd state{fd, POLLIN | POLLOUT, 0};
    if (::poll(&state, 1, 0) == 1 && (state.revents & (POLLERR | POLLHUP)) != 0) {
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
        failed(error != 0 ? QString::fromLocal8Bit(std::strerror(error))
                          : QStringLiteral("the connection was refused or closed"));
        return;
    }
    const int rc = mosquitto_loop(m_client, 0, 1);
    if (!m_connecting)
        return; // accepted, or failed in a callback
    if (rc != MOSQ_ERR_SUCCESS || mosquitto_socket(m_client) < 0)
        failed(m_refusal.isEmpty() ? words(rc) : m_refusal);
    else if (m_connectDeadline.hasExpired())
        failed(QStringLiteral("no answer within %1 s")
                   .arg(std::chrono::duration_cast<std::chrono::seconds>(kConnectTimeout).count()));
}

void MqttClient::failed(const QString &reason)
{
    m_connected = false;
    m_connecting = false;
    m_connectPoll.stop();
    m_housekeeping.stop();
    unwatchSocket();
    if (!m_outageTold) {
        m_outageTold = true;
        emit unreachable(reason);
    }
    if (!m_retry.isActive()) {
        m_retry.start(m_nextDelay);
        m_nextDelay = std::min(m_nextDelay * 2, kLongestRetry);
    }
}

void MqttClient::onConnect(mosquitto *, void *self, int code)
{
    MqttClient *client = clientOf(self);
    if (code != 0) {
        // The broker closes the connection next; that is the failure the retry follows.
        client->m_refusal = inLine(QString::fromUtf8(mosquitto_connack_string(code)), false);
        return;
    }
    client->m_connected = true;
    client->m_connecting = false;
    client->m_connectPoll.stop();
    client->m_outageTold = false;
    client->m_nextDelay = kFirstRetry;
    client->m_refusal.clear();
    for (const QString &filter : client->m_settings.subscriptions)
        mosquitto_subscribe(client->m_client, nullptr, filter.toUtf8().constData(), kQos);
    client->watchSocket(true);
    client->m_housekeeping.start();
    emit client->connected();
}

void MqttClient::onDisconnect(mosquitto *, void *self, int code)
{
    MqttClient *client = clientOf(self);
    client->m_connected = false;
    if (code == 0)
        return; // the goodbye finish() asked for
    client->failed(client->m_refusal.isEmpty() ? client->words(code) : client->m_refusal);
}

void MqttClient::onMessage(mosquitto *, void *self, const mosquitto_message *message)
{
    const QString topic = QString::fromUtf8(message->topic);
    const QByteArray payload(static_cast<const char *>(message->payload), message->payloadlen);
    emit clientOf(self)->messageReceived(topic, payload);
}

void MqttClient::publish(const QString &topic, const QByteArray &payload, bool retain)
{
    if (!m_connected)
        return;
    mosquitto_publish(m_client, nullptr, topic.toUtf8().constData(),
                      static_cast<int>(payload.size()), payload.constData(), kQos, retain);
    watchSocket(false);
}

void MqttClient::finish(const QString &topic, const QByteArray &payload, int timeoutMs)
{
    m_retry.stop();
    m_housekeeping.stop();
    if (!m_connected)
        return;
    mosquitto_publish(m_client, nullptr, topic.toUtf8().constData(),
                      static_cast<int>(payload.size()), payload.constData(), kQos, true);
    mosquitto_disconnect(m_client);
    unwatchSocket();
    // Shutting down: libmosquitto's own loop may wait here, until the goodbye has left
    // and it closed the socket.
    const QDeadlineTimer deadline(timeoutMs);
    while (mosquitto_socket(m_client) >= 0 && !deadline.hasExpired()) {
        if (mosquitto_loop(m_client, 50, 1) != MOSQ_ERR_SUCCESS)
            break;
    }
    m_connected = false;
}

void MqttClient::readReady()
{
    const int rc = mosquitto_loop_read(m_client, 1);
    if (rc != MOSQ_ERR_SUCCESS && mosquitto_socket(m_client) < 0)
        failed(m_refusal.isEmpty() ? words(rc) : m_refusal);
    else
        watchSocket(false);
}

void MqttClient::writeReady()
{
    const int rc = mosquitto_loop_write(m_client, 1);
    if (rc != MOSQ_ERR_SUCCESS && mosquitto_socket(m_client) < 0)
        failed(words(rc));
    else
        watchSocket(false);
}

void MqttClient::housekeeping()
{
    mosquitto_loop_misc(m_client);
    if (mosquitto_socket(m_client) < 0)
        failed(QStringLiteral("the broker stopped answering"));
    else
        watchSocket(false);
}

void MqttClient::watchSocket(bool fresh)
{
    const int fd = mosquitto_socket(m_client);
    if (fd < 0) {
        unwatchSocket();
        return;
    }
    if (fresh || !m_readNotifier || m_readNotifier->socket() != fd) {
        unwatchSocket();
        m_readNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(m_readNotifier.get(), &QSocketNotifier::activated, this, &MqttClient::readReady);
        m_writeNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        connect(m_writeNotifier.get(), &QSocketNotifier::activated, this, &MqttClient::writeReady);
    }
    m_writeNotifier->setEnabled(mosquitto_want_write(m_client));
}

void MqttClient::unwatchSocket()
{
    // This may run inside one of their own signals.
    for (auto *notifier : {&m_readNotifier, &m_writeNotifier}) {
        if (*notifier) {
            (*notifier)->setEnabled(false);
            notifier->release()->deleteLater();
        }
    }
}

} // namespace mqttbridge
