#pragma once
// The module and the settings file speak Windows-1252, an 8-bit character set. Qt gives
// us Unicode; these functions convert between the two. Bytes 80-9F carry the typographic
// characters of Windows-1252 (euro sign, quotes, dashes); the five codes Windows-1252
// leaves undefined (81, 8D, 8F, 90, 9D) map to the C1 controls of the same value, as
// Windows itself does, so every byte survives a round trip.

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>

namespace win1252
{

// The single-byte code of a character, or nothing when Windows-1252 has none.
std::optional<std::uint8_t> encode(char32_t character);
char16_t decode(std::uint8_t byte);

// Characters without a code become the replacement byte ('?', as Windows substitutes).
QByteArray fromUnicode(const QString &text, char replacement = '?');
QString toUnicode(const QByteArray &bytes);

} // namespace win1252
