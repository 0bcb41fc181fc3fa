#pragma once
// Debian's ser2net, run by a test in the foreground with a configuration of its own: one
// device (a pseudo-terminal the test plays the module on) offered twice on loopback, as an
// RFC 2217 Telnet accepter and as raw TCP. Killed when the object goes.
//
// Beside it, servers that misbehave on purpose, for the failures a user must be told about.

#include <QProcess>
#include <QString>
#include <QTcpServer>
#include <QTemporaryDir>

class Ser2NetServer
{
public:
    static bool installed();
    // A TCP port nothing listens on right now.
    static quint16 freePort();

    explicit Ser2NetServer(const QString &device);
    // A configuration of the caller's own, whose RFC 2217 accepter listens on `rfc2217Port`.
    Ser2NetServer(const QByteArray &config, quint16 rfc2217Port);
    ~Ser2NetServer();
    Ser2NetServer(const Ser2NetServer &) = delete;
    Ser2NetServer &operator=(const Ser2NetServer &) = delete;

    // Starts (or starts again, on the same ports) and waits until both ports listen.
    bool start();
    // Gone at once, as a crash or a pulled cable would leave it: SIGKILL.
    void kill();

    QString rfc2217Url() const;
    QString socketUrl() const;

private:
    QTemporaryDir m_dir;
    QProcess m_process;
    quint16 m_rfc2217Port = 0;
    quint16 m_rawPort = 0;
};

// A Telnet server that will not let the line be set: it refuses every option it is
// offered, or (WrongSpeed) takes COM-PORT-OPTION and answers every SET-BAUDRATE with 9600.
class UnhelpfulTelnetServer : public QObject
{
    Q_OBJECT
public:
    enum class Kind { RefusesOptions, WrongSpeed };
    explicit UnhelpfulTelnetServer(Kind kind, QObject *parent = nullptr);
    quint16 port() const { return m_server.serverPort(); }

private:
    void answer(class QTcpSocket *client);

    Kind m_kind;
    QTcpServer m_server;
};
