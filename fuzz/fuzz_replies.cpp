// Feeds arbitrary byte streams to the reply reader's framing and decoding. The stream
// arrives three ways: whole, one byte at a time, and in splits chosen by the input; all
// three must give the same replies, each the three bytes at its place in the stream, with
// the same bytes left waiting. A fourth way puts pauses between some splits, as the reader
// does when the line goes quiet: each stretch between pauses must frame by itself, its
// leftover bytes given up whole. Every reply is decoded in both pin modes, and the decoded
// fields must be the ones the reply's bytes stand for; every split's replies, gathered as
// the reader gathers one read, must pick the last of each kind for the window.
//
// What the bytes stand for comes from the module's reply table and the window's keypad
// grid, written out below, not from the decoder or its constants.
//
// Input layout: four bytes that seed the split sizes and pauses, then the stream.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QtEndian>

#include "link/replyreader.h"

namespace
{

void check(bool condition)
{
    if (!condition)
        std::abort();
}

// FE 20 20 acknowledges a store to flash; FA and FB carry analog inputs 1 and 2, high byte
// first; FC to FF carry the P2 status; anything else names nothing.
enum class Meaning { Ack, Analog1, Analog2, Status, Nothing };

Meaning meaningOf(const proto::Reply &reply)
{
    if (reply.bytes() == QByteArray("\xFE\x20\x20", 3))
        return Meaning::Ack;
    switch (reply.b0) {
    case 0xFA:
        return Meaning::Analog1;
    case 0xFB:
        return Meaning::Analog2;
    case 0xFC:
    case 0xFD:
    case 0xFE:
    case 0xFF:
        return Meaning::Status;
    default:
        return Meaning::Nothing;
    }
}

// The keypad indicators as the window lays them out: key indices by row, top to bottom,
// left to right. Bit b of the second byte lights the key in column b / 4, row b % 4; bit b
// of the third byte the key two columns further right.
constexpr int kKeypadGrid[4][4] = {{0, 4, 8, 12}, {3, 7, 11, 15}, {1, 5, 9, 13}, {2, 6, 10, 14}};

// The decoded fields are what the reply's bytes stand for in this mode.
bool decodedAsMeant(const proto::DecodedReply &decoded, const proto::Reply &reply,
                    proto::P2Mode mode)
{
    using Kind = proto::DecodedReply::Kind;
    const QByteArray bytes = reply.bytes();
    switch (meaningOf(reply)) {
    case Meaning::Ack:
        return decoded.kind == Kind::SaveAck;
    case Meaning::Nothing:
        return decoded.kind == Kind::Ignored;
    case Meaning::Analog1:
    case Meaning::Analog2:
        return decoded.kind == Kind::Analog &&
               decoded.analogIndex == (meaningOf(reply) == Meaning::Analog1 ? 0 : 1) &&
               decoded.analogValue == qFromBigEndian<quint16>(bytes.constData() + 1);
    case Meaning::Status:
        break;
    }
    if (mode == proto::P2Mode::Gpio) {
        if (decoded.kind != Kind::InputStatus)
            return false;
        for (int pin = 0; pin < 8; ++pin) {
            if (decoded.inputs[std::size_t(pin)] != ((reply.b2 & (1 << pin)) != 0))
                return false;
        }
        return true;
    }
    if (decoded.kind != Kind::KeypadState)
        return false;
    for (int half = 0; half < 2; ++half) {
        const std::uint8_t source = half == 0 ? reply.b1 : reply.b2;
        for (int b = 0; b < 8; ++b) {
            const int key = kKeypadGrid[b % 4][2 * half + b / 4];
            if (decoded.keys[std::size_t(key)] != ((source & (1 << b)) != 0))
                return false;
        }
    }
    return true;
}

std::uint32_t next(std::uint32_t &state)
{
    // xorshift32
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

std::vector<proto::Reply> feedInSplits(QByteArrayView stream, std::uint32_t seed, int &pending)
{
    proto::ReplyFramer framer;
    std::vector<proto::Reply> replies;
    std::uint32_t state = seed | 1u;
    for (qsizetype at = 0; at < stream.size();) {
        // split sizes from 0 (an empty read) to 7 bytes
        const qsizetype size = std::min<qsizetype>(next(state) % 8, stream.size() - at);
        const std::vector<proto::Reply> part = framer.feed(stream.sliced(at, size));
        replies.insert(replies.end(), part.begin(), part.end());
        check(framer.pending() == (at + size) % 3);
        at += size;
    }
    pending = framer.pending();
    return replies;
}

// What the window is given for one read: the last reply of each kind, found the slow way.
void checkBatch(const std::vector<proto::Reply> &replies, proto::P2Mode mode)
{
    seriallink::ReplyBatch batch;
    batch.mode = mode;
    batch.replies = replies;
    batch.pickLastOfEachKind();
    const auto last = [&](Meaning meaning) -> const proto::Reply * {
        for (auto it = replies.rbegin(); it != replies.rend(); ++it) {
            if (meaningOf(*it) == meaning)
                return &*it;
        }
        return nullptr;
    };
    std::size_t at = 0;
    for (Meaning meaning : {Meaning::Analog1, Meaning::Analog2, Meaning::Status}) {
        const proto::Reply *reply = last(meaning);
        if (!reply)
            continue;
        check(at < batch.lastOfEachKind.size());
        check(decodedAsMeant(batch.lastOfEachKind[at++], *reply, mode));
    }
    check(at == batch.lastOfEachKind.size());
    check(batch.acknowledged == (last(Meaning::Ack) != nullptr));
}

// Splits as above, and after some of them a pause that gives up the partial reply. Each
// stretch between pauses must frame as if it were the whole stream.
void feedWithPauses(QByteArrayView stream, std::uint32_t seed)
{
    proto::ReplyFramer framer;
    std::uint32_t state = seed ^ 0x9E3779B9u;
    state |= 1u;
    qsizetype stretchStart = 0;
    std::vector<proto::Reply> stretchReplies;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype size = std::min<qsizetype>(next(state) % 8, stream.size() - at);
        std::vector<proto::Reply> read;
        framer.feed(stream.sliced(at, size), read);
        checkBatch(read, next(state) % 2 ? proto::P2Mode::Gpio : proto::P2Mode::Keypad);
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

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::uint32_t seed = std::uint32_t(data[0]) | std::uint32_t(data[1]) << 8 |
                               std::uint32_t(data[2]) << 16 | std::uint32_t(data[3]) << 24;
    const QByteArrayView stream(reinterpret_cast<const char *>(data + 4), qsizetype(size - 4));

    proto::ReplyFramer whole;
    const std::vector<proto::Reply> replies = whole.feed(stream);
    check(replies.size() == std::size_t(stream.size() / 3));
    check(whole.pending() == stream.size() % 3);
    for (std::size_t i = 0; i < replies.size(); ++i)
        check(replies[i].bytes() == stream.sliced(qsizetype(i) * 3, 3));

    proto::ReplyFramer single;
    std::vector<proto::Reply> oneByOne;
    for (qsizetype i = 0; i < stream.size(); ++i) {
        const std::vector<proto::Reply> part = single.feed(stream.sliced(i, 1));
        oneByOne.insert(oneByOne.end(), part.begin(), part.end());
    }
    check(oneByOne == replies && single.pending() == whole.pending());

    int pending = 0;
    check(feedInSplits(stream, seed, pending) == replies && pending == whole.pending());

    feedWithPauses(stream, seed);

    // Whatever was waiting is given up whole, and the next reply starts afresh.
    check(single.dropPartial() == stream.sliced(stream.size() - stream.size() % 3));
    const std::vector<proto::Reply> afterReset = single.feed(QByteArrayView("\xFA\x01\x02", 3));
    check(afterReset.size() == 1 && afterReset[0] == proto::Reply{0xFA, 0x01, 0x02});

    for (const proto::Reply &reply : replies) {
        check(decodedAsMeant(proto::decodeReply(reply, proto::P2Mode::Gpio), reply,
                             proto::P2Mode::Gpio));
        check(decodedAsMeant(proto::decodeReply(reply, proto::P2Mode::Keypad), reply,
                             proto::P2Mode::Keypad));
    }
    return 0;
}
