#include "driver.h"

#include <algorithm>

#include "lcdapi.h"
#include "ports/comname.h"
#include "ports/devicename.h"
#include "ports/portresolver.h"
#include "protocol/protocol.h"
#include "systemports.h"

namespace lcdd
{

namespace
{

constexpr auto kRetryInterval = std::chrono::seconds(1);

void append(Bytes &out, const proto::Frame &frame)
{
    out.insert(out.end(), frame.begin(), frame.end());
}

} // namespace

Driver::Driver(Reporter reporter) : m_report(std::move(reporter)) {}

bool Driver::init(const DriverConfig &config)
{
    m_config = config;
    if (config.size != "20x4") {
        m_report(lcdapi::kError, "vantel: Size " + config.size + " is not the module's 20x4");
        return false;
    }
    if (!TermiosLine::isSupportedSpeed(config.speed)) {
        m_report(lcdapi::kError,
                 "vantel: Speed " + std::to_string(config.speed) + " is not 9600 or 19200");
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
    m_keys = KeyQueue(config.keyMap);
    m_onPromille = std::clamp(config.brightness, 0, 1000);
    m_offPromille = std::clamp(config.offBrightness, 0, 1000);
    applyLight();
    if (!openModule()) {
        m_report(lcdapi::kError,
                 "vantel: cannot open Device " + m_device + ": " + m_line.errorString());
        return false;
    }
    m_report(lcdapi::kInfo, "vantel: " + info());
    return true;
}

void Driver::close()
{
    m_line.close();
}

bool Driver::openModule()
{
    if (!m_line.open(m_device, m_config.speed))
        return false;
    // A blank screen and no cursor; the keypad reports its keys when asked to.
    Bytes start;
    append(start, *proto::screenCommand(2));
    append(start, *proto::cursorType(0));
    if (m_config.keypad)
        append(start, proto::p2Mode(false));
    if (!m_line.write(start)) {
        m_line.close();
        return false;
    }
    m_screen.moduleCleared();
    m_keys.forgetHeld();
    m_replies.dropPartial();
    return true;
}

void Driver::lose(const std::string &why)
{
    m_line.close();
    m_report(lcdapi::kError, "vantel: lost the module on " + m_device + " (" + why +
                                 "); trying again every second");
}

void Driver::flush(Clock::time_point now)
{
    if (!m_line.isOpen()) {
        if (now - m_lastAttempt < kRetryInterval)
            return;
        m_lastAttempt = now;
        if (!openModule())
            return;
        m_report(lcdapi::kNotice, "vantel: the module is back on " + m_device);
    }
    const Bytes bytes = m_screen.flush();
    if (!bytes.empty() && !m_line.write(bytes)) {
        // The picture thinks these bytes arrived; openModule() forgets that again.
        lose(m_line.errorString());
        m_lastAttempt = now;
    }
}

std::string Driver::key(Clock::time_point now)
{
    if (m_line.isOpen()) {
        m_incoming.clear();
        if (!m_line.read(m_incoming)) {
            lose(m_line.errorString());
            m_lastAttempt = now;
        } else if (!m_incoming.empty()) {
            m_replies.expire(now);
            const auto bytes =
                QByteArrayView(m_incoming.data(), static_cast<qsizetype>(m_incoming.size()));
            for (const proto::Reply &reply : m_replies.feed(bytes, now)) {
                const proto::DecodedReply decoded =
                    proto::decodeReply(reply, proto::P2Mode::Keypad);
                if (m_config.keypad && decoded.kind == proto::DecodedReply::Kind::KeypadState)
                    m_keys.keypadState(decoded.keys);
            }
        }
    }
    return m_keys.take();
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

std::string Driver::info() const
{
    return "Vantel 20x4 serial LCD module on " + m_device + " at " +
           std::to_string(m_config.speed) + " bit/s";
}

} // namespace lcdd
