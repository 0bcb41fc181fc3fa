#pragma once
// A port named by a network address instead of a device path:
//
//   rfc2217://HOST:PORT   Telnet with the COM-PORT-OPTION: the line is set from here
//   socket://HOST:PORT    raw TCP, bytes as they stand; the line settings are the server's
//
// HOST is a name, an IPv4 address or an IPv6 address in brackets ([::1]); PORT is 1-65535.
// A name that starts like an address (any "word://", or "rfc2217:" and "socket:" alone) is
// never a device path: when it cannot be read, the problem names the part that is wrong:
//
//   telnet://h:1      unknown scheme 'telnet://' (allowed: rfc2217://, socket://)
//   rfc2217:/h:1      rfc2217: needs two slashes: rfc2217://HOST:PORT
//   socket://h:0      port 0 is out of range (allowed: 1 to 65535)
//   rfc2217://::1:7   an IPv6 address goes in brackets: rfc2217://[::1]:PORT

#include <optional>

#include <QString>

namespace ports
{

struct NetworkAddress {
    enum class Scheme { Rfc2217, Socket };
    Scheme scheme = Scheme::Rfc2217;
    QString host; // without brackets
    quint16 port = 0;

    // HOST:PORT as the user wrote it (brackets kept for IPv6), for messages.
    QString hostAndPort() const;
    bool operator==(const NetworkAddress &) const = default;
};

// HOST:PORT cut at its last colon, an IPv6 host's brackets taken off (`bracketed` says so).
// Nothing without a colon, for an unclosed bracket, or for an IPv6 address without brackets,
// whose own colons would take the port. The port is left as text: who reads it knows its range.
struct HostPort {
    QString host;
    bool bracketed = false;
    QString port;
};
std::optional<HostPort> splitHostPort(QStringView text);

// Whether the name starts like a network address (then it is never a device path, even
// when the rest cannot be read).
bool isNetworkName(const QString &name);

// The address in a name; nothing for device paths and for network names that cannot be read.
std::optional<NetworkAddress> parseNetworkAddress(const QString &name);

// What is wrong with a network name, in a few words (see the table above); empty when it
// reads as an address or is no network name at all.
QString networkAddressProblem(const QString &name);

} // namespace ports
