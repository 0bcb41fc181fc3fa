#include "link/networkline.h"

#include <QElapsedTimer>
#include <QTcpSocket>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/ioctl.h>
#include <sys/socket.h>
#endif
#ifdef Q_OS_LINUX
#include <linux/sockios.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#endif

#include <algorithm>
#include <optional>

#include "telnet/serverwords.h"

namespace seriallink
{

namespace
{

// Who we are, for a server that asks (an empty SIGNATURE).
constexpr QByteArrayView kSignature("VantelApp");
const QString kNot8Bit = QStringLiteral("the server does not pass 8-bit data");
const QString kSpeedNotSet = QStringLiteral("the server does not let the line speed be set");

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

// Bytes the system still holds for the connection: sent but not acknowledged by the other
// end, or not sent yet. Linux tells; elsewhere only our own queue counts. Nothing once the
// connection was reset: the system has thrown its queue away, which is no sign of delivery.
std::optional<qint64> systemQueue([[maybe_unused]] const QTcpSocket &socket)
{
#ifdef SIOCOUTQ
    const int fd = int(socket.socketDescriptor());
    tcp_info info{};
    socklen_t size = sizeof info;
    if (fd < 0 || ::getsockopt(fd, IPPROTO_TCP, TCP_INFO, &info, &size) != 0 ||
        info.tcpi_state == TCP_CLOSE)
        return std::nullopt;
    int queued = 0;
    if (::ioctl(fd, SIOCOUTQ, &queued) == 0)
        return queued;
#endif
    return 0;
}

} // namespace

NetworkLine::NetworkLine(QObject *parent) : Line(parent)
{
    m_clock.start();
    m_deadline.setSingleShot(true);
    // A coarse timer may end up to 5 % early; the user is told "within 5 s".
    m_deadline.setTimerType(Qt::PreciseTimer);
    m_deadline.setInterval(kOpenTimeoutMs);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        // Connected, yet no Telnet: most likely a raw port.
        failOpen(ports::OpenProblem::Kind::NoAnswer,
                 m_phase == Phase::Greeting
                     ? QStringLiteral("not an RFC 2217 server? try socket://")
                     : QString());
    });
    // A reply may start with FF FB: held no longer than this for the rest of two Telnet
    // commands, which a Telnet server sends at once.
    m_judgeTimer.setSingleShot(true);
    m_judgeTimer.setInterval(500);
    connect(&m_judgeTimer, &QTimer::timeout, this, [this] {
        if (!m_judging)
            return;
        m_judging = false;
        deliver(std::exchange(m_greeting, {}));
    });
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
    m_greeting.clear();
    m_heldOut.clear();
    m_suspended = false;
    m_judging = false;
    m_written = 0;
    m_lastUnsent = 0;
    m_error.clear();
    m_awaited.clear();
    const std::optional<ports::NetworkAddress> address = ports::parseNetworkAddress(device);
    if (!address) {
        m_problem.kind = ports::OpenProblem::Kind::Other;
        m_problem.detail = ports::networkAddressProblem(device);
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
    // A connect that cannot even start (no route at all) fails inside this call.
    m_inOpen = true;
    m_socket->connectToHost(m_address.host, m_address.port);
    m_inOpen = false;
    return m_phase == Phase::Closed ? Opening::Failed : Opening::Pending;
}

void NetworkLine::handleConnected()
{
    // Frames are small and each one matters at once: no Nagle delay.
    m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    if (m_address.scheme == ports::NetworkAddress::Scheme::Socket)
        becomeOpen();
    else
        m_phase = Phase::Greeting;
}

void NetworkLine::handleReadyRead()
{
    if (m_phase == Phase::Closed)
        return;
    const QByteArray bytes = m_socket->readAll();
    if (bytes.isEmpty())
        return;
    if (m_address.scheme == ports::NetworkAddress::Scheme::Socket)
        takeRaw(bytes);
    else
        takeTelnet(bytes);
}

