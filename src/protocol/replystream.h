#pragma once
// The module's replies as a stream in time: the framer (replydecoder.h) plus the rule that
// gives up a partial reply once its next byte is overdue. Time is passed in, so the window's
// reader (with its timer) and the LCDd driver (polled by LCDd) keep the same rule.
//
// A module sends the three bytes of a reply back to back (about 3 ms at 9600 bit/s, plus up
// to a few tens of ms that a USB adapter holds bytes back). A partial reply whose next byte
// has not come within kPause is given up, so one stray or lost byte misframes replies only up
// to the next pause in the stream, not for ever. A reply split into promptly following
// pieces is still joined, and no reply with a missing byte is ever handed on.

#include <chrono>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

#include "protocol/replydecoder.h"

namespace proto
{

class ReplyStream
{
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kPause{500};

    // Bytes read at `now`: the replies they complete, oldest first. Whether a partial reply
    // waited too long for them is for expire() to say, before they are fed.
    std::vector<Reply> feed(QByteArrayView bytes, Clock::time_point now);
    // Gives up the partial reply when its last byte came kPause or more before `now`, and
    // returns its bytes; nothing when no reply is pending or it may still be completed.
    QByteArray expire(Clock::time_point now);
    // When the partial reply is given up unless its next byte comes first.
    std::optional<Clock::time_point> deadline() const;
    // Gives up the partial reply now (a new connection, a closed one).
    QByteArray dropPartial() { return m_framer.dropPartial(); }
    // Bytes of a reply still waiting for the rest (0, 1 or 2).
    int pending() const { return m_framer.pending(); }

    // How long a partial reply waits (tests shorten it).
    void setPause(std::chrono::milliseconds pause) { m_pause = pause; }
    std::chrono::milliseconds pause() const { return m_pause; }

private:
    ReplyFramer m_framer;
    Clock::time_point m_lastByte{};
    std::chrono::milliseconds m_pause = kPause;
};

} // namespace proto
