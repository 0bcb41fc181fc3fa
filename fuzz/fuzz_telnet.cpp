// Feeds the Telnet / COM-PORT-OPTION codec two ways.
//
// 1. The input as it stands, as a server's stream: split whole, one byte at a time and in
//    splits chosen by the input, it must give the same data, answers and events; every
//    answer is one three-byte negotiation that agrees only to BINARY, SUPPRESS-GO-AHEAD
//    or COM-PORT-OPTION, and no more answers than the stream had negotiations.
// 2. The input as the module's bytes: a server of our own, written below from the Telnet
//    rules and not from the codec, doubles each FF and puts commands between them (NOP,
//    offers of options we refuse, line and modem state news, speed answers). Read in
//    splits, the module's bytes must come out exactly, each speed answer as one event in
//    order, and each offer refused exactly once. The codec's own encoding, read back by a
//    second codec, must give the bytes too.
//
// Input layout: four bytes that seed the splits and the commands, then the stream.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "telnet/telnetcodec.h"

namespace
{

using telnet::Event;
using telnet::TelnetCodec;

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::uint32_t next(std::uint32_t &state)
{
    // xorshift32
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

TelnetCodec::Received feedInSplits(TelnetCodec &codec, QByteArrayView stream, std::uint32_t seed)
{
    TelnetCodec::Received out;
    std::uint32_t state = seed | 1u;
    for (qsizetype at = 0; at < stream.size();) {
        const qsizetype size = std::min<qsizetype>(next(state) % 9, stream.size() - at);
        codec.receive(stream.sliced(at, size), out);
        at += size;
    }
    return out;
}

bool same(const TelnetCodec::Received &a, const TelnetCodec::Received &b)
{
    return a.data == b.data && a.reply == b.reply && a.events == b.events;
}

// Negotiations in a stream, counted by the Telnet grammar: IAC then WILL/WONT/DO/DONT,
// outside subnegotiations.
int negotiationsIn(QByteArrayView stream)
{
    int count = 0;
    enum { Data, Command, Option, Sub, SubIac } parse = Data;
    for (char c : stream) {
        const auto b = std::uint8_t(c);
        switch (parse) {
        case Data:
            parse = b == 0xFF ? Command : Data;
            break;
        case SubIac:
            if (b == 0xFF) {
                parse = Sub;
                break;
            }
            if (b == 0xF0) {
                parse = Data;
                break;
            }
            [[fallthrough]];
        case Command:
            if (b >= 0xFB && b <= 0xFE) {
                ++count;
                parse = Option;
            } else {
                parse = b == 0xFA ? Sub : Data;
            }
            break;
        case Option:
            parse = Data;
            break;
        case Sub:
            parse = b == 0xFF ? SubIac : Sub;
            break;
        }
    }
    return count;
}

void asServerStream(QByteArrayView stream, std::uint32_t seed)
{
    TelnetCodec whole;
    whole.start();
    const TelnetCodec::Received reference = whole.receive(stream);

    TelnetCodec single;
    single.start();
    TelnetCodec::Received oneByOne;
    for (qsizetype i = 0; i < stream.size(); ++i)
        single.receive(stream.sliced(i, 1), oneByOne);
    check(same(oneByOne, reference));

    TelnetCodec split;
    split.start();
    check(same(feedInSplits(split, stream, seed), reference));

    check(reference.data.size() <= stream.size());
    check(reference.reply.size() % 3 == 0);
    check(reference.reply.size() / 3 <= negotiationsIn(stream));
    for (qsizetype at = 0; at < reference.reply.size(); at += 3) {
        const auto verb = std::uint8_t(reference.reply[at + 1]);
        const auto option = std::uint8_t(reference.reply[at + 2]);
        check(std::uint8_t(reference.reply[at]) == telnet::kIac);
        check(verb >= telnet::kWill && verb <= telnet::kDont);
        const bool agrees = verb == telnet::kWill || verb == telnet::kDo;
        if (agrees)
            check(option == telnet::kBinary || option == telnet::kSuppressGoAhead ||
                  option == telnet::kComPortOption);
    }
}

void appendDoubled(QByteArray &out, char byte)
{
    out.append(byte);
    if (std::uint8_t(byte) == 0xFF)
        out.append(byte);
}

void asModuleBytes(QByteArrayView data, std::uint32_t seed)
{
    // The server agrees to binary and COM-PORT-OPTION first, as ser2net does.
    QByteArray wire("\xFF\xFB\x00\xFF\xFD\x00\xFF\xFD\x2C", 9);
    std::vector<Event> events{{Event::Kind::ComPortAccepted}};
    QByteArray refusals;
    std::uint32_t state = seed | 1u;
    for (char byte : data) {
        switch (next(state) % 12) {
        case 0: { // NOP, GA or AYT
            static constexpr char kCommands[] = {'\xF1', '\xF9', '\xF6'};
            wire.append('\xFF').append(kCommands[next(state) % 3]);
            break;
        }
        case 1: { // an offer of ECHO, LINEMODE or another option we do not take
            static constexpr std::uint8_t kOptions[] = {1, 5, 24, 31, 34, 200};
            const char option = char(kOptions[next(state) % 6]);
            const bool will = next(state) % 2;
            wire.append('\xFF').append(will ? '\xFB' : '\xFD').append(option);
            refusals.append('\xFF').append(will ? '\xFE' : '\xFC').append(option);
            break;
        }
        case 2: { // NOTIFY-LINESTATE or NOTIFY-MODEMSTATE
            wire.append("\xFF\xFA\x2C", 3).append(next(state) % 2 ? '\x6A' : '\x6B');
            appendDoubled(wire, char(next(state)));
            wire.append("\xFF\xF0", 2);
            break;
        }
        case 3: { // an answer to SET-BAUDRATE
            const std::uint32_t speed = next(state);
            wire.append("\xFF\xFA\x2C\x65", 4);
            for (int shift = 24; shift >= 0; shift -= 8)
                appendDoubled(wire, char(speed >> shift));
            wire.append("\xFF\xF0", 2);
            events.push_back({Event::Kind::BaudRate, speed});
            break;
        }
        default:
            break;
        }
        appendDoubled(wire, byte);
    }

    TelnetCodec codec;
    codec.start();
    const TelnetCodec::Received out = feedInSplits(codec, wire, seed);
    check(out.data == data);
    check(out.events == events);
    check(out.reply == refusals);

    // Our own encoding, read by a second codec that plays the server side.
    TelnetCodec server;
    server.receive(QByteArrayView("\xFF\xFB\x00", 3));
    check(feedInSplits(server, codec.encode(data), ~seed).data == data);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    if (size < 4)
        return 0;
    const std::uint32_t seed = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 |
                               std::uint32_t(bytes[2]) << 16 | std::uint32_t(bytes[3]) << 24;
    const QByteArrayView stream(reinterpret_cast<const char *>(bytes + 4), qsizetype(size - 4));
    asServerStream(stream, seed);
    asModuleBytes(stream, seed);
    return 0;
}
