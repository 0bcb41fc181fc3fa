// The port service on network ports: Debian's ser2net in front of a pseudo-terminal the
// test plays the module on, and servers of the test's own that fail in the ways a user
// must be told about. Bytes must pass exactly both ways (FF included), the line must run at
// the speed asked for, and every failure to connect must end, in words, without hanging.
// (A server that dies, and an attempt ended by the user: tests/app/tst_networkwindow.)

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>

#include <termios.h>

#include "link/serialportservice.h"
#include "ptypeer.h"
#include "ser2netserver.h"

namespace
{

using State = seriallink::SerialPortService::State;

void useDevice(seriallink::SerialPortService &port, const QString &device)
{
    port.setDeviceResolver([device](int) { return device; });
    port.setCommPort(1);
}

// Opens and waits for the outcome; true when the port is open.
bool openAndWait(seriallink::SerialPortService &port, int timeoutMs = 7000)
{
    if (!port.open())
        return false;
    return QTest::qWaitFor([&] { return port.state() != State::Connecting; }, timeoutMs) &&
           port.state() == State::Open;
}

speed_t lineSpeed(const PtyPeer &peer)
{
    termios settings{};
    return peer.lineSettings(settings) ? cfgetospeed(&settings) : B0;
}

QByteArray everyByteTwice()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes.append(char(i)).append(char(255 - i));
    return bytes + QByteArray("\xFF\xFF\xFF\r\n\r\0", 8);
}

} // namespace

class TestNetworkPort : public QObject
{
    Q_OBJECT
private slots:
    void bytesPassExactly_data();
    void bytesPassExactly();
    void speedChangeReachesTheLine_data();
    void speedChangeReachesTheLine();
    void closeHandsOnWhatWasQueued();
    void failuresSayWhy_data();
    void failuresSayWhy();
    void serverAsksAndIsObeyed();
};

void TestNetworkPort::bytesPassExactly_data()
{
    QTest::addColumn<bool>("rfc2217");
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("speed"); // the pty's speed while connected; 0: the server's own
    QTest::newRow("rfc2217 at 19200") << true << "19200,n,8,1" << int(B19200);
    QTest::newRow("rfc2217 at 9600") << true << "9600,n,8,1" << int(B9600);
    QTest::newRow("raw tcp") << false << "19200,n,8,1" << 0;
}

