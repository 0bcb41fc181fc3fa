// The "LCD Settings" page against a pseudo-terminal playing the module: the module's line
// speed, the message boxes, the paced upload of the twenty messages, the save to flash
// with its question and acknowledgement, and what happens when the link or the window goes
// away in the middle of a paced sequence.
//
// A paced command goes on after its click has returned, so whatever the test does during
// it (typing, clicking, answering the module, pulling the plug) is hooked on the bytes
// arriving at the peer: WireLog polls the peer every few milliseconds, stamps each byte
// with its arrival time and runs the actions registered for a byte count.
#include "app/frmmain.h"
#include "config/lcdsettingspage.h"
#include "framecheck.h"
#include "settings/settingsfile.h"
#include "widgets/controls.h"
#include "windowfixture.h"

#include <QApplication>
#include <QClipboard>
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

// Waits until the paced sequence a click started has ended.
bool sequenceEnds(frmMain &w, int timeoutMs = 10000)
{
    return QTest::qWaitFor([&w] { return !w.pacing().sequenceRunning(); }, timeoutMs);
}

// Counts frames the transmitter sends while the port is not open. Any such frame is a send
// attempt to a closed port.
struct ClosedPortSends {
    explicit ClosedPortSends(frmMain &w)
    {
        QObject::connect(&w.transmitter(), &seriallink::Transmitter::monitorsChanged, &guard,
                         [this, &w] { count += w.port().isOpen() ? 0 : 1; });
    }
    QObject guard;
    int count = 0;
};

const QByteArray kStore("\xFE\x20", 2);
const QByteArray kClearAndText = QByteArray("\x0D", 1) + "Settings Saved Onto Flash";
const QByteArray kLongStored = "abcdefghijklmnopqrstUVWXY"; // 25 characters

} // namespace

class TestLcdSettings : public QObject
{
    Q_OBJECT
private slots:
    void moduleSpeed_data();
    void moduleSpeed();
    void messageBoxLength_data();
    void messageBoxLength();
    void uploadSendsTwentyPacedFrames();
    void saveAnsweredNoChangesNothing();
    void saveAnsweredYes();
    void acknowledgementDuringWaitHoldsTheSave();
    void abortEndsTheSequenceAtOnce_data();
    void abortEndsTheSequenceAtOnce();
    void anyBoxHoldsTheNextFrame_data();
    void anyBoxHoldsTheNextFrame();
    void saveQuestionAnswersOnlyYesOrNo_data();
    void saveQuestionAnswersOnlyYesOrNo();
};

void TestLcdSettings::moduleSpeed_data()
{
    QTest::addColumn<bool>("windowAt19200");
    QTest::addColumn<QString>("option"); // clicked before "Set LCD Baud"; empty: start-up state
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("start-up state") << false << QString() << framecheck::hex("FE1E");
    QTest::newRow("19200 on a 9600 link") << false << "lcdbaud(1)" << framecheck::hex("FE1F");
    QTest::newRow("9600 on a 19200 link") << true << "lcdbaud(0)" << framecheck::hex("FE1E");
}

void TestLcdSettings::moduleSpeed()
{
    QFETCH(bool, windowAt19200);
    QFETCH(QString, option);
    QFETCH(QByteArray, frame);
    WindowFixture f;
    QVERIFY(f.connect(windowAt19200));
    const QString windowSettings = f.window().commSettings();
    if (!option.isEmpty()) {
        QVERIFY(framecheck::showModuleReply(f));
        f.click(option);
        framecheck::expectNothingSent(f); // choosing sends nothing
        QVERIFY(f.find<QRadioButton>(option)->isChecked());
    }
    framecheck::clickSends(f, QString(), QStringLiteral("cmdSetBaud"), 1, frame);
    QCOMPARE(f.received(1, 200), QByteArray());

    // Only the module's speed: the window's port and its options stay as they were.
    QCOMPARE(f.window().commSettings(), windowSettings);
    QCOMPARE(f.find<QRadioButton>(QStringLiteral("opt19200"))->isChecked(), windowAt19200);
    QCOMPARE(f.find<QRadioButton>(QStringLiteral("opt9600"))->isChecked(), !windowAt19200);
    termios line{};
    QVERIFY(f.peer().lineSettings(line));
    QCOMPARE(int(cfgetospeed(&line)), windowAt19200 ? int(B19200) : int(B9600));
    QVERIFY(f.window().isConnected());
}

