#include "sim/bargraph.h"

#include <algorithm>

namespace sim
{

namespace
{

constexpr std::uint8_t kBlank = ' ';
constexpr int kCellRows = proto::kGlyphRows;

Glyph filledRows(std::uint8_t row)
{
    return {row, row, row, row, row, row, row, row};
}

} // namespace

GlyphTable horizontalBarGlyphs()
{
    GlyphTable table{};
    for (int lit = 1; lit < kGlyphColumns; ++lit) {
        const auto fromRight = static_cast<std::uint8_t>((1 << lit) - 1);
        const auto fromLeft = static_cast<std::uint8_t>((fromRight << (kGlyphColumns - lit)));
        table[static_cast<std::size_t>(kHorizontalFromLeftSlot + lit - 1)] = filledRows(fromLeft);
        table[static_cast<std::size_t>(kHorizontalFromRightSlot + lit - 1)] = filledRows(fromRight);
    }
    return table;
}

GlyphTable verticalBarGlyphs()
{
    GlyphTable table{};
    for (int lit = 1; lit < kCellRows; ++lit) {
        Glyph &glyph = table[static_cast<std::size_t>(kVerticalFromBottomSlot + lit - 1)];
        for (int row = kCellRows - lit; row < kCellRows; ++row)
            glyph[static_cast<std::size_t>(row)] = kGlyphRowMask;
    }
    return table;
}

std::array<std::uint8_t, proto::kColumns> horizontalBarRow(int width, bool leftToRight)
{
    width = std::clamp(width, 0, proto::kMaxBarWidth);
    std::array<std::uint8_t, proto::kColumns> row;
    row.fill(kBlank);
    const int full = width / kGlyphColumns;
    const int partial = width % kGlyphColumns;
    for (int i = 0; i < full; ++i)
        row[static_cast<std::size_t>(i)] = kSolidBlock;
    if (partial > 0) {
        const int slot =
            (leftToRight ? kHorizontalFromLeftSlot : kHorizontalFromRightSlot) + partial - 1;
        row[static_cast<std::size_t>(full)] = static_cast<std::uint8_t>(slot);
    }
    if (!leftToRight)
        std::reverse(row.begin(), row.end());
    return row;
}

std::array<std::uint8_t, proto::kRows> verticalBarColumn(int height)
{
    height = std::clamp(height, 0, proto::kMaxBarHeight);
    std::array<std::uint8_t, proto::kRows> column;
    column.fill(kBlank);
    const int full = height / kCellRows;
    const int partial = height % kCellRows;
    for (int i = 0; i < full; ++i)
        column[static_cast<std::size_t>(proto::kRows - 1 - i)] = kSolidBlock;
    if (partial > 0)
        column[static_cast<std::size_t>(proto::kRows - 1 - full)] =
            static_cast<std::uint8_t>(kVerticalFromBottomSlot + partial - 1);
    return column;
}

} // namespace sim
