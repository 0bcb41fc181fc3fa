#include "widgets.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>

#include "lcdapi.h"

namespace lcdd
{

namespace
{

constexpr int kCellWidth = 5;
constexpr int kCellHeight = 8;
constexpr std::uint8_t kSolidBlock = 0xFF;
constexpr std::uint8_t kEllipsis = 0x85; // the module's character set has it built in

// The module's own big-digit pieces (what FE 09 would load), as shapes of our own slots:
// the module's loader takes all eight slots, these share them with bars and icons.
constexpr Glyph kUpperBar = {0x1F, 0x1F, 0x1F, 0, 0, 0, 0, 0};
constexpr Glyph kLowerBar = {0, 0, 0, 0, 0, 0x1F, 0x1F, 0x1F};
constexpr Glyph kDot = {0, 0, 0, 0, 0, 0x0E, 0x0E, 0x0E};

// Four rows of three cells: F solid block, U upper bar, L lower bar, blank.
constexpr std::array<std::array<std::string_view, kHeight>, 10> kDigits = {{
    {"FUF", "F F", "F F", "FLF"},
    {"UF ", " F ", " F ", "LFL"},
    {"UUF", "LLF", "F  ", "FLL"},
    {"UUF", "LLF", "  F", "LLF"},
    {"F F", "FLF", "  F", "  F"},
    {"FUU", "FLL", "  F", "LLF"},
    {"FUU", "FLL", "F F", "FLF"},
    {"UUF", "  F", "  F", "  F"},
    {"FUF", "FLF", "F F", "FLF"},
    {"FUF", "FLF", "  F", "LLF"},
}};
constexpr std::array<std::string_view, kHeight> kColon = {" ", ".", ".", " "};

struct IconShape {
    int icon;
    Glyph glyph;
};

constexpr std::array<IconShape, 11> kIconShapes = {{
    {lcdapi::kIconHeartFilled, {0x00, 0x0A, 0x1F, 0x1F, 0x0E, 0x04, 0x00, 0x00}},
    {lcdapi::kIconHeartOpen, {0x00, 0x0A, 0x15, 0x11, 0x0A, 0x04, 0x00, 0x00}},
    {lcdapi::kIconArrowUp, {0x04, 0x0E, 0x15, 0x04, 0x04, 0x04, 0x04, 0x00}},
    {lcdapi::kIconArrowDown, {0x04, 0x04, 0x04, 0x04, 0x15, 0x0E, 0x04, 0x00}},
    {lcdapi::kIconArrowLeft, {0x00, 0x04, 0x08, 0x1F, 0x08, 0x04, 0x00, 0x00}},
    {lcdapi::kIconArrowRight, {0x00, 0x04, 0x02, 0x1F, 0x02, 0x04, 0x00, 0x00}},
    {lcdapi::kIconCheckboxOff, {0x00, 0x1F, 0x11, 0x11, 0x11, 0x1F, 0x00, 0x00}},
    {lcdapi::kIconCheckboxOn, {0x00, 0x1F, 0x15, 0x1B, 0x15, 0x1F, 0x00, 0x00}},
    {lcdapi::kIconCheckboxGray, {0x00, 0x1F, 0x11, 0x15, 0x11, 0x1F, 0x00, 0x00}},
    {lcdapi::kIconSelectorAtLeft, {0x00, 0x08, 0x0C, 0x0E, 0x0C, 0x08, 0x00, 0x00}},
    {lcdapi::kIconSelectorAtRight, {0x00, 0x02, 0x06, 0x0E, 0x06, 0x02, 0x00, 0x00}},
}};

int litDots(int promille, int cells, int dotsPerCell)
{
    return (std::clamp(promille, 0, 1000) * cells * dotsPerCell + 500) / 1000;
}

// A partial cell, or nothing when no slot is left: the bar then ends a little short.
void putGlyph(Screen &screen, int column, int row, const Glyph &glyph)
{
    if (const auto slot = screen.glyphSlot(glyph))
        screen.putCode(column, row, *slot);
}

} // namespace

Glyph leftColumns(int columns)
{
    const int n = std::clamp(columns, 0, kCellWidth);
    const auto row = static_cast<std::uint8_t>((0x1F << (kCellWidth - n)) & 0x1F);
    Glyph glyph{};
    glyph.fill(row);
    return glyph;
}

Glyph bottomRows(int rows)
{
    const int n = std::clamp(rows, 0, kCellHeight);
    Glyph glyph{};
    for (int r = kCellHeight - n; r < kCellHeight; ++r)
        glyph[static_cast<std::size_t>(r)] = 0x1F;
    return glyph;
}

void drawHorizontalBar(Screen &screen, int x, int y, int length, int promille)
{
    int dots = litDots(promille, length, kCellWidth);
    for (int i = 0; i < length && dots > 0; ++i, dots -= kCellWidth) {
        if (dots >= kCellWidth)
            screen.putCode(x - 1 + i, y - 1, kSolidBlock);
        else
            putGlyph(screen, x - 1 + i, y - 1, leftColumns(dots));
    }
}

void drawVerticalBar(Screen &screen, int x, int y, int length, int promille)
{
    int dots = litDots(promille, length, kCellHeight);
    for (int i = 0; i < length && dots > 0; ++i, dots -= kCellHeight) {
        if (dots >= kCellHeight)
            screen.putCode(x - 1, y - 1 - i, kSolidBlock);
        else
            putGlyph(screen, x - 1, y - 1 - i, bottomRows(dots));
    }
}

void drawBigNumber(Screen &screen, int x, int number)
{
    if (number < 0 || number > 10)
        return;
    const auto &rows = number == 10 ? kColon : kDigits[static_cast<std::size_t>(number)];
    const bool colon = number == 10;
    const auto upper = colon ? std::optional<std::uint8_t>(0) : screen.glyphSlot(kUpperBar);
    const auto lower = colon ? std::optional<std::uint8_t>(0) : screen.glyphSlot(kLowerBar);
    const auto dot = colon ? screen.glyphSlot(kDot) : std::optional<std::uint8_t>(0);
    if (!upper || !lower || !dot) {
        // No room for the pieces: the plain character in the widget's middle column, where
        // LCDd's own text stand-in has it (a colon's only column is its first).
        if (colon)
            screen.put(x - 1, 1, ':');
        else
            screen.put(x, 1, static_cast<std::uint8_t>('0' + number));
        return;
    }
    for (int row = 0; row < kHeight; ++row) {
        const std::string_view cells = rows[static_cast<std::size_t>(row)];
        for (std::size_t c = 0; c < cells.size(); ++c) {
            std::uint8_t code = kBlank;
            switch (cells[c]) {
            case 'F':
                code = kSolidBlock;
                break;
            case 'U':
                code = *upper;
                break;
            case 'L':
                code = *lower;
                break;
            case '.':
                code = *dot;
                break;
            default:
                break;
            }
            screen.putCode(x - 1 + static_cast<int>(c), row, code);
        }
    }
}

void drawHeartbeat(Screen &screen, unsigned frame)
{
    const IconShape &filled = kIconShapes[0];
    const IconShape &open = kIconShapes[1];
    const int column = kWidth - 1;
    // LCDd's own rhythm: the open heart on frames 0 and 2 of every eight.
    if ((frame & 5) != 0) {
        if (const auto slot = screen.glyphSlot(filled.glyph))
            screen.putCode(column, 0, *slot);
        else
            screen.put(column, 0, '#'); // LCDd's stand-in for a filled heart
    } else if (const auto slot = screen.spareGlyphSlot(open.glyph)) {
        screen.putCode(column, 0, *slot);
    }
}

bool drawIcon(Screen &screen, int x, int y, int icon)
{
    if (icon == lcdapi::kIconBlockFilled) {
        screen.putCode(x - 1, y - 1, kSolidBlock);
        return true;
    }
    if (icon == lcdapi::kIconEllipsis) {
        screen.putCode(x - 1, y - 1, kEllipsis);
        return true;
    }
    const auto shape = std::find_if(kIconShapes.begin(), kIconShapes.end(),
                                    [icon](const IconShape &s) { return s.icon == icon; });
    if (shape == kIconShapes.end())
        return false;
    const auto slot = screen.glyphSlot(shape->glyph);
    if (!slot)
        return false;
    screen.putCode(x - 1, y - 1, *slot);
    return true;
}

} // namespace lcdd
