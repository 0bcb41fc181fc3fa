// Port names that are network addresses: what is read from them, and what is refused with
// the part that is wrong (a refused network name must never be taken for a device path).

#include <QTest>

#include "ports/portaddress.h"

using ports::NetworkAddress;
using Scheme = ports::NetworkAddress::Scheme;

class TestPortAddress : public QObject
{
    Q_OBJECT
private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("network");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("scheme");
        QTest::addColumn<QString>("host");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("shown"); // valid; else the problem

        const int rfc = int(Scheme::Rfc2217);
        const int raw = int(Scheme::Socket);
        QTest::newRow("ipv4") << "rfc2217://127.0.0.1:3001" << true << true << rfc << "127.0.0.1"
                              << 3001 << "127.0.0.1:3001";
        QTest::newRow("name") << "socket://lab-pi:4001" << true << true << raw << "lab-pi" << 4001
                              << "lab-pi:4001";
        QTest::newRow("ipv6") << "rfc2217://[::1]:65535" << true << true << rfc << "::1" << 65535
                              << "[::1]:65535";
        QTest::newRow("scheme in capitals")
            << "RFC2217://rack.example.org:1/" << true << true << rfc << "rack.example.org" << 1
            << "rack.example.org:1";
        QTest::newRow("no port") << "rfc2217://lab-pi" << true << false << 0 << "" << 0
                                 << "no port after the host: rfc2217://HOST:PORT";
        QTest::newRow("port 0") << "socket://lab-pi:0" << true << false << 0 << "" << 0
                                << "port 0 is out of range (allowed: 1 to 65535)";
        QTest::newRow("port too big") << "socket://lab-pi:70000" << true << false << 0 << "" << 0
                                      << "port 70000 is out of range (allowed: 1 to 65535)";
        QTest::newRow("negative port") << "socket://lab-pi:-1" << true << false << 0 << "" << 0
                                       << "port -1 is out of range (allowed: 1 to 65535)";
        QTest::newRow("signed port") << "socket://lab-pi:+80" << true << false << 0 << "" << 0
                                     << "port '+80' is not a number (allowed: 1 to 65535)";
        QTest::newRow("ipv6 without brackets")
            << "rfc2217://::1:3001" << true << false << 0 << "" << 0
            << "an IPv6 address goes in brackets: rfc2217://[::1]:PORT";
        QTest::newRow("brackets around ipv4")
            << "rfc2217://[127.0.0.1]:3001" << true << false << 0 << "" << 0
            << "'127.0.0.1' is not an IPv6 address (only those go in brackets)";
        QTest::newRow("no host") << "socket://:3001" << true << false << 0 << "" << 0
                                 << "no host before the port: socket://HOST:PORT";
        QTest::newRow("path after port")
            << "socket://lab-pi:3001/x" << true << false << 0 << "" << 0
            << "'/x' after the port: an address ends with it (socket://HOST:PORT)";
        QTest::newRow("one slash") << "rfc2217:/lab-pi:1" << true << false << 0 << "" << 0
                                   << "rfc2217: needs two slashes: rfc2217://HOST:PORT";
        QTest::newRow("other scheme")
            << "telnet://lab-pi:23" << true << false << 0 << "" << 0
            << "unknown scheme 'telnet://' (allowed: rfc2217://, socket://)";
        QTest::newRow("device path") << "/dev/ttyUSB0" << false << false << 0 << "" << 0 << "";
    }

    void parse()
    {
        QFETCH(QString, name);
        QFETCH(bool, network);
        QFETCH(bool, valid);
        QCOMPARE(ports::isNetworkName(name), network);
        const std::optional<NetworkAddress> address = ports::parseNetworkAddress(name);
        QCOMPARE(address.has_value(), valid);
        QFETCH(QString, shown);
        QCOMPARE(ports::networkAddressProblem(name), valid ? QString() : shown);
        if (!valid)
            return;
        QFETCH(int, scheme);
        QFETCH(QString, host);
        QFETCH(int, port);
        QCOMPARE(int(address->scheme), scheme);
        QCOMPARE(address->host, host);
        QCOMPARE(int(address->port), port);
        QCOMPARE(address->hostAndPort(), shown);
    }
};

QTEST_APPLESS_MAIN(TestPortAddress)
#include "tst_portaddress.moc"
