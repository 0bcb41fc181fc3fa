#pragma once
// The module behind a network serial server, for Device=rfc2217://HOST:PORT or
// socket://HOST:PORT: plain POSIX sockets, non-blocking, moved on by LCDd's calls.
//
//   Resolving    the name is looked up in the background (getaddrinfo_a), so a slow name
//                server never holds LCDd up
//   Connecting   a non-blocking connect to each address in turn; one that fails at once
//                (no route, network unreachable) ends that address's try, not the attempt
//   Negotiating  rfc2217:// only: the Telnet offers, then, once the server takes the
//                COM-PORT-OPTION, the speed, 8 data bits, no parity and one stop bit; every
//                answer must say what was asked, or the line is never used
//   Open         socket:// is open once connected: bytes as they stand, the server's settings
//
// All of it within 5 s of open(). The server's own words, when it closes the connection
// after saying why in text ("Port already in use"), are kept for the reason.

#include <memory>
#include <vector>

#include <QByteArray>
#include <QString>

#include "polledline.h"
#include "ports/portaddress.h"
#include "telnet/telnetcodec.h"

struct addrinfo;

namespace lcdd
{

class SocketLine : public PolledLine
{
public:
    static constexpr auto kOpenTimeout = std::chrono::seconds(5);

    // `device`: the address as the configuration names it, for reports.
    SocketLine(QString device, ports::NetworkAddress address, int speed);
    ~SocketLine() override;

    void open(Clock::time_point now) override;
    void poll(Clock::time_point now) override;
    void close() override;

    bool write(std::span<const std::uint8_t> bytes) override;
    bool read(std::vector<std::uint8_t> &into) override;

private:
    enum class Step { Resolving, Connecting, Negotiating };
    struct Lookup;

    void connectNext();
    void connected();
    void negotiate();
    // The codec's news about the line; false when it refused the line.
    bool heed(const std::vector<telnet::Event> &events);
    void refuseOpen(ports::OpenProblem::Kind kind, const QString &detail = {});
    void queueText(const QByteArray &bytes);
    void dropLookup();

    QString m_device;
    ports::NetworkAddress m_address;
    int m_speed;
    Step m_step = Step::Resolving;
    Clock::time_point m_deadline{};
    std::unique_ptr<Lookup> m_lookup;
    addrinfo *m_nextAddress = nullptr;
    int m_connectError = 0; // the last address's reason
    telnet::TelnetCodec m_codec;
    bool m_settingsSent = false;
    std::vector<telnet::Event> m_awaited; // SET-* answers still owed, in the order asked
    QByteArray m_serverWords;             // the first bytes the server sent, for its words
};

} // namespace lcdd
