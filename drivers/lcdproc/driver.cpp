#include "driver.h"

#include <algorithm>
#include <thread>

#include <pwd.h>
#include <strings.h>
#include <unistd.h>

#include "lcdapi.h"
#include "ports/comname.h"
#include "ports/devicename.h"
#include "ports/portaddress.h"
#include "ports/portresolver.h"
#include "protocol/protocol.h"
#include "socketline.h"
#include "systemports.h"
#include "termiosline.h"
#include "widgets.h"

namespace lcdd
{

namespace
{

constexpr auto kRetryInterval = std::chrono::seconds(1);
// A module is back once its line has held this long.
constexpr auto kHeld = std::chrono::seconds(1);
constexpr auto kStallReported = std::chrono::seconds(2);
constexpr auto kGoodbye = std::chrono::milliseconds(500);

void append(Bytes &out, const proto::Frame &frame)
{
    out.insert(out.end(), frame.begin(), frame.end());
}

// LCDd's own words for yes and no.
std::optional<bool> yesOrNo(const std::string &value)
{
    for (const char *word : {"1", "true", "y", "yes", "on"})
        if (strcasecmp(value.c_str(), word) == 0)
            return true;
    for (const char *word : {"0", "false", "n", "no", "off"})
        if (strcasecmp(value.c_str(), word) == 0)
            return false;
    return std::nullopt;
}

// What is wrong with the config, in one line, or empty.
std::string configProblem(const DriverConfig &config)
{
    if (config.size != "20x4")
        return "Size " + config.size + " is not the module's 20x4";
    if (!TermiosLine::isSupportedSpeed(config.speed))
        return "Speed " + std::to_string(config.speed) + " is not 9600 or 19200";
    for (const auto &[name, value] : {std::pair{"Brightness", config.brightness},
                                      std::pair{"OffBrightness", config.offBrightness}}) {
        if (value < 0 || value > 1000)
            return std::string(name) + " " + std::to_string(value) + " is not 0-1000";
    }
    if (!yesOrNo(config.keypad))
        return "Keypad " + config.keypad + " is not yes or no";
    for (const auto &[number, name] : config.keyNames) {
        if (number < 1 || number > kKeypadKeys)
            return "KeyMap_" + std::to_string(number) + " names no key: the keypad's keys are 1-" +
                   std::to_string(kKeypadKeys);
    }
    return {};
}

std::string userName()
{
    if (const passwd *user = ::getpwuid(::geteuid()))
        return user->pw_name;
    return std::to_string(::geteuid());
}

} // namespace

Driver::Driver(Reporter reporter) : m_report(std::move(reporter)) {}

Driver::~Driver() = default;

bool Driver::init(const DriverConfig &config)
{
    m_config = config;
    if (const std::string problem = configProblem(config); !problem.empty()) {
        m_report(lcdapi::kError, "vantel: " + problem);
        return false;
    }
    m_device = config.device;
    if (const QString problem = ports::deviceNameProblem(QString::fromStdString(config.device));
        !problem.isEmpty()) {
        m_report(lcdapi::kError, "vantel: Device " + problem.toStdString());
        return false;
    }
    const ports::ComName name = ports::readComName(QString::fromStdString(config.device));
    if (name.isRefused()) {
        m_report(lcdapi::kError,
                 "vantel: Device " + config.device + ": " + name.problem().toStdString());
        return false;
    }
    if (name.kind == ports::ComName::Kind::Port) {
        m_device = ports::deviceForPort(name.number, systemPortNames).toStdString();
        if (m_device.empty()) {
            m_report(lcdapi::kError, "vantel: Device " + config.device + " names no serial port");
            return false;
        }
    }
    std::array<std::string, kKeypadKeys> keyMap = defaultKeyMap();
    for (const auto &[number, keyName] : config.keyNames)
        keyMap[static_cast<std::size_t>(number - 1)] = keyName;
    m_keys = KeyQueue(keyMap);
    m_onPromille = config.brightness;
    m_offPromille = config.offBrightness;
    applyLight();
    if (!makeLine())
        return false;

    // LCDd starts its clients only once every driver is ready: waiting here holds up no one.
    m_line->open(Clock::now());
    while (m_line->state() == PolledLine::State::Opening) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        m_line->poll(Clock::now());
    }
    if (!m_line->isOpen()) {
        const std::string which =
            config.deviceNamed ? m_device : m_device + " (the default: [vantel] names no Device)";
        m_report(lcdapi::kError, "vantel: cannot open Device " + which + ": " +
                                     problemWords(m_line->openProblem()));
        return false;
    }
    m_connected = true;
    readyModule();
    m_report(lcdapi::kInfo, "vantel: " + info());
    return true;
}

bool Driver::makeLine()
{
    const QString device = QString::fromStdString(m_device);
    if (!ports::isNetworkName(device)) {
        std::optional<uid_t> lockOwner;
        const passwd *user = m_config.user.empty() ? nullptr : ::getpwnam(m_config.user.c_str());
        if (::geteuid() == 0 && user && user->pw_uid != 0)
            lockOwner = user->pw_uid;
        m_line = std::make_unique<TermiosLine>(m_device, m_config.speed, lockOwner);
        return true;
    }
    const std::optional<ports::NetworkAddress> address = ports::parseNetworkAddress(device);
    if (!address) {
        m_report(lcdapi::kError, "vantel: Device " + m_device +
                                     " is not an address of the form rfc2217://HOST:PORT or "
                                     "socket://HOST:PORT");
        return false;
    }
    m_line = std::make_unique<SocketLine>(device, *address, m_config.speed);
    return true;
}

