#include "ports/portaddress.h"

#include <QUrl>

#include <algorithm>

#include "encoding/shownword.h"

namespace ports
{

namespace
{

constexpr QLatin1StringView kRfc2217("rfc2217");
constexpr QLatin1StringView kSocket("socket");
constexpr QLatin1StringView kSlashes("://");

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

// "telnet" in "telnet://...": a letter, then letters, digits, '+', '-' or '.'. Two
// characters at least, so that "C:/dev" stays a path.
bool isSchemeWord(QStringView word)
{
    if (word.size() < 2 || !(word.front().isLetter() && word.front().unicode() < 128))
        return false;
    for (QChar c : word) {
        if (!(c.isLetterOrNumber() && c.unicode() < 128) && c != u'+' && c != u'-' && c != u'.')
            return false;
    }
    return true;
}

struct Reading {
    bool network = false;
    std::optional<NetworkAddress> address;
    QString problem;
};

QString portProblem(const QString &text)
{
    const QString allowed = QStringLiteral("(allowed: 1 to 65535)");
    QStringView digits(text);
    if (digits.startsWith(u'-'))
        digits = digits.sliced(1);
    const bool number = !digits.isEmpty() && std::all_of(digits.begin(), digits.end(), [](QChar c) {
        return c.unicode() >= u'0' && c.unicode() <= u'9';
    });
    if (!number)
        return QStringLiteral("port '%1' is not a number %2")
            .arg(encoding::shownWord(text), allowed);
    return QStringLiteral("port %1 is out of range %2").arg(encoding::shownWord(text), allowed);
}

Reading read(const QString &name)
{
    Reading reading;
    NetworkAddress address;
    const qsizetype slashes = name.indexOf(kSlashes);
    const QStringView scheme = slashes < 0 ? QStringView() : QStringView(name).first(slashes);
    if (slashes < 0 || !isSchemeWord(scheme)) {
        // "rfc2217:/host:1" and the like: meant as an address, written short of it.
        for (QLatin1StringView known : {kRfc2217, kSocket}) {
            if (name.startsWith(known + u':', Qt::CaseInsensitive)) {
                reading.network = true;
                reading.problem =
                    QStringLiteral("%1: needs two slashes: %1://HOST:PORT").arg(known);
                return reading;
            }
        }
        return reading;
    }
    reading.network = true;
    if (scheme.compare(kRfc2217, Qt::CaseInsensitive) == 0) {
        address.scheme = NetworkAddress::Scheme::Rfc2217;
    } else if (scheme.compare(kSocket, Qt::CaseInsensitive) == 0) {
        address.scheme = NetworkAddress::Scheme::Socket;
    } else {
        reading.problem = QStringLiteral("unknown scheme '%1://' (allowed: rfc2217://, socket://)")
                              .arg(encoding::shownWord(scheme.toString()));
        return reading;
    }
    const QString form = scheme.toString().toLower() + QStringLiteral("://HOST:PORT");
    QStringView rest = QStringView(name).sliced(slashes + kSlashes.size());
    if (rest.endsWith(u'/'))
        rest.chop(1);
    if (rest.isEmpty()) {
        reading.problem = QStringLiteral("no host and port: %1").arg(form);
        return reading;
    }
    if (const qsizetype slash = rest.indexOf(u'/'); slash >= 0) {
        reading.problem = QStringLiteral("'%1' after the port: an address ends with it (%2)")
                              .arg(encoding::shownWord(rest.sliced(slash).toString()), form);
        return reading;
    }
    const std::optional<HostPort> split = splitHostPort(rest);
    if (!split) {
        if (rest.startsWith(u'[') && !rest.contains(u']'))
            reading.problem = QStringLiteral("'[' without its ']'");
        else if (rest.count(u':') > 1 && !rest.startsWith(u'['))
            reading.problem =
                QStringLiteral("an IPv6 address goes in brackets: %1://[%2]:PORT")
                    .arg(scheme.toString().toLower(),
                         encoding::shownWord(rest.first(rest.lastIndexOf(u':')).toString()));
        else
            reading.problem = QStringLiteral("no port after the host: %1").arg(form);
        return reading;
    }
    if (split->host.isEmpty()) {
        reading.problem = QStringLiteral("no host before the port: %1").arg(form);
        return reading;
    }
    if (split->bracketed ? !isIpv6Literal(split->host) : !isHostName(split->host)) {
        reading.problem =
            split->bracketed
                ? QStringLiteral("'%1' is not an IPv6 address (only those go in "
                                 "brackets)")
                      .arg(encoding::shownWord(split->host))
                : QStringLiteral("'%1' is not a host name").arg(encoding::shownWord(split->host));
        return reading;
    }
    if (split->port.isEmpty()) {
        reading.problem = QStringLiteral("no port after the host: %1").arg(form);
        return reading;
    }
    bool ok = false;
    const uint port = split->port.toUInt(&ok);
    if (!ok || port < 1 || port > 65535 || !split->port.front().isDigit()) {
        reading.problem = portProblem(split->port);
        return reading;
    }
    address.host = split->host;
    address.port = quint16(port);
    reading.address = address;
    return reading;
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
    return read(name).network;
}

std::optional<NetworkAddress> parseNetworkAddress(const QString &name)
{
    return read(name).address;
}

QString networkAddressProblem(const QString &name)
{
    return read(name).problem;
}

} // namespace ports
