// The "LCD Settings" page against a pseudo-terminal playing the module: the module's line
// speed, the paced upload of the twenty messages, the save to flash with its confirmation
// and acknowledgement, and what happens when the link or the window goes away in the
// middle of a paced sequence.
//
// A paced command runs inside the click, so whatever the test does during it (typing,
// clicking, answering the module, pulling the plug) is hooked on the bytes arriving at the
// peer: WireLog polls the peer every few milliseconds, stamps each byte with its arrival
// time and runs the actions registered for a byte count.
#include "app/frmmain.h"
#include "config/lcdsettingspage.h"
#include "settings/settingsfile.h"
#include "windowfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <termios.h>

namespace
{

class WireLog
{
public:
    explicit WireLog(PtyPeer &peer) : m_peer(peer)
    {
        m_clock.start();
        m_poll.setInterval(2);
        QObject::connect(&m_poll, &QTimer::timeout, [this] { poll(); });
        m_poll.start();
    }

    // Runs `action` once, as soon as `count` bytes have arrived in all.
    void when(qsizetype count, std::function<void()> action)
    {
        m_actions.push_back({count, std::move(action)});
    }
    qint64 now() const { return m_clock.elapsed(); }
    const QByteArray &bytes() const { return m_bytes; }
    // When byte `index` arrived, in ms on now()'s clock.
    qint64 arrival(qsizetype index) const { return m_times.at(index); }
    void poll()
    {
        const QByteArray fresh = m_peer.takeReceived();
        const qint64 t = now();
        for (char c : fresh) {
            m_bytes.append(c);
            m_times.append(t);
        }
        for (auto &[count, action] : m_actions) {
            if (action && m_bytes.size() >= count)
                std::exchange(action, nullptr)();
        }
    }

private:
    PtyPeer &m_peer;
    QElapsedTimer m_clock;
    QTimer m_poll;
    QByteArray m_bytes;
    QList<qint64> m_times;
    std::vector<std::pair<qsizetype, std::function<void()>>> m_actions;
};

constexpr int kFrame = 22;

QByteArray messageFrame(int k, const QByteArray &text)
{
    return QByteArray("\xFE", 1) + char(0xC8 + k) + text.leftJustified(20, ' ', true);
}

QByteArray iniLine(const char *key, const QByteArray &value)
{
    return QByteArray(key) + '=' + value + "\r\n";
}

// Milliseconds a click on `name` took to return: a paced command runs inside its click.
qint64 timedClick(WindowFixture &f, const QString &name)
{
    QElapsedTimer timer;
    timer.start();
    f.click(name);
    return timer.elapsed();
}

// Counts frames the transmitter sends while the port is not open. Any such frame is a send
// attempt to a closed port.
struct ClosedPortSends {
    explicit ClosedPortSends(frmMain &w)
    {
        QObject::connect(&w.transmitter, &Transmitter::monitorsChanged, &guard,
                         [this, &w] { count += w.MSComm1.isOpen() ? 0 : 1; });
    }
    QObject guard;
    int count = 0;
};

const QByteArray kStore("\xFE\x20", 2);
const QByteArray kClearAndText = QByteArray("\x0D", 1) + "Settings Saved Onto Flash";

} // namespace

class TestLcdSettings : public QObject
{
    Q_OBJECT
private slots:
    void moduleSpeed_data();
    void moduleSpeed();
    void uploadSendsTwentyPacedFrames();
    void saveAnsweredNoChangesNothing();
    void saveAnsweredYes();
    void acknowledgementDuringWaitHoldsTheSave();
    void disconnectDuringUploadStopsIt();
    void deviceLostDuringUploadStopsIt();
    void disconnectDuringSaveWait();
    void deviceLostWhileQuestionIsUp();
    void closingDuringUploadSavesShutDownValues();
    void closingDuringSaveWait();
};

void TestLcdSettings::moduleSpeed_data()
{
    QTest::addColumn<bool>("windowAt19200");
    QTest::addColumn<QString>("option"); // clicked before "Set LCD Baud"; empty: start-up state
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("start-up state") << false << QString() << QByteArray("\xFE\x1E", 2);
    QTest::newRow("19200 on a 9600 link") << false << "lcdbaud(1)" << QByteArray("\xFE\x1F", 2);
    QTest::newRow("9600 on a 19200 link") << true << "lcdbaud(0)" << QByteArray("\xFE\x1E", 2);
}

