#pragma once
// The driver's whole state behind LCDd's calls: the configuration it was started with,
// the line to the module (line.h), the picture (screen.h) and the keys (keys.h).
//
// LCDd's loop is never held up by the module: a frame goes out only when the line has
// taken the last one; while the module reads nothing (or a network server takes nothing)
// frames are skipped, and the picture, which knows what the module was last sent, sends
// the difference to the newest frame once it reads again. A module that stays so for two
// seconds is reported once, and again when it reads.
//
// A module that vanishes never takes LCDd down either: a failed write or read closes the
// line and is reported once; flush() then tries to open the device again at most once a
// second (each new reason it cannot is reported once), and when it opens, the module is
// cleared and everything is sent again (glyphs, backlight, every cell); once the line has
// held for a second the module is reported back. Meanwhile LCDd keeps drawing into the
// picture.

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "keys.h"
#include "polledline.h"
#include "protocol/replystream.h"
#include "screen.h"

namespace lcdd
{

inline constexpr const char *kDefaultDevice = "/dev/ttyUSB0";

struct DriverConfig {
    // A path, COMn (ports/comname.h), or an rfc2217:// or socket:// address.
    std::string device = kDefaultDevice;
    bool deviceNamed = true; // false: the config has no Device, the default stands
    int speed = 9600;
    std::string size = "20x4";
    std::string keypad = "no"; // yes or no, in any of LCDd's words for them
    int brightness = 1000;     // per mille, backlight on
    int offBrightness = 0;     // per mille, backlight off; 0 switches the light off
    // The config's KeyMap_<n> lines by n; keys it does not name keep their default names.
    std::map<int, std::string> keyNames;
    // The user LCDd runs as once its drivers are ready (LCDd's [server] User); empty: the
    // user it was started as.
    std::string user;
};

// A report line for LCDd's log: level as LCDd numbers them (lcdapi.h), then the text.
using Reporter = std::function<void(int level, const std::string &text)>;

class Driver
{
public:
    using Clock = proto::ReplyStream::Clock;
    static_assert(std::is_same_v<Clock, PolledLine::Clock>);

    explicit Driver(Reporter reporter);
    ~Driver();

    // Checks the config, opens the device and readies the module; false after reporting
    // why when it cannot.
    bool init(const DriverConfig &config);
    // Lets the module take what still waits (a moment at most), then closes the line.
    void close();

    Screen &screen() { return m_screen; }

    // Sends what changed since the last frame that went out, or tries to get the module back.
    void flush(Clock::time_point now = Clock::now());
    // The next LCDd key name, or empty.
    std::string key(Clock::time_point now = Clock::now());
    // LCDd's heartbeat for this frame (widgets.h).
    void heartbeat(bool on);

    void backlight(bool on);
    void setBrightness(bool forOn, int promille);
    int brightness(bool forOn) const { return forOn ? m_onPromille : m_offPromille; }

    std::string info() const;
    bool isConnected() const { return m_line && m_line->isOpen(); }
    // The device the config named, COMn resolved.
    const std::string &device() const { return m_device; }

private:
    bool makeLine();
    // Opens a closed line again once a second, moves an open or opening one on; whether
    // it is open.
    bool service(Clock::time_point now);
    // Reports what the line just did: lost, back, or a retry refused.
    void settle(Clock::time_point now);
    // Reports each new reason a retry was refused once.
    void retryRefused(const std::string &words);
    void readyModule();
    void noteStall(Clock::time_point now);
    std::string problemWords(const ports::OpenProblem &problem) const;
    void applyLight();

    Reporter m_report;
    DriverConfig m_config;
    std::string m_device;
    std::unique_ptr<PolledLine> m_line;
    bool m_connected = false;
    bool m_lost = false;
    bool m_retrying = false;
    std::string m_retryProblem;                   // the reason last reported for a refused retry
    std::optional<Clock::time_point> m_backSince; // open again after a loss, not yet told
    std::optional<Clock::time_point> m_stalledSince;
    bool m_stallReported = false;
    Screen m_screen;
    KeyQueue m_keys;
    proto::ReplyStream m_replies;
    std::vector<std::uint8_t> m_incoming;
    Clock::time_point m_lastAttempt{};
    unsigned m_beat = 0;
    bool m_lightOn = true;
    int m_onPromille = 1000;
    int m_offPromille = 0;
};

} // namespace lcdd
