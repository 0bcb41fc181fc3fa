#include "socketline.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "telnet/serverwords.h"

namespace lcdd
{

// A name lookup running in the background: the strings and hints it points at live as
// long as it does.
struct SocketLine::Lookup {
    std::string host;
    std::string service;
    addrinfo hints{};
    gaicb request{};

    ~Lookup()
    {
        if (request.ar_result)
            freeaddrinfo(request.ar_result);
    }
};

namespace
{

// Who we are, for a server that asks (an empty SIGNATURE).
constexpr QByteArrayView kSignature("VantelApp");
const QString kNot8Bit = QStringLiteral("the server does not pass 8-bit data");

// The server's first line when all it sent is text, else nothing: a module's replies are
// never text, so words among them are none of the server's.
QString textLine(const QByteArray &words)
{
    const bool text = std::all_of(words.begin(), words.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte >= 0x20 && byte < 0x7F) || c == '\r' || c == '\n';
    });
    return text ? telnet::firstPrintableLine(words) : QString();
}

} // namespace

SocketLine::SocketLine(QString device, ports::NetworkAddress address, int speed)
    : m_device(std::move(device)), m_address(std::move(address)), m_speed(speed)
{
    m_hangUpWords = "the server closed the connection";
}

SocketLine::~SocketLine()
{
    SocketLine::close();
}

void SocketLine::open(Clock::time_point now)
{
    close();
    m_deadline = now + kOpenTimeout;
    m_codec = telnet::TelnetCodec();
    m_settingsSent = false;
    m_awaited.clear();
    m_serverWords.clear();
    m_connectError = 0;

    m_lookup = std::make_unique<Lookup>();
    m_lookup->host = m_address.host.toStdString();
    m_lookup->service = std::to_string(m_address.port);
    m_lookup->hints.ai_family = AF_UNSPEC;
    m_lookup->hints.ai_socktype = SOCK_STREAM;
    m_lookup->hints.ai_flags = AI_NUMERICSERV;
    m_lookup->request.ar_name = m_lookup->host.c_str();
    m_lookup->request.ar_service = m_lookup->service.c_str();
    m_lookup->request.ar_request = &m_lookup->hints;
    gaicb *requests[] = {&m_lookup->request};
    if (getaddrinfo_a(GAI_NOWAIT, requests, 1, nullptr) != 0) {
        m_lookup.reset();
        refuseOpen(ports::OpenProblem::Kind::Other,
                   QStringLiteral("cannot look up ") + m_address.host);
        return;
    }
    m_step = Step::Resolving;
    m_state = State::Opening;
}

void SocketLine::poll(Clock::time_point now)
{
    if (m_state == State::Open) {
        sendWaiting();
        return;
    }
    if (m_state != State::Opening)
        return;
    switch (m_step) {
    case Step::Resolving: {
        const int result = gai_error(&m_lookup->request);
        if (result == EAI_INPROGRESS)
            break;
        if (result != 0) {
            refuseOpen(result == EAI_NONAME || result == EAI_NODATA || result == EAI_FAIL
                           ? ports::OpenProblem::Kind::NoSuchHost
                           : ports::OpenProblem::Kind::Other,
                       QStringLiteral("cannot look up %1: %2")
                           .arg(m_address.host, QString::fromLocal8Bit(gai_strerror(result))));
            return;
        }
        m_nextAddress = m_lookup->request.ar_result;
        connectNext();
        break;
    }
    case Step::Connecting: {
        pollfd p{descriptor(), POLLOUT, 0};
        if (::poll(&p, 1, 0) <= 0)
            break;
        int error = 0;
        socklen_t size = sizeof error;
        if (::getsockopt(descriptor(), SOL_SOCKET, SO_ERROR, &error, &size) != 0)
            error = errno;
        if (error == 0) {
            connected();
        } else {
            m_connectError = error;
            PolledLine::close();
            m_state = State::Opening;
            m_nextAddress = m_nextAddress->ai_next;
            connectNext();
        }
        break;
    }
    case Step::Negotiating:
        negotiate();
        break;
    }
    if (m_state == State::Opening && now >= m_deadline)
        refuseOpen(ports::OpenProblem::Kind::NoAnswer);
}

