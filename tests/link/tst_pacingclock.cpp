// The 200 ms pacing tick and the waits built on it. Time bounds are generous: the machine
// that runs these may be slow and busy, so only gross faults (no tick, a hang, a tick far too
// early) fail.

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTest>

#include "link/pacingclock.h"

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
    void firstTickAfterAboutTwoHundredMs();
    void waitForTickReachesTarget_data();
    void waitForTickReachesTarget();
    void abortEndsWaitPromptly();
    void abortBeforeWaitDoesNotLeak();
    void waitWithDisabledTimerReturns();
    void timerStoppedDuringWaitEndsIt();
    void eventsRunDuringWait();
    void saturatesAt32767();
    void oneSequenceAtATime();
    void abortOutsideAWaitEndsTheSequencesWaits();
};

void TestPacingClock::disabledTimerDoesNotCount()
{
    PacingClock clock;
    QVERIFY(!clock.Timer1.isActive());
    QCOMPARE(clock.Timer1.interval(), 200);
    QSignalSpy ticks(&clock.Timer1, &QTimer::timeout);
    // Nothing can prove that a tick will not come; three intervals without one will do.
    QVERIFY(!ticks.wait(3 * PacingClock::kIntervalMs));
    QCOMPARE(clock.TickCount, qint16{0});
}

void TestPacingClock::firstTickAfterAboutTwoHundredMs()
{
    PacingClock clock;
    clock.TickCount = 5;
    QElapsedTimer elapsed;
    elapsed.start();
    clock.TickCount = 0;
    clock.Timer1.start();
    QTRY_VERIFY_WITH_TIMEOUT(clock.TickCount >= 1, kWatchdogMs);
    const qint64 ms = elapsed.elapsed();
    QVERIFY2(ms >= 150 && ms <= 600, qPrintable(QString::number(ms)));
    clock.Timer1.stop();
}

void TestPacingClock::waitForTickReachesTarget_data()
{
    QTest::addColumn<int>("target");
    QTest::newRow("one tick") << 1;
    QTest::newRow("three ticks") << 3;
}

void TestPacingClock::waitForTickReachesTarget()
{
    QFETCH(int, target);
    PacingClock clock;
    clock.TickCount = 0;
    clock.Timer1.start();
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(clock.waitForTick(static_cast<qint16>(target)));
    QVERIFY(clock.TickCount >= target);
    const qint64 ms = elapsed.elapsed();
    QVERIFY2(ms >= target * 150 && ms <= target * 200 + 800, qPrintable(QString::number(ms)));
}

void TestPacingClock::abortEndsWaitPromptly()
{
    PacingClock clock;
    clock.TickCount = 0;
    clock.Timer1.start();
    QTimer watchdog;
    watchdog.setSingleShot(true);
    connect(&watchdog, &QTimer::timeout, &clock.Timer1, &QTimer::stop);
    watchdog.start(kWatchdogMs);

    // Far beyond any tick the test waits for: only the abort can end this wait in time.
    QElapsedTimer elapsed;
    QTimer::singleShot(300, &clock, [&] {
        elapsed.start();
        clock.abort();
    });
    QVERIFY(!clock.waitForTick(1000));
    QVERIFY(elapsed.isValid());
    QVERIFY2(elapsed.elapsed() < 1000, qPrintable(QString::number(elapsed.elapsed())));
    QVERIFY(watchdog.isActive());
}

// An abort meant for an earlier wait must not end the next one.
void TestPacingClock::abortBeforeWaitDoesNotLeak()
{
    PacingClock clock;
    clock.abort();
    clock.TickCount = 0;
    clock.Timer1.start();
    QVERIFY(clock.waitForTick(1));
}

void TestPacingClock::waitWithDisabledTimerReturns()
{
    PacingClock clock;
    clock.TickCount = 0;
    // A stray event source so that a wait stuck on an idle event loop still comes back and
    // fails the time check below instead of hanging the test.
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.start(kWatchdogMs);
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!clock.waitForTick(1));
    QVERIFY2(elapsed.elapsed() < 1000, qPrintable(QString::number(elapsed.elapsed())));
    QCOMPARE(clock.TickCount, qint16{0});
}

void TestPacingClock::timerStoppedDuringWaitEndsIt()
{
    PacingClock clock;
    clock.TickCount = 0;
    clock.Timer1.start();
    QTimer::singleShot(50, &clock, [&] { clock.Timer1.stop(); });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    watchdog.start(kWatchdogMs);
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!clock.waitForTick(1));
    QVERIFY2(elapsed.elapsed() < 1000, qPrintable(QString::number(elapsed.elapsed())));
}

// The wait keeps the window alive: other handlers run, and one of them may reset the counter
// (a second paced command), which only prolongs the wait.
void TestPacingClock::eventsRunDuringWait()
{
    PacingClock clock;
    clock.TickCount = 0;
    clock.Timer1.start();
    int handlersRun = 0;
    QTimer other;
    connect(&other, &QTimer::timeout, &clock, [&] { ++handlersRun; });
    other.start(20);
    QVERIFY(clock.waitForTick(2));
    QVERIFY2(handlersRun >= 3, qPrintable(QString::number(handlersRun)));
}

void TestPacingClock::saturatesAt32767()
{
    PacingClock clock;
    clock.TickCount = 32765;
    clock.Timer1_Timer();
    QCOMPARE(clock.TickCount, qint16{32766});
    clock.Timer1_Timer();
    QCOMPARE(clock.TickCount, qint16{32767});
    clock.Timer1_Timer();
    clock.Timer1_Timer();
    QCOMPARE(clock.TickCount, qint16{32767});
}

void TestPacingClock::oneSequenceAtATime()
{
    PacingClock clock;
    QSignalSpy running(&clock, &PacingClock::sequenceRunningChanged);
    QVERIFY(!clock.sequenceRunning());
    QVERIFY(clock.beginSequence());
    QVERIFY(clock.sequenceRunning());
    QVERIFY(!clock.beginSequence());
    QCOMPARE(running.size(), 1);
    QCOMPARE(running.at(0).at(0).toBool(), true);

    clock.endSequence();
    QVERIFY(!clock.sequenceRunning());
    clock.endSequence();
    QCOMPARE(running.size(), 2);
    QCOMPARE(running.at(1).at(0).toBool(), false);

    QVERIFY(clock.beginSequence());
    clock.endSequence();
}

// A sequence can be aborted while it is not waiting (a write that finds the device gone
// opens a box from inside the send); its next wait must not go on as if nothing happened.
void TestPacingClock::abortOutsideAWaitEndsTheSequencesWaits()
{
    PacingClock clock;
    QVERIFY(clock.beginSequence());
    QVERIFY(!clock.sequenceAborted());
    clock.TickCount = 0;
    clock.Timer1.start();
    clock.abort();
    QVERIFY(clock.sequenceAborted());
    QElapsedTimer elapsed;
    elapsed.start();
    QVERIFY(!clock.waitForTick(1));
    QVERIFY2(elapsed.elapsed() < 100, qPrintable(QString::number(elapsed.elapsed())));
    clock.endSequence();
    QVERIFY(!clock.sequenceAborted());

    // The next sequence starts clean.
    QVERIFY(clock.beginSequence());
    QVERIFY(!clock.sequenceAborted());
    clock.TickCount = 0;
    QVERIFY(clock.waitForTick(1));
    clock.Timer1.stop();
    clock.endSequence();
}

QTEST_GUILESS_MAIN(TestPacingClock)
#include "tst_pacingclock.moc"
