#include "termiosline.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace lcdd
{

namespace
{

// A full screen and a glyph table take a fifth of a second at 9600 bit/s; a line that
// takes nothing for this long is as good as gone.
constexpr int kWriteStallMs = 2000;

std::string systemError(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

bool TermiosLine::open(const std::string &device, int speed)
{
    close();
    if (!isSupportedSpeed(speed)) {
        m_error = "speed " + std::to_string(speed) + " is not 9600 or 19200";
        return false;
    }
    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_error = systemError(device.c_str());
        return false;
    }
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) {
        m_error = systemError(device.c_str());
        ::close(fd);
        return false;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // With VMIN 0 a terminal reads 0 bytes when it has none, like a hang-up; with 1 and
    // O_NONBLOCK it answers EAGAIN, and 0 is left to mean the device went away.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    const speed_t baud = speed == 19200 ? B19200 : B9600;
    if (cfsetispeed(&tio, baud) != 0 || cfsetospeed(&tio, baud) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
        m_error = systemError(device.c_str());
        ::close(fd);
        return false;
    }
    tcflush(fd, TCIOFLUSH);
    m_fd = fd;
    m_error.clear();
    return true;
}

void TermiosLine::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

bool TermiosLine::write(std::span<const std::uint8_t> bytes)
{
    if (m_fd < 0) {
        m_error = "not open";
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN) {
            m_error = systemError("write");
            return false;
        }
        pollfd p{m_fd, POLLOUT, 0};
        const int ready = ::poll(&p, 1, kWriteStallMs);
        if (ready == 0) {
            m_error = "the line took nothing for two seconds";
            return false;
        }
        if (ready < 0 && errno != EINTR) {
            m_error = systemError("poll");
            return false;
        }
        if (ready > 0 && (p.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            m_error = "the device hung up";
            return false;
        }
    }
    return true;
}

bool TermiosLine::read(std::vector<std::uint8_t> &into)
{
    if (m_fd < 0) {
        m_error = "not open";
        return false;
    }
    std::uint8_t buffer[256];
    for (;;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            into.insert(into.end(), buffer, buffer + n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EAGAIN)
            return true;
        // A terminal in non-blocking mode answers EAGAIN when it has nothing; end of file
        // or an error means the device went away.
        m_error = n == 0 ? std::string("the device hung up") : systemError("read");
        return false;
    }
}

} // namespace lcdd
