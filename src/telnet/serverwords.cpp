#include "telnet/serverwords.h"

#include <algorithm>

#include "encoding/shownword.h"

namespace telnet
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
    if (std::uint8_t(bytes[0]) == kIac) {
        // IAC WILL|WONT|DO|DONT option, twice: no run of replies starts so.
        constexpr qsizetype kTwoCommands = 6;
        for (qsizetype i = 0; i < std::min(bytes.size(), kTwoCommands); ++i) {
            const auto b = std::uint8_t(bytes[i]);
            const bool fits = i % 3 == 0 ? b == kIac : i % 3 == 1 ? b >= kWill && b <= kDont : true;
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

QString settingWords(const Event &answer)
{
    static const char *const kParities[] = {"none", "odd", "even", "mark", "space"};
    static const char *const kStops[] = {"1", "2", "1.5"};
    const auto value = answer.value;
    switch (answer.kind) {
    case Event::Kind::DataSize:
        return QStringLiteral("the server set the data size to %1 bits").arg(value);
    case Event::Kind::Parity:
        return value >= 1 && value <= 5
                   ? QStringLiteral("the server set parity to %1").arg(kParities[value - 1])
                   : QStringLiteral("the server set parity to code %1").arg(value);
    case Event::Kind::StopSize:
        return value >= 1 && value <= 3
                   ? QStringLiteral("the server set stop bits to %1").arg(kStops[value - 1])
                   : QStringLiteral("the server set stop bits to code %1").arg(value);
    default:
        return QStringLiteral("the server does not let the line speed be set");
    }
}

} // namespace telnet
