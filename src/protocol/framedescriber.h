#pragma once
// Plain words for the bytes on the line, in both directions: the line log, the command-line
// tool, its scripts and the virtual module all say the same thing the same way.
//
//   FE 32 03 13          "set cursor row 3 column 19"
//   0D 53 65 74 ...      "clear display, write "Settings Saved Onto Flash""
//   FA 01 F4 (reply)     "analog input 1 reads 500"
//   FC 21 00 (keypad)    "keypad: keys 1 and 6 down"
//
// Frames the module would ignore say so and why. Text is quoted the way a script writes it:
// printable ASCII as it is, a quote or backslash escaped, any other byte as \xHH.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "protocol/protocol.h"
#include "protocol/replydecoder.h"

namespace proto
{

// One frame as the module reads it (framereader.h cuts the stream): "write 'H'".
std::string describeFrame(const proto::Frame &frame);

// A whole write, cut into frames the way the module reads them and described in order;
// a run of typed characters reads as one: "write "Hello"", a command cut short at the end
// as "incomplete command".
std::string describeBytes(std::span<const std::uint8_t> bytes);

// A reply from the module. Status replies mean input pins or keypad keys depending on the
// P2 mode the reader assumes, as in the window. Keys are numbered as printed on a 4x4
// keypad, row by row from the top left (1 to 16), pins 1 to 8.
std::string describeReply(const Reply &reply, P2Mode mode);

// The numbers describeReply names: pins high in an input status (1 to 8, bit 0 is pin 1),
// keys down in a keypad state (1 to 16 along the rows, protocol/keypad.h).
std::vector<int> pinsHigh(const Reply &reply);
std::vector<int> keysDown(const Reply &reply);

// Bytes the reply framing threw away because they formed no whole reply.
std::string describeDropped(const QByteArray &bytes);

// "Hello" in the quoting above, quotes included.
std::string quotedText(std::span<const std::uint8_t> codes);

} // namespace proto
