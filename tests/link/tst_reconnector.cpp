// The reconnector brings a lost line back by itself: a device path whose device is not
// there at first, then goes away and comes back (a link re-pointed to a new pseudo-terminal,
// as udev re-points a by-id link when an adapter is plugged in again), and a network port
// whose server goes away and listens again, where every attempt in between is refused. Each
// is told once, nothing is re-sent, the line carries bytes again at the end, and a close()
// ends the trying.

#include <QFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include "link/reconnector.h"
#include "link/serialportservice.h"
#include "ptypeer.h"
#include "testfiles.h"

namespace
{

using State = seriallink::SerialPortService::State;
constexpr int kEventTimeoutMs = 10000;

void useDevice(seriallink::SerialPortService &port, const QString &device)
{
    port.setDeviceResolver([device](int) { return device; });
    port.setCommPort(1);
}

using testfiles::pointLink;

} // namespace

class TestReconnector : public QObject
{
    Q_OBJECT
private slots:
    void deviceComesBackOnTheSamePath();
    void networkPortComesBackAfterRefusals();
};

void TestReconnector::deviceComesBackOnTheSamePath()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("module"));
    seriallink::SerialPortService port;
    useDevice(port, link);
    seriallink::Reconnector reconnector(port);
    QSignalSpy lost(&reconnector, &seriallink::Reconnector::lineLost);
    QSignalSpy back(&reconnector, &seriallink::Reconnector::lineBack);

    // Not there at the start: tried as after a loss.
    QVERIFY(!port.open());
    reconnector.keepTrying(port.lastOpenProblem().advice());
    QCOMPARE(lost.size(), 1);
    auto first = std::make_unique<PtyPeer>();
    QVERIFY(first->isValid() && pointLink(link, first->slavePath()));
    QVERIFY(back.wait(kEventTimeoutMs));
    QCOMPARE(port.state(), State::Open);
    lost.clear();
    back.clear();

    first->hangUp();
    QVERIFY(lost.wait(kEventTimeoutMs));
    QVERIFY(!lost.first().first().toString().isEmpty());
    QVERIFY(reconnector.reconnecting());

    PtyPeer second;
    QVERIFY(pointLink(link, second.slavePath()));
    QVERIFY(back.wait(kEventTimeoutMs));
    QCOMPARE(port.state(), State::Open);
    QVERIFY(!reconnector.reconnecting());
    QCOMPARE(lost.size(), 1);
    QCOMPARE(back.size(), 1);
    QCOMPARE(second.takeReceived(), QByteArray());
    QVERIFY(port.output(QByteArray("\xFE\x06", 2)));
    QCOMPARE(second.waitForBytes(2), QByteArray("\xFE\x06", 2));

    // A deliberate close while it waits ends the reconnection.
    second.hangUp();
    QVERIFY(lost.wait(kEventTimeoutMs));
    port.close();
    QVERIFY(!reconnector.reconnecting());
}

void TestReconnector::networkPortComesBackAfterRefusals()
{
    auto server = std::make_unique<QTcpServer>();
    QVERIFY(server->listen(QHostAddress::LocalHost));
    const quint16 tcpPort = server->serverPort();
    seriallink::SerialPortService port;
    useDevice(port, QStringLiteral("socket://127.0.0.1:%1").arg(tcpPort));
    QVERIFY(port.open());
    QVERIFY(server->waitForNewConnection(kEventTimeoutMs));
    QTRY_COMPARE_WITH_TIMEOUT(port.state(), State::Open, kEventTimeoutMs);
    seriallink::Reconnector reconnector(port);
    QSignalSpy lost(&reconnector, &seriallink::Reconnector::lineLost);
    QSignalSpy back(&reconnector, &seriallink::Reconnector::lineBack);
    QSignalSpy refused(&port, &seriallink::SerialPortService::openFailed);

    server.reset(); // the accepted socket goes with it
    QVERIFY(lost.wait(kEventTimeoutMs));
    // Two refusals: the attempt after a refused one is made too.
    QTRY_VERIFY_WITH_TIMEOUT(refused.size() >= 2, kEventTimeoutMs);
    QVERIFY(reconnector.reconnecting());

    QTcpServer again;
    QVERIFY(again.listen(QHostAddress::LocalHost, tcpPort));
    QVERIFY(back.wait(kEventTimeoutMs));
    QCOMPARE(lost.size(), 1);
    QCOMPARE(back.size(), 1);
    QVERIFY(again.hasPendingConnections() || again.waitForNewConnection(kEventTimeoutMs));
    QTcpSocket *module = again.nextPendingConnection();
    QVERIFY(port.output(QByteArray("back")));
    QTRY_COMPARE_WITH_TIMEOUT(module->bytesAvailable(), qint64{4}, kEventTimeoutMs);
    QCOMPARE(module->readAll(), QByteArray("back"));
}

QTEST_GUILESS_MAIN(TestReconnector)
#include "tst_reconnector.moc"
