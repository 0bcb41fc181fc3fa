// The window on a module behind Debian's ser2net, named rfc2217://127.0.0.1:PORT as COM3:
// the line runs at the speed picked, frames with FF and the typed ÿ arrive exact, replies
// with FF are decoded exactly, a server that dies is one lost-device box and a later
// Connect works, and a server that cannot be used says why beside Connect while the
// window stays usable.

#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTcpServer>
#include <QTest>

#include <sys/resource.h>
#include <termios.h>

#include <memory>

#include "app/frmmain.h"
#include "framecheck.h"
#include "io/inputsoutputspage.h"
#include "ser2netserver.h"
#include "windowfixture.h"

using namespace framecheck;

namespace
{

double cpuMs()
{
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 +
           (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
}

} // namespace

class NetworkWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void lineRunsAtThePickedSpeed();
    void framesArriveExact_data();
    void framesArriveExact();
    void typedYDiaeresisIsOneFF();
    void repliesWithFFAreDecoded_data();
    void repliesWithFFAreDecoded();
    void serverDiesThenConnectWorksAgain();
    void unusableServerSaysWhy();
    void disconnectEndsAnAttempt();

private:
    // Clicks Connect and waits for the network port to open.
    bool connectAndWait();

    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<Ser2NetServer> m_server;
};

void NetworkWindowTest::initTestCase()
{
    if (!Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    m_f = std::make_unique<WindowFixture>();
    m_server = std::make_unique<Ser2NetServer>(m_f->peer().slavePath());
    QVERIFY(m_server->start());
    qputenv("VANTEL_COM3", m_server->rfc2217Url().toLatin1());
    QVERIFY(connectAndWait());
}

void NetworkWindowTest::cleanupTestCase()
{
    m_f.reset();
    m_server.reset();
    qunsetenv("VANTEL_COM3");
}

bool NetworkWindowTest::connectAndWait()
{
    m_f->connect(true);
    return QTest::qWaitFor([this] { return m_f->window().isConnected(); }, 7000);
}

void NetworkWindowTest::lineRunsAtThePickedSpeed()
{
    termios settings{};
    QVERIFY(m_f->peer().lineSettings(settings));
    QCOMPARE(int(cfgetospeed(&settings)), int(B19200));
    QCOMPARE(m_f->find<QLabel>(QStringLiteral("lblDevice"))->toolTip().split(u'\n').first(),
             m_server->rfc2217Url());
}

void NetworkWindowTest::framesArriveExact_data()
{
    frameColumns();
    QTest::newRow("GPIO mode") << "cmdgpmode"
                               << "cbogpio=0" << 1 << hex("FE30FF");
    QTest::newRow("keypad mode") << "cmdgpmode"
                                 << "cbogpio=1" << 1 << hex("FE30FE");
    QTest::newRow("every pin OUT")
        << "cmdCfgIO"
        << "cbogpio=0 cboio(1)=1 cboio(2)=1 cboio(4)=1 cboio(8)=1 cboio(16)=1 cboio(32)=1 "
           "cboio(64)=1 cboio(128)=1"
        << 2 << hex("FE31FF");
    QTest::newRow("Read Analog 1") << "cmdReadAn(0)"
                                   << "" << 2 << hex("FE0B");
}

void NetworkWindowTest::framesArriveExact()
{
    clickSendsRow(*m_f);
}

void NetworkWindowTest::typedYDiaeresisIsOneFF()
{
    QWidget *box = m_f->findWidget(QStringLiteral("txtASCIIInput"));
    QVERIFY(box);
    m_f->showPageOf(box);
    for (const QString &c :
         {QStringLiteral("\u00ff"), QStringLiteral("A"), QStringLiteral("\u00ff")}) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, c);
        QApplication::sendEvent(box, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, c);
        QApplication::sendEvent(box, &release);
    }
    QCOMPARE(m_f->received(3).toHex(' '), QByteArray("ff 41 ff"));
    QCOMPARE(m_f->received(1, 300), QByteArray());
}

