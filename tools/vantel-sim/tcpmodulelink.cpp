#include "tcpmodulelink.h"

#include <QFile>
#include <QHostInfo>
#include <QSocketNotifier>
#include <QTcpSocket>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

#include "ports/portaddress.h"

namespace simtool
{

namespace
{

// What is read from the client at a time, and what its socket may hold unread: a second of
// the line at 115200 bit/s, a few kilobytes more than the pseudo-terminal holds.
constexpr qint64 kChunk = 16 * 1024;

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

QString hostPort(const QHostAddress &address, quint16 port)
{
    const QString host = address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + address.toString() + QLatin1Char(']')
                             : address.toString();
    return host + QLatin1Char(':') + QString::number(port);
}

} // namespace

std::optional<ListenAddress> parseListenAddress(const QString &text, QString *error)
{
    const std::optional<ports::HostPort> split = ports::splitHostPort(text);
    if (!split) {
        *error = text.contains(QLatin1Char(':'))
                     ? QStringLiteral("an IPv6 address goes in brackets: [%1]:PORT")
                           .arg(text.left(text.lastIndexOf(QLatin1Char(':'))))
                     : QStringLiteral("--listen takes HOST:PORT, not %1").arg(text);
        return std::nullopt;
    }
    ListenAddress address;
    address.host = split->host == QLatin1String("*") ? QString() : split->host;
    bool ok = false;
    const uint port = split->port.toUInt(&ok);
    if (!ok || port > 65535) {
        *error = QStringLiteral("the port in %1 is no number from 0 to 65535").arg(text);
        return std::nullopt;
    }
    address.port = static_cast<quint16>(port);
    return address;
}

TcpModuleLink::TcpModuleLink(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TcpModuleLink::acceptClients);
}

TcpModuleLink::~TcpModuleLink()
{
    close();
}

bool TcpModuleLink::open(const QString &hostPort, const QString &devicePath)
{
    close();
    const std::optional<ListenAddress> where = parseListenAddress(hostPort, &m_error);
    if (!where)
        return false;
    QHostAddress address(where->host);
    if (where->host.isEmpty()) {
        address = QHostAddress::Any;
    } else if (address.isNull()) {
        // A name: the machine's own address under it (resolved once, at start-up).
        const QHostInfo info = QHostInfo::fromName(where->host);
        if (info.addresses().isEmpty()) {
            m_error = QStringLiteral("no such host %1").arg(where->host);
            return false;
        }
        address = info.addresses().constFirst();
    }
    if (!m_server.listen(address, where->port)) {
        m_error = QStringLiteral("cannot listen on %1: %2").arg(hostPort, m_server.errorString());
        return false;
    }
    m_devicePath = devicePath;
    return true;
}

void TcpModuleLink::close()
{
    dropClient(QString());
    m_server.close();
}

QString TcpModuleLink::address() const
{
    const QHostAddress address = m_server.serverAddress();
    if (address == QHostAddress::Any || address == QHostAddress::AnyIPv4 ||
        address == QHostAddress::AnyIPv6)
        return QHostInfo::localHostName() + QLatin1Char(':') + QString::number(port());
    return hostPort(address, port());
}

void TcpModuleLink::acceptClients()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        const QString name = hostPort(socket->peerAddress(), socket->peerPort());
        if (m_client) {
            emit logged(QStringLiteral("network client %1 refused: %2 is connected")
                            .arg(name, m_clientName));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const int device = ::open(QFile::encodeName(m_devicePath).constData(),
                                  O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (device < 0) {
            emit logged(QStringLiteral("network client %1 refused: cannot open %2: %3")
                            .arg(name, m_devicePath, systemError()));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // The bytes pass as they stand, as through a serial device server's line.
        termios raw{};
        if (::tcgetattr(device, &raw) == 0) {
            ::cfmakeraw(&raw);
            ::tcsetattr(device, TCSANOW, &raw);
        }
        // A new connection is a new line: replies nobody took before it are not its own.
        ::tcflush(device, TCIFLUSH);
        m_device = device;
        m_client = socket;
        m_clientName = name;
        m_client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_client->setReadBufferSize(kChunk);
        m_deviceReadable = new QSocketNotifier(m_device, QSocketNotifier::Read, this);
        connect(m_deviceReadable, &QSocketNotifier::activated, this, &TcpModuleLink::relayToClient);
        m_deviceWritable = new QSocketNotifier(m_device, QSocketNotifier::Write, this);
        m_deviceWritable->setEnabled(false);
        connect(m_deviceWritable, &QSocketNotifier::activated, this,
                &TcpModuleLink::relayFromClient);
        connect(m_client, &QTcpSocket::readyRead, this, &TcpModuleLink::relayFromClient);
        connect(m_client, &QTcpSocket::disconnected, this,
                [this] { dropClient(QStringLiteral("hung up")); });
        connect(m_client, &QTcpSocket::errorOccurred, this, [this] {
            if (m_client)
                dropClient(m_client->errorString());
        });
        emit logged(QStringLiteral("network client %1 connected").arg(name));
        relayFromClient(); // bytes that came with the connection
    }
}

void TcpModuleLink::dropClient(const QString &why)
{
    if (!m_client)
        return;
    delete m_deviceReadable;
    m_deviceReadable = nullptr;
    delete m_deviceWritable;
    m_deviceWritable = nullptr;
    ::close(m_device);
    m_device = -1;
    m_pending.clear();
    QTcpSocket *client = std::exchange(m_client, nullptr);
    client->disconnect(this);
    client->abort();
    client->deleteLater();
    if (!why.isEmpty())
        emit logged(QStringLiteral("network client %1 went: %2").arg(m_clientName, why));
    m_clientName.clear();
}

void TcpModuleLink::relayFromClient()
{
    // A chunk at a time, the next only once the line has taken the last: what the line has
    // not taken stays in the socket and, once that is full, with the client.
    while (m_client) {
        if (m_pending.isEmpty())
            m_pending = m_client->read(kChunk);
        if (m_pending.isEmpty() || !writePending())
            break;
    }
    if (m_deviceWritable)
        m_deviceWritable->setEnabled(!m_pending.isEmpty());
}

bool TcpModuleLink::writePending()
{
    while (!m_pending.isEmpty()) {
        const ssize_t n =
            ::write(m_device, m_pending.constData(), static_cast<size_t>(m_pending.size()));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return false; // the module's side has not read yet: go on when the line takes more
        if (n <= 0) {
            dropClient(QStringLiteral("the module's line failed: ") + systemError());
            return false;
        }
        m_pending.remove(0, n);
    }
    return true;
}

void TcpModuleLink::relayToClient()
{
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_device, buffer, sizeof buffer);
        if (n > 0) {
            m_client->write(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return;
        // The module's end has gone (the program is ending): so does the client.
        dropClient(QStringLiteral("the module's line closed"));
        return;
    }
}

} // namespace simtool
