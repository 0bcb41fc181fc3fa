#pragma once
// Big numbers as the module draws them. FE 09 loads three glyphs into the slots (the
// other five slots become blank):
//
//   slot 0  upper bar   dot rows 0-2 lit
//   slot 1  lower bar   dot rows 5-7 lit
//   slot 2  dot         dot rows 5-7, the middle three columns
//
// FE 63 c1 c2 c3 c4 then fills the whole screen: character i gets the five-column band
// 5i..5i+4 and is drawn 3 cells wide and 4 rows high in the band's middle columns from
// solid blocks, those glyphs and blanks. Drawn are the digits, space, '-', '+', '.', ','
// and the exponent marks 'E' and 'D' (either case); any other code leaves its band blank.
//
//   "0"  █▀█    "4"  █ █    "7"  ▀▀█
//        █ █         █▄█           █
//        █ █           █           █
//        █▄█           █           █

#include <array>
#include <cstdint>

#include "sim/glyph.h"

namespace sim
{

constexpr int kBigCharacterColumns = 3;
constexpr int kBigBandColumns = proto::kColumns / proto::kBigNumberWidth; // 5

using BigCharacter = std::array<std::array<std::uint8_t, kBigCharacterColumns>, proto::kRows>;

GlyphTable bigNumberGlyphs();
// The cell codes of one big character, top row first.
BigCharacter bigCharacter(std::uint8_t code);

} // namespace sim
