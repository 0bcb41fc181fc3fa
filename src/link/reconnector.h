#pragma once
// Opens a lost line again by itself. When the device behind a SerialPortService vanishes
// (state Lost, deviceLost), the reconnector tries to open the same port at the same
// settings once a second until it opens, then says so. Whoever uses the line decides what
// to send again once it is back: the reconnector itself never writes a byte.
//
// The promises it keeps:
//  - It tells once that the line was lost (lineLost, with the service's reason) and once
//    that it is back (lineBack); the failed attempts in between say nothing.
//  - One attempt at a time, a second apart, never a busy loop: between attempts nothing
//    runs but a single-shot timer, so the process stays idle however long the device is
//    away. "The same port" is the port number resolved afresh each time, so a port map or
//    VANTEL_COMn changed meanwhile is followed; a device path stays that path.
//  - A network port answers later: its attempt ends with the service's openFailed() (the
//    next one starts a second after that) or with the line open.
//  - setEnabled(false) cancels the reconnection and ends an attempt to connect that is under
//    way: that is what a user's Disconnect calls. SerialPortService::close() cancels it too
//    while the port is Lost or an attempt is Connecting, but not in the pause between two
//    network attempts, when the port is Closed already and close() changes nothing. A line
//    the user opens by hand meanwhile counts as back.

#include <chrono>

#include <QObject>
#include <QString>
#include <QTimer>

#include "link/serialportservice.h"

namespace seriallink
{

class Reconnector : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kRetryInterval{1000};

    // Enabled from the start.
    explicit Reconnector(SerialPortService &port, QObject *parent = nullptr);

    // The port could not be opened in the first place (a daemon started before its adapter
    // is plugged in): try as after a loss. lineLost tells `reason`, lineBack the opening.
    void keepTrying(const QString &reason);

    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    // True from a loss until the line is back or the reconnection is cancelled.
    bool reconnecting() const { return m_active; }

signals:
    void lineLost(const QString &reason);
    void lineBack();

private:
    void handleLost(const QString &reason);
    void handleStateChanged(SerialPortService::State state);
    void handleOpenFailed();
    void attempt();
    void cancel();

    SerialPortService &m_port;
    QTimer m_retry;
    bool m_enabled = true;
    bool m_active = false;
    bool m_attemptConnecting = false; // our network attempt is Connecting
    // Our attempt went from Connecting to Closed: openFailed() comes next, unless it was a
    // close() instead, which comes without one.
    bool m_resumeOnOpenFailed = false;
};

} // namespace seriallink