// Typing and pasting stop at 20 characters, but a stored text that is longer stays whole
// in its box (the upload cuts it, the save writes it back as it is) and never grows.
void TestLcdSettings::messageBoxLength_data()
{
    QTest::addColumn<QByteArray>("stored");
    QTest::addColumn<QString>("edits"); // type:<text>, backspace, selectall, paste
    QTest::addColumn<QString>("text");
    const QString clip = QStringLiteral("0123456789ABCDEFGHIJklmnopqrst"); // 30, on the clipboard
    const QString stored = QString::fromLatin1(kLongStored);
    QTest::newRow("a long stored text is loaded whole") << kLongStored << QString() << stored;
    QTest::newRow("typing at the end of a long stored text adds nothing")
        << kLongStored << "type:XYZ" << stored;
    QTest::newRow("a long stored text can be shortened but not grown again")
        << kLongStored << "backspace backspace type:XYZ" << stored.chopped(2);
    QTest::newRow("pasting over a whole long text keeps 20 of the pasted characters")
        << kLongStored << "selectall paste" << clip.left(20);
    QTest::newRow("typing into a short text stops at 20")
        << QByteArray("Hello") << "type:_abcdefghijklmnopqrstuvwxyz"
        << "Hello_abcdefghijklmn";
    QTest::newRow("pasting into a short text stops at 20") << QByteArray("Hello") << "paste"
                                                           << "Hello" + clip.left(15);
}

void TestLcdSettings::messageBoxLength()
{
    QFETCH(QByteArray, stored);
    QFETCH(QString, edits);
    QFETCH(QString, text);
    WindowFixture f("[MSG]\r\n" + iniLine("M7", stored));
    QVERIFY(f.connect());
    QLineEdit *box = f.find<QLineEdit>(QStringLiteral("txtMsg(6)"));
    QGuiApplication::clipboard()->setText(QStringLiteral("0123456789ABCDEFGHIJklmnopqrst"));
    for (const QString &edit : edits.split(' ', Qt::SkipEmptyParts)) {
        if (edit.startsWith(QLatin1String("type:")))
            QTest::keyClicks(box, edit.mid(5));
        else if (edit == QLatin1String("backspace"))
            QTest::keyClick(box, Qt::Key_Backspace);
        else if (edit == QLatin1String("selectall"))
            QTest::keySequence(box, QKeySequence::SelectAll);
        else if (edit == QLatin1String("paste"))
            QTest::keySequence(box, QKeySequence::Paste);
    }
    QCOMPARE(box->text(), text);
    // The other boxes keep the plain limit.
    QCOMPARE(f.find<QLineEdit>(QStringLiteral("txtMsg(5)"))->maxLength(), 20);
}

