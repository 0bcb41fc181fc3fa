#pragma once
// The module's 20x4 display memory and its cursor. Each cell holds a character code;
// codes 0-7 show whatever glyph their slot holds when the screen is drawn.
//
// The cursor always stays on the screen. Writing moves it one cell right; past column 19
// it goes to column 0 of the next row, and past the last row back to row 0 (the screen
// never scrolls). Moving left is the mirror image: from row 0 column 0 it goes to row 3
// column 19.

#include <array>
#include <cstdint>

#include "protocol/protocol.h"

namespace sim
{

class DisplayMemory
{
public:
    using Row = std::array<std::uint8_t, proto::kColumns>;
    static constexpr std::uint8_t kBlank = ' ';

    DisplayMemory() { clear(); }

    std::uint8_t cell(int row, int column) const;
    const Row &row(int row) const;
    int cursorRow() const { return m_cursor / proto::kColumns; }
    int cursorColumn() const { return m_cursor % proto::kColumns; }

    void write(std::uint8_t code); // at the cursor, then one right
    void backSpace();              // one left, then blank that cell
    void home() { m_cursor = 0; }
    void nextLine();
    void clear();
    void moveLeft();
    void moveRight();
    // These return false, and change nothing, when an argument is off the screen.
    bool setCursor(int row, int column);
    bool clearRow(int row);
    bool clearColumn(int column);
    bool setRow(int row, const Row &codes);
    bool setCell(int row, int column, std::uint8_t code);

private:
    static constexpr int kCells = proto::kRows * proto::kColumns;

    std::array<Row, proto::kRows> m_rows{};
    int m_cursor = 0; // row * 20 + column
};

} // namespace sim
