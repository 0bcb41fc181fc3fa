#pragma once
// The module's own character set as dots, for drawing the display as the glass shows it.
//
//   00-07     the glyph slots, as the module holds them
//   20-7E     ASCII, 80-FE as Windows-1252 (the utility's 8-bit character set) has them,
//             from a 5x7 table: the character sits in the top seven rows of its cell,
//             the eighth row is the underline cursor's
//   FF        the solid block, all forty dots
//   the rest  (08-1F, 7F and the five codes Windows-1252 leaves out, which only a stored
//             message can put on the screen) a checkerboard: never drawn as nothing
//
// The table (dotfontdata.cpp) is generated from a public-domain bitmap font by
// scripts/make-dot-font.py.

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "sim/glyph.h"

namespace simtool
{

struct DotFontCharacter {
    std::uint8_t code;
    std::array<std::uint8_t, 7> rows; // bit 4 the leftmost dot
};

// Ordered by code.
extern const std::span<const DotFontCharacter> kDotFontCharacters;

// The 5x7 table's dots for a code, in a 5x8 cell; nothing when the table has none.
std::optional<sim::Glyph> fontGlyph(std::uint8_t code);
// What a cell holding `code` shows, without the cursor.
sim::Glyph cellGlyph(std::uint8_t code, const sim::GlyphTable &glyphs);
// The pattern of a code without dots.
sim::Glyph placeholderGlyph();

} // namespace simtool
