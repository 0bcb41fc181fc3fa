#include "link/networkline.h"

#include <QTcpSocket>

#include <algorithm>

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
    release(m_phase == Phase::Open);
}

Line::Opening NetworkLine::open(const QString &device, const LineSettings &settings)
{
    release(false);
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
    release(false);
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
    if (m_phase == Phase::Open)
        flush(500);
    release(m_phase == Phase::Open);
}

void NetworkLine::drop()
{
    release(false);
}

void NetworkLine::release(bool graceful)
{
    m_deadline.stop();
    m_phase = Phase::Closed;
    m_awaited.clear();
    if (!m_socket)
        return;
    QTcpSocket *socket = std::exchange(m_socket, nullptr);
    socket->disconnect(this);
    if (graceful && socket->state() == QAbstractSocket::ConnectedState) {
        // A gentle close lets the server hand on what it has already received; a reset
        // could make it throw away the last frames.
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::errorOccurred, socket, &QObject::deleteLater);
        socket->disconnectFromHost();
        if (socket->state() == QAbstractSocket::UnconnectedState)
            socket->deleteLater();
        // A server that never closes its side must not keep the socket forever.
        QTimer::singleShot(kOpenTimeoutMs, socket, &QObject::deleteLater);
    } else {
        socket->abort();
        socket->deleteLater();
    }
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