void SocketLine::connectNext()
{
    for (; m_nextAddress; m_nextAddress = m_nextAddress->ai_next) {
        const int fd = ::socket(m_nextAddress->ai_family,
                                m_nextAddress->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                                m_nextAddress->ai_protocol);
        if (fd < 0) {
            m_connectError = errno;
            continue;
        }
        adopt(fd, true);
        if (::connect(fd, m_nextAddress->ai_addr, m_nextAddress->ai_addrlen) == 0) {
            connected();
            return;
        }
        if (errno == EINPROGRESS) {
            m_step = Step::Connecting;
            return;
        }
        // Refused at once (no route, the network unreachable): the next address, if any.
        m_connectError = errno;
        PolledLine::close();
        m_state = State::Opening;
    }
    using Kind = ports::OpenProblem::Kind;
    switch (m_connectError) {
    case ECONNREFUSED:
        refuseOpen(Kind::ConnectionRefused);
        break;
    case ETIMEDOUT:
        refuseOpen(Kind::NoAnswer);
        break;
    case ENETUNREACH:
        refuseOpen(Kind::NetworkUnreachable);
        break;
    case EHOSTUNREACH:
        refuseOpen(Kind::HostUnreachable);
        break;
    default:
        refuseOpen(Kind::Other, QStringLiteral("%1: %2").arg(
                                    m_address.hostAndPort(),
                                    QString::fromLocal8Bit(std::strerror(m_connectError))));
        break;
    }
}

void SocketLine::connected()
{
    dropLookup();
    // Frames are small and each one matters at once: no Nagle delay.
    const int on = 1;
    ::setsockopt(descriptor(), IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (m_address.scheme == ports::NetworkAddress::Scheme::Socket) {
        m_state = State::Open;
        return;
    }
    m_step = Step::Negotiating;
    queueText(m_codec.start());
    if (sendWaiting())
        negotiate();
}

void SocketLine::negotiate()
{
    std::vector<std::uint8_t> bytes;
    const bool alive = sendWaiting() && receive(bytes);
    if (!bytes.empty()) {
        telnet::TelnetCodec::Received in;
        m_codec.receive(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), in);
        if (m_serverWords.size() < telnet::kMaxGreeting)
            m_serverWords += in.data.left(telnet::kMaxGreeting - m_serverWords.size());
        queueText(in.reply);
        if (!heed(in.events))
            return;
    }
    if (!alive) {
        const QString words = telnet::firstPrintableLine(m_serverWords);
        refuseOpen(ports::OpenProblem::Kind::ServerRefused,
                   words.isEmpty() ? QStringLiteral("the server closed the connection")
                                   : QStringLiteral("the server closed the connection: ") + words);
        return;
    }
    if (m_settingsSent && m_awaited.empty())
        m_state = State::Open;
    sendWaiting();
}

