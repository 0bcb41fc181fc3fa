#pragma once
// What a network server says before the line is ours, told apart from the module's bytes.
//
// A server that will not serve says so in a line of text and hangs up (ser2net: "Port
// already in use", "Device open failure: ..."); the user reads that line, never "the line
// speed". The module itself never starts with text: every reply starts with FA to FF.
//
// On a raw (socket://) connection the first bytes are judged before any of them is taken
// for the module's:
//
//   50 6F 72 74 20 ...   text                 held: the server's words if it hangs up
//   FF FB 03 FF FD 03    two Telnet commands  a Telnet server (use rfc2217://)
//   FF FB ..             a start of those     held until the rest shows which
//   FA 01 F4             anything else        the module's bytes, from the first

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "telnet/telnetcodec.h"

namespace telnet
{

// The most of a server's greeting kept for its words.
constexpr qsizetype kMaxGreeting = 256;

enum class StreamStart { Undecided, ModuleBytes, TelnetServer };

// `bytes`: everything received so far on the connection.
StreamStart judgeStreamStart(QByteArrayView bytes);

// The first line with printable text in bytes a server sent, escaped and cut as every word
// from outside is (encoding/shownword.h); empty when there is none.
QString firstPrintableLine(QByteArrayView bytes);

// An answer to SET-DATASIZE, -PARITY or -STOPSIZE other than what was asked, in words
// ("the server set parity to even"). Another speed is never words of its own: the line
// speed cannot be set.
QString settingWords(const Event &answer);

} // namespace telnet
