#include "sim/modulemodel.h"

#include <algorithm>

#include "sim/bargraph.h"
#include "sim/bigfont.h"

namespace sim
{

using namespace proto;

namespace
{

std::size_t index(int value)
{
    return static_cast<std::size_t>(value);
}

void append(std::vector<std::uint8_t> &bytes, const proto::Reply &reply)
{
    bytes.insert(bytes.end(), {reply.b0, reply.b1, reply.b2});
}

} // namespace

std::array<Message, kMessageCount> ModuleSettings::blankMessages()
{
    std::array<Message, kMessageCount> messages;
    for (Message &message : messages)
        message.fill(DisplayMemory::kBlank);
    return messages;
}

std::vector<ReceivedFrame> ModuleModel::receive(std::span<const std::uint8_t> bytes)
{
    std::vector<ReceivedFrame> received;
    for (Frame &frame : m_reader.feed(bytes)) {
        std::optional<proto::Reply> reply = apply(frame);
        received.push_back({std::move(frame), reply});
    }
    return received;
}

std::vector<std::uint8_t> ModuleModel::feed(std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint8_t> replies;
    for (const ReceivedFrame &received : receive(bytes)) {
        if (received.reply)
            append(replies, *received.reply);
    }
    return replies;
}

void ModuleModel::powerCycle()
{
    m_reader.reset();
    m_display.clear();
    m_settings = m_flash;
    loadGlyphs(m_flashGlyphs, GlyphSet::Custom);
}

std::optional<proto::Reply> ModuleModel::apply(const Frame &frame)
{
    if (frame.empty())
        return std::nullopt;
    const std::uint8_t first = frame[0];
    if (first == kPrefix)
        return frame.size() >= 2 ? applyCommand(frame) : std::nullopt;
    if (first <= kLastCustomChar || first >= kFirstTypedChar)
        m_display.write(first);
    else
        applyControl(first);
    return std::nullopt;
}

void ModuleModel::applyControl(std::uint8_t code)
{
    switch (code) {
    case kBackSpace:
        m_display.backSpace();
        break;
    case kCursorHome:
        m_display.home();
        break;
    case kNextLine:
        m_display.nextLine();
        break;
    case kClearDisplay:
        m_display.clear();
        break;
    case kCursorLeft:
        m_display.moveLeft();
        break;
    case kCursorRight:
        m_display.moveRight();
        break;
    default:
        break; // no meaning: ignored
    }
}

std::optional<proto::Reply> ModuleModel::applyCommand(const Frame &frame)
{
    // FrameReader hands over whole frames only; a frame of another length (made by hand)
    // is ignored rather than read past its end.
    const std::uint8_t code = frame[1];
    const auto length = proto::commandLength(code);
    if (!length || static_cast<int>(frame.size()) != *length)
        return std::nullopt;
    const std::span<const std::uint8_t> args(frame.begin() + 2, frame.end());
    const int a = args.empty() ? 0 : args[0];
    const int b = args.size() < 2 ? 0 : args[1];

    if (code >= kStoreMessageFirst && code <= kStoreMessageLast) {
        std::copy(args.begin(), args.end(), m_settings.messages[code - kStoreMessageFirst].begin());
        return std::nullopt;
    }
    switch (code) {
    case kCursorHidden:
    case kCursorUnderline:
    case kCursorBlinking:
        m_settings.cursorType = static_cast<CursorType>(code - kCursorHidden);
        break;
    case kInitHorizontalBars:
        loadGlyphs(horizontalBarGlyphs(), GlyphSet::HorizontalBars);
        break;
    case kInitVerticalBars:
        loadGlyphs(verticalBarGlyphs(), GlyphSet::VerticalBars);
        break;
    case kBacklightOn:
    case kBacklightOff:
        m_settings.backlightOn = code == kBacklightOn;
        break;
    case kLoadCustomChars:
        loadGlyphs(m_flashGlyphs, GlyphSet::Custom);
        break;
    case kLoadBigNumbers:
        loadGlyphs(bigNumberGlyphs(), GlyphSet::BigNumbers);
        break;
    case kReadAnalog1:
    case kReadAnalog2:
        return analogReply(code - kReadAnalog1, analog(code - kReadAnalog1));
    case kModuleBaud9600:
    case kModuleBaud19200:
        m_settings.lineSpeed = code == kModuleBaud9600 ? 9600 : 19200;
        break;
    case kStoreInFlash:
        m_flash = m_settings;
        return saveAckReply();
    case kBacklightLevel:
        m_settings.backlightLevel = std::min(a, kMaxBacklightLevel);
        break;
    case kBarLeftToRight:
    case kBarRightToLeft:
        m_display.setRow(m_display.cursorRow(), horizontalBarRow(a, code == kBarLeftToRight));
        break;
    case kClearRow:
        m_display.clearRow(a);
        break;
    case kClearColumn:
        m_display.clearColumn(a);
        break;
    case kP2Mode:
        if (a == kP2ModeGpio || a == kP2ModeKeypad)
            m_settings.p2Mode = a == kP2ModeGpio ? proto::P2Mode::Gpio : proto::P2Mode::Keypad;
        break;
    case kP2Directions:
        m_settings.p2Directions = static_cast<std::uint8_t>(a);
        break;
    case kSetPosition:
        m_display.setCursor(a, b);
        break;
    case kVerticalBar:
        if (a < kColumns) {
            const auto cells = verticalBarColumn(b);
            for (int row = 0; row < kRows; ++row)
                m_display.setCell(row, a, cells[index(row)]);
        }
        break;
    case kShowMessage:
        if (b >= 1 && b <= kMessageCount)
            m_display.setRow(a, m_settings.messages[index(b - 1)]);
        break;
    case kBigNumber:
        drawBigNumber(args);
        break;
    case kSetCustomChars:
        setCustomGlyphs(args);
        break;
    default:
        break;
    }
    return std::nullopt;
}

void ModuleModel::loadGlyphs(const GlyphTable &table, GlyphSet set)
{
    m_glyphs = table;
    m_glyphSet = set;
}

void ModuleModel::setCustomGlyphs(std::span<const std::uint8_t> bytes)
{
    GlyphTable table{};
    for (std::size_t k = 0; k < bytes.size() && k < index(kGlyphTableSize); ++k)
        table[k / kGlyphRows][k % kGlyphRows] = bytes[k] & kGlyphRowMask;
    m_flashGlyphs = table;
    loadGlyphs(table, GlyphSet::Custom);
}

void ModuleModel::drawBigNumber(std::span<const std::uint8_t> codes)
{
    for (int i = 0; i < kBigNumberWidth && index(i) < codes.size(); ++i) {
        const BigCharacter shape = bigCharacter(codes[index(i)]);
        const int band = i * kBigBandColumns;
        for (int row = 0; row < kRows; ++row) {
            for (int c = 0; c < kBigBandColumns; ++c) {
                const int inShape = c - (kBigBandColumns - kBigCharacterColumns) / 2;
                const bool drawn = inShape >= 0 && inShape < kBigCharacterColumns;
                m_display.setCell(row, band + c,
                                  drawn ? shape[index(row)][index(inShape)]
                                        : DisplayMemory::kBlank);
            }
        }
    }
}

std::optional<proto::Reply> ModuleModel::setInputPin(int pin, bool high)
{
    if (pin < 0 || pin >= kInputPins)
        return std::nullopt;
    m_pins[index(pin)] = high;
    if (m_settings.p2Mode != proto::P2Mode::Gpio)
        return std::nullopt;
    return statusReply();
}

std::optional<proto::Reply> ModuleModel::setKey(int key, bool pressed)
{
    if (key < 1 || key > kKeypadKeys)
        return std::nullopt;
    m_keys[index(key - 1)] = pressed;
    if (m_settings.p2Mode != proto::P2Mode::Keypad)
        return std::nullopt;
    return statusReply();
}

std::optional<proto::Reply> ModuleModel::setAnalog(int input, int value)
{
    if (input < 0 || input > 1)
        return std::nullopt;
    m_analog[index(input)] = std::clamp(value, 0, 0xFFFF);
    return analogReply(input, m_analog[index(input)]);
}

bool ModuleModel::inputPin(int pin) const
{
    return pin >= 0 && pin < kInputPins && m_pins[index(pin)];
}

bool ModuleModel::key(int key) const
{
    return key >= 1 && key <= kKeypadKeys && m_keys[index(key - 1)];
}

int ModuleModel::analog(int input) const
{
    return input >= 0 && input <= 1 ? m_analog[index(input)] : 0;
}

proto::Reply ModuleModel::statusReply() const
{
    if (m_settings.p2Mode == proto::P2Mode::Keypad)
        return keypadStateReply(m_keys);
    std::array<bool, kInputPins> levels{};
    for (int pin = 0; pin < kInputPins; ++pin)
        levels[index(pin)] = m_pins[index(pin)] && ((m_settings.p2Directions >> pin) & 1) == 0;
    return inputStatusReply(levels);
}

} // namespace sim
