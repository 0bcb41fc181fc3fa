#pragma once
// Replies from the module: always three bytes, B0 B1 B2.
//
//   FE 20 20        store to flash acknowledged
//   FA hi lo        analog input 1 reading, hi * 256 + lo
//   FB hi lo        analog input 2 reading
//   FC..FF b1 b2    P2 status: in GPIO mode b2 holds the eight input pins (bit 0 = pin 1);
//                   in keypad mode b1 holds keypad columns 0-1 and b2 columns 2-3
//   anything else   shown in the monitor, otherwise ignored
//
// Replies carry no length or checksum, so the framer simply cuts the byte stream into
// threes: bytes arrive in any split, a reply is complete only once its third byte is
// there, and bytes beyond a reply start the next one. When a partial reply is given up
// (after a pause, see ReplyReader) the next byte starts a fresh reply.

#include <array>
#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

namespace proto
{

struct Reply {
    std::uint8_t b0 = 0;
    std::uint8_t b1 = 0;
    std::uint8_t b2 = 0;
    QByteArray bytes() const;
    friend bool operator==(const Reply &, const Reply &) = default;
};

class ReplyFramer
{
public:
    // Appends the bytes and adds every reply they complete to `replies`, oldest first.
    void feed(QByteArrayView bytes, std::vector<Reply> &replies);
    std::vector<Reply> feed(QByteArrayView bytes);
    // Bytes of a reply still waiting for the rest (0, 1 or 2).
    int pending() const { return m_count; }
    // Gives up the partial reply and returns its bytes: the next byte starts a new reply.
    QByteArray dropPartial();

private:
    std::array<std::uint8_t, 3> m_partial{};
    int m_count = 0;
};

enum class P2Mode { Gpio, Keypad };

struct DecodedReply {
    enum class Kind { SaveAck, Analog, InputStatus, KeypadState, Ignored };
    Kind kind = Kind::Ignored;
    int analogIndex = -1;         // Analog: 0 or 1
    int analogValue = 0;          // Analog: 0..65535
    std::array<bool, 8> inputs{}; // InputStatus: Shape1(i) is white when true
    std::array<bool, 16> keys{};  // KeypadState: key(k) is white when true
};

// What the reply is, without the rest of its decoding.
DecodedReply::Kind replyKind(const Reply &reply, P2Mode mode);
DecodedReply decodeReply(const Reply &reply, P2Mode mode);

} // namespace proto
