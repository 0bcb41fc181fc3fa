#include "protocol/framedescriber.h"

#include <string>
#include <vector>

#include "protocol/framereader.h"
#include "protocol/keypad.h"

namespace proto
{

namespace
{

std::string num(int value)
{
    return std::to_string(value);
}

std::string hex(int value)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return std::string("0x") + kDigits[(value >> 4) & 0xF] + kDigits[value & 0xF];
}

// "1", "1 and 6", "1, 3 and 6".
std::string spokenList(const std::vector<int> &numbers)
{
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i > 0)
            text += i + 1 == numbers.size() ? " and " : ", ";
        text += num(numbers[i]);
    }
    return text;
}

// "keys 1 and 6 down", "key 3 down", "no keys down".
std::string counted(const std::vector<int> &numbers, const char *one, const char *many,
                    const char *state)
{
    if (numbers.empty())
        return std::string("no ") + many + " " + state;
    return std::string(numbers.size() == 1 ? one : many) + " " + spokenList(numbers) + " " + state;
}

bool typedCharacterFrame(const Frame &frame)
{
    return frame.size() == 1 && frame[0] >= kFirstTypedChar && frame[0] != kPrefix;
}

std::string character(std::uint8_t code)
{
    if (code <= kLastCustomChar)
        return "write custom character " + num(code);
    if (code < 0x7F)
        return std::string("write '") + static_cast<char>(code) + "'";
    return "write character " + hex(code);
}

std::string control(std::uint8_t code)
{
    switch (code) {
    case kBackSpace:
        return "back space";
    case kCursorHome:
        return "cursor home";
    case kNextLine:
        return "next line";
    case kClearDisplay:
        return "clear display";
    case kCursorLeft:
        return "cursor left";
    case kCursorRight:
        return "cursor right";
    default:
        return "control byte " + hex(code) + " has no meaning, ignored";
    }
}

std::string ignoredIf(bool outOfRange, const char *what)
{
    return outOfRange ? std::string(" (ignored: ") + what + " out of range)" : std::string();
}

std::string pins(int bits)
{
    std::string list;
    for (int pin = 0; pin < 8; ++pin)
        if ((bits >> pin) & 1)
            list += " " + num(pin + 1);
    return list.empty() ? " none" : list;
}

std::string command(const Frame &frame)
{
    const std::uint8_t code = frame[1];
    const int a = frame.size() > 2 ? frame[2] : 0;
    const int b = frame.size() > 3 ? frame[3] : 0;
    const std::span<const std::uint8_t> args(frame.begin() + 2, frame.end());
    if (code >= kStoreMessageFirst && code <= kStoreMessageLast)
        return "store message " + num(code - kStoreMessageFirst + 1) + " " + quotedText(args);
    switch (code) {
    case kCursorHidden:
        return "cursor hidden";
    case kCursorUnderline:
        return "cursor underline";
    case kCursorBlinking:
        return "cursor blinking";
    case kInitHorizontalBars:
        return "load horizontal bar glyphs";
    case kInitVerticalBars:
        return "load vertical bar glyphs";
    case kBacklightOn:
        return "backlight on";
    case kBacklightOff:
        return "backlight off";
    case kLoadCustomChars:
        return "load custom characters from flash";
    case kLoadBigNumbers:
        return "load big-number glyphs";
    case kReadAnalog1:
    case kReadAnalog2:
        return "read analog input " + num(code - kReadAnalog1 + 1);
    case kModuleBaud9600:
        return "line speed 9600";
    case kModuleBaud19200:
        return "line speed 19200";
    case kStoreInFlash:
        return "store settings in flash";
    case kBacklightLevel:
        return "backlight level " + num(a) + (a > kMaxBacklightLevel ? " (taken as 250)" : "");
    case kBarLeftToRight:
    case kBarRightToLeft:
        return std::string("horizontal bar ") +
               (code == kBarLeftToRight ? "left to right" : "right to left") + ", width " + num(a) +
               (a > kMaxBarWidth ? " (taken as 100)" : "");
    case kClearRow:
        return "clear row " + num(a) + ignoredIf(a >= kRows, "row");
    case kClearColumn:
        return "clear column " + num(a) + ignoredIf(a >= kColumns, "column");
    case kP2Mode:
        if (a == kP2ModeGpio)
            return "P2 mode general I/O";
        if (a == kP2ModeKeypad)
            return "P2 mode keypad";
        return "P2 mode " + hex(a) + " (ignored: no such mode)";
    case kP2Directions:
        return "P2 directions " + hex(a) + ", outputs:" + pins(a);
    case kSetPosition:
        return "set cursor row " + num(a) + " column " + num(b) +
               ignoredIf(a >= kRows || b >= kColumns, "position");
    case kVerticalBar:
        return "vertical bar column " + num(a) + ", height " + num(b) +
               (a >= kColumns       ? ignoredIf(true, "column")
                : b > kMaxBarHeight ? std::string(" (taken as 32)")
                                    : std::string());
    case kShowMessage:
        return "show message " + num(b) + " on row " + num(a) +
               ignoredIf(a >= kRows || b < 1 || b > kMessageCount, "row or message");
    case kBigNumber:
        return "draw big number " + quotedText(args);
    case kSetCustomChars:
        return "set the eight custom characters";
    default:
        return "unknown command " + hex(code) + ", ignored";
    }
}

} // namespace

