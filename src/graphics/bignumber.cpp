#include "graphics/bignumber.h"

#include "text/win1252.h"

#include <QLocale>

namespace bignumber
{

namespace
{

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

} // namespace

bool isNumeric(const QString &text, QChar localeDecimalSeparator)
{
    const QString s = text.trimmed();
    qsizetype i = 0;
    const qsizetype n = s.size();
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        ++i;
    int digits = 0;
    bool separator = false;
    for (; i < n; ++i) {
        if (isDigit(s[i])) {
            ++digits;
        } else if (!separator && (s[i] == QLatin1Char('.') || s[i] == localeDecimalSeparator)) {
            separator = true;
        } else {
            break;
        }
    }
    if (digits == 0)
        return false;
    if (i < n && (s[i].toUpper() == QLatin1Char('E') || s[i].toUpper() == QLatin1Char('D'))) {
        ++i;
        if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
            ++i;
        int exponentDigits = 0;
        for (; i < n && isDigit(s[i]); ++i)
            ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == n;
}

bool isNumeric(const QString &text)
{
    const QString separator = QLocale().decimalPoint();
    return isNumeric(text, separator.size() == 1 ? separator.at(0) : QLatin1Char('.'));
}

QString rightAligned(const QString &text)
{
    if (text.size() >= 4)
        return text;
    return QString(4 - text.size(), QLatin1Char(' ')) + text;
}

std::optional<std::array<std::uint8_t, 4>> codes(const QString &text)
{
    if (text.size() != 4)
        return std::nullopt;
    const QByteArray bytes = win1252::fromUnicode(text);
    std::array<std::uint8_t, 4> result{};
    for (int i = 0; i < 4; ++i)
        result[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes[i]);
    return result;
}

} // namespace bignumber