// The one full upload of this suite; everything that can be checked during an upload is
// checked in it.
void TestLcdSettings::uploadSendsTwentyPacedFrames()
{
    const QByteArray ini = "[MSG]\r\n" + iniLine("M1", "Hello") +
                           iniLine("M2", "abcdefghijklmnopqrs") +  // 19
                           iniLine("M3", "ABCDEFGHIJKLMNOPQRST") + // 20
                           iniLine("M4", kLongStored) +            // 25
                           iniLine("M20", "Last one");
    WindowFixture f(ini);
    QVERIFY(f.connect());
    LcdSettingsPage *page = &f.page<LcdSettingsPage>();
    seriallink::PacingClock &pacing = f.window().pacing();
    ModalAnswerer answerer(QMessageBox::Yes);
    WireLog log(f.peer());

    bool pacedButtonsEnabledDuringUpload = true;
    log.when(kFrame, [&] {
        control<QLineEdit>(*page, QStringLiteral("txtMsg(0)"))
            ->setText(QStringLiteral("too late")); // already sent
        control<QLineEdit>(*page, QStringLiteral("txtMsg(6)"))
            ->setText(QStringLiteral("late \u65e5 edit")); // not yet sent
        pacedButtonsEnabledDuringUpload =
            control<QPushButton>(*page, QStringLiteral("cmdSetMsg"))->isEnabled() ||
            control<QPushButton>(*page, QStringLiteral("cmdSaveSettings"))->isEnabled();
        // Clicks that get through to the handlers anyway are refused: no second upload, no
        // question.
        page->cmdSetMsg_Click();
        page->cmdSaveSettings_Click();
    });
    log.when(3 * kFrame, [&] { f.click(QStringLiteral("cmdSetBaud")); });
    qint64 end = -1;
    QObject::connect(&pacing, &seriallink::PacingClock::sequenceRunningChanged, [&](bool running) {
        if (!running)
            end = log.now();
    });

    const qint64 start = log.now();
    f.click(QStringLiteral("cmdSetMsg"));
    QVERIFY(sequenceEnds(f.window()));
    QTRY_COMPARE(log.bytes().size(), 20 * kFrame + 2);

    // The late edit of the seventh box goes out, its character without a code as '?'.
    QList<QByteArray> texts(20);
    texts[0] = "Hello";
    texts[1] = "abcdefghijklmnopqrs";
    texts[2] = "ABCDEFGHIJKLMNOPQRST";
    texts[3] = kLongStored.left(20);
    texts[6] = "late ? edit";
    texts[19] = "Last one";
    QByteArray expected;
    for (int k = 0; k < 20; ++k) {
        expected += messageFrame(k, texts[k]);
        if (k == 2)
            expected += QByteArray("\xFE\x1E", 2); // the click made during the third wait
    }
    QTest::qWait(300); // a refused second upload would have sent its first frame by now
    QCOMPARE(log.bytes(), expected);
    QCOMPARE(log.bytes().left(kFrame), QByteArray::fromHex("FEC848656C6C6F") + QByteArray(15, ' '));

    QVERIFY(!pacedButtonsEnabledDuringUpload);
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

    QVERIFY(!pacing.Timer1.isActive());
    QVERIFY(control<QPushButton>(*page, QStringLiteral("cmdSetMsg"))->isEnabled());
    QVERIFY(control<QPushButton>(*page, QStringLiteral("cmdSaveSettings"))->isEnabled());
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblTxData"))->text(),
             QStringLiteral("FE DB 4C 61 73 74 20 6F 6E 65") + QStringLiteral(" 20").repeated(12) +
                 ' ');
    // The filling spaces live only in the frames, the cut only on the wire, and the upload
    // writes no file.
    QCOMPARE(control<QLineEdit>(*page, QStringLiteral("txtMsg(1)"))->text(),
             QStringLiteral("abcdefghijklmnopqrs"));
    QCOMPARE(control<QLineEdit>(*page, QStringLiteral("txtMsg(3)"))->text(),
             QString::fromLatin1(kLongStored));
    QCOMPARE(control<QLineEdit>(*page, QStringLiteral("txtMsg(19)"))->text(),
             QStringLiteral("Last one"));
    QCOMPARE(f.iniContent(), ini);
}

void TestLcdSettings::saveAnsweredNoChangesNothing()
{
    const QByteArray ini = "[MSG]\r\n" + iniLine("M1", "Kept");
    WindowFixture f(ini);
    QVERIFY(f.connect());
    framecheck::clickSends(f, QString(), QStringLiteral("cmdSetBaud"), 1, framecheck::hex("FE1E"));
    LcdSettingsPage *page = &f.page<LcdSettingsPage>();
    control<QLineEdit>(*page, QStringLiteral("txtMsg(0)"))->setText(QStringLiteral("Typed"));
    QVERIFY(framecheck::showModuleReply(f));

    ModalAnswerer answerer(QMessageBox::No, 50);
    f.click(QStringLiteral("cmdSaveSettings"));
    // The question comes before the save takes the pacing slot: nothing behind it changes.
    auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    QVERIFY(question);
    QCOMPARE(question->objectName(), QStringLiteral("SaveSettingsQuestion"));
    QCOMPARE(question->parentWidget(), &f.window());
    QVERIFY(!(question->windowFlags() & Qt::WindowCloseButtonHint));
    QVERIFY(!f.window().pacing().sequenceRunning());
    QVERIFY(control<QPushButton>(*page, QStringLiteral("cmdSetMsg"))->isEnabled());
    QVERIFY(control<QPushButton>(*page, QStringLiteral("cmdSaveSettings"))->isEnabled());
    QTRY_VERIFY(!QApplication::activeModalWidget());
    QVERIFY(sequenceEnds(f.window()));

    QCOMPARE(answerer.seen().size(), 1);
    const auto &box = answerer.seen().first();
    QCOMPARE(box.text, QStringLiteral("This will Save all Settings onto Flash"));
    QCOMPARE(box.title, QStringLiteral("Save Settings"));
    QCOMPARE(box.buttons, int(QMessageBox::Yes | QMessageBox::No));
    QCOMPARE(box.defaultButton, int(QMessageBox::Yes));
    QVERIFY(!box.hasIcon);

    framecheck::expectNothingSent(f);
    QCOMPARE(f.iniContent(), ini);
    QVERIFY(!f.window().pacing().Timer1.isActive());
    QVERIFY(control<QPushButton>(*page, QStringLiteral("cmdSaveSettings"))->isEnabled());
}