void NetworkLine::takeRaw(const QByteArray &bytes)
{
    if (!m_judging) {
        deliver(bytes);
        return;
    }
    m_greeting += bytes;
    switch (telnet::judgeStreamStart(m_greeting)) {
    case telnet::StreamStart::Undecided:
        if (std::uint8_t(m_greeting[0]) == telnet::kIac && !m_judgeTimer.isActive())
            m_judgeTimer.start();
        return;
    case telnet::StreamStart::TelnetServer:
        failWhileOpen(QStringLiteral("this is a Telnet server: use rfc2217://"));
        return;
    case telnet::StreamStart::ModuleBytes:
        m_judging = false;
        m_judgeTimer.stop();
        deliver(std::exchange(m_greeting, {}));
        return;
    }
}

void NetworkLine::takeTelnet(const QByteArray &bytes)
{
    if (m_phase == Phase::Greeting) {
        if (!m_greeting.isEmpty() || std::uint8_t(bytes[0]) != telnet::kIac) {
            // Not Telnet: nothing goes back, what it said may be quoted when it hangs up.
            m_greeting += bytes.left(telnet::kMaxGreeting - m_greeting.size());
            return;
        }
        m_phase = Phase::Negotiating;
        m_socket->write(m_codec.start());
    }
    telnet::TelnetCodec::Received in;
    m_codec.receive(bytes, in);
    if (!in.reply.isEmpty())
        m_socket->write(in.reply);
    const Phase before = m_phase;
    handleEvents(in.events);
    if (m_phase == Phase::Closed)
        return;
    // Whatever the module sent before the line was set is not a reply to anything of ours,
    // but it may be the server's words.
    if (before == Phase::Open)
        deliver(in.data);
    else
        m_greeting += in.data.left(telnet::kMaxGreeting - m_greeting.size());
}

