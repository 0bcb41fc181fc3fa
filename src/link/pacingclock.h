#pragma once
// The pacing tick and the paced command it steps. Timer1 fires every 200 ms while enabled
// and counts in TickCount; each tick also moves the running PacedSequence on, as far as
// its next wait that TickCount does not yet satisfy. Between ticks the window handles its
// events as usual: clicks send their own frames, replies are shown.
//
// - One sequence at a time: start() refuses a second one, which would reset the counter
//   and stop the timer the first one waits on.
// - hold() keeps every step from running until the matching release(), however many ticks
//   pass meanwhile. Every box the window opens holds it this way (widgets/boxhold.h). On the
//   release a wait that a tick has already satisfied goes on at once, and the timer starts
//   its interval afresh, so the frame after that is a full tick later, as without the box.
//   held() and heldChanged() tell a script player, which times itself, to wait likewise.
// - abort() ends the running sequence at once (disconnect, lost device, window closing):
//   no further step runs and Timer1 stops. It may come from inside a step, as when a send
//   finds the device gone.
// - claim() takes the one sequence slot for work that times itself (a script played from
//   the window): no step runs and Timer1 stays off, but start() refuses another sequence
//   until the owner calls endClaim(), and abort() ends the claim as it ends a sequence.
//   abortReason() names what the last abort() said ended it, for the claim's owner.

#include <memory>

#include <QObject>
#include <QString>
#include <QTimer>

#include "link/pacedsequence.h"

namespace seriallink
{

class PacingClock : public QObject
{
    Q_OBJECT
public:
    static constexpr int kIntervalMs = 200;

    explicit PacingClock(QObject *parent = nullptr);

    QTimer Timer1;
    qint16 TickCount = 0;

    // One tick: counts, then steps the running sequence. At 32767 the counter stays put:
    // every wait resets it, so it only gets there if something left the timer running for
    // 109 minutes.
    void Timer1_Timer();

    // Runs the sequence's steps up to its first wait. False, and nothing run, while
    // another sequence runs.
    bool start(PacedSequence sequence);
    // False while a sequence runs; `onEnd` runs as a sequence's would.
    bool claim(PacedSequence::EndAction onEnd);
    void endClaim();
    // `reason` says in words what ended it ("Disconnect was pressed").
    void abort(const QString &reason = QString());
    const QString &abortReason() const { return m_abortReason; }
    bool sequenceRunning() const { return m_running != nullptr; }

    void hold();
    void release();
    bool held() const { return m_holds > 0; }

signals:
    void sequenceRunningChanged(bool running);
    void heldChanged(bool held);

private:
    struct Running;

    bool begin(Running running);
    void advance();
    void finish(bool completed);

    std::shared_ptr<Running> m_running;
    int m_holds = 0;
    QString m_abortReason;
};

} // namespace seriallink
