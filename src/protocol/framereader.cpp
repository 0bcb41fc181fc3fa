#include "protocol/framereader.h"

namespace proto
{

std::optional<int> commandLength(std::uint8_t code)
{
    switch (code) {
    case kCursorHidden:
    case kCursorUnderline:
    case kCursorBlinking:
    case kInitHorizontalBars:
    case kInitVerticalBars:
    case kBacklightOn:
    case kBacklightOff:
    case kLoadCustomChars:
    case kLoadBigNumbers:
    case kReadAnalog1:
    case kReadAnalog2:
    case kModuleBaud9600:
    case kModuleBaud19200:
    case kStoreInFlash:
        return 2;
    case kBacklightLevel:
    case kBarLeftToRight:
    case kBarRightToLeft:
    case kClearRow:
    case kClearColumn:
    case kP2Mode:
    case kP2Directions:
        return 3;
    case kSetPosition:
    case kVerticalBar:
    case kShowMessage:
        return 4;
    case kBigNumber:
        return 2 + kBigNumberWidth;
    case kSetCustomChars:
        return 2 + kGlyphTableSize;
    default:
        break;
    }
    if (code >= kStoreMessageFirst && code <= kStoreMessageLast)
        return 2 + kMessageLength;
    return std::nullopt;
}

std::vector<Frame> FrameReader::feed(std::span<const std::uint8_t> bytes)
{
    std::vector<Frame> frames;
    for (std::uint8_t byte : bytes) {
        if (auto frame = take(byte))
            frames.push_back(std::move(*frame));
    }
    return frames;
}

std::optional<Frame> FrameReader::take(std::uint8_t byte)
{
    if (m_partial.empty()) {
        if (byte != kPrefix)
            return Frame{byte};
        m_partial.push_back(byte);
        m_expected = 0; // not known until the code arrives
        return std::nullopt;
    }
    if (m_partial.size() == 1) {
        if (byte == kPrefix)
            return Frame{kPrefix}; // the new prefix stays pending in m_partial
        m_expected = commandLength(byte).value_or(2);
    }
    m_partial.push_back(byte);
    if (static_cast<int>(m_partial.size()) < m_expected)
        return std::nullopt;
    Frame frame;
    frame.swap(m_partial);
    return frame;
}

} // namespace proto
