#pragma once
// The module's wire protocol, PC to module and back: every command code lives here and
// nowhere else. Handlers compose frames with the builders below and hand them to the
// transmitter; nothing else in the program knows a command byte.
//
// Frame shapes (one cell per byte, FE is the command prefix):
//
//   control byte      | code |                       home, next line, clear, back space, ...
//   typed character   | 20..FF |
//   short command     | FE | cmd |                   cursor type, bar init, backlight on/off, ...
//   one argument      | FE | cmd | arg |             level, bar width, clear row/column, P2 ...
//   two arguments     | FE | cmd | a | b |           set position, vertical bar, show message
//   big number        | FE | 63 | c1 | c2 | c3 | c4 |
//   glyph upload      | FE | 64 | 64 table bytes, slot-major, top row first |
//   store message k   | FE | C8+k | 20 characters |
//
// Replies (module to PC) are always three bytes; see replydecoder.h.

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QString>

namespace proto
{

using Frame = std::vector<std::uint8_t>;

constexpr std::uint8_t kPrefix = 0xFE;

// Single control bytes, sent without the prefix.
constexpr std::uint8_t kBackSpace = 0x08;
constexpr std::uint8_t kCursorHome = 0x0B; // cmdCommand(0); 11 + index
constexpr std::uint8_t kNextLine = 0x0C;
constexpr std::uint8_t kClearDisplay = 0x0D;
constexpr std::uint8_t kCursorLeft = 0x0E; // cmdCurLR(0); 14 + index
constexpr std::uint8_t kCursorRight = 0x0F;
constexpr std::uint8_t kFirstCustomChar = 0x00; // user-defined characters 0..7
constexpr std::uint8_t kLastCustomChar = 0x07;
constexpr std::uint8_t kFirstTypedChar = 0x20;
constexpr std::uint8_t kFirstSpecialChar = 0xA1; // built-in symbols A1..FD
constexpr std::uint8_t kLastSpecialChar = 0xFD;

// Codes that follow the prefix.
constexpr std::uint8_t kCursorHidden = 0x01; // 1 + cursor type index
constexpr std::uint8_t kCursorUnderline = 0x02;
constexpr std::uint8_t kCursorBlinking = 0x03;
constexpr std::uint8_t kInitHorizontalBars = 0x04; // 4 + index
constexpr std::uint8_t kInitVerticalBars = 0x05;
constexpr std::uint8_t kBacklightOn = 0x06; // 6 + index
constexpr std::uint8_t kBacklightOff = 0x07;
constexpr std::uint8_t kLoadCustomChars = 0x08;
constexpr std::uint8_t kLoadBigNumbers = 0x09;
constexpr std::uint8_t kReadAnalog1 = 0x0B; // 11 + index
constexpr std::uint8_t kReadAnalog2 = 0x0C;
constexpr std::uint8_t kModuleBaud9600 = 0x1E;
constexpr std::uint8_t kModuleBaud19200 = 0x1F;
constexpr std::uint8_t kStoreInFlash = 0x20;
constexpr std::uint8_t kBacklightLevel = 0x28;
constexpr std::uint8_t kBarLeftToRight = 0x2B; // 43 + index
constexpr std::uint8_t kBarRightToLeft = 0x2C;
constexpr std::uint8_t kClearRow = 0x2D; // 45 + index
constexpr std::uint8_t kClearColumn = 0x2E;
constexpr std::uint8_t kP2Mode = 0x30;
constexpr std::uint8_t kP2Directions = 0x31;
constexpr std::uint8_t kSetPosition = 0x32;
constexpr std::uint8_t kVerticalBar = 0x33;
constexpr std::uint8_t kShowMessage = 0x34;
constexpr std::uint8_t kBigNumber = 0x63;
constexpr std::uint8_t kSetCustomChars = 0x64;
constexpr std::uint8_t kStoreMessageFirst = 0xC8; // message 1; message k+1 is C8 + k
constexpr std::uint8_t kStoreMessageLast = 0xDB;  // message 20

constexpr std::uint8_t kP2ModeGpio = 0xFF;
constexpr std::uint8_t kP2ModeKeypad = 0xFE;

// Display geometry and argument ranges.
constexpr int kRows = 4;
constexpr int kColumns = 20;
constexpr int kMaxBacklightLevel = 250;
constexpr int kMaxBarWidth = 100;
constexpr int kMaxBarHeight = 32;
constexpr int kMessageCount = 20;
constexpr int kMessageLength = 20;
constexpr int kGlyphSlots = 8;
constexpr int kGlyphRows = 8;
constexpr int kGlyphTableSize = kGlyphSlots * kGlyphRows; // 64
constexpr int kBigNumberWidth = 4;

// Written after a store to flash, straight to the port (not through the transmit buffer).
inline constexpr char kFlashConfirmationText[] = "Settings Saved Onto Flash";

// Replies.
constexpr std::uint8_t kReplyAnalog1 = 0xFA;
constexpr std::uint8_t kReplyAnalog2 = 0xFB;
constexpr std::uint8_t kReplyStatusFirst = 0xFC;
constexpr std::array<std::uint8_t, 3> kReplySaveAck = {0xFE, 0x20, 0x20};

// ---- Frame builders. Arguments outside their range give no frame (std::nullopt): the
// window never sends a byte outside the range a command allows.

Frame controlByte(std::uint8_t code);
std::optional<Frame> screenCommand(int index); // cmdCommand(0..2): home, next line, clear
std::optional<Frame> cursorMove(int index);    // cmdCurLR(0..1): left, right
Frame backSpace();
std::optional<Frame> cursorType(int listIndex); // cboCursor 0..2 -> FE 01..03
std::optional<Frame> setPosition(int row, int column);
std::optional<Frame> clearRowOrColumn(int buttonIndex, int value); // 0: row 0..3, 1: column 0..19
std::optional<Frame> specialCharacter(int listIndex);              // cboSpecial 0..92 -> A1..FD
std::optional<Frame> customCharacter(int slot);                    // 0..7
std::optional<Frame> typedCharacter(int code);                     // 32..255
Frame loadCustomChars();
Frame setCustomChars(std::span<const std::uint8_t, kGlyphTableSize> table);
std::optional<Frame> initBarGraph(int index);             // 0 horizontal, 1 vertical
std::optional<Frame> horizontalBar(int index, int width); // width 1..100
std::optional<Frame> verticalBar(int column, int height); // column 0..19, height 1..32
Frame loadBigNumbers();
std::optional<Frame> bigNumber(std::span<const std::uint8_t> fourCodes);
std::optional<Frame> backlight(int index); // 0 on, 1 off
std::optional<Frame> backlightLevel(int level);
Frame moduleBaud(bool is9600);
Frame storeInFlash();
std::optional<Frame> storeMessage(int index, std::span<const std::uint8_t> text); // 20 bytes
std::optional<Frame> showMessage(int row, int number); // row 0..3, number 1..20
Frame p2Mode(bool gpio);
std::optional<Frame> p2Directions(int directions); // 0..255
std::optional<Frame> readAnalog(int index);        // 0 or 1

// "FE 07 ": two upper-case hex digits and a space per byte, as both monitors show bytes.
QString hexCaption(std::span<const std::uint8_t> bytes);
QString hexCaption(const QByteArray &bytes);

} // namespace proto