void NetworkLine::deliver(const QByteArray &bytes)
{
    if (bytes.isEmpty() || m_phase != Phase::Open)
        return;
    m_received += bytes;
    emit readyRead();
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
                failWhileOpen(kSpeedNotSet);
            else
                failOpen(ports::OpenProblem::Kind::LineNotSettable);
            break;
        case Kind::BinaryRefused:
            refuse(kNot8Bit);
            break;
        case Kind::SignatureWanted:
            m_socket->write(telnet::TelnetCodec::signature(kSignature));
            break;
        case Kind::Suspend:
            m_suspended = true;
            break;
        case Kind::Resume:
            m_suspended = false;
            if (!m_heldOut.isEmpty())
                m_socket->write(std::exchange(m_heldOut, {}));
            break;
        case Kind::BaudRate:
        case Kind::DataSize:
        case Kind::Parity:
        case Kind::StopSize: {
            // An answer: the first one owed of its kind must say what was asked.
            const auto owed =
                std::find_if(m_awaited.begin(), m_awaited.end(),
                             [&](const telnet::Event &e) { return e.kind == event.kind; });
            if (owed == m_awaited.end())
                break; // news the server gave unasked
            if (owed->value != event.value) {
                if (event.kind != Kind::BaudRate)
                    refuse(telnet::settingWords(event));
                else if (m_phase == Phase::Open)
                    failWhileOpen(kSpeedNotSet);
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

void NetworkLine::refuse(const QString &reason)
{
    if (m_phase == Phase::Open)
        failWhileOpen(reason);
    else
        failOpen(ports::OpenProblem::Kind::ServerRefused, reason);
}

void NetworkLine::becomeOpen()
{
    if (m_address.scheme == ports::NetworkAddress::Scheme::Rfc2217 &&
        !(m_codec.localEnabled(telnet::kBinary) && m_codec.remoteEnabled(telnet::kBinary))) {
        // Never agreed: a 7-bit line would turn the clear command (0D) into 0D 00.
        failOpen(ports::OpenProblem::Kind::ServerRefused, kNot8Bit);
        return;
    }
    m_deadline.stop();
    m_phase = Phase::Open;
    m_judging = m_address.scheme == ports::NetworkAddress::Scheme::Socket;
    m_greeting.clear();
    emit opened();
}

void NetworkLine::failOpen(ports::OpenProblem::Kind kind, const QString &detail)
{
    if (m_phase == Phase::Closed || m_phase == Phase::Open)
        return;
    m_problem = ports::OpenProblem::onNetwork(kind, m_problem.device, m_address, detail);
    m_error = m_problem.summary();
    release(0);
    // Inside open() the failure is what open() returns.
    if (!m_inOpen)
        emit openFailed();
}

void NetworkLine::failWhileOpen(const QString &reason)
{
    if (m_phase != Phase::Open)
        return;
    m_error = reason;
    // Stop at once: the service drops the line, but nothing more may be read meanwhile.
    m_phase = Phase::Closed;
    m_judgeTimer.stop();
    emit failed(reason);
}

QString NetworkLine::closedWords() const
{
    const QString line = telnet::firstPrintableLine(m_greeting);
    return line.isEmpty() ? QStringLiteral("the server closed the connection")
                          : QStringLiteral("the server closed the connection: ") + line;
}

void NetworkLine::handleSocketError()
{
    const QAbstractSocket::SocketError error = m_socket->error();
    if (m_phase == Phase::Open) {
        failWhileOpen(error == QAbstractSocket::RemoteHostClosedError ||
                              error == QAbstractSocket::UnknownSocketError
                          ? closedWords()
                          : m_socket->errorString());
        return;
    }
    using Kind = ports::OpenProblem::Kind;
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        failOpen(Kind::ConnectionRefused);
        break;
    case QAbstractSocket::HostNotFoundError:
        failOpen(Kind::NoSuchHost);
        break;
    case QAbstractSocket::SocketTimeoutError:
        failOpen(Kind::NoAnswer);
        break;
    case QAbstractSocket::NetworkError: {
        // Qt tells ENETUNREACH from EHOSTUNREACH only in its words.
        const QString words = m_socket->errorString();
        if (words.contains(QLatin1String("host unreachable"), Qt::CaseInsensitive))
            failOpen(Kind::HostUnreachable);
        else if (words.contains(QLatin1String("network unreachable"), Qt::CaseInsensitive))
            failOpen(Kind::NetworkUnreachable);
        else
            failOpen(Kind::Other, words);
        break;
    }
    case QAbstractSocket::RemoteHostClosedError:
        // Hung up before the line was set: ser2net says why in a line of text first.
        failOpen(Kind::ServerRefused, closedWords());
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
    m_judgeTimer.stop();
    m_phase = Phase::Closed;
    m_awaited.clear();
    m_heldOut.clear();
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
    m_written += bytes.size();
    if (m_suspended) {
        m_heldOut += wire;
    } else if (m_socket->write(wire) != wire.size()) {
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
    while (m_socket && (m_socket->bytesToWrite() > 0 || !m_heldOut.isEmpty())) {
        // Held for the server: only its word to resume (read here) lets them go.
        const bool progress = m_heldOut.isEmpty() ? m_socket->waitForBytesWritten(timeoutMs)
                                                  : m_socket->waitForReadyRead(timeoutMs);
        if (!progress)
            return false;
    }
    return m_socket != nullptr;
}

qint64 NetworkLine::bytesUnsent() const
{
    if (!m_socket)
        return m_lastUnsent;
    const std::optional<qint64> queued = systemQueue(*m_socket);
    if (!queued)
        return m_lastUnsent;
    // On the wire a doubled FF counts twice: never more than what was written, and zero
    // only when nothing waits anywhere.
    m_lastUnsent = std::min(m_written, m_heldOut.size() + m_socket->bytesToWrite() + *queued);
    return m_lastUnsent;
}

QByteArray NetworkLine::readAll()
{
    return std::exchange(m_received, {});
}

} // namespace seriallink
