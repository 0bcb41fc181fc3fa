#pragma once
// What a client may ask of the module, read from a topic under the bridge's base and its
// payload. A command is read whole before anything is sent: it is either complete, with
// every byte it will send known, or refused with words for the log.
//
//   topic under the base    payload                        command
//   row/N/set (N 1-4)       UTF-8 text, no control chars   SetRow: Windows-1252, cut or
//                                                          padded to 20 (no code: '?')
//   clear/set               anything                       ClearDisplay
//   backlight/set           ON or OFF (any case)           SetBacklight
//   backlight/brightness/set  0-250                        SetBrightness
//   message/set             1-20                           ShowMessage, on the top row
//
// Numbers are plain decimal digits; spaces around a word or a number are allowed. The
// byte FE, which the module always reads as the start of a command, is never shown: its
// character (Windows-1252 thorn) goes out as '?', as a character without a code does.

#include <array>
#include <cstdint>
#include <variant>
#include <vector>

#include <QByteArrayView>
#include <QString>
#include <QStringView>

#include "protocol/protocol.h"

namespace mqttbridge
{

using RowBytes = std::array<std::uint8_t, proto::kColumns>;

struct SetRow {
    int row = 0; // 0-3
    RowBytes text{};
};
struct ClearDisplay {
};
struct SetBacklight {
    bool on = true;
};
struct SetBrightness {
    int level = 0;
};
struct ShowMessage {
    int number = 1;
};

using Command = std::variant<SetRow, ClearDisplay, SetBacklight, SetBrightness, ShowMessage>;

// The command, or why the payload is refused ("brightness 300 is not 0-250").
std::variant<Command, QString> parseCommand(QStringView topic, QByteArrayView payload);

// The frames the command sends, in order, every one from the protocol builders.
std::vector<proto::Frame> framesFor(const Command &command);

// A row as published: the characters it shows, trailing blanks left off.
QString rowText(const RowBytes &row);

// A payload as a log line quotes it: printable and short, whatever it holds.
QString quotedPayload(QByteArrayView payload);

} // namespace mqttbridge
