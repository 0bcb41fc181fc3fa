// Replies from the module as the window shows them: a pseudo-terminal plays the module on
// COM3 and sends three-byte replies in every split; the tests read the receive monitor,
// the analog labels, the indicators and the acknowledgement box.
#include "app/frmmain.h"
#include "framecheck.h"
#include "io/inputsoutputspage.h"
#include "widgets/controls.h"
#include "widgets/twips.h"
#include "windowfixture.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <thread>

using framecheck::caption;
using framecheck::hex;

namespace
{

// One letter per indicator: W white (bit set), R red (bit clear), - anything else (the
// keypad's start colour).
// The fills of indicators "<array>(0)" .. "<array>(count-1)" found in `parent`.
QString colours(const QObject &parent, const char *array, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        const QWidget *indicator = control(parent, twips::element(array, i));
        const unsigned colour = controls::toBgr(controls::fill(indicator));
        text += colour == 0xFFFFFF   ? QLatin1Char('W')
                : colour == 0x0000FF ? QLatin1Char('R')
                                     : QLatin1Char('-');
    }
    return text;
}

const QString kWhite8 = QStringLiteral("WWWWWWWW");
const QString kUntouchedKeys = QStringLiteral("----------------");

} // namespace

class RepliesTest : public QObject
{
    Q_OBJECT
private slots:
    void replyEffects_data();
    void replyEffects();
    void splitReplies_data();
    void splitReplies();
    void strayByteIsGivenUpAfterAPause();
    void mergedRepliesAllTakeEffect();
    void modeIsReadWhenTheReplyArrives();
    void unansweredRequestKeepsTheReading();
    void acknowledgementBox();
    void burstOfAcknowledgementsShowsOneBox();
    void floodKeepsWindowResponsive();
};

void RepliesTest::replyEffects_data()
{
    // `before` is played first (in the same mode) so that a row can show a change back.
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("modeItem"); // cbogpio: 0 GPIO, 1 KEYPAD
    QTest::addColumn<QString>("monitor");
    QTest::addColumn<QString>("analog1");
    QTest::addColumn<QString>("analog2");
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<int>("boxes");

    const QByteArray none;
    QTest::newRow("FE 20 20 acknowledges, changes nothing else")
        << none << hex("FE2020") << 0 << "FE 20 20 "
        << ""
        << "" << kWhite8 << kUntouchedKeys << 1;
    QTest::newRow("FE 20 20 in keypad mode") << none << hex("FE2020") << 1 << "FE 20 20 "
                                             << ""
                                             << "" << kWhite8 << kUntouchedKeys << 1;
    QTest::newRow("FE 20 00 is input status, all red") << none << hex("FE2000") << 0 << "FE 20 00 "
                                                       << ""
                                                       << ""
                                                       << "RRRRRRRR" << kUntouchedKeys << 0;
    QTest::newRow("FE 20 21 is input status") << none << hex("FE2021") << 0 << "FE 20 21 "
                                              << ""
                                              << ""
                                              << "WRRRRWRR" << kUntouchedKeys << 0;
    QTest::newRow("FA 00 00 reads 0") << none << hex("FA0000") << 0 << "FA 00 00 "
                                      << "0"
                                      << "" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("FB 03 FF reads 1023") << none << hex("FB03FF") << 0 << "FB 03 FF "
                                         << ""
                                         << "1023" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("FA 01 00 reads 256, high byte first")
        << none << hex("FA0100") << 0 << "FA 01 00 "
        << "256"
        << "" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("FA 01 F4 reads 500") << none << hex("FA01F4") << 1 << "FA 01 F4 "
                                        << "500"
                                        << "" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("FB 04 01 above the heading's range shows the number")
        << none << hex("FB0401") << 0 << "FB 04 01 "
        << ""
        << "1025" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("FA FF FF reads 65535") << none << hex("FAFFFF") << 0 << "FA FF FF "
                                          << "65535"
                                          << "" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("FC 00 FF GPIO turns every input white again")
        << hex("FC0000") << hex("FC00FF") << 0 << "FC 00 FF "
        << ""
        << "" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("FC 00 FF KEYPAD") << none << hex("FC00FF") << 1 << "FC 00 FF "
                                     << ""
                                     << "" << kWhite8 << "RRRRRRRRWWWWWWWW" << 0;
    QTest::newRow("FC 04 00 KEYPAD lights key(1) only") << none << hex("FC0400") << 1 << "FC 04 00 "
                                                        << ""
                                                        << "" << kWhite8 << "RWRRRRRRRRRRRRRR" << 0;
    QTest::newRow("FC 81 02 KEYPAD: B1 bits 0 and 7, B2 bit 1")
        << none << hex("FC8102") << 1 << "FC 81 02 "
        << ""
        << "" << kWhite8 << "WRRRRRWRRRRWRRRR" << 0;
    QTest::newRow("FD FF 21 GPIO ignores B1") << none << hex("FDFF21") << 0 << "FD FF 21 "
                                              << ""
                                              << ""
                                              << "WRRRRWRR" << kUntouchedKeys << 0;
    QTest::newRow("FF 00 80 GPIO lights pin 8") << none << hex("FF0080") << 0 << "FF 00 80 "
                                                << ""
                                                << ""
                                                << "RRRRRRRW" << kUntouchedKeys << 0;
    QTest::newRow("0A 00 FF is shown and otherwise ignored")
        << none << hex("0A00FF") << 0 << "0A 00 FF "
        << ""
        << "" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("F9 12 34 just below the analog replies is ignored")
        << hex("FA0007") << hex("F91234") << 0 << "F9 12 34 "
        << "7"
        << "" << kWhite8 << kUntouchedKeys << 0;
    QTest::newRow("00 00 00 is ignored") << hex("FC0000") << hex("000000") << 0 << "00 00 00 "
                                         << ""
                                         << ""
                                         << "RRRRRRRR" << kUntouchedKeys << 0;
}

