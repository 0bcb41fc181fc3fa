#include "link/replyreader.h"

#include "protocol/protocol.h"

#include <QDateTime>

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
    m_pauseTimer.setInterval(kPause);
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
    m_framer.feed(bytes, batch.replies);
    if (m_framer.pending() > 0) {
        m_partialArrivalMs = batch.arrivalMs;
        m_pauseTimer.start();
    } else {
        m_pauseTimer.stop();
    }
    if (batch.replies.empty())
        return;
    // Read once per batch: nothing can change the list between two replies of one read.
    batch.mode = m_modeSource ? m_modeSource() : proto::P2Mode::Gpio;
    batch.pickLastOfEachKind();
    emit repliesRead(batch);
}

void ReplyReader::pauseElapsed()
{
    if (m_framer.pending() == 0)
        return;
    // The event loop may have been too busy to read bytes that came in time; they still
    // wait in the port or the driver and count as having come.
    if (m_port.bytesWaiting() > 0) {
        readWaiting();
        return;
    }
    if (m_port.bytesInDriver() > 0) {
        m_pauseTimer.start(); // onComm follows as soon as the event loop runs
        return;
    }
    dropPartial();
}

void ReplyReader::dropPartial()
{
    m_pauseTimer.stop();
    if (m_framer.pending() == 0)
        return;
    const QByteArray dropped = m_framer.dropPartial();
    emit bytesDropped(dropped, m_partialArrivalMs);
}

} // namespace seriallink
