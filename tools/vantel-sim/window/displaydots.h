#pragma once
// The display as the glass shows it, as plain data: for each of the 20x4 cells the 5x8
// dots it lights, the character (dotfont.h) and the cursor together, and the light behind
// them. The window paints exactly this (glass.h); tests compare it with what the model
// holds.
//
// The cursor: underline lights the eighth dot row of its cell; the blinking block lights
// the whole cell in its on phase and shows the character in its off phase; hidden shows
// nothing.

#include <array>

#include "sim/modulemodel.h"

namespace simtool
{

struct DisplayDots {
    static constexpr int kCells = proto::kRows * proto::kColumns;

    std::array<sim::Glyph, kCells> cells{};
    bool backlightOn = true;
    int backlightLevel = proto::kMaxBacklightLevel;

    const sim::Glyph &cell(int row, int column) const
    {
        return cells[static_cast<std::size_t>(row * proto::kColumns + column)];
    }
    bool lit(int row, int column, int dotRow, int dotColumn) const
    {
        return sim::dotLit(cell(row, column), dotRow, dotColumn);
    }
    bool sameLight(const DisplayDots &other) const
    {
        return backlightOn == other.backlightOn && backlightLevel == other.backlightLevel;
    }
    friend bool operator==(const DisplayDots &, const DisplayDots &) = default;
};

// `blinkOn`: the phase of a blinking cursor.
DisplayDots renderDots(const sim::ModuleModel &model, bool blinkOn);

} // namespace simtool
