// The window reconnects by itself once the user asks it to: a device path whose device goes
// away and comes back (the link re-pointed to a new pseudo-terminal, as udev re-points a
// by-id link), and Debian's ser2net killed and started again under an rfc2217:// port. Each
// loss is one box; the window then waits as it does while Connecting, the pages locked; the
// line comes back at the speed it had, with nothing sent again, and the line log says so.
// Disconnect stops the wait. The choice is kept beside the port map, and read at start-up.

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <termios.h>

#include <memory>

#include "framecheck.h"
#include "ser2netserver.h"
#include "testfiles.h"
#include "windowfixture.h"

using namespace framecheck;

namespace
{

constexpr int kBackTimeoutMs = 15000;

QAction *reconnectAction(WindowFixture &f)
{
    auto *label = f.find<QLabel>(QStringLiteral("lblDevice"));
    auto *action = label->findChild<QAction *>(QStringLiteral("reconnectAction"));
    return action && label->actions().contains(action) ? action : nullptr;
}

QString deviceLabel(WindowFixture &f)
{
    return f.find<QLabel>(QStringLiteral("lblDevice"))->text();
}

// The label may leave out the middle of a long path; its tooltip has it whole.
bool deviceLabelSays(WindowFixture &f, const QString &prefix, const QString &device)
{
    const auto *label = f.find<QLabel>(QStringLiteral("lblDevice"));
    return label->text().startsWith(prefix) && label->toolTip().contains(device);
}

QString connectCaption(WindowFixture &f)
{
    return f.find<QPushButton>(QStringLiteral("cmdConnect"))->text();
}

QStringList notes(frmMain &window)
{
    QStringList found;
    const record::LineLog &log = window.lineLog().log();
    for (int i = 0; i < log.count(record::LineLogFilter::Both); ++i) {
        const record::LineLogEntry &entry = log.at(record::LineLogFilter::Both, i);
        if (entry.kind == record::LineLogEntry::Kind::Note)
            found << QString::fromUtf8(entry.bytes);
    }
    return found;
}

// Waiting shows as Connecting does: Disconnect, the port frame and the pages locked.
void verifyWaiting(WindowFixture &f, const QString &device)
{
    QTRY_VERIFY2(deviceLabelSays(f, QStringLiteral("waiting for "), device),
                 qPrintable(deviceLabel(f)));
    QCOMPARE(connectCaption(f), QStringLiteral("Disconnect"));
    QVERIFY(!f.find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());
    QVERIFY(!featureTabs(f.window())->isEnabled());
}

int lineSpeed(PtyPeer &peer)
{
    termios settings{};
    return peer.lineSettings(settings) ? int(cfgetospeed(&settings)) : -1;
}

} // namespace

class ReconnectTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void deviceComesBackOnItsPath();
    void networkServerComesBack();

private:
    std::unique_ptr<QTemporaryDir> m_config;
};

void ReconnectTest::init()
{
    m_config = std::make_unique<QTemporaryDir>();
    QVERIFY(m_config->isValid());
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config->path()));
}

void ReconnectTest::deviceComesBackOnItsPath()
{
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("module"));
    auto first = std::make_unique<PtyPeer>();
    QVERIFY(testfiles::pointLink(link, first->slavePath()));
    {
        WindowFixture f(QByteArray(), 3, link);
        QAction *reconnect = reconnectAction(f);
        QVERIFY(reconnect && reconnect->isCheckable());
        QVERIFY2(!reconnect->isChecked(), "reconnecting unasked");
        reconnect->trigger();
        QVERIFY(testfiles::read(m_config->filePath(QStringLiteral("vantelapp/window.conf")))
                    .contains("Reconnect=1"));
        QVERIFY(!f.iniContent().contains("Reconnect"));
        QVERIFY(f.connect(true));

        ModalAnswerer answerer;
        first->hangUp();
        verifyWaiting(f, link);
        QTRY_COMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().objectName, QStringLiteral("DeviceLostBox"));

        PtyPeer second;
        QVERIFY(testfiles::pointLink(link, second.slavePath()));
        QTRY_VERIFY_WITH_TIMEOUT(f.window().isConnected(), kBackTimeoutMs);
        QVERIFY(featureTabs(f.window())->isEnabled());
        QVERIFY2(deviceLabelSays(f, QStringLiteral("COM3 = "), link), qPrintable(deviceLabel(f)));
        QCOMPARE(lineSpeed(second), int(B19200));
        // The first bytes to arrive are the next click's: nothing was sent again.
        f.click(QStringLiteral("cmdgpmode"));
        QCOMPARE(second.waitForBytes(3), hex("FE30FF"));
        const QStringList said = notes(f.window());
        QCOMPARE(said.size(), 3);
        QCOMPARE(said.at(0), QStringLiteral("connected to COM3 at 19200 bit/s"));
        QVERIFY2(said.at(1).startsWith(QLatin1String("line lost: ")) && said.at(1).size() > 11,
                 qPrintable(said.at(1)));
        QCOMPARE(said.at(2), QStringLiteral("line back"));
        QCOMPARE(answerer.seen().size(), 1);

        // Disconnect while waiting stops the wait and leaves the window disconnected.
        second.hangUp();
        verifyWaiting(f, link);
        f.click(QStringLiteral("cmdConnect"));
        QCOMPARE(connectCaption(f), QStringLiteral("Connect"));
        QVERIFY(f.find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());
        QCOMPARE(f.window().port().state(), seriallink::SerialPortService::State::Closed);
        QVERIFY(!f.window().isWaitingForDevice());
    }
    WindowFixture again(QByteArray(), 3, link);
    QVERIFY(reconnectAction(again)->isChecked());
}

void ReconnectTest::networkServerComesBack()
{
    if (!Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    WindowFixture f;
    Ser2NetServer server(f.peer().slavePath());
    QVERIFY(server.start());
    qputenv("VANTEL_COM3", server.rfc2217Url().toLatin1());
    reconnectAction(f)->trigger();
    f.connect(true);
    QTRY_VERIFY_WITH_TIMEOUT(f.window().isConnected(), kBackTimeoutMs);

    ModalAnswerer answerer;
    server.kill();
    verifyWaiting(f, server.rfc2217Url());
    QVERIFY(server.start());
    QTRY_VERIFY_WITH_TIMEOUT(f.window().isConnected(), kBackTimeoutMs);
    // The refused attempts in between said nothing: the one box is the loss's.
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().objectName, QStringLiteral("DeviceLostBox"));
    QCOMPARE(lineSpeed(f.peer()), int(B19200));
    clickSends(f, QStringLiteral("cbogpio=1"), QStringLiteral("cmdgpmode"), 1, hex("FE30FE"));
}

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
