#pragma once
// A virtual X server for the measurements, started with a display number of its own
// choosing (-displayfd), so it never collides with a server already running.

#include <QString>
#include <sys/types.h>

class XServer
{
public:
    XServer() = default;
    ~XServer();
    XServer(const XServer &) = delete;
    XServer &operator=(const XServer &) = delete;

    // False when Xvfb is missing or did not come up.
    bool start();
    QString display() const { return m_display; }

private:
    pid_t m_pid = -1;
    QString m_display;
};
