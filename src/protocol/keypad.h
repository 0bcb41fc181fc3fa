#pragma once
// The one numbering of the sixteen keypad keys, for everything a person reads or types (the
// window's indicators and their names, the line log, vantelctl listen, the virtual module's
// buttons and keys): the key's place on the window's indicator grid, row by row, 1 to 16.
//
//              column 1   2   3   4
//      row 1        1   2   3   4
//      row 2        5   6   7   8
//      row 3        9  10  11  12
//      row 4       13  14  15  16
//
// On the wire the module reports key (row r, column c), both counted from 0, in bit
// (c % 2) * 4 + r of the reply's second byte (columns 0 and 1) or third byte (columns 2
// and 3). The window's indicators key(0) .. key(15) run down each column in the rows
// 0, 2, 3, 1: that is only their name, never a number shown to anyone.

#include <QString>

namespace proto::keypad
{

constexpr int kKeys = 16;
constexpr int kSide = 4;

// `number` is 1 .. 16 in all of these.
constexpr int row(int number)
{
    return (number - 1) / kSide;
}
constexpr int column(int number)
{
    return (number - 1) % kSide;
}
constexpr int numberAt(int row, int column)
{
    return row * kSide + column + 1;
}

// Where the key's state travels: data byte 0 (the reply's second byte) or 1, and the bit.
struct Bit {
    int byte = 0;
    int bit = 0;
};
constexpr Bit bitOf(int number)
{
    return {column(number) / 2, (column(number) % 2) * kSide + row(number)};
}

// The index k of the window's indicator key(k) for a key, and back.
int indicatorOf(int number);
int numberOfIndicator(int indicator);

// What a person reads for the key: "Key 7".
QString name(int number);

} // namespace proto::keypad