void Driver::close()
{
    if (!m_line)
        return;
    if (m_line->isOpen()) {
        // LCDd's goodbye picture, behind whatever still waits.
        m_line->drain(kGoodbye);
        const Bytes bytes = m_screen.flush();
        if (m_line->idle() && !bytes.empty())
            m_line->write(bytes);
    }
    m_line->closeGently(kGoodbye);
    m_connected = false;
}

void Driver::readyModule()
{
    // A blank screen and no cursor; the keypad reports its keys when asked to.
    Bytes start;
    append(start, *proto::screenCommand(2));
    append(start, *proto::cursorType(0));
    if (yesOrNo(m_config.keypad).value_or(false))
        append(start, proto::p2Mode(false));
    m_line->write(start);
    m_screen.moduleCleared();
    m_keys.forgetHeld();
    m_replies.dropPartial();
}

bool Driver::service(Clock::time_point now)
{
    if (!m_line)
        return false;
    if (m_line->state() == PolledLine::State::Closed) {
        if (now - m_lastAttempt < kRetryInterval)
            return false;
        m_lastAttempt = now;
        m_retrying = true;
        m_line->open(now);
    } else {
        m_line->poll(now);
    }
    settle(now);
    return m_line->isOpen();
}

void Driver::settle(Clock::time_point now)
{
    if (m_connected && !m_line->isOpen()) {
        m_connected = false;
        m_stalledSince.reset();
        m_stallReported = false;
        m_lastAttempt = now;
        if (m_backSince) {
            // Open again for a moment only (a server that turns us away, a device that
            // vanishes at once): a retry that did not hold, not a module back and lost.
            m_backSince.reset();
            retryRefused(m_line->errorString());
        } else {
            m_lost = true;
            m_retryProblem.clear();
            m_report(lcdapi::kError, "vantel: lost the module on " + m_device + " (" +
                                         m_line->errorString() + "); trying again every second");
        }
    } else if (!m_connected && m_line->isOpen()) {
        m_connected = true;
        m_retrying = false;
        readyModule();
        if (m_lost)
            m_backSince = now;
    } else if (m_retrying && m_line->state() == PolledLine::State::Closed) {
        m_retrying = false;
        retryRefused(problemWords(m_line->openProblem()));
    }
    if (m_backSince && now - *m_backSince >= kHeld) {
        m_backSince.reset();
        m_lost = false;
        m_report(lcdapi::kNotice, "vantel: the module is back on " + m_device);
    }
}

void Driver::retryRefused(const std::string &words)
{
    if (words != m_retryProblem)
        m_report(lcdapi::kWarning, "vantel: cannot open " + m_device + " again: " + words);
    m_retryProblem = words;
}

void Driver::flush(Clock::time_point now)
{
    if (!service(now))
        return;
    if (!m_line->idle()) {
        noteStall(now);
        return;
    }
    if (m_stallReported)
        m_report(lcdapi::kNotice, "vantel: the module on " + m_device + " reads again");
    m_stalledSince.reset();
    m_stallReported = false;
    const Bytes bytes = m_screen.flush();
    // The picture counts these bytes as sent: should the line fail now, the module is
    // cleared and sent everything again when it is back.
    if (!bytes.empty())
        m_line->write(bytes);
    settle(now);
}

void Driver::noteStall(Clock::time_point now)
{
    if (!m_stalledSince)
        m_stalledSince = now;
    if (m_stallReported || now - *m_stalledSince < kStallReported)
        return;
    m_stallReported = true;
    m_report(lcdapi::kWarning, "vantel: the module on " + m_device +
                                   " has taken no frame for 2 s; LCDd goes on, and the module "
                                   "gets the newest picture when it reads again");
}

std::string Driver::key(Clock::time_point now)
{
    if (m_line && m_line->state() != PolledLine::State::Closed) {
        m_line->poll(now);
        settle(now); // a line that opened just now is readied before it is read
        m_incoming.clear();
        if (m_line->isOpen())
            m_line->read(m_incoming);
        settle(now);
        if (!m_incoming.empty()) {
            m_replies.expire(now);
            const auto bytes =
                QByteArrayView(m_incoming.data(), static_cast<qsizetype>(m_incoming.size()));
            const bool keypad = yesOrNo(m_config.keypad).value_or(false);
            for (const proto::Reply &reply : m_replies.feed(bytes, now)) {
                const proto::DecodedReply decoded =
                    proto::decodeReply(reply, proto::P2Mode::Keypad);
                if (keypad && decoded.kind == proto::DecodedReply::Kind::KeypadState)
                    m_keys.keypadState(decoded.keys);
            }
        }
    }
    return m_keys.take();
}

void Driver::heartbeat(bool on)
{
    if (on)
        drawHeartbeat(m_screen, m_beat);
    ++m_beat;
}

void Driver::backlight(bool on)
{
    m_lightOn = on;
    applyLight();
}

void Driver::setBrightness(bool forOn, int promille)
{
    (forOn ? m_onPromille : m_offPromille) = std::clamp(promille, 0, 1000);
    applyLight();
}

void Driver::applyLight()
{
    m_screen.setBacklightLevel(levelForPromille(m_lightOn ? m_onPromille : m_offPromille));
}

std::string Driver::problemWords(const ports::OpenProblem &problem) const
{
    if (problem.kind != ports::OpenProblem::Kind::NoPermission)
        return problem.summary().toStdString();
    // LCDd started as root opens the device first, then runs as its User: the fix is that
    // user's, not the group of whoever reads this.
    std::string words =
        "permission denied as user " + userName() + ": give User= access to " + m_device;
    if (!problem.group.isEmpty())
        words += " (group " + problem.group.toStdString() + ")";
    return words;
}

std::string Driver::info() const
{
    return "Vantel 20x4 serial LCD module on " + m_device + " at " +
           std::to_string(m_config.speed) + " bit/s";
}

} // namespace lcdd
