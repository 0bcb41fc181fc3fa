#include "ports/porterrorwords.h"

namespace ports
{

QString lostDeviceWords(const QString &device)
{
    // A pseudo-terminal has a program at its other end; when that program quits, the line
    // hangs up while the device node itself may linger.
    // The serial port names its device without "/dev/" ("pts/3"); a path keeps it.
    const QString name = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    if (name.startsWith(QLatin1String("pts/")))
        return QStringLiteral("the other end closed the line");
    return QStringLiteral("the device went away");
}

} // namespace ports
