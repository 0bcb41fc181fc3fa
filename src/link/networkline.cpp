#include "link/networkline.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

#include <algorithm>

namespace seriallink
{

namespace
{

std::uint8_t parityCode(QSerialPort::Parity parity)
{
    switch (parity) {
    case QSerialPort::OddParity:
        return 2;
    case QSerialPort::EvenParity:
        return 3;
    case QSerialPort::MarkParity:
        return 4;
    case QSerialPort::SpaceParity:
        return 5;
    default:
        return telnet::kParityNone;
    }
}

std::uint8_t stopCode(QSerialPort::StopBits stop)
{
    switch (stop) {
    case QSerialPort::TwoStop:
        return 2;
    case QSerialPort::OneAndHalfStop:
        return 3;
    default:
        return telnet::kStopOne;
    }
}

} // namespace

NetworkLine::NetworkLine(QObject *parent) : Line(parent)
{
    m_clock.start();
    m_deadline.setSingleShot(true);
    // A coarse timer may end up to 5 % early; the user is told "within 5 s".
    m_deadline.setTimerType(Qt::PreciseTimer);
    m_deadline.setInterval(kOpenTimeoutMs);
    connect(&m_deadline, &QTimer::timeout, this,
            [this] { failOpen(ports::OpenProblem::Kind::NoAnswer); });
}

NetworkLine::~NetworkLine()
{
    if (m_phase == Phase::Open)
        flush(200);
    release(m_phase == Phase::Open ? 200 : 0);
}

Line::Opening NetworkLine::open(const QString &device, const LineSettings &settings)
{
    release(0);
    m_problem = {};
    m_problem.device = device;
    m_received.clear();
    m_error.clear();
    m_awaited.clear();
    const std::optional<ports::NetworkAddress> address = ports::parseNetworkAddress(device);
    if (!address) {
        m_problem.kind = ports::OpenProblem::Kind::Other;
        m_problem.detail = QStringLiteral("not an address of the form rfc2217://HOST:PORT or "
                                          "socket://HOST:PORT");
        return Opening::Failed;
    }
    m_address = *address;
    m_settings = settings;
    m_codec = telnet::TelnetCodec();

    m_socket = new QTcpSocket(this);
    connect(m_socket, &QTcpSocket::connected, this, &NetworkLine::handleConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &NetworkLine::handleReadyRead);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &NetworkLine::handleSocketError);
    connect(m_socket, &QTcpSocket::disconnected, this, &NetworkLine::handleSocketError);
    m_phase = Phase::Connecting;
    m_deadline.start();
    m_socket->connectToHost(m_address.host, m_address.port);
    return Opening::Pending;
}

void NetworkLine::handleConnected()
{
    // Frames are small and each one matters at once: no Nagle delay.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (m_address.scheme == ports::NetworkAddress::Scheme::Socket) {
        becomeOpen();
        return;
    }
    m_phase = Phase::Negotiating;
    m_socket->write(m_codec.start());
}

void NetworkLine::handleReadyRead()
{
    if (m_phase == Phase::Closed)
        return;
    const QByteArray bytes = m_socket->readAll();
    if (m_address.scheme == ports::NetworkAddress::Scheme::Socket) {
        m_received += bytes;
        if (!bytes.isEmpty())
            emit readyRead();
        return;
    }
    telnet::TelnetCodec::Received in;
    m_codec.receive(bytes, in);
    if (!in.reply.isEmpty())
        m_socket->write(in.reply);
    const Phase before = m_phase;
    handleEvents(in.events);
    // Whatever the module sent before the line was set is not a reply to anything of ours.
    if (before == Phase::Open && m_phase == Phase::Open && !in.data.isEmpty()) {
        m_received += in.data;
        emit readyRead();
    }
}

