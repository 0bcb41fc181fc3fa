#include "protocol/protocol.h"

#include <algorithm>

#include <QByteArray>

namespace proto
{

namespace
{

bool inRange(int value, int low, int high)
{
    return value >= low && value <= high;
}

std::uint8_t byte(int value)
{
    return static_cast<std::uint8_t>(value);
}

// FE, the command code, then the payload. Sized up front: GCC 12 warns falsely about
// inserting a range into a brace-initialised vector.
Frame commandWithPayload(std::uint8_t code, std::span<const std::uint8_t> payload)
{
    Frame frame(2 + payload.size());
    frame[0] = kPrefix;
    frame[1] = code;
    std::copy(payload.begin(), payload.end(), frame.begin() + 2);
    return frame;
}

} // namespace

Frame controlByte(std::uint8_t code)
{
    return {code};
}

std::optional<Frame> screenCommand(int index)
{
    if (!inRange(index, 0, kClearDisplay - kCursorHome))
        return std::nullopt;
    return Frame{byte(kCursorHome + index)};
}

std::optional<Frame> cursorMove(int index)
{
    if (!inRange(index, 0, kCursorRight - kCursorLeft))
        return std::nullopt;
    return Frame{byte(kCursorLeft + index)};
}

Frame backSpace()
{
    return {kBackSpace};
}

std::optional<Frame> cursorType(int listIndex)
{
    if (!inRange(listIndex, 0, kCursorBlinking - kCursorHidden))
        return std::nullopt;
    return Frame{kPrefix, byte(kCursorHidden + listIndex)};
}

std::optional<Frame> setPosition(int row, int column)
{
    if (!inRange(row, 0, kRows - 1) || !inRange(column, 0, kColumns - 1))
        return std::nullopt;
    return Frame{kPrefix, kSetPosition, byte(row), byte(column)};
}

std::optional<Frame> clearRowOrColumn(int buttonIndex, int value)
{
    if (buttonIndex == 0 && inRange(value, 0, kRows - 1))
        return Frame{kPrefix, kClearRow, byte(value)};
    if (buttonIndex == 1 && inRange(value, 0, kColumns - 1))
        return Frame{kPrefix, kClearColumn, byte(value)};
    return std::nullopt;
}

std::optional<Frame> specialCharacter(int listIndex)
{
    if (!inRange(listIndex, 0, kLastSpecialChar - kFirstSpecialChar))
        return std::nullopt;
    return Frame{byte(kFirstSpecialChar + listIndex)};
}

std::optional<Frame> customCharacter(int slot)
{
    if (!inRange(slot, kFirstCustomChar, kLastCustomChar))
        return std::nullopt;
    return Frame{byte(slot)};
}

std::optional<Frame> typedCharacter(int code)
{
    if (!inRange(code, kFirstTypedChar, 0xFF))
        return std::nullopt;
    return Frame{byte(code)};
}

Frame loadCustomChars()
{
    return {kPrefix, kLoadCustomChars};
}

Frame setCustomChars(std::span<const std::uint8_t, kGlyphTableSize> table)
{
    return commandWithPayload(kSetCustomChars, table);
}

std::optional<Frame> initBarGraph(int index)
{
    if (!inRange(index, 0, 1))
        return std::nullopt;
    return Frame{kPrefix, byte(kInitHorizontalBars + index)};
}

std::optional<Frame> horizontalBar(int index, int width)
{
    if (!inRange(index, 0, 1) || !inRange(width, 1, kMaxBarWidth))
        return std::nullopt;
    return Frame{kPrefix, byte(kBarLeftToRight + index), byte(width)};
}

std::optional<Frame> verticalBar(int column, int height)
{
    if (!inRange(column, 0, kColumns - 1) || !inRange(height, 1, kMaxBarHeight))
        return std::nullopt;
    return Frame{kPrefix, kVerticalBar, byte(column), byte(height)};
}

Frame loadBigNumbers()
{
    return {kPrefix, kLoadBigNumbers};
}

std::optional<Frame> bigNumber(std::span<const std::uint8_t> fourCodes)
{
    if (fourCodes.size() != kBigNumberWidth)
        return std::nullopt;
    return commandWithPayload(kBigNumber, fourCodes);
}

std::optional<Frame> backlight(int index)
{
    if (!inRange(index, 0, 1))
        return std::nullopt;
    return Frame{kPrefix, byte(kBacklightOn + index)};
}

std::optional<Frame> backlightLevel(int level)
{
    if (!inRange(level, 0, kMaxBacklightLevel))
        return std::nullopt;
    return Frame{kPrefix, kBacklightLevel, byte(level)};
}

Frame moduleBaud(bool is9600)
{
    return {kPrefix, is9600 ? kModuleBaud9600 : kModuleBaud19200};
}

Frame storeInFlash()
{
    return {kPrefix, kStoreInFlash};
}

std::optional<Frame> storeMessage(int index, std::span<const std::uint8_t> text)
{
    if (!inRange(index, 0, kMessageCount - 1) || text.size() != kMessageLength)
        return std::nullopt;
    return commandWithPayload(byte(kStoreMessageFirst + index), text);
}

std::optional<Frame> showMessage(int row, int number)
{
    if (!inRange(row, 0, kRows - 1) || !inRange(number, 1, kMessageCount))
        return std::nullopt;
    return Frame{kPrefix, kShowMessage, byte(row), byte(number)};
}

Frame p2Mode(bool gpio)
{
    return {kPrefix, kP2Mode, gpio ? kP2ModeGpio : kP2ModeKeypad};
}

std::optional<Frame> p2Directions(int directions)
{
    if (!inRange(directions, 0, 0xFF))
        return std::nullopt;
    return Frame{kPrefix, kP2Directions, byte(directions)};
}

std::optional<Frame> readAnalog(int index)
{
    if (!inRange(index, 0, 1))
        return std::nullopt;
    return Frame{kPrefix, byte(kReadAnalog1 + index)};
}

QString hexCaption(std::span<const std::uint8_t> bytes)
{
    static constexpr char kDigits[] = "0123456789ABCDEF";
    QString caption;
    caption.reserve(static_cast<qsizetype>(bytes.size()) * 3);
    for (std::uint8_t value : bytes) {
        caption += QLatin1Char(kDigits[value >> 4]);
        caption += QLatin1Char(kDigits[value & 0x0F]);
        caption += QLatin1Char(' ');
    }
    return caption;
}

QString hexCaption(const QByteArray &bytes)
{
    return hexCaption(
        std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                                      static_cast<std::size_t>(bytes.size())));
}

} // namespace proto
