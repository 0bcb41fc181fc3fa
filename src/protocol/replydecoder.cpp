#include "protocol/replydecoder.h"

#include "protocol/keypad.h"
#include "protocol/protocol.h"

namespace proto
{

QByteArray Reply::bytes() const
{
    const char raw[3] = {static_cast<char>(b0), static_cast<char>(b1), static_cast<char>(b2)};
    return QByteArray(raw, 3);
}

void ReplyFramer::feed(QByteArrayView bytes, std::vector<Reply> &replies)
{
    replies.reserve(replies.size() + static_cast<std::size_t>((m_count + bytes.size()) / 3));
    for (char c : bytes) {
        m_partial[static_cast<std::size_t>(m_count++)] = static_cast<std::uint8_t>(c);
        if (m_count == 3) {
            replies.push_back({m_partial[0], m_partial[1], m_partial[2]});
            m_count = 0;
        }
    }
}

std::vector<Reply> ReplyFramer::feed(QByteArrayView bytes)
{
    std::vector<Reply> replies;
    feed(bytes, replies);
    return replies;
}

QByteArray ReplyFramer::dropPartial()
{
    QByteArray dropped(reinterpret_cast<const char *>(m_partial.data()), m_count);
    m_count = 0;
    return dropped;
}

namespace
{

bool bit(std::uint8_t value, int index)
{
    return ((value >> index) & 1) != 0;
}

} // namespace

DecodedReply::Kind replyKind(const Reply &reply, P2Mode mode)
{
    using Kind = DecodedReply::Kind;
    if (reply.b0 == proto::kReplySaveAck[0] && reply.b1 == proto::kReplySaveAck[1] &&
        reply.b2 == proto::kReplySaveAck[2])
        return Kind::SaveAck;
    if (reply.b0 < proto::kReplyAnalog1)
        return Kind::Ignored; // names no label: shown in the monitor, otherwise ignored
    if (reply.b0 < proto::kReplyStatusFirst)
        return Kind::Analog;
    return mode == P2Mode::Gpio ? Kind::InputStatus : Kind::KeypadState;
}

DecodedReply decodeReply(const Reply &reply, P2Mode mode)
{
    DecodedReply decoded;
    decoded.kind = replyKind(reply, mode);
    switch (decoded.kind) {
    case DecodedReply::Kind::SaveAck:
    case DecodedReply::Kind::Ignored:
        return decoded;
    case DecodedReply::Kind::Analog:
        decoded.analogIndex = reply.b0 - proto::kReplyAnalog1;
        decoded.analogValue = reply.b1 * 256 + reply.b2;
        return decoded;
    case DecodedReply::Kind::InputStatus:
        for (int i = 0; i < 8; ++i)
            decoded.inputs[static_cast<std::size_t>(i)] = bit(reply.b2, i);
        return decoded;
    case DecodedReply::Kind::KeypadState:
        break;
    }
    for (int number = 1; number <= keypad::kKeys; ++number) {
        const keypad::Bit at = keypad::bitOf(number);
        decoded.keys[static_cast<std::size_t>(keypad::indicatorOf(number))] =
            bit(at.byte == 0 ? reply.b1 : reply.b2, at.bit);
    }
    return decoded;
}

} // namespace proto
