#pragma once
// A port named by a network address instead of a device path:
//
//   rfc2217://HOST:PORT   Telnet with the COM-PORT-OPTION: the line is set from here
//   socket://HOST:PORT    raw TCP, bytes as they stand; the line settings are the server's
//
// HOST is a name, an IPv4 address or an IPv6 address in brackets ([::1]); PORT is 1-65535.
// Anything that does not start with one of the two schemes is a device path.

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

// Whether the name starts with a network scheme (then it is never a device path, even
// when the rest cannot be read).
bool isNetworkName(const QString &name);

// The address in a name; nothing for device paths and for network names that cannot be read.
std::optional<NetworkAddress> parseNetworkAddress(const QString &name);

} // namespace ports