void TestLcdSettings::moduleSpeed()
{
    QFETCH(bool, windowAt19200);
    QFETCH(QString, option);
    QFETCH(QByteArray, frame);
    WindowFixture f;
    QVERIFY(f.connect(windowAt19200));
    const QString windowSettings = f.window().CommSettings;
    if (!option.isEmpty()) {
        f.click(option);
        QCOMPARE(f.received(1, 200), QByteArray()); // choosing sends nothing
        QVERIFY(f.find<QRadioButton>(option)->isChecked());
    }
    f.click(QStringLiteral("cmdSetBaud"));
    QCOMPARE(f.received(2), frame);
    QCOMPARE(f.received(1, 200), QByteArray());

    // Only the module's speed: the window's port and its options stay as they were.
    QCOMPARE(f.window().CommSettings, windowSettings);
    QCOMPARE(f.window().opt19200->isChecked(), windowAt19200);
    QCOMPARE(f.window().opt9600->isChecked(), !windowAt19200);
    termios line{};
    QVERIFY(f.peer().lineSettings(line));
    QCOMPARE(int(cfgetospeed(&line)), windowAt19200 ? int(B19200) : int(B9600));
    QVERIFY(f.window().isConnected());
}

// The one full upload of this suite; everything that can be checked during an upload is
// checked in it.
void TestLcdSettings::uploadSendsTwentyPacedFrames()
{
    const QByteArray ini = "[MSG]\r\n" + iniLine("M1", "Hello") +
                           iniLine("M2", "abcdefghijklmnopqrs") +       // 19
                           iniLine("M3", "ABCDEFGHIJKLMNOPQRST") +      // 20
                           iniLine("M4", "abcdefghijklmnopqrstUVWXY") + // 25
                           iniLine("M20", "Last one");
    WindowFixture f(ini);
    QVERIFY(f.connect());
    LcdSettingsPage *page = f.window().lcdSettings;
    ModalAnswerer answerer(QMessageBox::Yes);
    WireLog log(f.peer());

    bool pacedButtonsEnabledDuringUpload = true;
    qint64 secondClickMs = -1;
    log.when(kFrame, [&] {
        page->txtMsg[0]->setText(QStringLiteral("too late"));         // already sent
        page->txtMsg[6]->setText(QStringLiteral("late \u65e5 edit")); // not yet sent
        pacedButtonsEnabledDuringUpload =
            page->cmdSetMsg->isEnabled() || page->cmdSaveSettings->isEnabled();
        // Clicks that get through to the handlers anyway are ignored at once.
        QElapsedTimer t;
        t.start();
        page->cmdSetMsg_Click();
        page->cmdSaveSettings_Click();
        secondClickMs = t.elapsed();
    });
    log.when(3 * kFrame, [&] { f.click(QStringLiteral("cmdSetBaud")); });

    const qint64 start = log.now();
    f.click(QStringLiteral("cmdSetMsg"));
    const qint64 end = log.now();
    QTRY_COMPARE(log.bytes().size(), 20 * kFrame + 2);

    QByteArray expected;
    for (int k = 0; k < 20; ++k) {
        QByteArray text;
        switch (k) {
        case 0:
            text = "Hello";
            break;
        case 1:
            text = "abcdefghijklmnopqrs";
            break;
        case 2:
            text = "ABCDEFGHIJKLMNOPQRST";
            break;
        case 3:
            text = "abcdefghijklmnopqrst";
            break;
        case 6:
            text = "late ? edit";
            break;
        case 19:
            text = "Last one";
            break;
        default:
            break;
        }
        expected += messageFrame(k, text);
        if (k == 2)
            expected += QByteArray("\xFE\x1E", 2); // the click made during the third wait
    }
    QCOMPARE(log.bytes(), expected);
    QCOMPARE(log.bytes().left(kFrame), QByteArray::fromHex("FEC848656C6C6F") + QByteArray(15, ' '));

    QVERIFY(!pacedButtonsEnabledDuringUpload);
    QVERIFY2(secondClickMs >= 0 && secondClickMs < 100, qPrintable(QString::number(secondClickMs)));
    QVERIFY(answerer.seen().isEmpty());

    // One tick apart, and a wait after the last frame too: twenty ticks in all.
    const auto frameStart = [&](int k) { return log.arrival(k * kFrame + (k > 2 ? 2 : 0)); };
    for (int k = 1; k < 20; ++k) {
        const qint64 gap = frameStart(k) - frameStart(k - 1);
        QVERIFY2(gap >= 80 && gap <= 700,
                 qPrintable(QStringLiteral("frame %1: %2 ms").arg(k).arg(gap)));
    }
    const qint64 spread = frameStart(19) - frameStart(0);
    QVERIFY2(spread >= 19 * 180 && spread <= 19 * 200 + 1500, qPrintable(QString::number(spread)));
    const qint64 total = end - start;
    QVERIFY2(total >= 20 * 190 && total <= 20 * 200 + 2000, qPrintable(QString::number(total)));
    const qint64 lastWait = end - frameStart(19);
    QVERIFY2(lastWait >= 100 && lastWait <= 800, qPrintable(QString::number(lastWait)));

    QVERIFY(!f.window().pacing.Timer1.isActive());
    QVERIFY(!f.window().pacing.sequenceRunning());
    QVERIFY(page->cmdSetMsg->isEnabled());
    QVERIFY(page->cmdSaveSettings->isEnabled());
    QCOMPARE(f.window().lblTxData->text(), QStringLiteral("FE DB 4C 61 73 74 20 6F 6E 65") +
                                               QStringLiteral(" 20").repeated(12) + ' ');
    // The filling spaces live only in the frames, and the upload writes no file.
    QCOMPARE(page->txtMsg[1]->text(), QStringLiteral("abcdefghijklmnopqrs"));
    QCOMPARE(page->txtMsg[19]->text(), QStringLiteral("Last one"));
    QCOMPARE(f.iniContent(), ini);
}

