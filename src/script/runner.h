#pragma once
// Plays steps (step.h) against the module: frames go out through a sender the owner gives
// (the command-line tool writes to its port, the window through its transmitter), replies
// come in through takeReply(). Waits and reply timeouts are timers on the event loop;
// nothing here blocks or spins an event loop of its own.
//
// Frames in a row go out at once; a wait, an awaited reply or a listen holds the run until
// its timer fires or its reply arrives. A run ends in one of three ways, each reported once
// by finished():
//   - every step done: success;
//   - stop() during a listen: success, that is how a listen without a count ends;
//   - stop() elsewhere, a frame the sender refused, a reply that did not come in time:
//     failure, with one line saying why.

#include <deque>
#include <functional>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "protocol/replydecoder.h"
#include "script/steps.h"

namespace script
{

// Exit statuses of vantelctl, also what finished() reports.
enum Status { Success = 0, Failure = 1, UsageError = 2 };

class ScriptRunner : public QObject
{
    Q_OBJECT
public:
    using Sender = std::function<bool(const proto::Frame &)>;

    explicit ScriptRunner(Sender sender, QObject *parent = nullptr);

    // Plays the steps from the first; frames before the first pause are sent before this
    // returns.
    void start(Steps steps);
    void stop();
    // Ends the run as failed, with this line (the device vanished, ...).
    void fail(const QString &problem);
    bool running() const { return m_running; }
    // While held no step starts: a wait's time stands still and a reply's deadline with it;
    // the run goes on where it stood once let go (the window holds it while a box is open,
    // the command-line tool while the line has more bytes waiting than it can soon carry;
    // a sender may hold it from inside).
    void setHeld(bool held);

    void takeReply(const proto::Reply &reply);
    void takeDropped(const QByteArray &bytes);
    // A listen with --reconnect goes on across a loss of the line; the loss and the return
    // are its events ("lost: REASON" and "back" told, or JSON lines printed with --json).
    // False when no such listen runs: the loss then ends the run, which is the caller's to do.
    bool takeLineLost(const QString &reason);
    void takeLineBack();

signals:
    // Before each step, for a progress bar: `index` of `count`.
    void stepStarted(int index, int count);
    // A line of output: a reading, or a reply heard while listening.
    void printed(const QString &line);
    // A line for the person rather than the output (vantelctl's standard error).
    void told(const QString &line);
    void finished(int status, const QString &problem);

private:
    struct Heard {
        int step; // the step running when it arrived
        proto::Reply reply;
    };

    void advance();
    void next();
    bool claimAwaited();
    void finish(int status, const QString &problem = {});
    Step current() const { return m_steps[m_index]; }
    bool listening() const;

    Sender m_send;
    Steps m_steps;
    std::size_t m_index = 0;
    bool m_running = false;
    int m_heardCount = 0;
    std::deque<Heard> m_unclaimed; // readings and acknowledgements a step may still await
    QTimer m_timer;
    QElapsedTimer m_clock;
    bool m_held = false;
    bool m_advanceWaiting = false; // a step was due while held
    int m_heldRemainingMs = -1;    // the timer's time left when the hold came
};

} // namespace script
