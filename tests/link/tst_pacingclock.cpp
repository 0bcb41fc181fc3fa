// The 200 ms pacing tick and the paced sequences it steps. The transitions are driven by
// calling the tick handler by hand, so they need no clock; the few timed checks have
// generous bounds, since the machine that runs them may be slow and busy.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "link/pacingclock.h"

#include <QStringList>

namespace
{

// Stops a wait that would otherwise never end, so a fault fails the test instead of
// hanging it.
constexpr int kWatchdogMs = 5000;

} // namespace

class TestPacingClock : public QObject
{
    Q_OBJECT
private slots:
    void disabledTimerDoesNotCount();
    void saturatesAt32767();
    void transitions_data();
    void transitions();
    void timerStepsASequence();
};

void TestPacingClock::disabledTimerDoesNotCount()
{
    seriallink::PacingClock clock;
    QVERIFY(!clock.Timer1.isActive());
    QCOMPARE(clock.Timer1.interval(), 200);
    QSignalSpy ticks(&clock.Timer1, &QTimer::timeout);
    // Nothing can prove that a tick will not come; three intervals without one will do.
    QVERIFY(!ticks.wait(3 * seriallink::PacingClock::kIntervalMs));
    QCOMPARE(clock.TickCount, qint16{0});
}

void TestPacingClock::saturatesAt32767()
{
    seriallink::PacingClock clock;
    clock.TickCount = 32765;
    clock.Timer1_Timer();
    QCOMPARE(clock.TickCount, qint16{32766});
    clock.Timer1_Timer();
    QCOMPARE(clock.TickCount, qint16{32767});
    clock.Timer1_Timer();
    clock.Timer1_Timer();
    QCOMPARE(clock.TickCount, qint16{32767});
}

// The sequence under test sends "a", waits, sends "b", waits, sends "c": the shape of the
// message upload. Each event is applied in turn and the log tells what ran, and how the
// sequence ended.
void TestPacingClock::transitions_data()
{
    QTest::addColumn<QStringList>("events");
    QTest::addColumn<QString>("log");
    const auto events = [](const char *list) { return QString::fromLatin1(list).split(' '); };
    QTest::newRow("start sends the first frame at once") << QStringList() << "a";
    QTest::newRow("each tick sends the next frame") << events("tick tick") << "a b c completed";
    QTest::newRow("a wait takes one tick, not one per tick passed")
        << events("hold tick tick tick release") << "a b";
    QTest::newRow("released after ticks: goes on at once, then waits a full tick")
        << events("hold tick tick release tick") << "a b c completed";
    QTest::newRow("released before the tick: the wait still waits for it")
        << events("hold release") << "a";
    QTest::newRow("two holds need two releases") << events("hold hold tick release") << "a";
    QTest::newRow("abort during a wait ends it; later ticks send nothing")
        << events("tick abort tick tick") << "a b aborted";
    QTest::newRow("abort from inside a step stops the steps after it")
        << events("abort-in-next-step tick tick") << "a b aborted";
    QTest::newRow("abort while held") << events("hold tick abort release tick") << "a aborted";
    QTest::newRow("a second sequence is refused while one runs")
        << events("start tick tick start") << "a refused b c completed x";
}

void TestPacingClock::transitions()
{
    QFETCH(QStringList, events);
    QFETCH(QString, log);
    seriallink::PacingClock clock;
    QSignalSpy running(&clock, &seriallink::PacingClock::sequenceRunningChanged);
    QStringList ran;
    bool abortInStep = false;
    const auto send = [&](const char *frame) {
        return [&, frame] {
            ran << QString::fromLatin1(frame);
            if (std::exchange(abortInStep, false))
                clock.abort();
        };
    };
    const auto sequence = [&] {
        seriallink::PacedSequence s;
        s.startTicking().run(send("a")).waitForTick().run(send("b")).waitForTick().run(send("c"));
        s.onEnd([&](bool completed) { ran << (completed ? "completed" : "aborted"); });
        return s;
    };

    QVERIFY(clock.start(sequence()));
    QVERIFY(clock.Timer1.isActive());
    for (const QString &event : events) {
        if (event == "tick")
            clock.Timer1_Timer();
        else if (event == "hold")
            clock.hold();
        else if (event == "release")
            clock.release();
        else if (event == "abort")
            clock.abort();
        else if (event == "abort-in-next-step")
            abortInStep = true;
        else if (event == "start" && !clock.start(seriallink::PacedSequence().run(send("x"))))
            ran << "refused";
    }
    QCOMPARE(ran.join(' '), log);

    const bool ended = log.contains("completed") || log.contains("aborted");
    QCOMPARE(clock.sequenceRunning(), !ended);
    QCOMPARE(clock.Timer1.isActive(), !ended);
    QCOMPARE(running.first().at(0).toBool(), true);
    QCOMPARE(running.last().at(0).toBool(), !ended);
    clock.abort();
}

// The real timer moves a sequence on: three frames one tick apart (the first tick comes about
// 200 ms after the start), and the timer off after.
void TestPacingClock::timerStepsASequence()
{
    seriallink::PacingClock clock;
    QElapsedTimer elapsed;
    QList<qint64> sent;
    const auto stamp = [&] { sent << elapsed.elapsed(); };
    seriallink::PacedSequence sequence;
    sequence.startTicking().run(stamp).waitForTick().run(stamp).waitForTick().run(stamp);
    elapsed.start();
    QVERIFY(clock.start(std::move(sequence)));
    QTRY_VERIFY_WITH_TIMEOUT(!clock.sequenceRunning(), kWatchdogMs);
    QCOMPARE(sent.size(), 3);
    for (int k = 1; k < 3; ++k) {
        const qint64 gap = sent[k] - sent[k - 1];
        QVERIFY2(gap >= 150 && gap <= 600, qPrintable(QString::number(gap)));
    }
    QVERIFY(!clock.Timer1.isActive());
}

QTEST_GUILESS_MAIN(TestPacingClock)
#include "tst_pacingclock.moc"