void TestLcdSettings::saveAnsweredNoChangesNothing()
{
    const QByteArray ini = "[MSG]\r\n" + iniLine("M1", "Kept");
    WindowFixture f(ini);
    QVERIFY(f.connect());
    f.click(QStringLiteral("cmdSetBaud"));
    QCOMPARE(f.received(2), QByteArray("\xFE\x1E", 2));
    f.window().lcdSettings->txtMsg[0]->setText(QStringLiteral("Typed"));

    // What the question box offers the user, looked at while it is up.
    Qt::WindowFlags questionFlags;
    QTimer look;
    look.setInterval(5);
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
            questionFlags = box->windowFlags();
    });
    look.start();
    ModalAnswerer answerer(QMessageBox::No, 50);
    f.click(QStringLiteral("cmdSaveSettings"));

    QCOMPARE(answerer.seen().size(), 1);
    const auto &box = answerer.seen().first();
    QCOMPARE(box.text, QStringLiteral("This will Save all Settings onto Flash"));
    QCOMPARE(box.title, QStringLiteral("Save Settings"));
    QCOMPARE(box.buttons, int(QMessageBox::Yes | QMessageBox::No));
    QCOMPARE(box.defaultButton, int(QMessageBox::Yes));
    QVERIFY(!box.hasIcon);
    QVERIFY(questionFlags != Qt::WindowFlags());
    QVERIFY(!(questionFlags & Qt::WindowCloseButtonHint));

    QCOMPARE(f.received(1, 400), QByteArray());
    QCOMPARE(f.window().lblTxData->text(), QStringLiteral("FE 1E "));
    QCOMPARE(f.iniContent(), ini);
    QVERIFY(!f.window().pacing.Timer1.isActive());
    QVERIFY(f.window().lcdSettings->cmdSaveSettings->isEnabled());
}

void TestLcdSettings::saveAnsweredYes()
{
    WindowFixture f("[MSG]\r\n" + iniLine("M1", "Old") + iniLine("M2", "Gone soon"));
    QVERIFY(f.connect());
    LcdSettingsPage *page = f.window().lcdSettings;
    page->txtMsg[0]->setText(QStringLiteral("Hello"));
    page->txtMsg[1]->clear();
    page->txtMsg[19]->setText(QStringLiteral("Twenty"));
    ModalAnswerer answerer(QMessageBox::Yes);
    WireLog log(f.peer());
    f.click(QStringLiteral("cmdSaveSettings"));
    QTRY_COMPARE(log.bytes().size(), 2 + 26);

    QCOMPARE(log.bytes(), kStore + kClearAndText);
    const qint64 wait = log.arrival(2) - log.arrival(0);
    QVERIFY2(wait >= 120 && wait <= 700, qPrintable(QString::number(wait)));
    QCOMPARE(log.arrival(27), log.arrival(2)); // the text follows the clear byte at once
    QCOMPARE(f.window().lblTxData->text(), QStringLiteral("0D "));
    QVERIFY(!f.window().pacing.Timer1.isActive());
    QCOMPARE(answerer.seen().size(), 1);

    SettingsFile &file = f.settings();
    QCOMPARE(file.ReadINI(QStringLiteral("MSG"), QStringLiteral("M1")), QStringLiteral("Hello"));
    QCOMPARE(file.ReadINI(QStringLiteral("MSG"), QStringLiteral("M20")), QStringLiteral("Twenty"));
    const QByteArray content = f.iniContent();
    for (int n = 2; n <= 19; ++n) {
        const QByteArray line = "\nM" + QByteArray::number(n) + "=\r\n";
        QVERIFY2(content.contains(line), content.constData());
    }
    QVERIFY(!content.contains("Gone soon"));
}

