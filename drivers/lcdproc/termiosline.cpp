#include "termiosline.h"

#include <cerrno>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace lcdd
{

namespace
{

// The folders the serial port library tries, in its order; /var/lock on any Debian.
constexpr const char *kLockFolders[] = {"/var/lock",         "/etc/locks", "/var/spool/locks",
                                        "/var/spool/uucp",   "/tmp",       "/var/tmp",
                                        "/var/lock/lockdev", "/run/lock"};

ports::OpenError openErrorOf(int error)
{
    switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return ports::OpenError::NotFound;
    case EACCES:
    case EPERM:
    case EBUSY:
        return ports::OpenError::Refused;
    default:
        return ports::OpenError::Other;
    }
}

} // namespace

TermiosLine::TermiosLine(std::string device, int speed, std::optional<uid_t> lockOwner)
    : m_device(std::move(device)), m_speed(speed), m_lockOwner(lockOwner)
{
}

TermiosLine::~TermiosLine()
{
    TermiosLine::close();
}

std::string TermiosLine::lockFilePath(const std::string &device)
{
    // The library's port name for a path: the path less /dev/; a bare name is under /dev/.
    QString name = QString::fromLocal8Bit(device.c_str());
    if (name.startsWith(QLatin1String("/dev/")))
        name = name.mid(5);
    const QString fileName =
        QStringLiteral("/LCK..") + name.replace(QLatin1Char('/'), QLatin1Char('_'));
    QStringList folders;
    for (const char *folder : kLockFolders)
        folders << QString::fromLatin1(folder);
    folders << QDir::tempPath();
    for (const QString &folder : folders) {
        const QFileInfo info(folder);
        if (info.isReadable() && (QFile::exists(folder + fileName) || info.isWritable()))
            return QFile::encodeName(folder + fileName).toStdString();
    }
    return {};
}

void TermiosLine::open(Clock::time_point)
{
    close();
    if (!isSupportedSpeed(m_speed)) {
        refuseOpen(ports::OpenError::Other,
                   "speed " + std::to_string(m_speed) + " is not 9600 or 19200");
        return;
    }
    // Locked by the name the config gives and by the device it leads to, so that neither a
    // program that names the link nor one that names the device itself gets in.
    std::vector<std::unique_ptr<QLockFile>> locks;
    if (!takeLock(m_device, locks))
        return;
    char *real = ::realpath(m_device.c_str(), nullptr);
    const std::string device = real ? real : m_device;
    std::free(real);
    if (lockFilePath(device) != lockFilePath(m_device) && !takeLock(device, locks))
        return;
    const int fd = ::open(m_device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        const int error = errno;
        refuseOpen(openErrorOf(error), systemError(m_device.c_str()));
        return;
    }
    termios tio{};
    if (::ioctl(fd, TIOCEXCL) != 0 || tcgetattr(fd, &tio) != 0) {
        const std::string why = systemError(m_device.c_str());
        ::close(fd);
        refuseOpen(ports::OpenError::Other, why);
        return;
    }
    cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // With VMIN 0 a terminal reads 0 bytes when it has none, like a hang-up; with 1 and
    // O_NONBLOCK it answers EAGAIN, and 0 is left to mean the device went away.
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
    const speed_t baud = m_speed == 19200 ? B19200 : B9600;
    if (cfsetispeed(&tio, baud) != 0 || cfsetospeed(&tio, baud) != 0 ||
        tcsetattr(fd, TCSANOW, &tio) != 0) {
        const std::string why = systemError(m_device.c_str());
        ::close(fd);
        refuseOpen(ports::OpenError::Other, why);
        return;
    }
    tcflush(fd, TCIOFLUSH);
    m_locks = std::move(locks);
    adopt(fd, false);
    m_state = State::Open;
}

void TermiosLine::close()
{
    PolledLine::close();
    m_locks.clear();
}

bool TermiosLine::takeLock(const std::string &device,
                           std::vector<std::unique_ptr<QLockFile>> &locks)
{
    const std::string path = lockFilePath(device);
    if (path.empty()) {
        refuseOpen(ports::OpenError::Other, "no folder for its lock file");
        return false;
    }
    auto lock = std::make_unique<QLockFile>(QFile::decodeName(path.c_str()));
    if (!lock->tryLock(0)) {
        if (lock->error() == QLockFile::LockFailedError)
            refuseOpen(ports::OpenError::Refused, "locked by " + path);
        else
            refuseOpen(ports::OpenError::Other, "cannot make its lock file " + path);
        return false;
    }
    if (m_lockOwner && ::chown(path.c_str(), *m_lockOwner, static_cast<gid_t>(-1)) != 0) {
        refuseOpen(ports::OpenError::Other, systemError(path.c_str()));
        return false;
    }
    locks.push_back(std::move(lock));
    return true;
}

void TermiosLine::refuseOpen(ports::OpenError error, const std::string &detail)
{
    refuse(ports::explainOpenFailure(QString::fromLocal8Bit(m_device.c_str()), error,
                                     QString::fromLocal8Bit(detail.c_str())));
}

} // namespace lcdd
