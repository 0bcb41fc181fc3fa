#include "protocol/bignumber.h"

#include "encoding/win1252.h"

#include <QLocale>

namespace
{

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool isSign(QChar c)
{
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

bool isExponentMark(QChar c)
{
    const QChar upper = c.toUpper();
    return upper == QLatin1Char('E') || upper == QLatin1Char('D');
}

// Only the space counts as a blank: a tab or a wide space would reach the module as a
// control code or a '?'.
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ');
}

// A separator the text could be confused with, or one the module cannot be sent, is not
// taken from the locale.
bool isUsableSeparator(QChar c)
{
    return c.unicode() > 0x20 && !isDigit(c) && !isSign(c) && !isExponentMark(c) &&
           win1252::encode(c.unicode()).has_value();
}

} // namespace

namespace proto::bignumber
{

bool isNumeric(const QString &text, QChar localeDecimalSeparator)
{
    const bool localeSeparator = isUsableSeparator(localeDecimalSeparator);
    const auto isSeparator = [&](QChar c) {
        return c == QLatin1Char('.') || (localeSeparator && c == localeDecimalSeparator);
    };

    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;

    qsizetype i = begin;
    if (i < end && isSign(text[i]))
        ++i;
    int digits = 0;
    bool separator = false;
    for (; i < end; ++i) {
        if (isDigit(text[i]))
            ++digits;
        else if (!separator && isSeparator(text[i]))
            separator = true;
        else
            break;
    }
    if (digits == 0)
        return false;
    if (i < end && isExponentMark(text[i])) {
        ++i;
        if (i < end && isSign(text[i]))
            ++i;
        int exponentDigits = 0;
        for (; i < end && isDigit(text[i]); ++i)
            ++exponentDigits;
        if (exponentDigits == 0)
            return false;
    }
    return i == end;
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
    std::array<std::uint8_t, 4> result{};
    for (int i = 0; i < 4; ++i) {
        // Half of a surrogate pair has no code either, so a wide character cannot slip by.
        const auto code = win1252::encode(text[i].unicode());
        if (!code)
            return std::nullopt;
        result[static_cast<std::size_t>(i)] = *code;
    }
    return result;
}

} // namespace proto::bignumber
