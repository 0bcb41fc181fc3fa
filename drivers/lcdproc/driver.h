#pragma once
// The driver's whole state behind LCDd's calls: the configuration it was started with,
// the serial line, the picture (screen.h) and the keys (keys.h).
//
// A module that vanishes never takes LCDd down: a failed write or read closes the line
// and is reported once; flush() then tries to open the device again at most once a
// second, and when it opens, the module is cleared and everything is sent again
// (glyphs, backlight, every cell). Meanwhile LCDd keeps drawing into the picture.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "keys.h"
#include "protocol/replystream.h"
#include "screen.h"
#include "termiosline.h"

namespace lcdd
{

struct DriverConfig {
    std::string device = "/dev/ttyUSB0"; // a path, or COMn (ports/comname.h)
    int speed = 9600;
    std::string size = "20x4";
    bool keypad = false;
    int brightness = 1000; // per mille, backlight on
    int offBrightness = 0; // per mille, backlight off; 0 switches the light off
    std::array<std::string, kKeypadKeys> keyMap = defaultKeyMap();
};

// A report line for LCDd's log: level as LCDd numbers them (lcdapi.h), then the text.
using Reporter = std::function<void(int level, const std::string &text)>;

class Driver
{
public:
    using Clock = proto::ReplyStream::Clock;

    explicit Driver(Reporter reporter);

    // Checks the config, opens the device and readies the module; false after reporting
    // why when it cannot.
    bool init(const DriverConfig &config);
    void close();

    Screen &screen() { return m_screen; }

    // Sends what changed since the last flush, or tries to get the module back.
    void flush(Clock::time_point now = Clock::now());
    // The next LCDd key name, or empty.
    std::string key(Clock::time_point now = Clock::now());

    void backlight(bool on);
    void setBrightness(bool forOn, int promille);
    int brightness(bool forOn) const { return forOn ? m_onPromille : m_offPromille; }

    std::string info() const;
    bool isConnected() const { return m_line.isOpen(); }
    // The device the config named, COMn resolved.
    const std::string &device() const { return m_device; }

private:
    bool openModule();
    void lose(const std::string &why);
    void applyLight();

    Reporter m_report;
    DriverConfig m_config;
    std::string m_device;
    TermiosLine m_line;
    Screen m_screen;
    KeyQueue m_keys;
    proto::ReplyStream m_replies;
    std::vector<std::uint8_t> m_incoming;
    Clock::time_point m_lastAttempt{};
    bool m_lightOn = true;
    int m_onPromille = 1000;
    int m_offPromille = 0;
};

} // namespace lcdd
