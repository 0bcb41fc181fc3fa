#pragma once
// A reply as `listen` prints it: a line of text,
//   FA 01 F4  analog input 1 reads 500
// or one JSON object per line, for programs:
//   {"ms":812.4,"bytes":"FA 01 F4","kind":"analog","input":1,"value":500,
//    "text":"analog input 1 reads 500"}
// kind is "save-ack", "analog" (input, value), "inputs" (high: pins), "keypad" (down:
// keys), "unknown", or "dropped" for bytes that formed no reply. ms counts from the start.
// A listen that reconnects tells of the line in the same stream:
//   {"event":"lost","ms":5120.3,"reason":"the device is gone"}  {"event":"back","ms":9004.1}

#include <QByteArray>
#include <QString>

#include "protocol/replydecoder.h"

namespace script
{

QString replyText(const proto::Reply &reply, proto::P2Mode mode);
QString replyJson(const proto::Reply &reply, proto::P2Mode mode, double ms);
QString droppedText(const QByteArray &bytes);
QString droppedJson(const QByteArray &bytes, double ms);
// `reason` is left out when empty.
QString eventJson(const QString &event, const QString &reason, double ms);

} // namespace script
