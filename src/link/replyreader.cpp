#include "link/replyreader.h"

#include "protocol/protocol.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <optional>

namespace seriallink
{

// The index of the last reply of each kind first, then only those replies decoded: a flood
// of replies decodes three at most.
void ReplyBatch::pickLastOfEachKind()
{
    using Kind = proto::DecodedReply::Kind;
    std::array<std::optional<std::size_t>, 2> analog;
    std::optional<std::size_t> status;
    for (std::size_t i = 0; i != replies.size(); ++i) {
        const proto::Reply &reply = replies[i];
        switch (proto::replyKind(reply, mode)) {
        case Kind::SaveAck:
            acknowledged = true;
            break;
        case Kind::Analog:
            analog[reply.b0 == proto::kReplyAnalog1 ? 0 : 1] = i;
            break;
        case Kind::InputStatus:
        case Kind::KeypadState: // one mode per batch: the same group every time
            status = i;
            break;
        case Kind::Ignored:
            break;
        }
    }
    for (const auto &last : {analog[0], analog[1], status}) {
        if (last)
            lastOfEachKind.push_back(proto::decodeReply(replies[*last], mode));
    }
}

ReplyReader::ReplyReader(SerialPortService &port, QObject *parent) : QObject(parent), m_port(port)
{
    m_pauseTimer.setSingleShot(true);
    // A coarse timer may fire a little early; the stream then says the reply is not overdue
    // yet and the timer waits out the rest.
    m_pauseTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pauseTimer, &QTimer::timeout, this, &ReplyReader::pauseElapsed);
    connect(&port, &SerialPortService::onComm, this, &ReplyReader::readWaiting);
    // A new connection starts a new stream and a closed one ends it: a reply cut by either
    // must not take the first bytes of the next.
    connect(&port, &SerialPortService::stateChanged, this, &ReplyReader::dropPartial);
}

void ReplyReader::readWaiting()
{
    const QByteArray bytes = m_port.input();
    if (bytes.isEmpty())
        return;
    ReplyBatch batch;
    batch.arrivalMs = QDateTime::currentMSecsSinceEpoch();
    batch.replies = m_stream.feed(bytes, proto::ReplyStream::Clock::now());
    if (m_stream.pending() > 0)
        m_partialArrivalMs = batch.arrivalMs;
    watchPartial();
    if (batch.replies.empty())
        return;
    // Read once per batch: nothing can change the list between two replies of one read.
    batch.mode = m_modeSource ? m_modeSource() : proto::P2Mode::Gpio;
    batch.pickLastOfEachKind();
    emit repliesRead(batch);
}

void ReplyReader::watchPartial()
{
    const auto deadline = m_stream.deadline();
    if (!deadline) {
        m_pauseTimer.stop();
        return;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(*deadline - proto::ReplyStream::Clock::now());
    m_pauseTimer.start(std::max(left, std::chrono::milliseconds(0)));
}

void ReplyReader::pauseElapsed()
{
    if (m_stream.pending() == 0)
        return;
    // The event loop may have been too busy to read bytes that came in time; they still
    // wait in the port or the driver and count as having come.
    if (m_port.bytesWaiting() > 0) {
        readWaiting();
        return;
    }
    if (m_port.bytesInDriver() > 0) {
        m_pauseTimer.start(m_stream.pause()); // onComm follows as soon as the event loop runs
        return;
    }
    const QByteArray dropped = m_stream.expire(proto::ReplyStream::Clock::now());
    if (dropped.isEmpty()) {
        watchPartial();
        return;
    }
    emit bytesDropped(dropped, m_partialArrivalMs);
}

void ReplyReader::dropPartial()
{
    m_pauseTimer.stop();
    if (m_stream.pending() == 0)
        return;
    const QByteArray dropped = m_stream.dropPartial();
    emit bytesDropped(dropped, m_partialArrivalMs);
}

} // namespace seriallink
