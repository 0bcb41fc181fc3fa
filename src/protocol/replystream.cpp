#include "protocol/replystream.h"

namespace proto
{

std::vector<Reply> ReplyStream::feed(QByteArrayView bytes, Clock::time_point now)
{
    if (!bytes.isEmpty())
        m_lastByte = now;
    return m_framer.feed(bytes);
}

QByteArray ReplyStream::expire(Clock::time_point now)
{
    if (m_framer.pending() == 0 || now - m_lastByte < m_pause)
        return {};
    return m_framer.dropPartial();
}

std::optional<ReplyStream::Clock::time_point> ReplyStream::deadline() const
{
    if (m_framer.pending() == 0)
        return std::nullopt;
    return m_lastByte + m_pause;
}

} // namespace proto