std::string quotedText(std::span<const std::uint8_t> codes)
{
    std::string text = "\"";
    for (std::uint8_t code : codes) {
        if (code == '"' || code == '\\')
            text += std::string("\\") + static_cast<char>(code);
        else if (code >= 0x20 && code < 0x7F)
            text += static_cast<char>(code);
        else
            text += "\\x" + hex(code).substr(2);
    }
    return text + '"';
}

std::string describeFrame(const Frame &frame)
{
    if (frame.empty())
        return "nothing";
    const std::uint8_t first = frame[0];
    if (first == kPrefix) {
        if (frame.size() == 1)
            return "prefix followed by another prefix, dropped";
        const auto length = commandLength(frame[1]);
        if (length && static_cast<int>(frame.size()) != *length)
            return "incomplete command " + hex(frame[1]) + ", ignored";
        return command(frame);
    }
    if (first <= kLastCustomChar || first >= kFirstTypedChar)
        return character(first);
    return control(first);
}

std::string describeBytes(std::span<const std::uint8_t> bytes)
{
    FrameReader reader;
    std::vector<Frame> frames = reader.feed(bytes);
    std::string text;
    const auto add = [&text](const std::string &part) {
        text += (text.empty() ? "" : ", ") + part;
    };
    for (std::size_t i = 0; i < frames.size();) {
        std::size_t end = i;
        Frame run;
        while (end < frames.size() && typedCharacterFrame(frames[end]))
            run.push_back(frames[end++][0]);
        if (run.size() > 1) {
            add("write " + quotedText(run));
            i = end;
        } else {
            add(describeFrame(frames[i++]));
        }
    }
    if (const auto pending = static_cast<std::size_t>(reader.pending()); pending > 0) {
        const std::uint8_t code = pending > 1 ? bytes[bytes.size() - pending + 1] : 0;
        add(pending > 1 ? "incomplete command " + hex(code) + ", ignored"
                        : std::string("prefix without a command"));
    }
    return text.empty() ? describeFrame({}) : text;
}

std::string describeReply(const Reply &reply, P2Mode mode)
{
    const DecodedReply decoded = decodeReply(reply, mode);
    switch (decoded.kind) {
    case DecodedReply::Kind::SaveAck:
        return "settings stored in flash";
    case DecodedReply::Kind::Analog:
        return "analog input " + num(decoded.analogIndex + 1) + " reads " +
               num(decoded.analogValue);
    case DecodedReply::Kind::InputStatus:
        return "input status: " + counted(pinsHigh(reply), "pin", "pins", "high");
    case DecodedReply::Kind::KeypadState:
        return "keypad: " + counted(keysDown(reply), "key", "keys", "down");
    case DecodedReply::Kind::Ignored:
        break;
    }
    return "reply " + hex(reply.b0) + " has no meaning, ignored";
}

std::vector<int> pinsHigh(const Reply &reply)
{
    std::vector<int> high;
    for (int pin = 0; pin < 8; ++pin)
        if ((reply.b2 >> pin) & 1)
            high.push_back(pin + 1);
    return high;
}

std::vector<int> keysDown(const Reply &reply)
{
    std::vector<int> down;
    for (int number = 1; number <= keypad::kKeys; ++number) {
        const keypad::Bit at = keypad::bitOf(number);
        if (((at.byte == 0 ? reply.b1 : reply.b2) >> at.bit) & 1)
            down.push_back(number);
    }
    return down;
}

std::string describeDropped(const QByteArray &bytes)
{
    return "dropped " + hexCaption(bytes).trimmed().toStdString() + " (no whole reply)";
}

} // namespace proto