// The module answers the store while the handler waits for its tick: the acknowledgement
// box holds the rest of the save until the user closes it.
void TestLcdSettings::acknowledgementDuringWaitHoldsTheSave()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.window().lcdSettings->txtMsg[4]->setText(QStringLiteral("five"));
    ModalAnswerer answerer(QMessageBox::Yes);
    WireLog log(f.peer());
    qint64 ackSent = -1;
    QByteArray whileBoxOpen;
    qsizetype bytesWhileBoxOpen = -1;
    log.when(2, [&] {
        answerer.setDelay(1000);
        f.peer().send(QByteArray("\xFE\x20\x20", 3));
        ackSent = log.now();
        QTimer::singleShot(700, [&] {
            whileBoxOpen = f.iniContent();
            bytesWhileBoxOpen = log.bytes().size();
        });
    });
    f.click(QStringLiteral("cmdSaveSettings"));
    QTRY_COMPARE(log.bytes().size(), 2 + 26);

    QCOMPARE(log.bytes(), kStore + kClearAndText);
    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().at(1).text, QStringLiteral("Settings Saved,Please Reset LCD"));
    QCOMPARE(bytesWhileBoxOpen, qsizetype(2));
    QVERIFY(!whileBoxOpen.contains("[MSG]"));
    const qint64 held = log.arrival(2) - ackSent;
    QVERIFY2(held >= 950, qPrintable(QString::number(held)));
    QCOMPARE(f.settings().ReadINI(QStringLiteral("MSG"), QStringLiteral("M5")),
             QStringLiteral("five"));
    QVERIFY(!f.window().pacing.Timer1.isActive());
}

void TestLcdSettings::disconnectDuringUploadStopsIt()
{
    WindowFixture f;
    QVERIFY(f.connect());
    ClosedPortSends closedSends(f.window());
    WireLog log(f.peer());
    log.when(2 * kFrame, [&] { f.click(QStringLiteral("cmdConnect")); });
    const qint64 ms = timedClick(f, QStringLiteral("cmdSetMsg"));

    QVERIFY(!f.window().isConnected());
    QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
    QTest::qWait(600); // three ticks: long enough for a sequence that went on to show itself
    QCOMPARE(log.bytes().size(), 2 * kFrame);
    QCOMPARE(closedSends.count, 0);
    QVERIFY(!f.window().pacing.Timer1.isActive());
    QVERIFY(!f.window().pacing.sequenceRunning());
    QVERIFY(f.window().lcdSettings->cmdSetMsg->isEnabledTo(f.window().SSTab1));
}

void TestLcdSettings::deviceLostDuringUploadStopsIt()
{
    WindowFixture f;
    QVERIFY(f.connect());
    ClosedPortSends closedSends(f.window());
    ModalAnswerer answerer;
    WireLog log(f.peer());
    log.when(2 * kFrame, [&] { f.peer().hangUp(); });
    const qint64 ms = timedClick(f, QStringLiteral("cmdSetMsg"));

    QVERIFY2(ms < 2000, qPrintable(QString::number(ms)));
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().objectName, QStringLiteral("DeviceLostBox"));
    QVERIFY(!f.window().isConnected());
    QTest::qWait(600);
    QCOMPARE(closedSends.count, 0);
    QVERIFY(!f.window().pacing.Timer1.isActive());
    QVERIFY(!f.window().pacing.sequenceRunning());
}

// The store command went out, so the texts are kept in the file; the display bytes,
// which need the link, are not sent.
void TestLcdSettings::disconnectDuringSaveWait()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.window().lcdSettings->txtMsg[0]->setText(QStringLiteral("kept"));
    ClosedPortSends closedSends(f.window());
    ModalAnswerer answerer(QMessageBox::Yes);
    WireLog log(f.peer());
    log.when(2, [&] { f.click(QStringLiteral("cmdConnect")); });
    const qint64 ms = timedClick(f, QStringLiteral("cmdSaveSettings"));

    QVERIFY(!f.window().isConnected());
    QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
    QTest::qWait(400);
    QCOMPARE(log.bytes(), kStore);
    QCOMPARE(closedSends.count, 0);
    QCOMPARE(f.settings().ReadINI(QStringLiteral("MSG"), QStringLiteral("M1")),
             QStringLiteral("kept"));
    QVERIFY(!f.window().pacing.Timer1.isActive());
    QVERIFY(!f.window().pacing.sequenceRunning());
}