bool SocketLine::heed(const std::vector<telnet::Event> &events)
{
    using Kind = telnet::Event::Kind;
    for (const telnet::Event &event : events) {
        switch (event.kind) {
        case Kind::ComPortAccepted:
            if (!m_settingsSent && m_state == State::Opening) {
                const auto speed = static_cast<std::uint32_t>(m_speed);
                queueText(telnet::TelnetCodec::setBaudRate(speed) +
                          telnet::TelnetCodec::setDataSize(8) +
                          telnet::TelnetCodec::setParity(telnet::kParityNone) +
                          telnet::TelnetCodec::setStopSize(telnet::kStopOne));
                m_awaited = {{Kind::BaudRate, speed},
                             {Kind::DataSize, 8},
                             {Kind::Parity, telnet::kParityNone},
                             {Kind::StopSize, telnet::kStopOne}};
                m_settingsSent = true;
            }
            break;
        case Kind::ComPortRefused:
            if (m_state == State::Open)
                fail("the server does not let the line speed be set");
            else
                refuseOpen(ports::OpenProblem::Kind::LineNotSettable);
            return false;
        case Kind::BinaryRefused:
            // A line that drops bit 7 would turn every command prefix into text.
            if (m_state == State::Open)
                fail(kNot8Bit.toStdString());
            else
                refuseOpen(ports::OpenProblem::Kind::ServerRefused, kNot8Bit);
            return false;
        case Kind::SignatureWanted:
            queueText(telnet::TelnetCodec::signature(kSignature));
            break;
        default: {
            // An answer: the first one owed of its kind must say what was asked; anything
            // else is news the server gave unasked.
            const auto owed =
                std::find_if(m_awaited.begin(), m_awaited.end(),
                             [&](const telnet::Event &e) { return e.kind == event.kind; });
            if (owed == m_awaited.end())
                break;
            if (owed->value != event.value) {
                // Never a line at a speed other than the one asked for.
                if (event.kind == Kind::BaudRate)
                    refuseOpen(ports::OpenProblem::Kind::LineNotSettable);
                else
                    refuseOpen(ports::OpenProblem::Kind::ServerRefused,
                               telnet::settingWords(event));
                return false;
            }
            m_awaited.erase(owed);
            break;
        }
        }
    }
    return true;
}

bool SocketLine::write(std::span<const std::uint8_t> bytes)
{
    if (m_state != State::Open)
        return false;
    if (m_address.scheme == ports::NetworkAddress::Scheme::Socket)
        return PolledLine::write(bytes);
    queueText(m_codec.encode(QByteArrayView(reinterpret_cast<const char *>(bytes.data()),
                                            static_cast<qsizetype>(bytes.size()))));
    return sendWaiting();
}

bool SocketLine::read(std::vector<std::uint8_t> &into)
{
    if (m_state != State::Open)
        return false;
    std::vector<std::uint8_t> bytes;
    const bool alive = receive(bytes);
    QByteArray data(reinterpret_cast<const char *>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
    if (m_address.scheme == ports::NetworkAddress::Scheme::Rfc2217 && !data.isEmpty()) {
        telnet::TelnetCodec::Received in;
        m_codec.receive(data, in);
        data = in.data;
        if (alive) {
            queueText(in.reply);
            if (!heed(in.events))
                return false;
        }
    }
    into.insert(into.end(), data.begin(), data.end());
    if (m_serverWords.size() < telnet::kMaxGreeting)
        m_serverWords += data.left(telnet::kMaxGreeting - m_serverWords.size());
    if (!alive) {
        // A server that turns a client away often says why before it closes ("Port already
        // in use"); a module's replies are never such text.
        const QString words = textLine(m_serverWords);
        if (!words.isEmpty() && errorString() == m_hangUpWords)
            fail(m_hangUpWords + ": " + words.toStdString());
        return false;
    }
    return sendWaiting();
}

void SocketLine::close()
{
    PolledLine::close();
    dropLookup();
}

void SocketLine::refuseOpen(ports::OpenProblem::Kind kind, const QString &detail)
{
    refuse(ports::OpenProblem::onNetwork(kind, m_device, m_address, detail));
}

void SocketLine::queueText(const QByteArray &bytes)
{
    queue(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
          static_cast<std::size_t>(bytes.size()));
}

void SocketLine::dropLookup()
{
    m_nextAddress = nullptr;
    if (!m_lookup)
        return;
    if (gai_error(&m_lookup->request) == EAI_INPROGRESS &&
        gai_cancel(&m_lookup->request) == EAI_NOTCANCELED) {
        // The lookup still writes into its request when it ends, whenever that is: leave it
        // be rather than wait for a name server that may not answer.
        static_cast<void>(m_lookup.release());
        return;
    }
    m_lookup.reset();
}

} // namespace lcdd
