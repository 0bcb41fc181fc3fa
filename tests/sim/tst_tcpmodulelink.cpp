// The virtual module served over raw TCP: what --listen accepts, and a client that speaks
// to the model through it while a second one is turned away.
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>

#include "ptyport.h"
#include "simulator.h"
#include "tcpmodulelink.h"

using simtool::ListenAddress;

class TestTcpModuleLink : public QObject
{
    Q_OBJECT

private slots:
    void listenAddress_data();
    void listenAddress();
    void oneClientAtATimeSpeaksToTheModel();
};

void TestTcpModuleLink::listenAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");

    QTest::newRow("IPv4") << "127.0.0.1:4001" << true << "127.0.0.1" << 4001;
    QTest::newRow("bracketed IPv6") << "[::1]:0" << true << "::1" << 0;
    QTest::newRow("host name") << "lab-pi:65535" << true << "lab-pi" << 65535;
    QTest::newRow("every address, star") << "*:5" << true << "" << 5;
    QTest::newRow("every address, nothing") << ":5" << true << "" << 5;
    QTest::newRow("no port") << "4001" << false << "" << 0;
    QTest::newRow("IPv6 without brackets") << "::1:4001" << false << "" << 0;
    QTest::newRow("port too large") << "localhost:65536" << false << "" << 0;
    QTest::newRow("port not a number") << "localhost:telnet" << false << "" << 0;
    QTest::newRow("port empty") << "localhost:" << false << "" << 0;
}

void TestTcpModuleLink::listenAddress()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QString, host);
    QFETCH(int, port);
    QString error;
    const std::optional<ListenAddress> parsed = simtool::parseListenAddress(text, &error);
    QCOMPARE(parsed.has_value(), valid);
    QCOMPARE(error.isEmpty(), valid);
    if (parsed) {
        QCOMPARE(parsed->host, host);
        QCOMPARE(int(parsed->port), port);
    }
}

void TestTcpModuleLink::oneClientAtATimeSpeaksToTheModel()
{
    simtool::PtyPort pty;
    QVERIFY2(pty.open(QString()), qPrintable(pty.errorString()));
    simtool::Simulator simulator(&pty);
    simulator.presetAnalog(0, 0xFFFF);
    simtool::TcpModuleLink link;
    QVERIFY2(link.open(QStringLiteral("127.0.0.1:0"), pty.slavePath()),
             qPrintable(link.errorString()));
    QCOMPARE(link.address(), QStringLiteral("127.0.0.1:%1").arg(link.port()));
    QStringList log;
    connect(&link, &simtool::TcpModuleLink::logged, this,
            [&log](const QString &line) { log << line; });

    QTcpSocket first;
    first.connectToHost(QHostAddress::LocalHost, link.port());
    QVERIFY(first.waitForConnected(3000));
    QTRY_VERIFY(link.hasClient());

    // Frames cut anywhere, 0xFF both ways as it stands: P2 as keypad, back to general
    // purpose (FE 30 FF), then analog input 1 at 65535.
    QByteArray replies;
    connect(&first, &QTcpSocket::readyRead, this, [&] { replies += first.readAll(); });
    first.write(QByteArray::fromHex("FE30FEFE"));
    QTRY_COMPARE(simulator.model().settings().p2Mode, proto::P2Mode::Keypad);
    first.write(QByteArray::fromHex("30FFFE0B"));
    QTRY_VERIFY(replies.endsWith(QByteArray::fromHex("FAFFFF")));
    QCOMPARE(simulator.model().settings().p2Mode, proto::P2Mode::Gpio);

    // A second client is turned away while the first is on, and the first goes on.
    QTcpSocket second;
    QSignalSpy secondGone(&second, &QTcpSocket::disconnected);
    second.connectToHost(QHostAddress::LocalHost, link.port());
    QVERIFY(secondGone.wait(3000));
    QVERIFY(log.last().contains(QStringLiteral("refused")));
    replies.clear();
    first.write(QByteArray::fromHex("FE0C"));
    QTRY_COMPARE(replies, QByteArray::fromHex("FB0000"));

    // Once the first has gone, the next is served.
    first.disconnectFromHost();
    QTRY_VERIFY(!link.hasClient());
    QTcpSocket third;
    third.connectToHost(QHostAddress::LocalHost, link.port());
    QVERIFY(third.waitForConnected(3000));
    QTRY_VERIFY(link.hasClient());
    QByteArray thirdReplies;
    connect(&third, &QTcpSocket::readyRead, this, [&] { thirdReplies += third.readAll(); });
    third.write(QByteArray::fromHex("FE0B"));
    QTRY_COMPARE(thirdReplies, QByteArray::fromHex("FAFFFF"));
}

QTEST_GUILESS_MAIN(TestTcpModuleLink)
#include "tst_tcpmodulelink.moc"