void RepliesTest::replyEffects()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, reply);
    QFETCH(int, modeItem);
    QFETCH(QString, monitor);
    QFETCH(QString, analog1);
    QFETCH(QString, analog2);
    QFETCH(QString, inputs);
    QFETCH(QString, keys);
    QFETCH(int, boxes);

    WindowFixture f;
    ModalAnswerer answerer;
    QVERIFY(f.connect());
    InputsOutputsPage &page = f.page<InputsOutputsPage>();
    if (modeItem != 0) {
        QVERIFY(framecheck::select(f, QStringLiteral("cbogpio=%1").arg(modeItem)));
    }
    if (!before.isEmpty()) {
        QVERIFY(f.peer().send(before));
        QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), caption(before));
    }
    QVERIFY(f.peer().send(reply));
    QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), monitor);
    // An acknowledgement box opens as its reply is handled and stays until answered.
    if (boxes == 0)
        QVERIFY(!QApplication::activeModalWidget());
    QCOMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(0)"))->text(), analog1);
    QCOMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(1)"))->text(), analog2);
    QCOMPARE(colours(page, "Shape1", 8), inputs);
    QCOMPARE(colours(page, "key", 16), keys);
    QTRY_COMPARE(answerer.seen().size(), boxes);
}

void RepliesTest::splitReplies_data()
{
    // The bytes go out in the given pieces, each piece reaching the window before the next;
    // `monitors` is what the receive monitor shows after each piece.
    QTest::addColumn<QList<QByteArray>>("pieces");
    QTest::addColumn<QStringList>("monitors");
    QTest::addColumn<QString>("analog1");
    QTest::addColumn<QString>("analog2");
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<int>("boxes");

    QTest::newRow("one byte, then two")
        << QList<QByteArray>{hex("FA"), hex("01F4")} << QStringList{"", "FA 01 F4 "} << "500"
        << "" << kWhite8 << 0;
    QTest::newRow("two bytes, then one")
        << QList<QByteArray>{hex("FA01"), hex("F4")} << QStringList{"", "FA 01 F4 "} << "500"
        << "" << kWhite8 << 0;
    QTest::newRow("one byte at a time") << QList<QByteArray>{hex("FA"), hex("01"), hex("F4")}
                                        << QStringList{"", "", "FA 01 F4 "} << "500"
                                        << "" << kWhite8 << 0;
    QTest::newRow("a reply and one byte, then two")
        << QList<QByteArray>{hex("FB0007FA"), hex("01F4")} << QStringList{"FB 00 07 ", "FA 01 F4 "}
        << "500"
        << "7" << kWhite8 << 0;
    QTest::newRow("a reply and two bytes, then one")
        << QList<QByteArray>{hex("FB0007FA01"), hex("F4")} << QStringList{"FB 00 07 ", "FA 01 F4 "}
        << "500"
        << "7" << kWhite8 << 0;
    QTest::newRow("two bytes at a time") << QList<QByteArray>{hex("FB00"), hex("07FA"), hex("01F4")}
                                         << QStringList{"", "FB 00 07 ", "FA 01 F4 "} << "500"
                                         << "7" << kWhite8 << 0;
    QTest::newRow("an acknowledgement in two pieces")
        << QList<QByteArray>{hex("FE20"), hex("20")} << QStringList{"", "FE 20 20 "} << ""
        << "" << kWhite8 << 1;
    QTest::newRow("two bytes of an acknowledgement, then a status byte")
        << QList<QByteArray>{hex("FE20"), hex("21")} << QStringList{"", "FE 20 21 "} << ""
        << ""
        << "WRRRRWRR" << 0;
}

