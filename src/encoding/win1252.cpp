#include "encoding/win1252.h"

#include <array>

#include <QList>

namespace win1252
{

namespace
{

// 0x80..0x9F; an undefined code maps to the C1 control of the same value.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

} // namespace

char16_t decode(std::uint8_t byte)
{
    if (byte >= 0x80 && byte <= 0x9F)
        return kHighControls[byte - 0x80];
    return byte;
}

std::optional<std::uint8_t> encode(char32_t character)
{
    if (character < 0x80 || (character >= 0xA0 && character <= 0xFF))
        return static_cast<std::uint8_t>(character);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == character)
            return static_cast<std::uint8_t>(0x80 + i);
    }
    return std::nullopt;
}

QByteArray fromUnicode(const QString &text, char replacement)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (char32_t character : text.toUcs4()) {
        const auto code = encode(character);
        bytes.append(code ? static_cast<char>(*code) : replacement);
    }
    return bytes;
}

QString toUnicode(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char byte : bytes)
        text.append(QChar(decode(static_cast<std::uint8_t>(byte))));
    return text;
}

} // namespace win1252
