#pragma once
// The text of a big number: the numeric test and the right alignment to four characters.
//
// Numeric means: optional spaces, an optional sign, digits with at most one decimal
// separator (at least one digit in all), an optional exponent (E or D, optional sign,
// digits), optional spaces. Digits are the ASCII digits only. The decimal separator is the
// point and, where the desktop's locale uses another one (a comma in much of Europe), that
// one as well, provided the module's 8-bit character set has it. Empty text or spaces alone
// are not numeric. Every character that passes therefore has a single-byte code.

#include <array>
#include <cstdint>
#include <optional>

#include <QChar>
#include <QString>

namespace proto::bignumber
{

bool isNumeric(const QString &text, QChar localeDecimalSeparator);
// With the desktop locale's separator.
bool isNumeric(const QString &text);

// Leading spaces up to four characters; a text of four or more is left as it is.
QString rightAligned(const QString &text);

// The four Windows-1252 codes of a four-character text, or nothing when it is not four
// characters long or one of them has no code.
std::optional<std::array<std::uint8_t, 4>> codes(const QString &text);

} // namespace proto::bignumber
