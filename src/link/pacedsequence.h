#pragma once
// A paced command written down as steps, for PacingClock to run. Three kinds of step:
//
//   startTicking()   TickCount = 0 and Timer1 enabled: the first tick comes 200 ms later
//   run(action)      does something now (sends a frame, opens a question)
//   waitForTick()    waits until TickCount >= 1, then sets it back to 0
//
// The message upload, for example, is startTicking, then run(send message k) and
// waitForTick for k = 0..19: twenty frames one tick apart and a wait after the last.
// Nothing runs between two steps but the window's own events, and a wait is nothing but
// the step the next tick looks at; so the window goes on handling clicks and replies
// while a sequence waits.
//
// onEnd(action) runs once when the sequence ends: with true after its last step, with
// false when it was aborted (or an answer declined it) before that. It must not start
// another sequence: the end is announced after it.

#include <functional>
#include <vector>

namespace seriallink
{

class PacedSequence
{
public:
    using Action = std::function<void()>;
    using EndAction = std::function<void(bool completed)>;

    struct Step {
        enum class Kind { StartTicking, Run, WaitForTick };
        Kind kind;
        Action action; // Run only
    };

    PacedSequence &startTicking()
    {
        m_steps.push_back({Step::Kind::StartTicking, {}});
        return *this;
    }
    PacedSequence &run(Action action)
    {
        m_steps.push_back({Step::Kind::Run, std::move(action)});
        return *this;
    }
    PacedSequence &waitForTick()
    {
        m_steps.push_back({Step::Kind::WaitForTick, {}});
        return *this;
    }
    PacedSequence &onEnd(EndAction action)
    {
        m_onEnd = std::move(action);
        return *this;
    }

    const std::vector<Step> &steps() const { return m_steps; }
    const EndAction &endAction() const { return m_onEnd; }

private:
    std::vector<Step> m_steps;
    EndAction m_onEnd;
};

} // namespace seriallink