void NetworkLine::handleEvents(const std::vector<telnet::Event> &events)
{
    using Kind = telnet::Event::Kind;
    for (const telnet::Event &event : events) {
        if (m_phase == Phase::Closed)
            return;
        switch (event.kind) {
        case Kind::ComPortAccepted:
            if (m_phase == Phase::Negotiating && m_awaited.empty())
                sendSettings(true);
            break;
        case Kind::ComPortRefused:
            if (m_phase == Phase::Open)
                failWhileOpen(QStringLiteral("the server does not let the line speed be set"));
            else
                failOpen(ports::OpenProblem::Kind::LineNotSettable);
            break;
        default: {
            // An answer: the first one owed of its kind must say what was asked.
            const auto owed =
                std::find_if(m_awaited.begin(), m_awaited.end(),
                             [&](const telnet::Event &e) { return e.kind == event.kind; });
            if (owed == m_awaited.end())
                break; // news the server gave unasked
            if (owed->value != event.value) {
                if (m_phase == Phase::Open)
                    failWhileOpen(QStringLiteral("the server does not let the line speed be set"));
                else
                    failOpen(ports::OpenProblem::Kind::LineNotSettable);
                return;
            }
            m_awaited.erase(owed);
            if (m_awaited.empty() && m_phase == Phase::Negotiating)
                becomeOpen();
            break;
        }
        }
    }
}

void NetworkLine::sendSettings(bool all)
{
    using Kind = telnet::Event::Kind;
    const auto speed = std::uint32_t(m_settings.baudRate);
    const auto bits = std::uint8_t(m_settings.dataBits);
    const std::uint8_t parity = parityCode(m_settings.parity);
    const std::uint8_t stop = stopCode(m_settings.stopBits);
    QByteArray out = telnet::TelnetCodec::setBaudRate(speed);
    m_awaited.push_back({Kind::BaudRate, speed});
    if (all) {
        out += telnet::TelnetCodec::setDataSize(bits);
        out += telnet::TelnetCodec::setParity(parity);
        out += telnet::TelnetCodec::setStopSize(stop);
        m_awaited.push_back({Kind::DataSize, bits});
        m_awaited.push_back({Kind::Parity, parity});
        m_awaited.push_back({Kind::StopSize, stop});
    }
    m_socket->write(out);
}

void NetworkLine::applySettings(const LineSettings &settings)
{
    const bool newSpeed = settings.baudRate != m_settings.baudRate;
    m_settings = settings;
    if (!newSpeed || m_address.scheme != ports::NetworkAddress::Scheme::Rfc2217)
        return;
    // Open, or settings already asked for while opening: the new speed goes out too, and
    // its answer is checked like the first.
    if (m_phase == Phase::Open || !m_awaited.empty())
        sendSettings(false);
}

void NetworkLine::becomeOpen()
{
    m_deadline.stop();
    m_phase = Phase::Open;
    emit opened();
}

void NetworkLine::failOpen(ports::OpenProblem::Kind kind, const QString &detail)
{
    if (m_phase != Phase::Connecting && m_phase != Phase::Negotiating)
        return;
    m_problem.kind = kind;
    m_problem.where =
        kind == ports::OpenProblem::Kind::NoSuchHost ? m_address.host : m_address.hostAndPort();
    m_problem.detail = detail;
    m_error = m_problem.summary();
    release(0);
    emit openFailed();
}

void NetworkLine::failWhileOpen(const QString &reason)
{
    if (m_phase != Phase::Open)
        return;
    m_error = reason;
    // Stop at once: the service drops the line, but nothing more may be read meanwhile.
    m_phase = Phase::Closed;
    emit failed(reason);
}

