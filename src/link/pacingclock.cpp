#include "link/pacingclock.h"

#include <limits>

namespace seriallink
{

struct PacingClock::Running {
    PacedSequence sequence;
    bool claim = false; // no steps: runs until endClaim() or abort()
    std::size_t next = 0;
    bool ended = false;
};

PacingClock::PacingClock(QObject *parent) : QObject(parent)
{
    Timer1.setInterval(kIntervalMs);
    Timer1.setTimerType(Qt::PreciseTimer);
    connect(&Timer1, &QTimer::timeout, this, &PacingClock::Timer1_Timer);
}

void PacingClock::Timer1_Timer()
{
    if (TickCount < std::numeric_limits<qint16>::max())
        ++TickCount;
    advance();
}

bool PacingClock::start(PacedSequence sequence)
{
    return begin(Running{std::move(sequence)});
}

bool PacingClock::claim(PacedSequence::EndAction onEnd)
{
    PacedSequence nothing;
    nothing.onEnd(std::move(onEnd));
    return begin(Running{std::move(nothing), true});
}

void PacingClock::endClaim()
{
    if (m_running && m_running->claim)
        finish(true);
}

bool PacingClock::begin(Running running)
{
    if (m_running)
        return false;
    m_running = std::make_shared<Running>(std::move(running));
    emit sequenceRunningChanged(true);
    advance();
    return true;
}

void PacingClock::abort(const QString &reason)
{
    m_abortReason = reason;
    Timer1.stop();
    finish(false);
}

void PacingClock::hold()
{
    if (m_holds++ == 0)
        emit heldChanged(true);
}

void PacingClock::release()
{
    if (m_holds == 0)
        return;
    if (--m_holds > 0)
        return;
    emit heldChanged(false);
    // A wait the ticks under the box satisfied ends now; the next one is a whole interval.
    if (Timer1.isActive() && TickCount >= 1)
        Timer1.start();
    advance();
}

void PacingClock::advance()
{
    // The local reference keeps the steps alive while one of them runs: a step may end the
    // sequence (a send that finds the device gone aborts it) and a new one may start.
    const std::shared_ptr<Running> running = m_running;
    if (!running || running->claim)
        return;
    const auto &steps = running->sequence.steps();
    while (!running->ended && m_holds == 0) {
        if (running->next == steps.size()) {
            finish(true);
            return;
        }
        const PacedSequence::Step &step = steps[running->next];
        switch (step.kind) {
        case PacedSequence::Step::Kind::StartTicking:
            TickCount = 0;
            Timer1.start();
            break;
        case PacedSequence::Step::Kind::WaitForTick:
            if (TickCount < 1)
                return;
            TickCount = 0;
            break;
        case PacedSequence::Step::Kind::Run:
            break;
        }
        ++running->next;
        if (step.kind == PacedSequence::Step::Kind::Run && step.action)
            step.action();
    }
}

void PacingClock::finish(bool completed)
{
    const std::shared_ptr<Running> running = std::exchange(m_running, nullptr);
    if (!running)
        return;
    running->ended = true;
    Timer1.stop();
    if (const auto &onEnd = running->sequence.endAction())
        onEnd(completed);
    emit sequenceRunningChanged(false);
}

} // namespace seriallink
