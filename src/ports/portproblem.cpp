#include "ports/portproblem.h"

#include <QFile>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ports
{

namespace
{

#ifdef Q_OS_UNIX

QString groupOf(const QString &device)
{
    struct stat info {
    };
    if (::stat(QFile::encodeName(device).constData(), &info) != 0)
        return {};
    if (const group *owner = ::getgrgid(info.st_gid))
        return QString::fromLocal8Bit(owner->gr_name);
    return QString::number(info.st_gid);
}
#endif

} // namespace

QString OpenProblem::summary() const
{
    switch (kind) {
    case Kind::NoDevice:
        return QStringLiteral("no device for this port");
    case Kind::NotFound:
        return QStringLiteral("no such device");
    case Kind::NotSerial:
        return QStringLiteral("not a serial device");
    case Kind::Held:
        return QStringLiteral("held by another program");
    case Kind::NoPermission:
        return QStringLiteral("no permission");
    case Kind::ConnectionRefused:
        return QStringLiteral("connection refused by %1").arg(where);
    case Kind::NoSuchHost:
        return QStringLiteral("no such host %1").arg(where);
    case Kind::NoAnswer:
        return detail.isEmpty()
                   ? QStringLiteral("no answer from %1 within 5 s").arg(where)
                   : QStringLiteral("no answer from %1 within 5 s (%2)").arg(where, detail);
    case Kind::NetworkUnreachable:
        return QStringLiteral("network unreachable");
    case Kind::HostUnreachable:
        return QStringLiteral("no route to %1").arg(where);
    case Kind::LineNotSettable:
        return QStringLiteral("the server does not let the line speed be set");
    case Kind::ServerRefused:
    case Kind::Other:
        break;
    }
    return detail.isEmpty() ? QStringLiteral("cannot be opened") : detail;
}

QString OpenProblem::advice() const
{
    if (kind != Kind::NoPermission || group.isEmpty())
        return summary();
    return QStringLiteral("no permission: join the group '%1' (sudo usermod -aG %1 $USER), "
                          "then log in again")
        .arg(group);
}

OpenProblem OpenProblem::onNetwork(Kind kind, const QString &device, const NetworkAddress &address,
                                   const QString &detail)
{
    OpenProblem problem;
    problem.kind = kind;
    problem.device = device;
    problem.where = kind == Kind::NoSuchHost || kind == Kind::HostUnreachable
                        ? address.host
                        : address.hostAndPort();
    problem.detail = detail;
    return problem;
}

OpenProblem explainOpenFailure(const QString &device, OpenError error, const QString &errorString)
{
    OpenProblem problem;
    problem.device = device;
    problem.detail = errorString;
    if (device.isEmpty()) {
        problem.kind = OpenProblem::Kind::NoDevice;
        return problem;
    }
#ifndef Q_OS_UNIX
    // A COM port is no file to look at: what the serial port said is all there is to go on,
    // and a refused open there means another program has the port.
    if (error == OpenError::NotFound)
        problem.kind = OpenProblem::Kind::NotFound;
    else if (error == OpenError::Refused)
        problem.kind = OpenProblem::Kind::Held;
    return problem;
#else
    const QByteArray path = QFile::encodeName(device);
    if (error == OpenError::NotFound || ::access(path.constData(), F_OK) != 0) {
        problem.kind = OpenProblem::Kind::NotFound;
        return problem;
    }
    // A file or a folder can never carry a line; the system would only say "Inappropriate
    // ioctl for device" or "Is a directory".
    struct stat info {
    };
    if (::stat(path.constData(), &info) == 0 && !S_ISCHR(info.st_mode)) {
        problem.kind = OpenProblem::Kind::NotSerial;
        return problem;
    }
    if (::access(path.constData(), R_OK | W_OK) != 0) {
        problem.kind = OpenProblem::Kind::NoPermission;
        problem.group = groupOf(device);
        return problem;
    }
    // Readable and writable, yet refused: a lock file or an exclusive open of another
    // program (both come back as a permission error).
    if (error == OpenError::Refused) {
        problem.kind = OpenProblem::Kind::Held;
        return problem;
    }
    // A character device that opens but is no terminal (/dev/null, /dev/zero).
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd >= 0) {
        const bool terminal = ::isatty(fd) == 1;
        ::close(fd);
        if (!terminal) {
            problem.kind = OpenProblem::Kind::NotSerial;
            return problem;
        }
    }
    return problem;
#endif
}

} // namespace ports
