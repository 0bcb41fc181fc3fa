#pragma once
// Bar graphs as the module draws them: glyph sets that the initialise commands load into
// the eight slots, and the cells a bar of a given size occupies.
//
// Horizontal (FE 04): slots 0-3 hold 1-4 dot columns lit from the left, slots 4-7 hold 1-4
// columns lit from the right. A bar of width w (dot columns, 5 per cell, clamped to 0-100)
// is w / 5 solid blocks from its starting edge plus, when w % 5 is not 0, one partial
// cell; the rest of the row is blank, so a shorter bar replaces a longer one.
//
// Vertical (FE 05): slots 0-6 hold 1-7 dot rows lit from the bottom, slot 7 is blank. A
// bar of height h (dot rows, 8 per cell, clamped to 0-32) grows from the bottom row: h / 8
// solid blocks, then one partial cell when h % 8 is not 0, blank cells above.

#include <array>
#include <cstdint>

#include "sim/glyph.h"

namespace sim
{

constexpr int kHorizontalFromLeftSlot = 0;  // slot of 1 column lit from the left
constexpr int kHorizontalFromRightSlot = 4; // slot of 1 column lit from the right
constexpr int kVerticalFromBottomSlot = 0;  // slot of 1 row lit from the bottom

GlyphTable horizontalBarGlyphs();
GlyphTable verticalBarGlyphs();

// The cell codes of one display row holding a horizontal bar.
std::array<std::uint8_t, proto::kColumns> horizontalBarRow(int width, bool leftToRight);
// The cell codes of one display column holding a vertical bar, top row first.
std::array<std::uint8_t, proto::kRows> verticalBarColumn(int height);

} // namespace sim
