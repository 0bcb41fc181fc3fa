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

// A Telnet server of the test's own, for what no real server here does. It speaks first, as
// Telnet servers do (IAC WILL SUPPRESS-GO-AHEAD), then answers as its kind says:
//   RefusesOptions  refuses every option it is offered
//   WrongSpeed      answers every SET-BAUDRATE with 9600
//   EvenParity      answers every SET-PARITY with even
//   RefusesBinary   takes COM-PORT-OPTION, refuses BINARY both ways
//   WontComPort     answers WILL COM-PORT-OPTION with WONT
//   Demanding       takes everything, opens with its own WILL COM-PORT-OPTION and an empty
//                   SIGNATURE (asking for ours); the test suspends and resumes with send()
// Everything else it takes and echoes as RFC 2217 says.
class UnhelpfulTelnetServer : public QObject
{
    Q_OBJECT
public:
    enum class Kind {
        RefusesOptions,
        WrongSpeed,
        EvenParity,
        RefusesBinary,
        WontComPort,
        Demanding
    };
    explicit UnhelpfulTelnetServer(Kind kind, QObject *parent = nullptr);
    quint16 port() const { return m_server.serverPort(); }
    // Everything the client sent, and bytes for it.
    QByteArray received() const { return m_received; }
    void send(const QByteArray &bytes);

private:
    void answer(class QTcpSocket *client);

    Kind m_kind;
    QTcpServer m_server;
    class QTcpSocket *m_client = nullptr;
    QByteArray m_received;
};