// The user answers Yes after the device went away: nothing is attempted on the closed
// port, and the file keeps its texts because nothing was stored in the module.
void TestLcdSettings::deviceLostWhileQuestionIsUp()
{
    const QByteArray ini = "[MSG]\r\n" + iniLine("M1", "Old");
    WindowFixture f(ini);
    QVERIFY(f.connect());
    f.window().lcdSettings->txtMsg[0]->setText(QStringLiteral("New"));
    ClosedPortSends closedSends(f.window());
    ModalAnswerer answerer(QMessageBox::Yes, 300);
    QTimer::singleShot(100, [&] { f.peer().hangUp(); });
    // A question that went disabled with the pages can never be answered; end it instead of
    // hanging the test.
    bool stuck = false;
    QTimer watchdog;
    watchdog.setInterval(5000);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            stuck = true;
            box->done(QMessageBox::No);
        }
    });
    watchdog.start();
    f.click(QStringLiteral("cmdSaveSettings"));

    QVERIFY2(!stuck, "the question could not be answered");
    QVERIFY(!f.window().isConnected());
    const auto &seen = answerer.seen();
    QVERIFY(std::any_of(seen.begin(), seen.end(), [](const ModalAnswerer::Seen &box) {
        return box.objectName == QStringLiteral("DeviceLostBox");
    }));
    QCOMPARE(closedSends.count, 0);
    QCOMPARE(f.iniContent(), ini);
    QVERIFY(!f.window().pacing.Timer1.isActive());
    QVERIFY(!f.window().pacing.sequenceRunning());
}

void TestLcdSettings::closingDuringUploadSavesShutDownValues()
{
    WindowFixture f("[LCD]\r\nBL=77\r\n");
    QVERIFY(f.connect(true));
    ClosedPortSends closedSends(f.window());
    WireLog log(f.peer());
    log.when(2 * kFrame, [&] { f.closeWindow(); });
    const qint64 ms = timedClick(f, QStringLiteral("cmdSetMsg"));

    QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
    QVERIFY(!f.window().MSComm1.isOpen());
    QTest::qWait(400);
    QCOMPARE(log.bytes().size(), 2 * kFrame);
    QCOMPARE(closedSends.count, 0);
    SettingsFile &file = f.settings();
    QCOMPARE(file.ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort")),
             QStringLiteral("3"));
    QCOMPARE(file.ReadINI(QStringLiteral("Settings"), QStringLiteral("Setting")),
             QStringLiteral("19200,n,8,1"));
    QCOMPARE(file.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QStringLiteral("77"));
    QVERIFY(!f.iniContent().contains("[MSG]"));
    QVERIFY(!f.window().pacing.Timer1.isActive());
}

void TestLcdSettings::closingDuringSaveWait()
{
    WindowFixture f("[LCD]\r\nBL=33\r\n");
    QVERIFY(f.connect());
    f.window().lcdSettings->txtMsg[2]->setText(QStringLiteral("three"));
    ClosedPortSends closedSends(f.window());
    ModalAnswerer answerer(QMessageBox::Yes);
    WireLog log(f.peer());
    log.when(2, [&] { f.closeWindow(); });
    const qint64 ms = timedClick(f, QStringLiteral("cmdSaveSettings"));

    QVERIFY2(ms < 1000, qPrintable(QString::number(ms)));
    QTest::qWait(400);
    QCOMPARE(log.bytes(), kStore);
    QCOMPARE(closedSends.count, 0);
    SettingsFile &file = f.settings();
    QCOMPARE(file.ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort")),
             QStringLiteral("3"));
    QCOMPARE(file.ReadINI(QStringLiteral("Settings"), QStringLiteral("Setting")),
             QStringLiteral("9600,n,8,1"));
    QCOMPARE(file.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QStringLiteral("33"));
    QCOMPARE(file.ReadINI(QStringLiteral("MSG"), QStringLiteral("M3")), QStringLiteral("three"));
}

QTEST_MAIN(TestLcdSettings)
#include "tst_lcdsettings.moc"
