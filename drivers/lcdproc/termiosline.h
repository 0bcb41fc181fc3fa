#pragma once
// The module's serial line as LCDd's loop needs it: opened raw at 8N1, written in whole
// (waiting at most a moment for the line to drain) and read without ever waiting. LCDd
// calls the driver from its own loop, so nothing here runs an event loop; plain termios.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace lcdd
{

class TermiosLine
{
public:
    TermiosLine() = default;
    ~TermiosLine() { close(); }
    TermiosLine(const TermiosLine &) = delete;
    TermiosLine &operator=(const TermiosLine &) = delete;

    // False, with errorString() saying why, when the device cannot be had at that speed.
    bool open(const std::string &device, int speed);
    void close();
    bool isOpen() const { return m_fd >= 0; }

    // False when the line failed (the device vanished, or it took none of the bytes for
    // too long); errorString() says why. The line stays open: the caller decides.
    bool write(std::span<const std::uint8_t> bytes);
    // Appends whatever arrived; false when the device has gone.
    bool read(std::vector<std::uint8_t> &into);

    const std::string &errorString() const { return m_error; }

    static bool isSupportedSpeed(int speed) { return speed == 9600 || speed == 19200; }

private:
    int m_fd = -1;
    std::string m_error;
};

} // namespace lcdd
