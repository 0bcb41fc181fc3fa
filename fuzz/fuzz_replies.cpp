// Feeds arbitrary byte streams to the reply reader's framing and decoding. The stream
// arrives three ways: whole, one byte at a time, and in splits chosen by the input; all
// three must give the same replies, each the three bytes at its place in the stream, with
// the same bytes left waiting. A fourth way puts pauses between some splits, as the reader
// does when the line goes quiet: each stretch between pauses must frame by itself, its
// leftover bytes given up whole. Every reply is decoded in both pin modes, and the decoded
// fields must be the ones the reply's bytes stand for; every split's replies, gathered as
// the reader gathers one read, must pick the last of each kind for the window.
//
// Input layout: four bytes that seed the split sizes and pauses, then the stream.

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "link/protocol.h"
#include "link/replyreader.h"

namespace
{

void check(bool condition)
{
    if (!condition)
        std::abort();
}

bool isAck(const Reply &reply)
{
    return reply.b0 == proto::kReplySaveAck[0] && reply.b1 == proto::kReplySaveAck[1] &&
           reply.b2 == proto::kReplySaveAck[2];
}

std::uint32_t next(std::uint32_t &state)
{
    // xorshift32
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

std::vector<Reply> feedInSplits(QByteArrayView stream, std::uint32_t seed, int &pending)
{
    ReplyFramer framer;
    std::vector<Reply> replies;
    std::uint32_t state = seed | 1u;
    for (qsizetype at = 0; at < stream.size();) {
        // split sizes from 0 (an empty read) to 7 bytes
        const qsizetype size = std::min<qsizetype>(next(state) % 8, stream.size() - at);
        const std::vector<Reply> part = framer.feed(stream.sliced(at, size));
        replies.insert(replies.end(), part.begin(), part.end());
        check(framer.pending() == (at + size) % 3);
        at += size;
    }
    pending = framer.pending();
    return replies;
}

// What the window is given for one read: the last reply of each kind, found the slow way.
void checkBatch(const std::vector<Reply> &replies, P2Mode mode)
{
    ReplyBatch batch;
    batch.mode = mode;
    batch.replies = replies;
    batch.pickLastOfEachKind();
    const auto last = [&](auto matches) -> const Reply * {
        for (auto it = replies.rbegin(); it != replies.rend(); ++it) {
            if (matches(*it))
                return &*it;
        }
        return nullptr;
    };
    using Kind = DecodedReply::Kind;
    const Reply *wanted[] = {
        last([](const Reply &r) { return r.b0 == proto::kReplyAnalog1; }),
        last([](const Reply &r) { return r.b0 == proto::kReplyAnalog2; }),
        last([](const Reply &r) { return r.b0 >= proto::kReplyStatusFirst && !isAck(r); }),
    };
    std::size_t at = 0;
    for (const Reply *reply : wanted) {
        if (!reply)
            continue;
        check(at < batch.lastOfEachKind.size());
        const DecodedReply expected = decodeReply(*reply, mode);
        const DecodedReply &got = batch.lastOfEachKind[at++];
        check(got.kind == expected.kind && got.analogIndex == expected.analogIndex &&
              got.analogValue == expected.analogValue && got.inputs == expected.inputs &&
              got.keys == expected.keys && got.kind != Kind::SaveAck);
    }
    check(at == batch.lastOfEachKind.size());
    check(batch.acknowledged == (last(isAck) != nullptr));
}

// Splits as above, and after some of them a pause that gives up the partial reply. Each
// stretch between pauses must frame as if it were the whole stream.
void feedWithPauses(QByteArrayView stream, std::uint32_t seed)
{
    ReplyFramer framer;
    std::uint32_t state = seed ^ 0x9E3779B9u;
    state |= 1u;
    qsizetype stretchStart = 0;
    std::vector<Reply> stretchReplies;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype size = std::min<qsizetype>(next(state) % 8, stream.size() - at);
        std::vector<Reply> read;
        framer.feed(stream.sliced(at, size), read);
        checkBatch(read, next(state) % 2 ? P2Mode::Gpio : P2Mode::Keypad);
        stretchReplies.insert(stretchReplies.end(), read.begin(), read.end());
        at += size;
        if (next(state) % 4 != 0 && at < stream.size())
            continue;
        const QByteArrayView stretch = stream.sliced(stretchStart, at - stretchStart);
        check(stretchReplies.size() == std::size_t(stretch.size() / 3));
        for (std::size_t i = 0; i < stretchReplies.size(); ++i)
            check(stretchReplies[i].bytes() == stretch.sliced(qsizetype(i) * 3, 3));
        check(framer.dropPartial() == stretch.sliced(stretch.size() - stretch.size() % 3));
        check(framer.pending() == 0);
        stretchReplies.clear();
        stretchStart = at;
    }
}

void checkDecoded(const Reply &reply, P2Mode mode)
{
    const DecodedReply decoded = decodeReply(reply, mode);
    using Kind = DecodedReply::Kind;
    if (isAck(reply)) {
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

    feedWithPauses(stream, seed);

    // Whatever was waiting is given up whole, and the next reply starts afresh.
    check(single.dropPartial() == stream.sliced(stream.size() - stream.size() % 3));
    const std::vector<Reply> afterReset = single.feed(QByteArrayView("\xFA\x01\x02", 3));
    check(afterReset.size() == 1 && afterReset[0] == Reply{0xFA, 0x01, 0x02});

    for (const Reply &reply : replies) {
        checkDecoded(reply, P2Mode::Gpio);
        checkDecoded(reply, P2Mode::Keypad);
    }
    return 0;
}
