#pragma once
// The module's end of a pseudo-terminal, for timing: a reader thread blocks on the master
// side and stamps every chunk it reads with the monotonic clock the moment read() returns,
// so the measured time never includes the window's own event loop. A writer thread can
// play a stream of replies, as fast as the line takes them or at a fixed pace.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <QByteArray>
#include <QString>

#include "posix/pseudoterminal.h"

using Clock = std::chrono::steady_clock;

class PtyLine
{
public:
    struct Chunk {
        qsizetype offset = 0; // of its first byte in everything read so far
        qsizetype size = 0;
        Clock::time_point at;
    };

    PtyLine();
    ~PtyLine();
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;

    bool isValid() const { return m_pty.isOpen(); }
    const QString &slavePath() const { return m_pty.slavePath(); }

    // Called on the reader thread once `total` bytes have been read in all (once).
    void notifyAt(qsizetype total, std::function<void()> callback);
    qsizetype receivedSize() const;
    QByteArray received() const;
    std::vector<Chunk> chunks() const;
    // When the byte at `offset` was read.
    Clock::time_point arrival(qsizetype offset) const;
    void clearReceived();

    // Writes all of `bytes` from a writer thread, `perWrite` bytes per write, waiting
    // `interval` between writes (none: as fast as the line takes them).
    void startWriting(QByteArray bytes, qsizetype perWrite, std::chrono::nanoseconds interval);
    void waitWritten();
    Clock::time_point writeStarted() const { return m_writeStarted; }

    // The other end vanishes: the reader stops and both ends of the pty close.
    void hangUp();

private:
    void readLoop();

    PseudoTerminal m_pty;
    int m_stopPipe[2] = {-1, -1};
    std::thread m_reader;
    std::thread m_writer;
    Clock::time_point m_writeStarted;

    mutable std::mutex m_mutex;
    QByteArray m_received;
    std::vector<Chunk> m_chunks;
    qsizetype m_notifyAt = -1;
    std::function<void()> m_callback;
};