void NetworkLine::handleSocketError()
{
    if (m_phase == Phase::Open) {
        const QAbstractSocket::SocketError error = m_socket->error();
        failWhileOpen(error == QAbstractSocket::RemoteHostClosedError ||
                              error == QAbstractSocket::UnknownSocketError
                          ? QStringLiteral("the server closed the connection")
                          : m_socket->errorString());
        return;
    }
    using Kind = ports::OpenProblem::Kind;
    switch (m_socket->error()) {
    case QAbstractSocket::ConnectionRefusedError:
        failOpen(Kind::ConnectionRefused);
        break;
    case QAbstractSocket::HostNotFoundError:
        failOpen(Kind::NoSuchHost);
        break;
    case QAbstractSocket::SocketTimeoutError:
        failOpen(Kind::NoAnswer);
        break;
    case QAbstractSocket::RemoteHostClosedError:
        // Hung up before the line was set: for a Telnet server, one that would not take
        // the line settings.
        failOpen(m_address.scheme == ports::NetworkAddress::Scheme::Rfc2217 ? Kind::LineNotSettable
                                                                            : Kind::Other,
                 QStringLiteral("the server closed the connection"));
        break;
    default:
        failOpen(Kind::Other, m_socket->errorString());
        break;
    }
}

void NetworkLine::close()
{
    if (m_phase != Phase::Open) {
        release(0);
        return;
    }
    flush(500);
    // A server closes its device when we go, and may throw away what the device has not
    // sent yet: stay until the line has had time to carry the last bytes (a second at
    // most).
    release(500, std::clamp<qint64>(m_lineFreeAtMs - m_clock.elapsed(), 0, 1000));
}

void NetworkLine::drop()
{
    release(0);
}

void NetworkLine::release(int drainMs, qint64 stayMs)
{
    m_deadline.stop();
    m_phase = Phase::Closed;
    m_awaited.clear();
    if (!m_socket)
        return;
    QTcpSocket *socket = std::exchange(m_socket, nullptr);
    socket->disconnect(this);
    // Whatever arrives meanwhile is read, so that nothing waits unread (see below).
    QElapsedTimer staying;
    staying.start();
    while (staying.elapsed() < stayMs && socket->state() == QAbstractSocket::ConnectedState) {
        socket->waitForReadyRead(int(stayMs - staying.elapsed()));
        socket->readAll();
    }
    if (drainMs > 0 && socket->state() == QAbstractSocket::ConnectedState) {
        // Closing a socket while the server's news still waits unread in it sends a reset,
        // and a reset makes the server drop the frames it has not handed on yet. So: our
        // side ends first (half-close), the server reads to the end, hands everything on
        // and closes; what it sent meanwhile is read and thrown away. Bounded like the
        // flush of a local port.
#ifdef Q_OS_WIN
        ::shutdown(SOCKET(socket->socketDescriptor()), SD_SEND);
#else
        ::shutdown(int(socket->socketDescriptor()), SHUT_WR);
#endif
        socket->waitForDisconnected(drainMs);
    }
    socket->abort();
    socket->deleteLater();
}

bool NetworkLine::write(const QByteArray &bytes)
{
    if (m_phase != Phase::Open) {
        m_error = QStringLiteral("the connection is closed");
        return false;
    }
    const QByteArray wire =
        m_address.scheme == ports::NetworkAddress::Scheme::Rfc2217 ? m_codec.encode(bytes) : bytes;
    if (m_socket->write(wire) != wire.size()) {
        m_error = m_socket->errorString();
        return false;
    }
    // When the server's line will have carried these bytes too (10 bits a byte).
    const qint64 now = m_clock.elapsed();
    m_lineFreeAtMs = std::max(m_lineFreeAtMs, now) +
                     bytes.size() * 10 * 1000 / std::max<qint64>(m_settings.baudRate, 1);
    return true;
}

bool NetworkLine::flush(int timeoutMs)
{
    if (!m_socket)
        return false;
    while (m_socket->bytesToWrite() > 0) {
        if (!m_socket->waitForBytesWritten(timeoutMs))
            return false;
    }
    return true;
}

QByteArray NetworkLine::readAll()
{
    return std::exchange(m_received, {});
}

} // namespace seriallink
