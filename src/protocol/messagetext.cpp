#include "protocol/messagetext.h"

#include "encoding/win1252.h"

#include <algorithm>

namespace proto
{

std::array<std::uint8_t, proto::kMessageLength> messageBytes(const QString &text)
{
    std::array<std::uint8_t, proto::kMessageLength> bytes;
    bytes.fill(' ');
    const QByteArray encoded = win1252::fromUnicode(text);
    std::copy_n(encoded.constData(), std::min<qsizetype>(encoded.size(), proto::kMessageLength),
                bytes.begin());
    return bytes;
}

} // namespace proto
