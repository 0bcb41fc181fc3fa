#pragma once
// What LCDd 0.5 offers a loadable driver and expects of it, declared here from LCDproc's
// public developer documentation. The driver's logic takes LCDd's numbers from here; only
// the shim (vantel.cpp) calls into LCDd, so the tests link the logic without it.
//
// LCDd loads <DriverPath>/vantel.so, reads the variables api_version, stay_in_foreground,
// supports_multiple and symbol_prefix, then looks up <symbol_prefix><function> for each
// function it knows. Every function takes the driver instance as its first argument; this
// driver keeps its state itself (one instance only) and never looks inside it.

struct lcd_logical_driver;

namespace lcdapi
{

// Report levels of report().
constexpr int kCritical = 0;
constexpr int kError = 1;
constexpr int kWarning = 2;
constexpr int kNotice = 3;
constexpr int kInfo = 4;
constexpr int kDebug = 5;

// Icons LCDd asks for; any other code gets -1 and LCDd draws its own stand-in.
constexpr int kIconBlockFilled = 0x100;
constexpr int kIconHeartOpen = 0x108;
constexpr int kIconHeartFilled = 0x109;
constexpr int kIconArrowUp = 0x110;
constexpr int kIconArrowDown = 0x111;
constexpr int kIconArrowLeft = 0x112;
constexpr int kIconArrowRight = 0x113;
constexpr int kIconCheckboxOff = 0x120;
constexpr int kIconCheckboxOn = 0x121;
constexpr int kIconCheckboxGray = 0x122;
constexpr int kIconSelectorAtLeft = 0x128;
constexpr int kIconSelectorAtRight = 0x129;
constexpr int kIconEllipsis = 0x130;

// Cursor states of cursor().
constexpr int kCursorOff = 0;
constexpr int kCursorDefaultOn = 1;
constexpr int kCursorBlock = 4;
constexpr int kCursorUnder = 5;

// Backlight and heartbeat states; also the state argument of the brightness functions.
constexpr int kOff = 0;
constexpr int kOn = 1;

} // namespace lcdapi

// Exported by the LCDd binary; resolved when LCDd loads the driver.
extern "C" {
void report(const int level, const char *format, ...) __attribute__((format(printf, 2, 3)));
const char *config_get_string(const char *section, const char *key, int skip,
                              const char *defaultValue);
long int config_get_int(const char *section, const char *key, int skip, long int defaultValue);
short config_get_bool(const char *section, const char *key, int skip, short defaultValue);
}
