#include "script/runner.h"

#include "script/replyline.h"

#include <utility>

namespace script
{

namespace
{

// Replies nobody awaits are kept this long (in replies), for an await still to come.
constexpr std::size_t kKeptReplies = 64;

bool answers(Step::Awaited awaited, const proto::DecodedReply &decoded)
{
    switch (awaited) {
    case Step::Awaited::Analog1:
        return decoded.kind == proto::DecodedReply::Kind::Analog && decoded.analogIndex == 0;
    case Step::Awaited::Analog2:
        return decoded.kind == proto::DecodedReply::Kind::Analog && decoded.analogIndex == 1;
    case Step::Awaited::SaveAck:
        return decoded.kind == proto::DecodedReply::Kind::SaveAck;
    }
    return false;
}

QString named(const Origin &origin)
{
    return origin.where().isEmpty() ? origin.text
                                    : origin.where() + QStringLiteral(": ") + origin.text;
}

} // namespace

ScriptRunner::ScriptRunner(Sender sender, QObject *parent)
    : QObject(parent), m_send(std::move(sender))
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        if (!m_running)
            return;
        if (m_steps.kind(m_index) == Step::Kind::Await)
            return finish(Failure, QStringLiteral("%1: no answer from the module within %2 ms")
                                       .arg(named(current().origin))
                                       .arg(current().ms));
        next();
    });
}

void ScriptRunner::start(Steps steps)
{
    m_steps = std::move(steps);
    m_index = 0;
    m_unclaimed.clear();
    m_advanceWaiting = false;
    m_heldRemainingMs = -1;
    m_running = true;
    m_clock.start();
    advance();
}

bool ScriptRunner::listening() const
{
    return m_running && m_index < m_steps.size() && m_steps.kind(m_index) == Step::Kind::Listen;
}

void ScriptRunner::next()
{
    ++m_index;
    advance();
}

void ScriptRunner::setHeld(bool held)
{
    if (m_held == held)
        return;
    m_held = held;
    if (held) {
        m_heldRemainingMs = m_timer.isActive() ? m_timer.remainingTime() : -1;
        m_timer.stop();
        return;
    }
    if (!m_running)
        return;
    if (m_heldRemainingMs >= 0)
        m_timer.start(m_heldRemainingMs);
    m_heldRemainingMs = -1;
    if (std::exchange(m_advanceWaiting, false))
        advance();
}

void ScriptRunner::advance()
{
    if (m_held) {
        m_advanceWaiting = true;
        return;
    }
    while (m_running && m_index < m_steps.size()) {
        emit stepStarted(static_cast<int>(m_index), static_cast<int>(m_steps.size()));
        if (!m_running)
            return;
        const Step &step = current();
        switch (step.kind) {
        case Step::Kind::Send:
            // The sender may have ended the run already (the device vanished): that end
            // is the one reported.
            if (!m_send(step.frame))
                return fail(
                    QStringLiteral("%1: the port took no more bytes").arg(named(step.origin)));
            ++m_index;
            // The sender may hold the run until the line has caught up.
            if (m_held) {
                m_advanceWaiting = true;
                return;
            }
            continue;
        case Step::Kind::Wait:
            m_timer.start(step.ms);
            return;
        case Step::Kind::Await:
            if (claimAwaited()) {
                ++m_index;
                continue;
            }
            m_timer.start(step.ms);
            return;
        case Step::Kind::Listen:
            m_heardCount = 0;
            return;
        }
    }
    if (m_running)
        finish(Success);
}

bool ScriptRunner::claimAwaited()
{
    const Step &step = current();
    for (auto it = m_unclaimed.begin(); it != m_unclaimed.end(); ++it) {
        const proto::DecodedReply decoded = proto::decodeReply(it->reply, proto::P2Mode::Gpio);
        if (it->step < step.since || !answers(step.awaited, decoded))
            continue;
        m_unclaimed.erase(it);
        if (step.print)
            emit printed(QString::number(decoded.analogValue));
        return true;
    }
    return false;
}

void ScriptRunner::takeReply(const proto::Reply &reply)
{
    if (!m_running)
        return;
    if (listening()) {
        const Step &step = current();
        emit printed(step.format == Step::Format::Json
                         ? replyJson(reply, step.mode, double(m_clock.nsecsElapsed()) / 1e6)
                         : replyText(reply, step.mode));
        if (m_running && step.count > 0 && ++m_heardCount >= step.count)
            next();
        return;
    }
    const proto::DecodedReply decoded = proto::decodeReply(reply, proto::P2Mode::Gpio);
    if (decoded.kind != proto::DecodedReply::Kind::Analog &&
        decoded.kind != proto::DecodedReply::Kind::SaveAck)
        return;
    m_unclaimed.push_back({static_cast<int>(m_index), reply});
    if (m_unclaimed.size() > kKeptReplies)
        m_unclaimed.pop_front();
    if (m_index < m_steps.size() && m_steps.kind(m_index) == Step::Kind::Await && claimAwaited()) {
        m_timer.stop();
        next();
    }
}

void ScriptRunner::takeDropped(const QByteArray &bytes)
{
    if (!listening())
        return;
    emit printed(current().format == Step::Format::Json
                     ? droppedJson(bytes, double(m_clock.nsecsElapsed()) / 1e6)
                     : droppedText(bytes));
}

bool ScriptRunner::takeLineLost(const QString &reason)
{
    if (!listening() || !current().reconnect)
        return false;
    if (current().format == Step::Format::Json)
        emit printed(
            eventJson(QStringLiteral("lost"), reason, double(m_clock.nsecsElapsed()) / 1e6));
    else
        emit told(QStringLiteral("lost: ") + reason);
    return true;
}

void ScriptRunner::takeLineBack()
{
    if (!listening())
        return;
    if (current().format == Step::Format::Json)
        emit printed(eventJson(QStringLiteral("back"), {}, double(m_clock.nsecsElapsed()) / 1e6));
    else
        emit told(QStringLiteral("back"));
}

void ScriptRunner::stop()
{
    if (!m_running)
        return;
    if (listening())
        return finish(Success);
    finish(Failure, QStringLiteral("interrupted"));
}

void ScriptRunner::fail(const QString &problem)
{
    if (m_running)
        finish(Failure, problem);
}

void ScriptRunner::finish(int status, const QString &problem)
{
    m_running = false;
    m_timer.stop();
    emit finished(status, problem);
}

} // namespace script
