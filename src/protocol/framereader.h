#pragma once
// Cuts the byte stream the virtual module receives into frames, the way the module reads
// it: a byte other than the prefix is a frame by itself; the prefix FE takes the next byte
// as its command code and then exactly as many argument bytes as that command has,
// whatever their values (in FE 30 FE the second FE is the keypad mode, not a prefix).
//
// A frame that has not fully arrived stays pending; the next bytes complete it, so a
// stream split at any point yields the same frames as the whole stream.
//
// Two codes after the prefix are not commands:
//   FE FE       the first prefix is dropped as a frame of its own, and the second one
//               starts a new frame: a stray prefix costs one byte, not the next command
//   FE <other>  an unknown code: prefix and code form a two-byte frame that does nothing

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "protocol/protocol.h"

namespace proto
{

// The whole length of the frame that FE <code> begins (prefix and code included), or
// nothing for an unknown code.
std::optional<int> commandLength(std::uint8_t code);

class FrameReader
{
public:
    // Appends the bytes and returns every frame they complete, oldest first.
    std::vector<proto::Frame> feed(std::span<const std::uint8_t> bytes);
    // Bytes of a frame still waiting for the rest.
    int pending() const { return static_cast<int>(m_partial.size()); }
    void reset() { m_partial.clear(); }

private:
    std::optional<proto::Frame> take(std::uint8_t byte);

    proto::Frame m_partial;
    int m_expected = 0;
};

} // namespace proto