void RepliesTest::splitReplies()
{
    QFETCH(QList<QByteArray>, pieces);
    QFETCH(QStringList, monitors);
    QFETCH(QString, analog1);
    QFETCH(QString, analog2);
    QFETCH(QString, inputs);
    QFETCH(int, boxes);

    WindowFixture f;
    ModalAnswerer answerer;
    QVERIFY(f.connect());
    seriallink::SerialPortService &port = f.window().port();
    QSignalSpy notified(&port, &seriallink::SerialPortService::onComm);
    for (int i = 0; i < pieces.size(); ++i) {
        const qsizetype notifications = notified.size();
        QVERIFY(f.peer().send(pieces[i]));
        if (i + 1 < pieces.size()) {
            // The piece has arrived once it waits at the port or the window has read it.
            QTRY_VERIFY(port.bytesWaiting() > 0 || notified.size() > notifications);
            QCoreApplication::processEvents();
            QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), monitors[i]);
            QCOMPARE(answerer.seen().size(), 0);
        } else {
            QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), monitors[i]);
        }
    }
    QCoreApplication::processEvents();
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblAnVal(0)"))->text(), analog1);
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblAnVal(1)"))->text(), analog2);
    QCOMPARE(colours(f.window(), "Shape1", 8), inputs);
    // An acknowledgement box opens as its reply is handled and stays until answered.
    if (boxes == 0)
        QVERIFY(!QApplication::activeModalWidget());
    QTRY_COMPARE(answerer.seen().size(), boxes);
}

void RepliesTest::strayByteIsGivenUpAfterAPause()
{
    // Line noise before a reply: the lone byte is given up once the line has been quiet
    // for the real pause, and the module's next replies read as sent.
    WindowFixture f;
    QVERIFY(f.connect());
    QSignalSpy dropped(&f.window().replyReader(), &seriallink::ReplyReader::bytesDropped);
    QVERIFY(f.peer().send(hex("00")));
    QVERIFY(dropped.wait(5000));
    QCOMPARE(dropped.first().first().toByteArray(), hex("00"));
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), QString());
    QVERIFY(f.peer().send(hex("FA01F4FB0007")));
    QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(),
                 QStringLiteral("FB 00 07 "));
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblAnVal(0)"))->text(), QStringLiteral("500"));
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblAnVal(1)"))->text(), QStringLiteral("7"));
}

void RepliesTest::mergedRepliesAllTakeEffect()
{
    // Replies of every kind in one read: each takes effect in order, the last of a kind
    // wins and the monitor shows the last reply.
    WindowFixture f;
    QVERIFY(f.connect());
    InputsOutputsPage &page = f.page<InputsOutputsPage>();
    QVERIFY(f.peer().send(hex("FA0005FB0007FC0021FA0009FD0001FB0100")));
    QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(),
                 QStringLiteral("FB 01 00 "));
    QCOMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(0)"))->text(), QStringLiteral("9"));
    QCOMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(1)"))->text(), QStringLiteral("256"));
    QCOMPARE(colours(page, "Shape1", 8), QStringLiteral("WRRRRRRR"));
    QCOMPARE(colours(page, "key", 16), kUntouchedKeys);
}

void RepliesTest::modeIsReadWhenTheReplyArrives()
{
    // The list decides how the next status reply reads, at once, without being sent; it
    // recolours nothing by itself.
    WindowFixture f;
    QVERIFY(f.connect());
    InputsOutputsPage &page = f.page<InputsOutputsPage>();
    QVERIFY(f.peer().send(hex("FC0000")));
    QTRY_COMPARE(colours(page, "Shape1", 8), QStringLiteral("RRRRRRRR"));

    QVERIFY(framecheck::select(f, QStringLiteral("cbogpio=1")));
    QCOMPARE(colours(page, "Shape1", 8), QStringLiteral("RRRRRRRR"));
    QCOMPARE(colours(page, "key", 16), kUntouchedKeys);
    QVERIFY(f.peer().send(hex("FC00FF")));
    QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(),
                 QStringLiteral("FC 00 FF "));
    QCOMPARE(colours(page, "key", 16), QStringLiteral("RRRRRRRRWWWWWWWW"));
    QCOMPARE(colours(page, "Shape1", 8), QStringLiteral("RRRRRRRR"));

    QVERIFY(framecheck::select(f, QStringLiteral("cbogpio=0")));
    QVERIFY(f.peer().send(hex("FC0021")));
    QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(),
                 QStringLiteral("FC 00 21 "));
    QCOMPARE(colours(page, "Shape1", 8), QStringLiteral("WRRRRWRR"));
    QCOMPARE(colours(page, "key", 16), QStringLiteral("RRRRRRRRWWWWWWWW"));
}

