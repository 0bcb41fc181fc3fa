#pragma once
// A character cell of the display is 5 dots wide and 8 high. A glyph is its eight rows,
// top first; bit 4 of a row is the leftmost dot, bit 0 the rightmost. The module keeps
// eight glyph slots, shown by the character codes 0 to 7.

#include <array>
#include <cstdint>

#include "protocol/protocol.h"

namespace sim
{

using Glyph = std::array<std::uint8_t, proto::kGlyphRows>;
using GlyphTable = std::array<Glyph, proto::kGlyphSlots>;

constexpr std::uint8_t kGlyphRowMask = 0x1F; // five dots per row
constexpr int kGlyphColumns = 5;

// The dot in `row` (0 the top) and `column` (0 the leftmost).
constexpr bool dotLit(const Glyph &glyph, int row, int column)
{
    return (glyph[static_cast<std::size_t>(row)] >> (kGlyphColumns - 1 - column)) & 1;
}

// The module's character set draws code FF as a solid block (all forty dots on). Bars and
// big numbers use it for full cells, which leaves all eight slots for partial cells.
constexpr std::uint8_t kSolidBlock = 0xFF;

} // namespace sim
