#include "screen.h"

#include <algorithm>

namespace lcdd
{

namespace
{

// Jumping costs four bytes (FE 32 row column); rewriting an unchanged gap this short costs
// no more.
constexpr int kLongestRewrittenGap = 4;

int cellIndex(int column, int row)
{
    return row * kWidth + column;
}

bool onScreen(int column, int row)
{
    return column >= 0 && column < kWidth && row >= 0 && row < kHeight;
}

void append(Bytes &out, const proto::Frame &frame)
{
    out.insert(out.end(), frame.begin(), frame.end());
}

// A cell's character as the module takes it: a slot number or a typed character.
void appendCell(Bytes &out, std::uint8_t code)
{
    append(out, code <= proto::kLastCustomChar ? *proto::customCharacter(code)
                                               : *proto::typedCharacter(code));
}

Glyph masked(const Glyph &glyph)
{
    Glyph result{};
    for (std::size_t r = 0; r < glyph.size(); ++r)
        result[r] = glyph[r] & 0x1F;
    return result;
}

} // namespace

std::uint8_t cellCode(std::uint8_t character)
{
    if (character <= proto::kLastCustomChar)
        return character;
    if (character < proto::kFirstTypedChar || character == proto::kPrefix)
        return kBlank;
    return character;
}

int levelForPromille(int promille)
{
    const int clamped = std::clamp(promille, 0, 1000);
    return (clamped * proto::kMaxBacklightLevel + 500) / 1000;
}

int promilleForLevel(int level)
{
    return std::clamp(level, 0, proto::kMaxBacklightLevel) * 1000 / proto::kMaxBacklightLevel;
}

Screen::Screen()
{
    m_cells.fill(kBlank);
    m_sent.fill(-1);
}

void Screen::clear()
{
    m_cells.fill(kBlank);
    m_claimed.fill(false);
    ++m_frame;
}

void Screen::put(int column, int row, std::uint8_t character)
{
    putCode(column, row, cellCode(character));
}

void Screen::putString(int column, int row, std::string_view text)
{
    for (char c : text)
        put(column++, row, static_cast<std::uint8_t>(c));
}

void Screen::putCode(int column, int row, std::uint8_t code)
{
    if (onScreen(column, row))
        m_cells[static_cast<std::size_t>(cellIndex(column, row))] = code;
}

std::uint8_t Screen::code(int column, int row) const
{
    return onScreen(column, row) ? m_cells[static_cast<std::size_t>(cellIndex(column, row))]
                                 : kBlank;
}

std::optional<std::uint8_t> Screen::spareGlyphSlot(const Glyph &wanted)
{
    const Glyph glyph = masked(wanted);
    for (std::size_t s = 0; s < m_glyphs.size(); ++s) {
        if (m_defined[s] && m_glyphs[s] == glyph) {
            m_claimed[s] = true;
            m_lastUse[s] = m_frame;
            return static_cast<std::uint8_t>(s);
        }
    }
    const auto unused = std::find(m_defined.begin(), m_defined.end(), false);
    if (unused == m_defined.end())
        return std::nullopt;
    const auto slot = static_cast<int>(unused - m_defined.begin());
    setGlyph(slot, glyph);
    return static_cast<std::uint8_t>(slot);
}

std::optional<std::uint8_t> Screen::glyphSlot(const Glyph &wanted)
{
    if (const auto held = spareGlyphSlot(wanted))
        return held;
    const Glyph glyph = masked(wanted);
    // Every slot holds a shape: the one whose shape has gone longest unused, so a shape that
    // comes and goes between frames keeps its slot while there is room.
    std::optional<std::size_t> pick;
    for (std::size_t s = 0; s < m_glyphs.size(); ++s) {
        if (!m_claimed[s] && (!pick || m_lastUse[s] < m_lastUse[*pick]))
            pick = s;
    }
    if (!pick)
        return std::nullopt;
    setGlyph(static_cast<int>(*pick), glyph);
    return static_cast<std::uint8_t>(*pick);
}

void Screen::setGlyph(int slot, const Glyph &glyph)
{
    if (slot < 0 || slot >= proto::kGlyphSlots)
        return;
    const auto s = static_cast<std::size_t>(slot);
    m_glyphs[s] = masked(glyph);
    m_defined[s] = true;
    m_claimed[s] = true;
    m_lastUse[s] = m_frame;
}

int Screen::freeSlots() const
{
    return static_cast<int>(std::count(m_claimed.begin(), m_claimed.end(), false));
}

void Screen::setCursor(CursorShape shape, int column, int row)
{
    m_cursor = shape;
    m_cursorCell = cellIndex(std::clamp(column, 0, kWidth - 1), std::clamp(row, 0, kHeight - 1));
}

void Screen::setBacklightLevel(int level)
{
    m_level = std::clamp(level, 0, proto::kMaxBacklightLevel);
}

Bytes Screen::flush()
{
    Bytes out;
    const bool anyDefined = std::find(m_defined.begin(), m_defined.end(), true) != m_defined.end();
    if (anyDefined && m_sentGlyphs != m_glyphs) {
        std::array<std::uint8_t, proto::kGlyphTableSize> table{};
        for (std::size_t s = 0; s < m_glyphs.size(); ++s)
            std::copy(m_glyphs[s].begin(), m_glyphs[s].end(), table.begin() + s * 8);
        append(out, proto::setCustomChars(table));
        m_sentGlyphs = m_glyphs;
    }

    const bool lightOn = m_level > 0;
    if (m_sentLightOn != lightOn) {
        append(out, *proto::backlight(lightOn ? 0 : 1));
        m_sentLightOn = lightOn;
    }
    if (lightOn && m_sentLevel != m_level) {
        append(out, *proto::backlightLevel(m_level));
        m_sentLevel = m_level;
    }

    // Hidden before the cells are written, shown only once it stands where it belongs.
    if (m_cursor == CursorShape::Hidden && m_sentCursor != CursorShape::Hidden) {
        append(out, *proto::cursorType(0));
        m_sentCursor = CursorShape::Hidden;
    }
    writeCells(out);
    if (m_cursor != CursorShape::Hidden) {
        if (m_modulePosition != m_cursorCell) {
            append(out, *proto::setPosition(m_cursorCell / kWidth, m_cursorCell % kWidth));
            m_modulePosition = m_cursorCell;
        }
        if (m_sentCursor != m_cursor) {
            append(out, *proto::cursorType(m_cursor == CursorShape::Underline ? 1 : 2));
            m_sentCursor = m_cursor;
        }
    }
    return out;
}

void Screen::writeCells(Bytes &out)
{
    int position = m_modulePosition.value_or(-1);
    for (int i = 0; i < kCells; ++i) {
        const auto index = static_cast<std::size_t>(i);
        if (m_sent[index] == m_cells[index])
            continue;
        if (position != i) {
            // Cells between the module's cursor and this one are all unchanged here: any
            // changed one would have been written already.
            if (position >= 0 && position < i && i - position <= kLongestRewrittenGap) {
                for (int j = position; j < i; ++j)
                    appendCell(out, m_cells[static_cast<std::size_t>(j)]);
            } else {
                append(out, *proto::setPosition(i / kWidth, i % kWidth));
            }
        }
        appendCell(out, m_cells[index]);
        m_sent[index] = m_cells[index];
        position = (i + 1) % kCells;
    }
    if (position >= 0)
        m_modulePosition = position;
}

void Screen::moduleCleared()
{
    m_sent.fill(kBlank);
    m_sentGlyphs.reset();
    m_sentCursor = CursorShape::Hidden;
    m_modulePosition = 0;
    m_sentLightOn.reset();
    m_sentLevel.reset();
}

} // namespace lcdd
