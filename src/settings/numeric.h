#pragma once
// Settings values that start-up needs as numbers (port number, backlight level, glyph rows)
// are converted here, and only here.

#include <optional>

#include <QString>
#include <QtGlobal>

// A decimal number (optional sign, digits, optional fraction, optional exponent, surrounding
// blanks allowed) rounded to the nearest integer, a half to the even neighbour, when the
// result fits a signed 16-bit integer. Anything else (empty, text, hexadecimal, grouping
// commas, infinity, overflow) gives nothing.
// `offset` is added before rounding (the port list index is the port number minus 1,
// rounded: "3.5" gives index 2).
std::optional<qint16> toInt16RoundHalfEven(const QString &text, double offset = 0.0);
