#pragma once
// The virtual module's line served over raw TCP, so that a utility on another machine can
// reach it with socket://HOST:PORT. It works as a serial device server on this machine
// would: while a client is connected it opens the module's pseudo-terminal from the
// utility's side and relays bytes both ways as they stand. The model, its port and its
// front ends stay as they are, and whatever the module shows or logs, it does so for a
// client on the network as for one on the pseudo-terminal.
//
// The client is read no faster than the module's line takes its bytes: at most one chunk
// waits here for the pseudo-terminal, the socket's own buffer is as small, and the rest
// waits in the client's TCP window. A client that writes without pause slows down to the
// module's pace; the module's memory does not grow.
//
// One client at a time, as one cable: a second client is accepted and closed at once while
// the first is connected, and the next one is served once the first has gone. With nobody
// connected the pseudo-terminal is not held, so replies meanwhile are lost as on a wire with
// nobody listening (ptyport.h drops them).
//
// HOST:PORT names where to listen: a host name, an IPv4 address, a bracketed IPv6 address
// ([::1]:4001), or '*' or nothing for every address (*:4001, :4001). Port 0 lets the system
// choose; address() says which was taken.

#include <optional>

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QSocketNotifier;
class QTcpSocket;

namespace simtool
{

struct ListenAddress {
    QString host; // as given, without brackets; empty for every address
    quint16 port = 0;
};

// Reads HOST:PORT; nothing when it is malformed, with the reason in `error`.
std::optional<ListenAddress> parseListenAddress(const QString &text, QString *error);

class TcpModuleLink : public QObject
{
    Q_OBJECT

public:
    explicit TcpModuleLink(QObject *parent = nullptr);
    ~TcpModuleLink() override;

    // Listens on `hostPort` and serves the pseudo-terminal at `devicePath` to each client;
    // on failure errorString() says why.
    bool open(const QString &hostPort, const QString &devicePath);
    void close();
    // Where it listens, as a URL's HOST:PORT (an IPv6 address in brackets).
    QString address() const;
    quint16 port() const { return m_server.serverPort(); }
    bool hasClient() const { return m_client != nullptr; }
    const QString &errorString() const { return m_error; }

signals:
    // A line for the module's log: a client came, was refused or went.
    void logged(const QString &line);

private:
    void acceptClients();
    void dropClient(const QString &why);
    void relayFromClient();
    void relayToClient();
    // False when the line took not all (or failed, and the client is gone).
    bool writePending();

    QTcpServer m_server;
    QString m_devicePath;
    QString m_error;
    QTcpSocket *m_client = nullptr;
    QString m_clientName;
    int m_device = -1;
    QSocketNotifier *m_deviceReadable = nullptr;
    QSocketNotifier *m_deviceWritable = nullptr;
    QByteArray m_pending; // from the client, not yet taken by the pseudo-terminal: one chunk
};

} // namespace simtool
