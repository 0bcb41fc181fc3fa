#include "sim/replyencoder.h"

#include <algorithm>

#include "protocol/keypad.h"

namespace sim
{

namespace
{

std::uint8_t byte(int value)
{
    return static_cast<std::uint8_t>(value);
}

} // namespace

proto::Reply saveAckReply()
{
    return {proto::kReplySaveAck[0], proto::kReplySaveAck[1], proto::kReplySaveAck[2]};
}

proto::Reply analogReply(int input, int value)
{
    value = std::clamp(value, 0, 0xFFFF);
    return {byte(proto::kReplyAnalog1 + std::clamp(input, 0, 1)), byte(value >> 8),
            byte(value & 0xFF)};
}

proto::Reply inputStatusReply(const std::array<bool, kInputPins> &pins)
{
    int bits = 0;
    for (int i = 0; i < kInputPins; ++i)
        if (pins[static_cast<std::size_t>(i)])
            bits |= 1 << i;
    return {kStatusLead, 0, byte(bits)};
}

proto::Reply keypadStateReply(const std::array<bool, kKeypadKeys> &keys)
{
    std::array<int, 2> bytes{};
    for (int number = 1; number <= kKeypadKeys; ++number) {
        if (!keys[static_cast<std::size_t>(number - 1)])
            continue;
        const proto::keypad::Bit at = proto::keypad::bitOf(number);
        bytes[static_cast<std::size_t>(at.byte)] |= 1 << at.bit;
    }
    return {kStatusLead, byte(bytes[0]), byte(bytes[1])};
}

} // namespace sim
