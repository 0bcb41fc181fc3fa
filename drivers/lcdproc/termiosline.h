#pragma once
// The module's serial line on a device path: opened raw at 8N1 with plain termios (LCDd
// loads nothing of the serial port library), locked and opened exclusively the way the
// utility's serial port library does, so that LCDd and the utility, or two LCDd, never
// drive one module at once:
//
//   lock file   LCK..<name> in /var/lock (or the first lock folder that can be written),
//               <name> being the device as the utility names it, without /dev/ and with
//               every other / as _ (LCK..ttyUSB0, LCK..serial_by-id_usb-...); held as
//               QLockFile holds it, so each side sees the other's lock as live, and a lock
//               left by a program that died as stale. A link is locked under its own name
//               and under the device's it leads to
//   TIOCEXCL    on the open terminal: any further open but root's is refused
//
// A device held either way is refused as "held by another program".
//
// LCDd started as root opens the device, then runs as its User: a lock file root made could
// not be let go of then (the lock folder lets only a file's owner remove it), so it is
// handed to that user as soon as it is made.

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/types.h>

#include "polledline.h"

class QLockFile;

namespace lcdd
{

class TermiosLine : public PolledLine
{
public:
    // `lockOwner`: the user the lock file is handed to, if any.
    TermiosLine(std::string device, int speed, std::optional<uid_t> lockOwner = std::nullopt);
    ~TermiosLine() override;

    void open(Clock::time_point now) override;
    void close() override;

    static bool isSupportedSpeed(int speed) { return speed == 9600 || speed == 19200; }
    // Where the utility's serial port library keeps the lock of `device`.
    static std::string lockFilePath(const std::string &device);

private:
    // Adds the lock of `device` to `locks`; false, refused, when it cannot be had.
    bool takeLock(const std::string &device, std::vector<std::unique_ptr<QLockFile>> &locks);
    void refuseOpen(ports::OpenError error, const std::string &detail);

    std::string m_device;
    int m_speed;
    std::optional<uid_t> m_lockOwner;
    std::vector<std::unique_ptr<QLockFile>> m_locks;
};

} // namespace lcdd
