#pragma once
// How vantel-sim shows what the module shows, with the characters a terminal has.
//
// A cell's code: 20-7E as themselves, 80-FE as the utility's 8-bit character set
// (Windows-1252) maps them, FF as the module's solid block, 00-07 as the block character
// nearest to the glyph in that slot; the codes below 20 that have no glyph (only a stored
// message can put them on the screen) and 7F show as blanks.
//
// A glyph in one terminal cell: exact where a block character exists (bars growing from
// the left or from the bottom, solid, empty), otherwise the quadrant block whose quarters
// are the glyph's dense quarters, and a middle dot for a glyph too sparse for any quarter.

#include <QString>

#include "sim/glyph.h"

namespace simtool
{

QString blockFor(const sim::Glyph &glyph);
QString cellText(std::uint8_t code, const sim::GlyphTable &glyphs);
// The glyph as dot art of five columns and four lines, two dot rows per line (the upper
// and lower half blocks), top line first.
QStringList dotArt(const sim::Glyph &glyph);

} // namespace simtool
