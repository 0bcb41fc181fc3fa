#include "ptyline.h"

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

PtyLine::PtyLine()
{
    // A blocking master: the writer thread waits for room on the line instead of failing.
    if (!m_pty.open(PseudoTerminal::Master::Blocking) || pipe(m_stopPipe) != 0) {
        m_pty.close();
        return;
    }
    m_reader = std::thread([this] { readLoop(); });
}

PtyLine::~PtyLine()
{
    hangUp();
}

void PtyLine::readLoop()
{
    char buffer[65536];
    pollfd fds[2] = {{m_pty.master(), POLLIN, 0}, {m_stopPipe[0], POLLIN, 0}};
    for (;;) {
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        const ssize_t n = ::read(m_pty.master(), buffer, sizeof buffer);
        const Clock::time_point now = Clock::now();
        if (n < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (n <= 0)
            return;
        std::function<void()> callback;
        {
            std::lock_guard lock(m_mutex);
            m_chunks.push_back({m_received.size(), n, now});
            m_received.append(buffer, n);
            if (m_notifyAt >= 0 && m_received.size() >= m_notifyAt) {
                m_notifyAt = -1;
                callback = std::move(m_callback);
            }
        }
        if (callback)
            callback();
    }
}

void PtyLine::notifyAt(qsizetype total, std::function<void()> callback)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_received.size() < total) {
            m_notifyAt = total;
            m_callback = std::move(callback);
            return;
        }
    }
    callback();
}

qsizetype PtyLine::receivedSize() const
{
    std::lock_guard lock(m_mutex);
    return m_received.size();
}

QByteArray PtyLine::received() const
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::vector<PtyLine::Chunk> PtyLine::chunks() const
{
    std::lock_guard lock(m_mutex);
    return m_chunks;
}

Clock::time_point PtyLine::arrival(qsizetype offset) const
{
    std::lock_guard lock(m_mutex);
    for (const Chunk &chunk : m_chunks) {
        if (offset >= chunk.offset && offset < chunk.offset + chunk.size)
            return chunk.at;
    }
    return {};
}

void PtyLine::clearReceived()
{
    std::lock_guard lock(m_mutex);
    m_received.clear();
    m_chunks.clear();
    m_notifyAt = -1;
    m_callback = nullptr;
}

void PtyLine::startWriting(QByteArray bytes, qsizetype perWrite, std::chrono::nanoseconds interval)
{
    waitWritten();
    m_writeStarted = Clock::now();
    m_writer = std::thread([this, bytes = std::move(bytes), perWrite, interval] {
        Clock::time_point next = Clock::now();
        qsizetype done = 0;
        while (done < bytes.size()) {
            if (interval.count() > 0) {
                next += interval;
                std::this_thread::sleep_until(next);
            }
            const qsizetype end = std::min(bytes.size(), done + perWrite);
            while (done < end) {
                const ssize_t n = ::write(m_pty.master(), bytes.constData() + done,
                                          static_cast<size_t>(end - done));
                if (n < 0 && errno == EINTR)
                    continue;
                if (n <= 0)
                    return;
                done += n;
            }
        }
    });
}

void PtyLine::waitWritten()
{
    if (m_writer.joinable())
        m_writer.join();
}

void PtyLine::hangUp()
{
    waitWritten();
    if (m_reader.joinable()) {
        const char stop = 1;
        if (::write(m_stopPipe[1], &stop, 1) == 1)
            m_reader.join();
        else
            m_reader.detach();
    }
    m_pty.close();
    for (int *fd : {&m_stopPipe[0], &m_stopPipe[1]}) {
        if (*fd >= 0)
            ::close(*fd);
        *fd = -1;
    }
}