void RepliesTest::unansweredRequestKeepsTheReading()
{
    WindowFixture f;
    QVERIFY(f.connect());
    InputsOutputsPage &page = f.page<InputsOutputsPage>();
    f.click(QStringLiteral("cmdReadAn(1)"));
    QCOMPARE(f.received(2), hex("FE0C"));
    QVERIFY(f.peer().send(hex("FB0200")));
    QTRY_COMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(1)"))->text(),
                 QStringLiteral("512"));
    // The next request empties the receive monitor; the reading stays without an answer.
    f.click(QStringLiteral("cmdReadAn(1)"));
    QCOMPARE(f.received(2), hex("FE0C"));
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), QString());
    QCOMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(1)"))->text(), QStringLiteral("512"));
    QCOMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(0)"))->text(), QString());
}

void RepliesTest::acknowledgementBox()
{
    WindowFixture f;
    ModalAnswerer answerer;
    QVERIFY(f.connect());
    QSignalSpy closed(&f.window(), &frmMain::acknowledgementShown);
    QVERIFY(f.peer().send(hex("FE2020")));
    QVERIFY(closed.wait());
    QCOMPARE(answerer.seen().size(), 1);
    const ModalAnswerer::Seen box = answerer.seen().first();
    QCOMPARE(box.text, QStringLiteral("Settings Saved,Please Reset LCD"));
    QCOMPARE(box.title, QStringLiteral("VantelApp"));
    QCOMPARE(box.buttons, int(QMessageBox::Ok));
    QVERIFY(!box.hasIcon);
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), QStringLiteral("FE 20 20 "));

    // A later acknowledgement gets its own box.
    QVERIFY(f.peer().send(hex("FE2020")));
    QVERIFY(closed.wait());
    QCOMPARE(answerer.seen().size(), 2);
}

void RepliesTest::burstOfAcknowledgementsShowsOneBox()
{
    // One box at a time: acknowledgements that arrive while it is open are covered by it,
    // however many come and however the reads split them.
    WindowFixture f;
    ModalAnswerer answerer(QMessageBox::Ok, 300);
    QVERIFY(f.connect());
    QSignalSpy closed(&f.window(), &frmMain::acknowledgementShown);
    QByteArray burst;
    for (int i = 0; i < 100; ++i)
        burst += hex("FE2020");
    burst += hex("FA0033");
    QVERIFY(f.peer().send(burst));
    QVERIFY(closed.wait());
    QCoreApplication::processEvents();
    QCOMPARE(closed.size(), 1);
    QCOMPARE(answerer.seen().size(), 1);
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblAnVal(0)"))->text(), QStringLiteral("51"));
}

void RepliesTest::floodKeepsWindowResponsive()
{
    // 30,000 replies written at once: every one is framed (a single lost byte would shift
    // the last reply), the last of each kind shows, and a 10 ms timer keeps firing.
    constexpr int kReplies = 30000;
    WindowFixture f;
    QVERIFY(f.connect());
    InputsOutputsPage &page = f.page<InputsOutputsPage>();
    QByteArray flood;
    flood.reserve(kReplies * 3);
    for (int i = 0; i < kReplies - 2; ++i) {
        const int value = i % 1025;
        flood.append(char(i % 7 == 0 ? 0xFC : 0xFA));
        flood.append(char(value >> 8));
        flood.append(char(value & 0xFF));
    }
    flood += hex("FD0011"); // last status reply
    flood += hex("FB1234"); // last reply of all
    const int lastAnalog1 = (kReplies - 3) % 1025;

    QElapsedTimer clock;
    qint64 lastTick = 0;
    qint64 longestGap = 0;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastTick);
        lastTick = now;
    });
    clock.start();
    ticker.start();
    bool sent = false;
    std::thread writer([&] { sent = f.peer().send(flood); });
    QTRY_COMPARE_WITH_TIMEOUT(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(),
                              QStringLiteral("FB 12 34 "), 30000);
    longestGap = std::max(longestGap, clock.elapsed() - lastTick);
    writer.join();
    ticker.stop();
    QVERIFY(sent);
    QCOMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(1)"))->text(), QStringLiteral("4660"));
    QCOMPARE(control<QLabel>(page, QStringLiteral("lblAnVal(0)"))->text(),
             QString::number(lastAnalog1));
    QCOMPARE(colours(page, "Shape1", 8), QStringLiteral("WRRRWRRR"));
    qInfo("flood of %d bytes: longest gap between 10 ms ticks %lld ms", int(flood.size()),
          longestGap);
    QVERIFY2(longestGap < 250, qPrintable(QString::number(longestGap)));
}

QTEST_MAIN(RepliesTest)
#include "tst_replies.moc"
