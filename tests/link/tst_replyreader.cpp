// The reply reader on a real pseudo-terminal, without a window: the test plays the module
// and checks which replies come out and which bytes are given up, for pieces, garbage,
// pauses and reconnections.

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "link/replyreader.h"
#include "ptypeer.h"

namespace
{

constexpr int kEventTimeoutMs = 5000;

} // namespace

class TestReplyReader : public QObject
{
    Q_OBJECT
private slots:
    void framesAcrossPausesAndReconnects_data();
    void framesAcrossPausesAndReconnects();
};

void TestReplyReader::framesAcrossPausesAndReconnects_data()
{
    // Steps: hex bytes the module sends (each piece is read before the next goes out);
    // "pause" waits until the reader gives up what is pending; "late XX": the event loop
    // is held past the pause, then another timer's work sends XX right before the pause's
    // own timer runs, so XX waits unread when it does; "reconnect" closes and opens the
    // port.
    QTest::addColumn<int>("pauseMs");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QByteArray>("replies");
    QTest::addColumn<QByteArray>("dropped");

    QTest::newRow("stray byte, pause, then replies")
        << 100 << QStringList{"00", "pause", "FA01F4FB0007"} << QByteArray("FA01F4FB0007")
        << QByteArray("00");
    QTest::newRow("cut-off reply, pause, then a fresh reply")
        << 100 << QStringList{"FA01", "pause", "FB03FF"} << QByteArray("FB03FF")
        << QByteArray("FA01");
    QTest::newRow("garbage in pieces, pause, then a reply")
        << 100 << QStringList{"13", "3713", "99", "pause", "FC0021"} << QByteArray("133713FC0021")
        << QByteArray("99");
    QTest::newRow("reply in pieces that follow promptly is joined")
        << 500 << QStringList{"FA", "01", "F4", "FE2020"} << QByteArray("FA01F4FE2020")
        << QByteArray();
    QTest::newRow("continuation not yet read when the pause ends is joined")
        << 100 << QStringList{"FA01", "late F4"} << QByteArray("FA01F4") << QByteArray();
    QTest::newRow("reconnect in the middle of a reply")
        << 500 << QStringList{"FA01", "reconnect", "FB03FF"} << QByteArray("FB03FF")
        << QByteArray("FA01");
}

void TestReplyReader::framesAcrossPausesAndReconnects()
{
    QFETCH(int, pauseMs);
    QFETCH(QStringList, steps);
    QFETCH(QByteArray, replies);
    QFETCH(QByteArray, dropped);

    PtyPeer peer;
    QVERIFY(peer.isValid());
    seriallink::SerialPortService port;
    port.setDeviceResolver([&](int) { return peer.slavePath(); });
    QVERIFY(port.setCommPort(1));
    seriallink::ReplyReader reader(port);
    reader.setPause(std::chrono::milliseconds(pauseMs));
    QByteArray got; // the replies read, one after the other
    QByteArray droppedBytes;
    connect(&reader, &seriallink::ReplyReader::repliesRead, this,
            [&](const seriallink::ReplyBatch &batch) {
                for (const proto::Reply &reply : batch.replies)
                    got += reply.bytes();
            });
    connect(&reader, &seriallink::ReplyReader::bytesDropped, this,
            [&](const QByteArray &bytes) { droppedBytes += bytes; });
    QSignalSpy drops(&reader, &seriallink::ReplyReader::bytesDropped);
    QVERIFY2(port.open(), qPrintable(port.lastError()));

    // Every byte sent is in a reply, given up, or pending once the reader has read it.
    qsizetype sent = 0;
    const auto taken = [&] { return got.size() + droppedBytes.size() + reader.pending(); };
    for (const QString &step : steps) {
        if (step == QLatin1String("pause")) {
            QVERIFY(drops.wait(kEventTimeoutMs));
        } else if (step == QLatin1String("reconnect")) {
            port.close();
            QVERIFY2(port.open(), qPrintable(port.lastError()));
        } else {
            const bool late = step.startsWith(QLatin1String("late "));
            const QByteArray bytes = QByteArray::fromHex(step.mid(late ? 5 : 0).toLatin1());
            if (late) {
                // Due before the pause's timer, and both overdue when the loop runs again.
                QTimer::singleShot(1, Qt::PreciseTimer, this, [&] {
                    peer.send(bytes);
                    // The work goes on until the byte has reached the port's driver.
                    QDeadlineTimer deadline(kEventTimeoutMs);
                    while (port.bytesInDriver() == 0 && !deadline.hasExpired())
                        QThread::usleep(100);
                });
                QThread::msleep(static_cast<unsigned long>(3 * pauseMs));
            } else {
                QVERIFY(peer.send(bytes));
            }
            sent += bytes.size();
            QTRY_COMPARE_WITH_TIMEOUT(taken(), sent, kEventTimeoutMs);
        }
    }
    QCOMPARE(got.toHex().toUpper(), replies);
    QCOMPARE(droppedBytes.toHex().toUpper(), dropped);
}

QTEST_GUILESS_MAIN(TestReplyReader)
#include "tst_replyreader.moc"
