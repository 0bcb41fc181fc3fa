#include "sim/displaymemory.h"

namespace sim
{

namespace
{

bool validRow(int row)
{
    return row >= 0 && row < proto::kRows;
}
bool validColumn(int column)
{
    return column >= 0 && column < proto::kColumns;
}
std::size_t index(int value)
{
    return static_cast<std::size_t>(value);
}

} // namespace

std::uint8_t DisplayMemory::cell(int row, int column) const
{
    if (!validRow(row) || !validColumn(column))
        return kBlank;
    return m_rows[index(row)][index(column)];
}

const DisplayMemory::Row &DisplayMemory::row(int row) const
{
    static const Row blank = [] {
        Row r;
        r.fill(kBlank);
        return r;
    }();
    return validRow(row) ? m_rows[index(row)] : blank;
}

void DisplayMemory::write(std::uint8_t code)
{
    m_rows[index(cursorRow())][index(cursorColumn())] = code;
    moveRight();
}

void DisplayMemory::backSpace()
{
    moveLeft();
    m_rows[index(cursorRow())][index(cursorColumn())] = kBlank;
}

void DisplayMemory::nextLine()
{
    m_cursor = (cursorRow() + 1) % proto::kRows * proto::kColumns;
}

void DisplayMemory::clear()
{
    for (Row &r : m_rows)
        r.fill(kBlank);
    m_cursor = 0;
}

void DisplayMemory::moveLeft()
{
    m_cursor = (m_cursor + kCells - 1) % kCells;
}

void DisplayMemory::moveRight()
{
    m_cursor = (m_cursor + 1) % kCells;
}

bool DisplayMemory::setCursor(int row, int column)
{
    if (!validRow(row) || !validColumn(column))
        return false;
    m_cursor = row * proto::kColumns + column;
    return true;
}

bool DisplayMemory::clearRow(int row)
{
    if (!validRow(row))
        return false;
    m_rows[index(row)].fill(kBlank);
    return true;
}

bool DisplayMemory::clearColumn(int column)
{
    if (!validColumn(column))
        return false;
    for (Row &r : m_rows)
        r[index(column)] = kBlank;
    return true;
}

bool DisplayMemory::setRow(int row, const Row &codes)
{
    if (!validRow(row))
        return false;
    m_rows[index(row)] = codes;
    return true;
}

bool DisplayMemory::setCell(int row, int column, std::uint8_t code)
{
    if (!validRow(row) || !validColumn(column))
        return false;
    m_rows[index(row)][index(column)] = code;
    return true;
}

} // namespace sim
