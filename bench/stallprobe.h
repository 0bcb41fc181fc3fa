#pragma once
// Watches the event loop from inside: a 1 ms timer notes the longest time between two of
// its ticks (the longest the loop was unable to run it) and how much CPU time this thread
// itself spent in that gap. A long gap with little CPU is the machine's doing (the thread
// waited for a core or for the X server); a long gap full of CPU is the program's own.

#include <QTimer>

#include <algorithm>
#include <time.h>

class StallProbe
{
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(1);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }

    void start()
    {
        m_longestMs = 0;
        m_busyInLongestMs = 0;
        m_lastWall = now(CLOCK_MONOTONIC);
        m_lastCpu = now(CLOCK_THREAD_CPUTIME_ID);
        m_timer.start();
    }
    void stop()
    {
        tick();
        m_timer.stop();
    }

    double longestMs() const { return m_longestMs; }
    double busyInLongestMs() const { return m_busyInLongestMs; }

private:
    static double now(clockid_t clock)
    {
        timespec t{};
        clock_gettime(clock, &t);
        return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
    }

    void tick()
    {
        const double wall = now(CLOCK_MONOTONIC);
        const double cpu = now(CLOCK_THREAD_CPUTIME_ID);
        if (wall - m_lastWall > m_longestMs) {
            m_longestMs = wall - m_lastWall;
            m_busyInLongestMs = std::min(cpu - m_lastCpu, m_longestMs);
        }
        m_lastWall = wall;
        m_lastCpu = cpu;
    }

    QTimer m_timer;
    double m_longestMs = 0;
    double m_busyInLongestMs = 0;
    double m_lastWall = 0;
    double m_lastCpu = 0;
};
