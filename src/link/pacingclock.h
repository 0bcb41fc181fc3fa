#pragma once
// The pacing tick: Timer1 fires every 200 ms while enabled and counts in TickCount.
// A paced command (message upload, store to flash) resets the counter, enables the timer
// and waits for a tick while the window keeps processing events, so clicks, key presses
// and replies go on during the wait.
//
// Beyond the bare tick this class guards the sequences:
// - one paced sequence at a time (begin/end), so a second one cannot reset the counter
//   and stop the timer that the first is waiting on;
// - abort() ends every running wait at once (disconnect, lost device, window closing);
//   the waiting sequence sees waitForTick() return false and stops sending. An abort that
//   comes while the sequence is not waiting (a write that finds the device gone, a box
//   on screen) counts as well: every later wait of that sequence returns false at once.

#include <QObject>
#include <QTimer>

class PacingClock : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 200;

    explicit PacingClock(QObject *parent = nullptr);

    QTimer Timer1;
    qint16 TickCount = 0;

    // One tick. At 32767 the counter stays put: it is reset before every wait, so it only
    // gets there if something left the timer running for 109 minutes.
    void Timer1_Timer();

    // Processes window events until TickCount >= target. False when aborted meanwhile (or,
    // inside a sequence, since the sequence began), or when Timer1 is not running (no tick
    // could ever come).
    bool waitForTick(qint16 target = 1);
    void abort();

    bool beginSequence();
    void endSequence();
    bool sequenceRunning() const { return m_sequenceRunning; }
    // True when abort() was called since the running sequence began.
    bool sequenceAborted() const
    {
        return m_sequenceRunning && m_sequenceGeneration != m_abortGeneration;
    }

signals:
    void sequenceRunningChanged(bool running);

private:
    quint64 m_abortGeneration = 0;
    quint64 m_sequenceGeneration = 0;
    bool m_sequenceRunning = false;
};