void TestLcdSettings::saveAnsweredYes()
{
    WindowFixture f("[MSG]\r\n" + iniLine("M1", "Old") + iniLine("M2", "Gone soon") +
                    iniLine("M3", kLongStored));
    QVERIFY(f.connect());
    LcdSettingsPage *page = &f.page<LcdSettingsPage>();
    control<QLineEdit>(*page, QStringLiteral("txtMsg(0)"))->setText(QStringLiteral("Hello"));
    control<QLineEdit>(*page, QStringLiteral("txtMsg(1)"))->clear();
    control<QLineEdit>(*page, QStringLiteral("txtMsg(19)"))->setText(QStringLiteral("Twenty"));
    ModalAnswerer answerer(QMessageBox::Yes);
    WireLog log(f.peer());
    f.click(QStringLiteral("cmdSaveSettings"));
    QVERIFY(sequenceEnds(f.window()));
    QTRY_COMPARE(log.bytes().size(), 2 + 26);

    QCOMPARE(log.bytes(), kStore + kClearAndText);
    const qint64 wait = log.arrival(2) - log.arrival(0);
    QVERIFY2(wait >= 120 && wait <= 700, qPrintable(QString::number(wait)));
    QCOMPARE(log.arrival(27), log.arrival(2)); // the text follows the clear byte at once
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblTxData"))->text(), QStringLiteral("0D "));
    QVERIFY(!f.window().pacing().Timer1.isActive());
    QCOMPARE(answerer.seen().size(), 1);

    SettingsFile &file = f.settings();
    QCOMPARE(file.ReadINI(QStringLiteral("MSG"), QStringLiteral("M1")), QStringLiteral("Hello"));
    QCOMPARE(file.ReadINI(QStringLiteral("MSG"), QStringLiteral("M20")), QStringLiteral("Twenty"));
    const QByteArray content = f.iniContent();
    // The long stored text goes back as it was, not cut to the 20 characters sent.
    QVERIFY2(content.contains("\nM3=" + kLongStored + "\r\n"), content.constData());
    for (int n = 4; n <= 19; ++n) {
        const QByteArray line = "\nM" + QByteArray::number(n) + "=\r\n";
        QVERIFY2(content.contains(line), content.constData());
    }
    QVERIFY(content.contains("\nM2=\r\n"));
    QVERIFY(!content.contains("Gone soon"));
}

// The module answers the store while the save waits for its tick: the acknowledgement box
// holds the rest of the save until the user closes it.
void TestLcdSettings::acknowledgementDuringWaitHoldsTheSave()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.find<QLineEdit>(QStringLiteral("txtMsg(4)"))->setText(QStringLiteral("five"));
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
    QVERIFY(sequenceEnds(f.window()));
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
    QVERIFY(!f.window().pacing().Timer1.isActive());
}

// Disconnect, a lost device or the window closing ends a paced sequence at once, and
// nothing is written to the closed port. A save whose store command went out keeps the
// texts in the file (the module has the settings, the user confirmed); one still asking
// closes its question and writes nothing.
void TestLcdSettings::abortEndsTheSequenceAtOnce_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("triggerAt"); // bytes at the peer when the trigger is pulled
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("textsSaved");
    const QString upload = QStringLiteral("cmdSetMsg");
    const QString save = QStringLiteral("cmdSaveSettings");
    QTest::newRow("upload, disconnect") << upload << 2 * kFrame << "disconnect" << false;
    QTest::newRow("upload, device lost") << upload << 2 * kFrame << "hang up" << false;
    QTest::newRow("upload, window closed") << upload << 2 * kFrame << "close" << false;
    QTest::newRow("save after the store, disconnect") << save << 2 << "disconnect" << true;
    QTest::newRow("save after the store, device lost") << save << 2 << "hang up" << true;
    QTest::newRow("save after the store, window closed") << save << 2 << "close" << true;
    QTest::newRow("save while asking, device lost") << save << 0 << "hang up" << false;
}

