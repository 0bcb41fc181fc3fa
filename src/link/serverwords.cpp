#include "link/serverwords.h"

#include "encoding/shownword.h"
#include "telnet/telnetcodec.h"

namespace seriallink
{

namespace
{

bool isText(char c)
{
    return (c >= 0x20 && c < 0x7F) || c == '\r' || c == '\n' || c == '\t';
}

// A server's line is longer than a user's word; the words that matter come at its end
// ("Device open failure: Value or file not found").
constexpr qsizetype kLongestLine = 100;

} // namespace

StreamStart judgeStreamStart(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return StreamStart::Undecided;
    if (std::uint8_t(bytes[0]) == telnet::kIac) {
        // IAC WILL|WONT|DO|DONT option, twice: no run of replies starts so.
        constexpr qsizetype kTwoCommands = 6;
        for (qsizetype i = 0; i < std::min(bytes.size(), kTwoCommands); ++i) {
            const auto b = std::uint8_t(bytes[i]);
            const bool fits = i % 3 == 0   ? b == telnet::kIac
                              : i % 3 == 1 ? b >= telnet::kWill && b <= telnet::kDont
                                           : true;
            if (!fits)
                return StreamStart::ModuleBytes;
        }
        return bytes.size() >= kTwoCommands ? StreamStart::TelnetServer : StreamStart::Undecided;
    }
    if (bytes.size() > kMaxGreeting)
        return StreamStart::ModuleBytes;
    for (char c : bytes) {
        if (!isText(c))
            return StreamStart::ModuleBytes;
    }
    return StreamStart::Undecided;
}

QString firstPrintableLine(QByteArrayView bytes)
{
    qsizetype start = 0;
    while (start < bytes.size()) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        const QByteArray line = bytes.sliced(start, end - start).toByteArray().trimmed();
        const bool printable =
            std::any_of(line.begin(), line.end(), [](char c) { return c > 0x20 && c < 0x7F; });
        if (printable)
            return encoding::shownWord(QString::fromLatin1(line), kLongestLine);
        start = end + 1;
    }
    return {};
}

} // namespace seriallink
