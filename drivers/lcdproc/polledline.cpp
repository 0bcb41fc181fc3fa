#include "polledline.h"

#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace lcdd
{

namespace
{

// A call reads at most this much, so a peer flooding us cannot keep LCDd's loop here.
constexpr std::size_t kMostReadAtOnce = 64 * 1024;

} // namespace

std::string systemError(const char *what)
{
    return std::string(what) + ": " + std::strerror(errno);
}

PolledLine::~PolledLine()
{
    PolledLine::close();
}

void PolledLine::poll(Clock::time_point)
{
    if (m_state == State::Open)
        sendWaiting();
}

void PolledLine::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_state = State::Closed;
    m_waiting.clear();
    m_sent = 0;
}

void PolledLine::drain(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    while (m_state == State::Open && !idle()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0)
            return;
        pollfd p{m_fd, POLLOUT, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
            return;
        sendWaiting();
    }
}

void PolledLine::closeGently(std::chrono::milliseconds timeout)
{
    const auto deadline = Clock::now() + timeout;
    drain(timeout);
    if (m_state == State::Open && m_socket && ::shutdown(m_fd, SHUT_WR) == 0) {
        std::uint8_t buffer[512];
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd p{m_fd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                break;
            const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
            if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN))
                break; // the server has handed everything on and closed
        }
    }
    close();
}

bool PolledLine::write(std::span<const std::uint8_t> bytes)
{
    if (m_state != State::Open)
        return false;
    queue(bytes.data(), bytes.size());
    return sendWaiting();
}

bool PolledLine::read(std::vector<std::uint8_t> &into)
{
    return m_state == State::Open && receive(into);
}

void PolledLine::adopt(int fd, bool socket)
{
    m_fd = fd;
    m_socket = socket;
    m_waiting.clear();
    m_sent = 0;
    m_error.clear();
}

void PolledLine::queue(const std::uint8_t *bytes, std::size_t size)
{
    m_waiting.insert(m_waiting.end(), bytes, bytes + size);
}

bool PolledLine::sendWaiting()
{
    while (m_sent < m_waiting.size()) {
        const std::uint8_t *from = m_waiting.data() + m_sent;
        const std::size_t size = m_waiting.size() - m_sent;
        const ssize_t n =
            m_socket ? ::send(m_fd, from, size, MSG_NOSIGNAL) : ::write(m_fd, from, size);
        if (n > 0) {
            m_sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true; // the rest goes at a later call
        fail(n < 0 && (errno == EPIPE || errno == ECONNRESET) ? m_hangUpWords
                                                              : systemError("write"));
        return false;
    }
    m_waiting.clear();
    m_sent = 0;
    return true;
}

bool PolledLine::receive(std::vector<std::uint8_t> &into)
{
    std::uint8_t buffer[4096];
    for (std::size_t total = 0; total < kMostReadAtOnce;) {
        const ssize_t n = ::read(m_fd, buffer, sizeof buffer);
        if (n > 0) {
            into.insert(into.end(), buffer, buffer + n);
            total += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return true;
        // A terminal set up as TermiosLine does, and a socket, answer EAGAIN when nothing
        // came; end of file or an error means the other end went away.
        fail(n == 0 || errno == ECONNRESET ? m_hangUpWords : systemError("read"));
        return false;
    }
    return true;
}

void PolledLine::fail(const std::string &why)
{
    close();
    m_error = why;
}

void PolledLine::refuse(const ports::OpenProblem &problem)
{
    close();
    m_problem = problem;
}

} // namespace lcdd
