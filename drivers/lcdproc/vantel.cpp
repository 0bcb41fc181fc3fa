// The C face LCDd sees: the four variables it reads and the vantel_* functions it looks
// up, each handing over to the one Driver. LCDd runs one instance of this driver
// (supports_multiple is 0), so its name, and the config section, is always "vantel".

#include <memory>
#include <string>

#include "driver.h"
#include "lcdapi.h"
#include "widgets.h"

#define VANTEL_EXPORT extern "C" __attribute__((visibility("default")))

namespace
{

constexpr const char *kSection = "vantel";
constexpr int kMostKeyMapNumber = 99;

std::unique_ptr<lcdd::Driver> driver;
std::string lastKey;
std::string lastInfo;

lcdd::DriverConfig readConfig()
{
    lcdd::DriverConfig config;
    if (const char *device = config_get_string(kSection, "Device", 0, nullptr))
        config.device = device;
    else
        config.deviceNamed = false;
    config.speed = static_cast<int>(config_get_int(kSection, "Speed", 0, config.speed));
    config.size = config_get_string(kSection, "Size", 0, config.size.c_str());
    // As text: LCDd would take a word it does not know for the default without a word.
    config.keypad = config_get_string(kSection, "Keypad", 0, config.keypad.c_str());
    config.brightness =
        static_cast<int>(config_get_int(kSection, "Brightness", 0, config.brightness));
    config.offBrightness =
        static_cast<int>(config_get_int(kSection, "OffBrightness", 0, config.offBrightness));
    // LCDd cannot list a section's keys; numbers past the keypad's are asked for too, so
    // that a KeyMap_17 is refused rather than ignored.
    for (int n = 0; n <= kMostKeyMapNumber; ++n) {
        const std::string key = "KeyMap_" + std::to_string(n);
        if (const char *name = config_get_string(kSection, key.c_str(), 0, nullptr))
            config.keyNames[n] = name;
    }
    // LCDd's own setting, and its own default.
    config.user = config_get_string("server", "User", 0, "nobody");
    return config;
}

} // namespace

extern "C" {
__attribute__((visibility("default"))) const char *api_version = "0.5";
__attribute__((visibility("default"))) int stay_in_foreground = 0;
__attribute__((visibility("default"))) int supports_multiple = 0;
__attribute__((visibility("default"))) const char *symbol_prefix = "vantel_";
}

VANTEL_EXPORT int vantel_init(lcd_logical_driver *)
{
    driver = std::make_unique<lcdd::Driver>(
        [](int level, const std::string &text) { report(level, "%s", text.c_str()); });
    if (!driver->init(readConfig())) {
        driver.reset();
        return -1;
    }
    return 0;
}

VANTEL_EXPORT void vantel_close(lcd_logical_driver *)
{
    if (driver) {
        // LCDd's goodbye picture, if it drew one.
        driver->flush();
        driver->close();
    }
    driver.reset();
}

VANTEL_EXPORT int vantel_width(lcd_logical_driver *)
{
    return lcdd::kWidth;
}
VANTEL_EXPORT int vantel_height(lcd_logical_driver *)
{
    return lcdd::kHeight;
}
VANTEL_EXPORT int vantel_cellwidth(lcd_logical_driver *)
{
    return 5;
}
VANTEL_EXPORT int vantel_cellheight(lcd_logical_driver *)
{
    return 8;
}

VANTEL_EXPORT void vantel_clear(lcd_logical_driver *)
{
    driver->screen().clear();
}

VANTEL_EXPORT void vantel_flush(lcd_logical_driver *)
{
    driver->flush();
}

VANTEL_EXPORT void vantel_string(lcd_logical_driver *, int x, int y, const char *text)
{
    if (text)
        driver->screen().putString(x - 1, y - 1, text);
}

VANTEL_EXPORT void vantel_chr(lcd_logical_driver *, int x, int y, char c)
{
    driver->screen().put(x - 1, y - 1, static_cast<std::uint8_t>(c));
}

VANTEL_EXPORT void vantel_set_char(lcd_logical_driver *, int n, unsigned char *dat)
{
    if (!dat)
        return;
    lcdd::Glyph glyph{};
    std::copy(dat, dat + glyph.size(), glyph.begin());
    driver->screen().setGlyph(n, glyph);
}

VANTEL_EXPORT int vantel_get_free_chars(lcd_logical_driver *)
{
    return driver->screen().freeSlots();
}

VANTEL_EXPORT void vantel_hbar(lcd_logical_driver *, int x, int y, int len, int promille, int)
{
    lcdd::drawHorizontalBar(driver->screen(), x, y, len, promille);
}

VANTEL_EXPORT void vantel_vbar(lcd_logical_driver *, int x, int y, int len, int promille, int)
{
    lcdd::drawVerticalBar(driver->screen(), x, y, len, promille);
}

VANTEL_EXPORT void vantel_num(lcd_logical_driver *, int x, int num)
{
    lcdd::drawBigNumber(driver->screen(), x, num);
}

VANTEL_EXPORT int vantel_icon(lcd_logical_driver *, int x, int y, int icon)
{
    return lcdd::drawIcon(driver->screen(), x, y, icon) ? 0 : -1;
}

VANTEL_EXPORT void vantel_heartbeat(lcd_logical_driver *, int state)
{
    driver->heartbeat(state == lcdapi::kOn);
}

VANTEL_EXPORT void vantel_cursor(lcd_logical_driver *, int x, int y, int state)
{
    auto shape = lcdd::CursorShape::Hidden;
    if (state == lcdapi::kCursorBlock)
        shape = lcdd::CursorShape::Block;
    else if (state == lcdapi::kCursorUnder || state == lcdapi::kCursorDefaultOn)
        shape = lcdd::CursorShape::Underline;
    driver->screen().setCursor(shape, x - 1, y - 1);
}

VANTEL_EXPORT void vantel_backlight(lcd_logical_driver *, int on)
{
    driver->backlight(on != lcdapi::kOff);
}

VANTEL_EXPORT void vantel_set_brightness(lcd_logical_driver *, int state, int promille)
{
    driver->setBrightness(state != lcdapi::kOff, promille);
}

VANTEL_EXPORT int vantel_get_brightness(lcd_logical_driver *, int state)
{
    return driver->brightness(state != lcdapi::kOff);
}

VANTEL_EXPORT const char *vantel_get_key(lcd_logical_driver *)
{
    lastKey = driver->key();
    return lastKey.empty() ? nullptr : lastKey.c_str();
}

VANTEL_EXPORT const char *vantel_get_info(lcd_logical_driver *)
{
    lastInfo = driver->info();
    return lastInfo.c_str();
}
