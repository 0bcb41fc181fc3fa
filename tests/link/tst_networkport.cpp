// The port service on network ports: Debian's ser2net in front of a pseudo-terminal the
// test plays the module on, and servers of the test's own that fail in the ways a user
// must be told about. Bytes must pass exactly both ways (FF included), the line must run at
// the speed asked for, and every failure to connect must end, in words, without hanging.
// (A server that dies, and an attempt ended by the user: tests/app/tst_networkwindow.)

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
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
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("reason"); // <where>: HOST:PORT
    QTest::addColumn<int>("atLeastMs");
    QTest::newRow("nothing listens") << "refused"
                                     << "connection refused by <where>" << 0;
    QTest::newRow("unknown host") << "unknown"
                                  << "no such host vantel-nowhere.invalid" << 0;
    QTest::newRow("plain telnet refuses COM-PORT-OPTION")
        << "refuses"
        << "the server does not let the line speed be set" << 0;
    QTest::newRow("answers another speed") << "wrongspeed"
                                           << "the server does not let the line speed be set" << 0;
    QTest::newRow("listens but never answers") << "silent"
                                               << "no answer from <where> within 5 s" << 4900;
}

void TestNetworkPort::failuresSayWhy()
{
    QFETCH(QString, server);
    QFETCH(QString, reason);
    QFETCH(int, atLeastMs);
    QTcpServer silent;
    std::unique_ptr<UnhelpfulTelnetServer> unhelpful;
    QString where = QStringLiteral("127.0.0.1:%1");
    if (server == QLatin1String("refused")) {
        where = where.arg(Ser2NetServer::freePort());
    } else if (server == QLatin1String("unknown")) {
        where = QStringLiteral("vantel-nowhere.invalid:3001");
    } else if (server == QLatin1String("silent")) {
        QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
        where = where.arg(silent.serverPort());
    } else {
        unhelpful = std::make_unique<UnhelpfulTelnetServer>(
            server == QLatin1String("refuses") ? UnhelpfulTelnetServer::Kind::RefusesOptions
                                               : UnhelpfulTelnetServer::Kind::WrongSpeed);
        where = where.arg(unhelpful->port());
    }
    reason.replace(QStringLiteral("<where>"), where);

    seriallink::SerialPortService port;
    useDevice(port, QStringLiteral("rfc2217://") + where);
    QVERIFY(port.setSettings(QStringLiteral("19200,n,8,1")));
    QSignalSpy failed(&port, &seriallink::SerialPortService::openFailed);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(port.open());
    QVERIFY2(clock.elapsed() < 100, "open() waited for the network");
    QCOMPARE(port.state(), State::Connecting);
    QVERIFY(!port.output(QByteArray("A")));
    QVERIFY(failed.wait(7000));
    QVERIFY(clock.elapsed() >= atLeastMs);
    QCOMPARE(failed.size(), 1);
    QCOMPARE(port.state(), State::Closed);
    QCOMPARE(port.lastOpenProblem().summary(), reason);
}

QTEST_MAIN(TestNetworkPort)
#include "tst_networkport.moc"
