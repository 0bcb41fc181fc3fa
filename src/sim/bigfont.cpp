#include "sim/bigfont.h"

#include <string_view>

namespace sim
{

namespace
{

constexpr std::uint8_t kUpperBarSlot = 0;
constexpr std::uint8_t kLowerBarSlot = 1;
constexpr std::uint8_t kDotSlot = 2;

struct Shape {
    char code;
    // Four rows of three cells: F solid block, U upper bar, L lower bar, . dot, space blank.
    std::array<std::string_view, proto::kRows> rows;
};

constexpr std::array<Shape, 16> kShapes = {{
    {'0', {"FUF", "F F", "F F", "FLF"}},
    {'1', {"UF ", " F ", " F ", "LFL"}},
    {'2', {"UUF", "LLF", "F  ", "FLL"}},
    {'3', {"UUF", "LLF", "  F", "LLF"}},
    {'4', {"F F", "FLF", "  F", "  F"}},
    {'5', {"FUU", "FLL", "  F", "LLF"}},
    {'6', {"FUU", "FLL", "F F", "FLF"}},
    {'7', {"UUF", "  F", "  F", "  F"}},
    {'8', {"FUF", "FLF", "F F", "FLF"}},
    {'9', {"FUF", "FLF", "  F", "LLF"}},
    {'-', {"   ", "LLL", "   ", "   "}},
    {'+', {"   ", "LFL", " F ", "   "}},
    {'.', {"   ", "   ", "   ", " . "}},
    {',', {"   ", "   ", "   ", " F "}},
    {'E', {"FUU", "FLL", "F  ", "FLL"}},
    {'D', {"FU ", "F F", "F F", "FL "}},
}};

std::uint8_t cellCode(char symbol)
{
    switch (symbol) {
    case 'F':
        return kSolidBlock;
    case 'U':
        return kUpperBarSlot;
    case 'L':
        return kLowerBarSlot;
    case '.':
        return kDotSlot;
    default:
        return ' ';
    }
}

} // namespace

GlyphTable bigNumberGlyphs()
{
    GlyphTable table{};
    table[kUpperBarSlot] = {kGlyphRowMask, kGlyphRowMask, kGlyphRowMask, 0, 0, 0, 0, 0};
    table[kLowerBarSlot] = {0, 0, 0, 0, 0, kGlyphRowMask, kGlyphRowMask, kGlyphRowMask};
    table[kDotSlot] = {0, 0, 0, 0, 0, 0x0E, 0x0E, 0x0E};
    return table;
}

BigCharacter bigCharacter(std::uint8_t code)
{
    BigCharacter cells{};
    for (auto &row : cells)
        row.fill(' ');
    // The utility sends an exponent mark as typed: E or D, either case.
    const char wanted = code == 'e' ? 'E' : code == 'd' ? 'D' : static_cast<char>(code);
    for (const Shape &shape : kShapes) {
        if (shape.code != wanted)
            continue;
        for (std::size_t r = 0; r < cells.size(); ++r)
            for (std::size_t c = 0; c < kBigCharacterColumns; ++c)
                cells[r][c] = cellCode(shape.rows[r][c]);
        break;
    }
    return cells;
}

} // namespace sim
