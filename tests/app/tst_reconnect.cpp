// The window reconnects by itself: a device path's link re-pointed to a new pseudo-terminal,
// ser2net restarted under rfc2217://. One box, the pages locked, nothing sent again.

#include <QAction>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include "framecheck.h"
#include "ser2netserver.h"
#include "testfiles.h"
#include "windowfixture.h"

class ReconnectTest : public QObject
{
    Q_OBJECT
private slots:
    void lineComesBack_data();
    void lineComesBack();
};

void ReconnectTest::lineComesBack_data()
{
    QTest::addColumn<bool>("network");
    QTest::newRow("a device path") << false;
    QTest::newRow("ser2net restarted") << true;
}

void ReconnectTest::lineComesBack()
{
    QFETCH(bool, network);
    if (network && !Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    constexpr int kTimeoutMs = 15000;
    QTemporaryDir dir; // the configuration folder and the link
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.path()));
    const QString link = dir.filePath(QStringLiteral("module"));
    PtyPeer first, second; // the module; for a device path, before and after
    QVERIFY(testfiles::pointLink(link, first.slavePath()));
    WindowFixture f(QByteArray(), 3, link);
    Ser2NetServer server(link);
    if (network) {
        QVERIFY(server.start());
        qputenv("VANTEL_COM3", server.rfc2217Url().toLatin1());
    }
    const auto lose = [&](PtyPeer &module) { network ? server.kill() : module.hangUp(); };
    auto *label = f.find<QLabel>(QStringLiteral("lblDevice"));
    auto *button = f.find<QPushButton>(QStringLiteral("cmdConnect"));
    auto *option = label->findChild<QAction *>(QStringLiteral("reconnectAction"));
    QVERIFY(option && label->actions().contains(option) && !option->isChecked());
    option->trigger();
    QVERIFY(testfiles::read(dir.filePath(QStringLiteral("vantelapp/window.conf")))
                .contains("Reconnect=1"));
    f.connect(true);
    QTRY_VERIFY_WITH_TIMEOUT(f.window().isConnected(), kTimeoutMs);

    ModalAnswerer answerer;
    QSignalSpy refused(&f.window().port(), &seriallink::SerialPortService::openFailed);
    lose(first);
    QTRY_VERIFY(label->text().startsWith("waiting for ") &&
                label->toolTip().contains(network ? server.rfc2217Url() : link));
    QCOMPARE(button->text(), QStringLiteral("Disconnect"));
    QVERIFY(!featureTabs(f.window())->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(!network || !refused.isEmpty(), kTimeoutMs); // tried, in vain
    QVERIFY(network ? server.start() : testfiles::pointLink(link, second.slavePath()));
    QTRY_VERIFY_WITH_TIMEOUT(featureTabs(f.window())->isEnabled(), kTimeoutMs);
    // The loss's box alone: the refused attempts in between said nothing.
    QVERIFY(answerer.seen().size() == 1 && answerer.seen()[0].objectName == "DeviceLostBox");
    PtyPeer &module = network ? first : second;
    // The first bytes to arrive are the next click's: nothing was sent again.
    f.click(QStringLiteral("cmdgpmode"));
    QCOMPARE(module.waitForBytes(3), framecheck::hex("FE30FF"));
    const record::LineLog &log = f.window().lineLog().log(); // Connect's note first
    QVERIFY(log.at(record::LineLogFilter::Both, 1).bytes.startsWith("line lost: "));
    QCOMPARE(log.at(record::LineLogFilter::Both, 2).bytes, QByteArray("line back"));

    lose(module);
    QTRY_VERIFY(label->text().startsWith("waiting for "));
    f.click(QStringLiteral("cmdConnect"));
    QVERIFY(button->text() == "Connect" && !f.window().port().isOpen());
}

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
