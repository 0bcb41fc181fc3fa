#pragma once
// The three-byte replies the module sends, built the way the utility's decoder reads
// them (protocol/replydecoder.h):
//
//   FE 20 20        settings stored in flash
//   FA hi lo        analog input 1 reading; FB for input 2
//   FC 00 pins      GPIO mode: bit i of the third byte is pin i + 1
//   FC b1 b2        keypad mode: keys 1-16 in b1 and b2 as protocol/keypad.h places them
//
// Status replies always begin with FC: FE would make FE 20 20 ambiguous.

#include <array>
#include <cstdint>

#include "protocol/protocol.h"
#include "protocol/replydecoder.h"

namespace sim
{

constexpr int kInputPins = 8;
constexpr int kKeypadKeys = 16;
constexpr std::uint8_t kStatusLead = proto::kReplyStatusFirst;

proto::Reply saveAckReply();
proto::Reply analogReply(int input, int value); // input 0 or 1, value clamped to 0..65535
proto::Reply inputStatusReply(const std::array<bool, kInputPins> &pins);
// keys[n - 1] is key n, numbered as in protocol/keypad.h.
proto::Reply keypadStateReply(const std::array<bool, kKeypadKeys> &keys);

} // namespace sim