void TestNetworkPort::bytesPassExactly()
{
    if (!Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    QFETCH(bool, rfc2217);
    QFETCH(QString, settings);
    QFETCH(int, speed);
    PtyPeer peer;
    Ser2NetServer server(peer.slavePath());
    QVERIFY(server.start());
    seriallink::SerialPortService port;
    useDevice(port, rfc2217 ? server.rfc2217Url() : server.socketUrl());
    QVERIFY(port.setSettings(settings));
    QSignalSpy states(&port, &seriallink::SerialPortService::stateChanged);
    QVERIFY2(openAndWait(port), qPrintable(port.lastOpenProblem().summary()));
    QCOMPARE(states.first().first().value<State>(), State::Connecting);
    if (speed != 0)
        QCOMPARE(int(lineSpeed(peer)), speed);

    const QByteArray frames = QByteArray("\xFE\x30\xFF", 3) + everyByteTwice();
    QVERIFY(port.output(frames));
    QCOMPARE(peer.waitForBytes(int(frames.size())).toHex(' '), frames.toHex(' '));

    const QByteArray replies = QByteArray("\xFB\xFF\xFF\xFF\x00\xFF", 6) + everyByteTwice();
    QVERIFY(peer.send(replies));
    QByteArray in;
    QVERIFY(QTest::qWaitFor(
        [&] {
            in += port.input();
            return in.size() >= replies.size();
        },
        3000));
    QTest::qWait(50);
    in += port.input();
    QCOMPARE(in.toHex(' '), replies.toHex(' '));
    port.close();
    QCOMPARE(port.state(), State::Closed);
}

void TestNetworkPort::speedChangeReachesTheLine_data()
{
    QTest::addColumn<bool>("whileConnecting");
    QTest::newRow("while open") << false;
    QTest::newRow("while connecting") << true;
}

void TestNetworkPort::speedChangeReachesTheLine()
{
    if (!Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    QFETCH(bool, whileConnecting);
    PtyPeer peer;
    Ser2NetServer server(peer.slavePath());
    QVERIFY(server.start());
    seriallink::SerialPortService port;
    useDevice(port, server.rfc2217Url());
    if (whileConnecting) {
        QVERIFY(port.open());
        QVERIFY(port.setSettings(QStringLiteral("19200,n,8,1")));
        QTRY_COMPARE(port.state(), State::Open);
    } else {
        QVERIFY(openAndWait(port));
        QCOMPARE(int(lineSpeed(peer)), int(B9600));
        QVERIFY(port.setSettings(QStringLiteral("19200,n,8,1")));
    }
    QTRY_COMPARE(int(lineSpeed(peer)), int(B19200));
    QTest::qWait(100); // the answer to the change, if any, has come back
    QCOMPARE(port.state(), State::Open);
}

void TestNetworkPort::closeHandsOnWhatWasQueued()
{
    if (!Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    PtyPeer peer;
    Ser2NetServer server(peer.slavePath());
    QVERIFY(server.start());
    seriallink::SerialPortService port;
    useDevice(port, server.rfc2217Url());
    QVERIFY(openAndWait(port));
    QByteArray lots;
    for (int i = 0; i < 4000; ++i)
        lots.append(char(i % 251));
    QVERIFY(port.output(lots));
    port.close();
    QVERIFY(!port.output(QByteArray("A")));
    QCOMPARE(peer.waitForBytes(int(lots.size()), 5000).size(), lots.size());
}

void TestNetworkPort::failuresSayWhy_data()
{
    using Kind = UnhelpfulTelnetServer::Kind;
    QTest::addColumn<QString>("server");
    QTest::addColumn<int>("kind");       // "unhelpful": which
    QTest::addColumn<QString>("reason"); // <where>: HOST:PORT
    QTest::addColumn<int>("atLeastMs");
    QTest::newRow("nothing listens") << "refused" << 0 << "connection refused by <where>" << 0;
    QTest::newRow("unknown host") << "unknown" << 0 << "no such host vantel-nowhere.invalid" << 0;
    // No route to a multicast address: connect() fails inside connectToHost().
    QTest::newRow("no route, at once") << "multicast" << 0 << "network unreachable" << -1;
    QTest::newRow("plain telnet refuses COM-PORT-OPTION")
        << "unhelpful" << int(Kind::RefusesOptions)
        << "the server does not let the line speed be set" << 0;
    QTest::newRow("WONT COM-PORT-OPTION") << "unhelpful" << int(Kind::WontComPort)
                                          << "the server does not let the line speed be set" << 0;
    QTest::newRow("answers another speed") << "unhelpful" << int(Kind::WrongSpeed)
                                           << "the server does not let the line speed be set" << 0;
    QTest::newRow("answers another parity")
        << "unhelpful" << int(Kind::EvenParity) << "the server set parity to even" << 0;
    QTest::newRow("refuses 8-bit data")
        << "unhelpful" << int(Kind::RefusesBinary) << "the server does not pass 8-bit data" << 0;
    QTest::newRow("ser2net's port already in use")
        << "busy" << 0 << "the server closed the connection: Port already in use" << 0;
    // A raw port, or anything that never speaks Telnet: it is sent nothing.
    QTest::newRow("listens but never answers")
        << "silent" << 0
        << "no answer from <where> within 5 s (not an RFC 2217 server? try socket://)" << 4900;
}

void TestNetworkPort::failuresSayWhy()
{
    QFETCH(QString, server);
    QFETCH(int, kind);
    QFETCH(QString, reason);
    QFETCH(int, atLeastMs);
    QTcpServer silent;
    QTcpSocket holder;
    std::unique_ptr<UnhelpfulTelnetServer> unhelpful;
    std::unique_ptr<PtyPeer> peer;
    std::unique_ptr<Ser2NetServer> ser2net;
    QString where = QStringLiteral("127.0.0.1:%1");
    if (server == QLatin1String("refused")) {
        where = where.arg(Ser2NetServer::freePort());
    } else if (server == QLatin1String("unknown")) {
        where = QStringLiteral("vantel-nowhere.invalid:3001");
    } else if (server == QLatin1String("multicast")) {
        where = QStringLiteral("224.0.0.1:3001");
    } else if (server == QLatin1String("silent")) {
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        where = where.arg(silent.serverPort());
    } else if (server == QLatin1String("busy")) {
        if (!Ser2NetServer::installed())
            QSKIP("ser2net is not installed");
        peer = std::make_unique<PtyPeer>();
        ser2net = std::make_unique<Ser2NetServer>(peer->slavePath());
        QVERIFY(ser2net->start());
        where = ser2net->rfc2217Url().mid(10);
        // Another client has the port: ser2net opens the device for it.
        holder.connectToHost(QHostAddress::LocalHost, where.section(u':', 1).toUShort());
        QVERIFY(holder.waitForReadyRead(5000));
    } else {
        unhelpful = std::make_unique<UnhelpfulTelnetServer>(UnhelpfulTelnetServer::Kind(kind));
        where = where.arg(unhelpful->port());
    }
    reason.replace(QStringLiteral("<where>"), where);

    seriallink::SerialPortService port;
    useDevice(port, QStringLiteral("rfc2217://") + where);
    QVERIFY(port.setSettings(QStringLiteral("19200,n,8,1")));
    QSignalSpy failed(&port, &seriallink::SerialPortService::openFailed);
    QElapsedTimer clock;
    clock.start();
    if (atLeastMs < 0) {
        QVERIFY(!port.open());
        QCOMPARE(port.state(), State::Closed);
        QCOMPARE(port.lastOpenProblem().summary(), reason);
        return;
    }
    QVERIFY(port.open());
    QVERIFY2(clock.elapsed() < 100, "open() waited for the network");
    QCOMPARE(port.state(), State::Connecting);
    QVERIFY(!port.output(QByteArray("A")));
    QVERIFY(failed.wait(7000));
    QVERIFY(clock.elapsed() >= atLeastMs);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(port.state(), State::Closed);
    QCOMPARE(port.lastOpenProblem().summary(), reason);
    if (server == QLatin1String("silent")) {
        QTcpSocket *client = silent.nextPendingConnection();
        QVERIFY(client);
        QCOMPARE(client->readAll(), QByteArray());
    }
}

// What a server may ask of an open line: who we are, that its own COM-PORT-OPTION is not
// wanted, and that we hold what we send until it says so.
void TestNetworkPort::serverAsksAndIsObeyed()
{
    UnhelpfulTelnetServer server(UnhelpfulTelnetServer::Kind::Demanding);
    seriallink::SerialPortService port;
    useDevice(port, QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port()));
    QVERIFY2(openAndWait(port), qPrintable(port.lastOpenProblem().summary()));
    QVERIFY(server.received().contains(QByteArray("\xFF\xFE\x2C", 3))); // DONT COM-PORT
    QVERIFY(server.received().contains(QByteArray("\xFF\xFA\x2C\x00VantelApp\xFF\xF0", 15)));

    // FLOWCONTROL-SUSPEND, then a byte of the module's to show it was read.
    server.send(QByteArray("\xFF\xFA\x2C\x6C\xFF\xF0\xFA", 7));
    QByteArray read;
    QTRY_VERIFY((read += port.input()).endsWith('\xFA'));
    const qsizetype before = server.received().size();
    QVERIFY(port.output(QByteArray("AB")));
    // A round trip later they would long be there, were they not held.
    server.send(QByteArray("\xFB"));
    QTRY_VERIFY((read += port.input()).endsWith('\xFB'));
    QCOMPARE(server.received().size(), before);
    QCOMPARE(port.bytesUnsent(), 2);
    server.send(QByteArray("\xFF\xFA\x2C\x6D\xFF\xF0", 6)); // FLOWCONTROL-RESUME
    QTRY_COMPARE(server.received().mid(before), QByteArray("AB"));
}

QTEST_MAIN(TestNetworkPort)
#include "tst_networkport.moc"
