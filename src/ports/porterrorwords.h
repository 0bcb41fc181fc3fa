#pragma once
// What a lost line means, in words a user can act on, instead of the system's own text
// ("Resource temporarily unavailable", "Input/output error"), which says how the read
// failed rather than what happened:
//
//   /dev/pts/N   "the other end closed the line"   a program played the device and quit
//   otherwise    "the device went away"            an adapter pulled, a driver gone

#include <QString>

namespace ports
{

// `device` as a path ("/dev/ttyUSB0") or as the serial port names it ("ttyUSB0").
QString lostDeviceWords(const QString &device);

} // namespace ports
