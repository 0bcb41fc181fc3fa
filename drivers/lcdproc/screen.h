#pragma once
// The display as LCDd draws it, and the module as it was last told: LCDd repaints its whole
// picture every frame (clear, widgets, flush), and flush() turns the difference between the
// two into the fewest bytes for the module.
//
//   cells    flush writes only cells that differ from what the module shows: one FE 32 to
//            the first changed cell, then characters; an unchanged gap of up to four cells
//            is rewritten rather than jumped (a jump costs four bytes), and the module's
//            cursor runs on from the end of a row to the start of the next.
//   glyphs   eight slots; the table goes to the module whole (FE 64 and 64 bytes), before
//            the cells, and only when a slot changed. Widgets ask glyphSlot() for a shape;
//            a slot keeps its shape as long as a frame still uses it.
//   cursor   hidden, underline or blinking block, placed after the cells.
//   light    a level 0-250; 0 switches the backlight off.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "protocol/protocol.h"

namespace lcdd
{

constexpr int kWidth = proto::kColumns;
constexpr int kHeight = proto::kRows;
constexpr int kCells = kWidth * kHeight;
constexpr std::uint8_t kBlank = ' ';

using Glyph = std::array<std::uint8_t, proto::kGlyphRows>;
using Bytes = std::vector<std::uint8_t>;

enum class CursorShape { Hidden, Underline, Block };

// A character as LCDd hands it over, as the module can show it: control codes and the
// command prefix would be read as commands, so they show as blanks; 0-7 are the slots.
std::uint8_t cellCode(std::uint8_t character);

// LCDd's brightness, 0-1000 per mille, as a module level 0-250, and back.
int levelForPromille(int promille);
int promilleForLevel(int level);

class Screen
{
public:
    Screen();

    // Start of a frame: blank cells; every slot may be reused unless the frame asks for it.
    void clear();
    // 0-based; off the screen is ignored. put() maps the character, putCode() does not.
    void put(int column, int row, std::uint8_t character);
    void putString(int column, int row, std::string_view text);
    void putCode(int column, int row, std::uint8_t code);
    std::uint8_t code(int column, int row) const;

    // The slot showing `glyph` this frame, given one if need be; none when all eight are
    // taken by other shapes this frame.
    std::optional<std::uint8_t> glyphSlot(const Glyph &glyph);
    // The same, but never at another shape's expense: the slot already showing `glyph`,
    // or one no shape has used yet.
    std::optional<std::uint8_t> spareGlyphSlot(const Glyph &glyph);
    // A shape for a given slot (LCDd's set_char); slots outside 0-7 are ignored.
    void setGlyph(int slot, const Glyph &glyph);
    // Slots this frame has not claimed.
    int freeSlots() const;

    void setCursor(CursorShape shape, int column, int row);
    void setBacklightLevel(int level);

    // The bytes that bring the module from what it was last told to this picture.
    Bytes flush();
    // The module was just cleared (screen blank, cursor hidden at home) and knows nothing
    // else of ours: the next flush sends the glyphs, the backlight and every non-blank cell.
    void moduleCleared();

private:
    void writeCells(Bytes &out);

    std::array<std::uint8_t, kCells> m_cells{};
    std::array<int, kCells> m_sent{}; // -1: unknown
    std::array<Glyph, proto::kGlyphSlots> m_glyphs{};
    std::array<bool, proto::kGlyphSlots> m_claimed{};     // asked for this frame
    std::array<bool, proto::kGlyphSlots> m_defined{};     // holds a shape someone asked for
    std::array<unsigned, proto::kGlyphSlots> m_lastUse{}; // frame number of the last claim
    unsigned m_frame = 0;
    std::optional<std::array<Glyph, proto::kGlyphSlots>> m_sentGlyphs;
    CursorShape m_cursor = CursorShape::Hidden;
    int m_cursorCell = 0;
    std::optional<CursorShape> m_sentCursor;
    std::optional<int> m_modulePosition; // where the module's cursor is
    int m_level = proto::kMaxBacklightLevel;
    std::optional<bool> m_sentLightOn;
    std::optional<int> m_sentLevel;
};

} // namespace lcdd
