#include "ports/portaddress.h"

#include <QUrl>

namespace ports
{

namespace
{

constexpr QLatin1StringView kRfc2217("rfc2217://");
constexpr QLatin1StringView kSocket("socket://");

bool isHostName(QStringView host)
{
    // Letters, digits, hyphens and dots: what a resolver takes. Anything else (spaces,
    // slashes, a second colon) is a typing slip better named now than by the resolver.
    if (host.isEmpty() || host.size() > 253)
        return false;
    for (QChar c : host) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'-' && c != u'.' && c != u'_')
            return false;
    }
    return true;
}

// An IPv6 address as written between brackets, with the zone a link-local address needs
// after '%' ("fe80::1%eth0"). The URL parser knows IPv6 literals but wants a zone written
// as "%25"; the zone itself is an interface name.
bool isIpv6Literal(QStringView text)
{
    const qsizetype percent = text.indexOf(u'%');
    if (percent >= 0 && !isHostName(text.sliced(percent + 1)))
        return false;
    const QStringView address = percent < 0 ? text : text.first(percent);
    QUrl url;
    url.setHost(u'[' + address.toString() + u']', QUrl::StrictMode);
    return url.isValid() && url.host().contains(u':');
}

} // namespace

QString NetworkAddress::hostAndPort() const
{
    const QString shownHost = host.contains(u':') ? u'[' + host + u']' : host;
    return shownHost + u':' + QString::number(port);
}

std::optional<HostPort> splitHostPort(QStringView text)
{
    const qsizetype colon = text.lastIndexOf(u':');
    if (colon < 0)
        return std::nullopt;
    HostPort split;
    QStringView host = text.first(colon);
    if (host.startsWith(u'[')) {
        if (!host.endsWith(u']'))
            return std::nullopt;
        host = host.sliced(1, host.size() - 2);
        split.bracketed = true;
    } else if (host.contains(u':')) {
        return std::nullopt;
    }
    split.host = host.toString();
    split.port = text.sliced(colon + 1).toString();
    return split;
}

bool isNetworkName(const QString &name)
{
    return name.startsWith(kRfc2217, Qt::CaseInsensitive) ||
           name.startsWith(kSocket, Qt::CaseInsensitive);
}

std::optional<NetworkAddress> parseNetworkAddress(const QString &name)
{
    NetworkAddress address;
    QStringView rest(name);
    if (name.startsWith(kRfc2217, Qt::CaseInsensitive)) {
        address.scheme = NetworkAddress::Scheme::Rfc2217;
        rest = rest.sliced(kRfc2217.size());
    } else if (name.startsWith(kSocket, Qt::CaseInsensitive)) {
        address.scheme = NetworkAddress::Scheme::Socket;
        rest = rest.sliced(kSocket.size());
    } else {
        return std::nullopt;
    }
    if (rest.endsWith(u'/'))
        rest.chop(1);

    const std::optional<HostPort> split = splitHostPort(rest);
    if (!split)
        return std::nullopt;
    bool ok = false;
    const uint port = split->port.toUInt(&ok);
    if (!ok || port < 1 || port > 65535 || !split->port.front().isDigit())
        return std::nullopt;
    if (split->bracketed) {
        if (!isIpv6Literal(split->host))
            return std::nullopt;
    } else if (!isHostName(split->host)) {
        return std::nullopt;
    }
    address.host = split->host;
    address.port = quint16(port);
    return address;
}

} // namespace ports
