#include "sim/replyencoder.h"

#include <algorithm>

namespace sim
{

namespace
{

// Bit b of a byte is the key in row b % 4 of its column b / 4, while the keys are numbered
// down each column in the row order 0, 2, 3, 1: key k (k % 8) sits on this bit.
constexpr std::array<int, 8> kKeyBit = {0, 2, 3, 1, 4, 6, 7, 5};

std::uint8_t byte(int value)
{
    return static_cast<std::uint8_t>(value);
}

} // namespace

Reply saveAckReply()
{
    return {proto::kReplySaveAck[0], proto::kReplySaveAck[1], proto::kReplySaveAck[2]};
}

Reply analogReply(int input, int value)
{
    value = std::clamp(value, 0, 0xFFFF);
    return {byte(proto::kReplyAnalog1 + std::clamp(input, 0, 1)), byte(value >> 8),
            byte(value & 0xFF)};
}

Reply inputStatusReply(const std::array<bool, kInputPins> &pins)
{
    int bits = 0;
    for (int i = 0; i < kInputPins; ++i)
        if (pins[static_cast<std::size_t>(i)])
            bits |= 1 << i;
    return {kStatusLead, 0, byte(bits)};
}

Reply keypadStateReply(const std::array<bool, kKeypadKeys> &keys)
{
    std::array<int, 2> bytes{};
    for (int k = 0; k < kKeypadKeys; ++k)
        if (keys[static_cast<std::size_t>(k)])
            bytes[static_cast<std::size_t>(k / 8)] |= 1 << kKeyBit[static_cast<std::size_t>(k % 8)];
    return {kStatusLead, byte(bytes[0]), byte(bytes[1])};
}

} // namespace sim