void TestLcdSettings::abortEndsTheSequenceAtOnce()
{
    QFETCH(QString, command);
    QFETCH(int, triggerAt);
    QFETCH(QString, trigger);
    QFETCH(bool, textsSaved);
    WindowFixture f("[LCD]\r\nBL=77\r\n");
    QVERIFY(f.connect());
    frmMain &w = f.window();
    control<QLineEdit>(w, QStringLiteral("txtMsg(0)"))->setText(QStringLiteral("kept"));
    ClosedPortSends closedSends(w);
    // A question still up when the trigger comes is answered only well after it.
    ModalAnswerer answerer(QMessageBox::Yes, triggerAt == 0 ? 300 : 0);
    WireLog log(f.peer());

    QString modalAtTrigger;
    bool endedAtOnce = false;
    bool triggered = false;
    log.when(triggerAt, [&] {
        if (QWidget *modal = QApplication::activeModalWidget())
            modalAtTrigger = modal->objectName();
        if (trigger == QLatin1String("disconnect"))
            f.click(QStringLiteral("cmdConnect"));
        else if (trigger == QLatin1String("close"))
            f.closeWindow();
        else
            f.peer().hangUp();
        endedAtOnce = !w.pacing().sequenceRunning();
        triggered = true;
    });
    bool questionUpAtEnd = false;
    QObject::connect(
        &w.pacing(), &seriallink::PacingClock::sequenceRunningChanged, [&](bool running) {
            auto *question = w.findChild<QMessageBox *>(QStringLiteral("SaveSettingsQuestion"));
            questionUpAtEnd = !running && question && question->isVisible();
        });
    f.click(command);

    // The save asks before its sequence starts: wait for the trigger, not only the sequence.
    QTRY_VERIFY(triggered);
    QVERIFY(sequenceEnds(w, 5000));
    // A vanished device is noticed when the port reports it, a moment later.
    if (trigger != QLatin1String("hang up"))
        QVERIFY(endedAtOnce);
    QCOMPARE(modalAtTrigger, triggerAt == 0 ? QStringLiteral("SaveSettingsQuestion") : QString());
    QVERIFY(!questionUpAtEnd);
    QTest::qWait(600); // three ticks: long enough for a sequence that went on to show itself
    QCOMPARE(log.bytes().size(), qsizetype(triggerAt));
    QCOMPARE(closedSends.count, 0);
    QVERIFY(!w.pacing().Timer1.isActive());
    QVERIFY(!w.port().isOpen());

    SettingsFile &file = f.settings();
    if (textsSaved)
        QCOMPARE(file.ReadINI(QStringLiteral("MSG"), QStringLiteral("M1")), QStringLiteral("kept"));
    else
        QVERIFY(!f.iniContent().contains("[MSG]"));
    if (trigger == QLatin1String("close")) {
        // Shut-down still saves the port, the speed and the level.
        QCOMPARE(file.ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort")),
                 QStringLiteral("3"));
        QCOMPARE(file.ReadINI(QStringLiteral("Settings"), QStringLiteral("Setting")),
                 QStringLiteral("9600,n,8,1"));
        QCOMPARE(file.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QStringLiteral("77"));
    } else {
        QVERIFY(!w.isConnected());
        // Ready for the next connection.
        QVERIFY(control<QPushButton>(w, QStringLiteral("cmdSetMsg"))->isEnabledTo(featureTabs(w)));
        QVERIFY(control<QPushButton>(w, QStringLiteral("cmdSaveSettings"))
                    ->isEnabledTo(featureTabs(w)));
    }
    if (trigger == QLatin1String("hang up")) {
        const auto &seen = answerer.seen();
        QVERIFY(std::any_of(seen.begin(), seen.end(), [](const ModalAnswerer::Seen &box) {
            return box.objectName == QStringLiteral("DeviceLostBox");
        }));
    }
}

// Whatever box the window opens while a paced sequence waits, the next frame waits for the
// box to close; before and after it the frames keep their tick spacing.
void TestLcdSettings::anyBoxHoldsTheNextFrame_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("openAt"); // bytes at the peer when the box opens
    QTest::addColumn<QString>("box");
    const QString upload = QStringLiteral("cmdSetMsg");
    const QString save = QStringLiteral("cmdSaveSettings");
    QTest::newRow("upload, Numeric Value Only") << upload << 2 * kFrame << "numeric";
    QTest::newRow("upload, acknowledgement") << upload << 2 * kFrame << "ack";
    QTest::newRow("upload, a box of the line log") << upload << 2 * kFrame << "line log";
    QTest::newRow("save's wait, Numeric Value Only") << save << 2 << "numeric";
    QTest::newRow("save's wait, a box of the line log") << save << 2 << "line log";
}

