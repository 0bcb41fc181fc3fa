// Feeds arbitrary byte streams to the reply framer and decoder. The stream arrives three
// ways: whole, one byte at a time, and in splits chosen by the input; all three must give
// the same replies, each the three bytes at its place in the stream, with the same bytes
// left waiting. Every reply is decoded in both pin modes, and the decoded fields must be
// the ones the reply's bytes stand for.
//
// Input layout: four bytes that seed the split sizes, then the stream.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/protocol.h"
#include "link/replydecoder.h"

namespace
{

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<Reply> feedInSplits(QByteArrayView stream, std::uint32_t seed, int &pending)
{
    ReplyFramer framer;
    std::vector<Reply> replies;
    std::uint32_t state = seed | 1u;
    for (qsizetype at = 0; at < stream.size();) {
        // xorshift32: split sizes from 0 (an empty read) to 7 bytes
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        const qsizetype size = std::min<qsizetype>(state % 8, stream.size() - at);
        const std::vector<Reply> part = framer.feed(stream.sliced(at, size));
        replies.insert(replies.end(), part.begin(), part.end());
        check(framer.pending() == (at + size) % 3);
        at += size;
    }
    pending = framer.pending();
    return replies;
}

void checkDecoded(const Reply &reply, P2Mode mode)
{
    const DecodedReply decoded = decodeReply(reply, mode);
    using Kind = DecodedReply::Kind;
    const bool ack = reply.b0 == proto::kReplySaveAck[0] && reply.b1 == proto::kReplySaveAck[1] &&
                     reply.b2 == proto::kReplySaveAck[2];
    if (ack) {
        check(decoded.kind == Kind::SaveAck);
    } else if (reply.b0 == proto::kReplyAnalog1 || reply.b0 == proto::kReplyAnalog2) {
        check(decoded.kind == Kind::Analog);
        check(decoded.analogIndex == reply.b0 - proto::kReplyAnalog1);
        check(decoded.analogValue == reply.b1 * 256 + reply.b2);
    } else if (reply.b0 >= proto::kReplyStatusFirst && mode == P2Mode::Gpio) {
        check(decoded.kind == Kind::InputStatus);
        for (int pin = 0; pin < 8; ++pin)
            check(decoded.inputs[std::size_t(pin)] == (((reply.b2 >> pin) & 1) != 0));
    } else if (reply.b0 >= proto::kReplyStatusFirst) {
        check(decoded.kind == Kind::KeypadState);
        // Each of the sixteen keys shows one bit of B1 or B2: as many lit keys as set bits.
        int lit = 0;
        for (bool key : decoded.keys)
            lit += key ? 1 : 0;
        check(lit == std::popcount(reply.b1) + std::popcount(reply.b2));
    } else {
        check(decoded.kind == Kind::Ignored);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::uint32_t seed = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 |
                               std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24;
    const QByteArrayView stream(reinterpret_cast<const char *>(data + 4), qsizetype(size - 4));

    ReplyFramer whole;
    const std::vector<Reply> replies = whole.feed(stream);
    check(replies.size() == std::size_t(stream.size() / 3));
    check(whole.pending() == stream.size() % 3);
    for (std::size_t i = 0; i < replies.size(); ++i)
        check(replies[i].bytes() == stream.sliced(qsizetype(i) * 3, 3));

    ReplyFramer single;
    std::vector<Reply> oneByOne;
    for (qsizetype i = 0; i < stream.size(); ++i) {
        const std::vector<Reply> part = single.feed(stream.sliced(i, 1));
        oneByOne.insert(oneByOne.end(), part.begin(), part.end());
    }
    check(oneByOne == replies && single.pending() == whole.pending());

    int pending = 0;
    check(feedInSplits(stream, seed, pending) == replies && pending == whole.pending());

    // Whatever was waiting, a reset starts the next reply afresh.
    single.reset();
    const std::vector<Reply> afterReset = single.feed(QByteArrayView("\xFA\x01\x02", 3));
    check(afterReset.size() == 1 && afterReset[0] == Reply{0xFA, 0x01, 0x02});

    for (const Reply &reply : replies) {
        checkDecoded(reply, P2Mode::Gpio);
        checkDecoded(reply, P2Mode::Keypad);
    }
    return 0;
}
