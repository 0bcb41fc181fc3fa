// Unix signals reach the event loop as they were raised, in order, and the watcher gives the
// signals back their default action when it goes.

#include <QSignalSpy>
#include <QTest>

#include "posix/signalwatcher.h"

#include <csignal>

class TestSignalWatcher : public QObject
{
    Q_OBJECT
private slots:
    void signalsArriveInOrder();
    void defaultsComeBackWithTheWatcher();
};

void TestSignalWatcher::signalsArriveInOrder()
{
    SignalWatcher watcher({SIGUSR1, SIGUSR2, SIGWINCH});
    QVERIFY(watcher.isWatching());
    // One per process: a second watcher would steal the first one's signals.
    QVERIFY(!SignalWatcher({SIGUSR1}).isWatching());
    QSignalSpy received(&watcher, &SignalWatcher::received);
    // Raised before the event loop runs: all three wait in the pipe for one read.
    for (int signalNumber : {SIGUSR2, SIGWINCH, SIGUSR1})
        QCOMPARE(::raise(signalNumber), 0);
    QTRY_COMPARE(received.size(), 3);
    QCOMPARE(received.at(0).at(0).toInt(), SIGUSR2);
    QCOMPARE(received.at(1).at(0).toInt(), SIGWINCH);
    QCOMPARE(received.at(2).at(0).toInt(), SIGUSR1);
}

void TestSignalWatcher::defaultsComeBackWithTheWatcher()
{
    {
        SignalWatcher watcher({SIGUSR1});
        QVERIFY(watcher.isWatching());
    }
    struct sigaction now = {};
    QCOMPARE(::sigaction(SIGUSR1, nullptr, &now), 0);
    QVERIFY(now.sa_handler == SIG_DFL);
    // And the next watcher can have them.
    SignalWatcher again({SIGUSR1});
    QSignalSpy received(&again, &SignalWatcher::received);
    QCOMPARE(::raise(SIGUSR1), 0);
    QVERIFY(received.wait(5000));
    QCOMPARE(received.first().first().toInt(), SIGUSR1);
}

QTEST_GUILESS_MAIN(TestSignalWatcher)
#include "tst_signalwatcher.moc"
