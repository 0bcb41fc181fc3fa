#pragma once
// The virtual display module: what the module holds, how each frame it receives changes
// that, and the replies it sends. Bytes in, reply bytes out; no timing, so a frame takes
// effect as soon as its last byte arrives (framereader.h cuts the stream).
//
// Text (displaymemory.h for wrapping and cursor moves):
//   00-07, 20-FD, FF  written at the cursor (00-07 show slots 0-7); FE is always a prefix
//   08 back space     cursor one left, then that cell blank
//   0B home, 0C next line (column 0 of the next row, after row 3 row 0), 0D clear all and
//   home, 0E left, 0F right; every other byte below 20 does nothing
// Commands (the cursor stays where it is unless stated):
//   FE 01/02/03        cursor hidden / underline / blinking
//   FE 2D row          blank the row;     FE 2E column   blank the column
//   FE 32 row column   move the cursor
//   FE 34 row n        write message n (1-20) across the row
//   FE 04 / FE 05      load the horizontal / vertical bar glyphs into the slots
//   FE 2B / FE 2C w    horizontal bar on the cursor's row from the left / right edge
//   FE 33 column h     vertical bar in the column from the bottom (bargraph.h)
//   FE 09              load the big-number glyphs; FE 63 c1-c4 draws them (bigfont.h)
//   FE 64 + 64 bytes   the eight glyphs, slot-major, each row keeping its low five bits;
//                      they go to the slots and to the glyph table in flash
//   FE 08              reload the slots from the glyph table in flash, which brings the
//                      user's glyphs back after bars or big numbers took the slots
//   FE 06 / FE 07      backlight on / off;  FE 28 level  brightness, above 250 is 250
//   FE 1E / FE 1F      line speed 9600 / 19200, recorded only: the virtual line has none
//   FE C8+k + 20 bytes store message k+1
//   FE 30 mode         FF general I/O, FE keypad, any other value ignored
//   FE 31 directions   bit i set: pin i+1 is an output
//   FE 20              copy the settings to flash, answer FE 20 20
//   FE 0B / FE 0C      answer FA / FB with the reading of analog input 1 / 2
//   FE FE              the first prefix is dropped, the second starts a command
//   FE <unknown code>  prefix and code are dropped; the next byte starts afresh
// A frame whose row, column or message number is out of range changes nothing. Drawing
// bars or big numbers does not load their glyphs: without the initialise command the
// cells show whatever the slots hold.
//
// Flash holds a copy of the settings (backlight, level, cursor type, line speed, P2 mode
// and directions, the twenty messages), written by FE 20, and the glyph table, written by
// FE 64. A power cycle restores both and clears the screen. From the factory, flash holds
// backlight on at 250, an underline cursor, 9600, general I/O with every pin an input,
// blank messages and blank glyphs.
//
// Around the module: eight P2 pins, a 4x4 keypad and two analog inputs, set by whoever
// plays the outside world. In general I/O mode a pin change is reported with a status
// reply, pins set as outputs reading 0 (no command drives them high); in keypad mode a
// key change is. A new analog value is sent as a reading at once.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "protocol/framereader.h"
#include "protocol/replydecoder.h"
#include "sim/displaymemory.h"
#include "sim/glyph.h"
#include "sim/replyencoder.h"

namespace sim
{

enum class CursorType { Hidden, Underline, Blinking };
enum class GlyphSet { Custom, HorizontalBars, VerticalBars, BigNumbers };

using Message = std::array<std::uint8_t, proto::kMessageLength>;

struct ModuleSettings {
    bool backlightOn = true;
    int backlightLevel = proto::kMaxBacklightLevel;
    CursorType cursorType = CursorType::Underline;
    int lineSpeed = 19200; // as the window and vantelctl start when nothing says otherwise
    proto::P2Mode p2Mode = proto::P2Mode::Gpio;
    std::uint8_t p2Directions = 0; // all inputs
    std::array<Message, proto::kMessageCount> messages = blankMessages();

    static std::array<Message, proto::kMessageCount> blankMessages();
    friend bool operator==(const ModuleSettings &, const ModuleSettings &) = default;
};

// A frame the module read, and the reply it gave.
struct ReceivedFrame {
    proto::Frame frame;
    std::optional<proto::Reply> reply;
};

class ModuleModel
{
public:
    ModuleModel() { powerCycle(); }

    // Bytes from the PC; returns every frame they complete, in order, each applied.
    std::vector<ReceivedFrame> receive(std::span<const std::uint8_t> bytes);
    // The same, for those who only want the bytes of the replies.
    std::vector<std::uint8_t> feed(std::span<const std::uint8_t> bytes);
    // One whole frame as FrameReader cuts it; returns its reply, if it has one.
    std::optional<proto::Reply> apply(const proto::Frame &frame);
    // Settings and glyphs from flash, blank screen, cursor home, no partial frame.
    void powerCycle();

    const DisplayMemory &display() const { return m_display; }
    const GlyphTable &glyphs() const { return m_glyphs; }
    GlyphSet glyphSet() const { return m_glyphSet; }
    const ModuleSettings &settings() const { return m_settings; }
    const ModuleSettings &flash() const { return m_flash; }
    const GlyphTable &flashGlyphs() const { return m_flashGlyphs; }

    // The outside world. Out-of-range pins, keys or inputs are ignored.
    std::optional<proto::Reply> setInputPin(int pin, bool high); // pin 0-7 is P2 pin 1-8
    std::optional<proto::Reply> setKey(int key,
                                       bool pressed); // key 1-16 as protocol/keypad.h numbers them
    std::optional<proto::Reply> setAnalog(int input, int value); // input 0-1, value 0-65535
    bool inputPin(int pin) const;
    bool key(int key) const;
    int analog(int input) const;
    // The status reply for the present P2 mode.
    proto::Reply statusReply() const;

private:
    std::optional<proto::Reply> applyCommand(const proto::Frame &frame);
    void applyControl(std::uint8_t code);
    void loadGlyphs(const GlyphTable &table, GlyphSet set);
    void setCustomGlyphs(std::span<const std::uint8_t> bytes);
    void drawBigNumber(std::span<const std::uint8_t> codes);

    proto::FrameReader m_reader;
    DisplayMemory m_display;
    GlyphTable m_glyphs{};
    GlyphSet m_glyphSet = GlyphSet::Custom;
    ModuleSettings m_settings;
    ModuleSettings m_flash;
    GlyphTable m_flashGlyphs{};
    std::array<bool, kInputPins> m_pins{};
    std::array<bool, kKeypadKeys> m_keys{};
    std::array<int, 2> m_analog{};
};

} // namespace sim