void NetworkWindowTest::repliesWithFFAreDecoded_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("analog2"); // what the second analog reading shows after it
    QTest::newRow("analog 2 at full scale") << hex("FBFFFF") << "65535";
    QTest::newRow("status FF, every pin high") << hex("FF00FF") << "65535";
    QTest::newRow("status FC") << hex("FCFF00") << "65535";
    QTest::newRow("analog 2 at 65280") << hex("FBFF00") << "65280";
}

void NetworkWindowTest::repliesWithFFAreDecoded()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, analog2);
    QVERIFY(m_f->peer().send(reply));
    QTRY_COMPARE(m_f->find<QLineEdit>(QStringLiteral("lblRxData"))->text(), caption(reply));
    QCOMPARE(m_f->find<QLabel>(QStringLiteral("lblAnVal(1)"))->text(), analog2);
}

void NetworkWindowTest::serverDiesThenConnectWorksAgain()
{
    ModalAnswerer answerer;
    m_server->kill();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 5000);
    QCOMPARE(answerer.seen().first().objectName, QStringLiteral("DeviceLostBox"));
    QCOMPARE(m_f->find<QPushButton>(QStringLiteral("cmdConnect"))->text(),
             QStringLiteral("Connect"));
    QVERIFY(!featureTabs(m_f->window())->isEnabled());

    const double before = cpuMs();
    QTest::qWait(1000);
    QVERIFY2(cpuMs() - before < 300, "the event loop keeps spinning after the loss");
    QCOMPARE(answerer.seen().size(), 1);

    QVERIFY(m_server->start());
    QVERIFY(connectAndWait());
    clickSends(*m_f, QStringLiteral("cbogpio=0"), QStringLiteral("cmdgpmode"), 1, hex("FE30FF"));
    m_f->click(QStringLiteral("cmdConnect"));
    QVERIFY(!m_f->window().isConnected());
}

void NetworkWindowTest::unusableServerSaysWhy()
{
    // Each reason in words: tests/link/tst_networkport. Here, where the window shows it.
    UnhelpfulTelnetServer telnet(UnhelpfulTelnetServer::Kind::RefusesOptions);
    const quint16 port = telnet.port();
    qputenv("VANTEL_COM3", QStringLiteral("rfc2217://127.0.0.1:%1").arg(port).toLatin1());
    ModalAnswerer answerer;
    m_f->click(QStringLiteral("cmdConnect"));
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 7000);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Com Error!"));
    QCOMPARE(m_f->find<QLabel>(QStringLiteral("lblDevice"))->text(),
             QStringLiteral("COM3: the server does not let the line speed be set"));
    QCOMPARE(m_f->find<QPushButton>(QStringLiteral("cmdConnect"))->text(),
             QStringLiteral("Connect"));
    QVERIFY(m_f->find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());
    QVERIFY(!featureTabs(m_f->window())->isEnabled());
}

void NetworkWindowTest::disconnectEndsAnAttempt()
{
    QTcpServer silent;
    QVERIFY(silent.listen(QHostAddress::LocalHost, 0));
    qputenv("VANTEL_COM3",
            QStringLiteral("rfc2217://127.0.0.1:%1").arg(silent.serverPort()).toLatin1());
    ModalAnswerer answerer;
    m_f->click(QStringLiteral("cmdConnect"));
    // Trying: the window answers at once, the button ends the attempt, nothing else opens.
    QCOMPARE(m_f->find<QPushButton>(QStringLiteral("cmdConnect"))->text(),
             QStringLiteral("Disconnect"));
    QVERIFY(!m_f->find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());
    QVERIFY(!featureTabs(m_f->window())->isEnabled());
    QVERIFY(silent.waitForNewConnection(3000));
    m_f->click(QStringLiteral("cmdConnect"));
    QCOMPARE(m_f->find<QPushButton>(QStringLiteral("cmdConnect"))->text(),
             QStringLiteral("Connect"));
    QVERIFY(m_f->find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());
    QCOMPARE(m_f->window().port().state(), seriallink::SerialPortService::State::Closed);
    QTest::qWait(300);
    QCOMPARE(answerer.seen().size(), 0);
}

QTEST_MAIN(NetworkWindowTest)
#include "tst_networkwindow.moc"
