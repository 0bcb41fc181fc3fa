#include "ptyport.h"

#include <QFile>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace simtool
{

namespace
{

QString systemError()
{
    return QString::fromLocal8Bit(std::strerror(errno));
}

constexpr int kUnreadLimitMs = 500;

} // namespace

PtyPort::PtyPort(QObject *parent) : QObject(parent)
{
    m_unreadCheck.setSingleShot(true);
    connect(&m_unreadCheck, &QTimer::timeout, this, &PtyPort::dropUnread);
}

PtyPort::~PtyPort()
{
    close();
}

bool PtyPort::open(const QString &linkPath)
{
    close();
    if (!m_pty.open()) {
        m_error = m_pty.errorString();
        return false;
    }
    if (!linkPath.isEmpty() && !makeLink(linkPath)) {
        close();
        return false;
    }
    m_notifier = new QSocketNotifier(m_pty.master(), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyPort::readMaster);
    return true;
}

bool PtyPort::makeLink(const QString &linkPath)
{
    const QByteArray link = QFile::encodeName(linkPath);
    struct stat info {
    };
    if (::lstat(link.constData(), &info) == 0 && !S_ISLNK(info.st_mode)) {
        m_error = linkPath + QStringLiteral(" exists and is not a symbolic link");
        return false;
    }
    const QByteArray temporary = link + ".new" + QByteArray::number(::getpid());
    ::unlink(temporary.constData());
    if (::symlink(QFile::encodeName(slavePath()).constData(), temporary.constData()) != 0 ||
        ::rename(temporary.constData(), link.constData()) != 0) {
        m_error = QStringLiteral("cannot make the link ") + linkPath + QStringLiteral(": ") +
                  systemError();
        ::unlink(temporary.constData());
        return false;
    }
    m_linkPath = linkPath;
    return true;
}

void PtyPort::close()
{
    delete m_notifier;
    m_notifier = nullptr;
    m_unreadCheck.stop();
    if (!m_linkPath.isEmpty() && QFile::symLinkTarget(m_linkPath) == slavePath())
        ::unlink(QFile::encodeName(m_linkPath).constData());
    m_linkPath.clear();
    m_pty.close();
}

bool PtyPort::write(const QByteArray &bytes)
{
    qsizetype done = 0;
    while (m_pty.isOpen() && done < bytes.size()) {
        const ssize_t n = ::write(m_pty.master(), bytes.constData() + done,
                                  static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false; // a full buffer means nobody reads: the reply is lost, as on a wire
        done += n;
    }
    m_sinceWrite.start();
    if (!m_unreadCheck.isActive())
        m_unreadCheck.start(kUnreadLimitMs);
    return done == bytes.size();
}

void PtyPort::dropUnread()
{
    if (!m_pty.isOpen())
        return;
    if (m_sinceWrite.isValid() && m_sinceWrite.elapsed() < kUnreadLimitMs) {
        m_unreadCheck.start(static_cast<int>(kUnreadLimitMs - m_sinceWrite.elapsed()));
        return;
    }
    int waiting = 0;
    if (::ioctl(m_pty.slave(), FIONREAD, &waiting) == 0 && waiting > 0) {
        ::tcflush(m_pty.slave(), TCIFLUSH);
        emit unreadDropped(waiting);
    }
}

int PtyPort::portSpeed() const
{
    termios settings{};
    if (!m_pty.isOpen() || ::tcgetattr(m_pty.master(), &settings) != 0)
        return 0;
    switch (::cfgetospeed(&settings)) {
    case B1200:
        return 1200;
    case B2400:
        return 2400;
    case B4800:
        return 4800;
    case B9600:
        return 9600;
    case B19200:
        return 19200;
    case B38400:
        return 38400;
    case B57600:
        return 57600;
    case B115200:
        return 115200;
    default:
        return 0;
    }
}

void PtyPort::readMaster()
{
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_pty.master(), buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        break;
    }
    if (!bytes.isEmpty())
        emit received(bytes);
}

} // namespace simtool
