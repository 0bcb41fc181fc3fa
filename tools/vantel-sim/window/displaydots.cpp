#include "window/displaydots.h"

#include "window/dotfont.h"

namespace simtool
{

DisplayDots renderDots(const sim::ModuleModel &model, bool blinkOn)
{
    const sim::DisplayMemory &display = model.display();
    const sim::ModuleSettings &settings = model.settings();
    DisplayDots dots;
    dots.backlightOn = settings.backlightOn;
    dots.backlightLevel = settings.backlightLevel;
    for (int row = 0; row < proto::kRows; ++row)
        for (int column = 0; column < proto::kColumns; ++column)
            dots.cells[static_cast<std::size_t>(row * proto::kColumns + column)] =
                cellGlyph(display.cell(row, column), model.glyphs());

    sim::Glyph &cursor = dots.cells[static_cast<std::size_t>(display.cursorRow() * proto::kColumns +
                                                             display.cursorColumn())];
    switch (settings.cursorType) {
    case sim::CursorType::Hidden:
        break;
    case sim::CursorType::Underline:
        cursor.back() = sim::kGlyphRowMask;
        break;
    case sim::CursorType::Blinking:
        if (blinkOn)
            cursor.fill(sim::kGlyphRowMask);
        break;
    }
    return dots;
}

} // namespace simtool