void TestLcdSettings::anyBoxHoldsTheNextFrame()
{
    QFETCH(QString, command);
    QFETCH(int, openAt);
    QFETCH(QString, box);
    WindowFixture f;
    QVERIFY(f.connect());
    frmMain &w = f.window();
    ModalAnswerer answerer(QMessageBox::Yes);
    WireLog log(f.peer());
    constexpr int kOpenMs = 900;
    qint64 opened = -1;
    qsizetype bytesWhileOpen = -1;
    log.when(openAt, [&] {
        answerer.setDelay(kOpenMs);
        opened = log.now();
        if (box == QLatin1String("numeric")) {
            f.find<QLineEdit>(QStringLiteral("txtBN"))->setText(QStringLiteral("ab"));
            f.click(QStringLiteral("cmdDrawBN"));
        } else if (box == QLatin1String("ack")) {
            f.peer().send(QByteArray("\xFE\x20\x20", 3));
        } else {
            w.showLineLog();
            controls::openMessage(w.findChild<QWidget *>(QStringLiteral("frmLineLog")),
                                  QStringLiteral("held"), QStringLiteral("LineLogBox"));
        }
        QTimer::singleShot(kOpenMs - 200, [&] { bytesWhileOpen = log.bytes().size(); });
    });
    f.click(command);
    const bool isUpload = command == QLatin1String("cmdSetMsg");
    const qsizetype total = isUpload ? 20 * kFrame : 2 + 26;
    QTRY_COMPARE_WITH_TIMEOUT(log.bytes().size(), total, 10000);
    QVERIFY(sequenceEnds(w));

    QCOMPARE(bytesWhileOpen, qsizetype(openAt));
    QCOMPARE(answerer.seen().size(), isUpload ? 1 : 2);
    const qint64 held = log.arrival(openAt) - opened;
    QVERIFY2(held >= kOpenMs - 50, qPrintable(QString::number(held)));
    if (isUpload) {
        QByteArray expected;
        for (int k = 0; k < 20; ++k)
            expected += messageFrame(k, {});
        QCOMPARE(log.bytes(), expected);
        // One tick apart before the box, and again after it.
        for (int k : {1, 3, 4, 10}) {
            const qint64 gap = log.arrival(k * kFrame) - log.arrival((k - 1) * kFrame);
            QVERIFY2(gap >= 150 && gap <= 700,
                     qPrintable(QStringLiteral("frame %1: %2 ms").arg(k).arg(gap)));
        }
    } else {
        QCOMPARE(log.bytes(), kStore + kClearAndText);
    }
    QVERIFY(!w.pacing().Timer1.isActive());
}

// The question is answered Yes or No and nothing else: Esc and a close request leave it up
// with nothing sent; Enter is Yes.
void TestLcdSettings::saveQuestionAnswersOnlyYesOrNo_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::addColumn<bool>("saves");
    QTest::newRow("Esc") << "esc" << false;
    QTest::newRow("close request") << "close" << false;
    QTest::newRow("Enter") << "enter" << true;
}

void TestLcdSettings::saveQuestionAnswersOnlyYesOrNo()
{
    QFETCH(QString, gesture);
    QFETCH(bool, saves);
    WindowFixture f;
    QVERIFY(f.connect());
    QVERIFY(framecheck::showModuleReply(f));
    f.click(QStringLiteral("cmdSaveSettings"));
    auto *question = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    QVERIFY(question);
    QCOMPARE(question->objectName(), QStringLiteral("SaveSettingsQuestion"));
    QVERIFY(QTest::qWaitForWindowExposed(question));
    if (gesture == QLatin1String("esc"))
        QTest::keyClick(question, Qt::Key_Escape);
    else if (gesture == QLatin1String("close"))
        QVERIFY(!question->close());
    else
        QTest::keyClick(question, Qt::Key_Return);

    if (saves) {
        QCOMPARE(f.received(2 + 26), kStore + kClearAndText);
        QVERIFY(sequenceEnds(f.window()));
        return;
    }
    QTest::qWait(300);
    QVERIFY(question->isVisible());
    QCOMPARE(QApplication::activeModalWidget(), question);
    QVERIFY(!f.window().pacing().sequenceRunning());
    framecheck::expectNothingSent(f);
    question->button(QMessageBox::No)->click();
    QTRY_VERIFY(!QApplication::activeModalWidget());
    framecheck::expectNothingSent(f);
}

QTEST_MAIN(TestLcdSettings)
#include "tst_lcdsettings.moc"
