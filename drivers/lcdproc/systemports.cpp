#include "systemports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace lcdd
{

namespace
{

// The kernel makes ttyS0-ttyS31 whether or not a UART answers there; only one with a known
// UART type is a port.
bool isRealUart(const QString &name)
{
    const QByteArray path = QFile::encodeName(QStringLiteral("/dev/") + name);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    serial_struct info{};
    const bool known = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return known;
}

} // namespace

QStringList systemPortNames()
{
    QStringList names;
    const QDir classes(QStringLiteral("/sys/class/tty"));
    const QStringList entries = classes.entryList(QDir::Dirs | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : entries) {
        // Virtual consoles, pseudo-terminals and the like have no device behind them.
        if (!QFileInfo::exists(classes.filePath(name + QStringLiteral("/device"))))
            continue;
        if (name.startsWith(QLatin1String("ttyS")) && !isRealUart(name))
            continue;
        names << name;
    }
    return names;
}

} // namespace lcdd
