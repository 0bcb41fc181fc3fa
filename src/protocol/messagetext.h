#pragma once
// A predefined message on the wire is always 20 bytes: the text's Windows-1252 codes,
// filled up with spaces or cut after the twentieth character. A character Windows-1252
// has no code for goes out as '?'.

#include <array>
#include <cstdint>

#include <QString>

#include "protocol/protocol.h"

namespace proto
{

std::array<std::uint8_t, proto::kMessageLength> messageBytes(const QString &text);

} // namespace proto
