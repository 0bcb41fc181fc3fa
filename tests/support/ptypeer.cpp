#include "ptypeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

PtyPeer::PtyPeer()
{
    int slave = -1;
    char name[256] = {};
    if (openpty(&m_master, &slave, name, nullptr, nullptr) != 0) {
        m_master = -1;
        return;
    }
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    // Keeping a slave descriptor open means the master never sees a hang-up while the
    // program under test opens and closes the port.
    m_slaveKeepAlive = slave;
    m_slavePath = QString::fromLocal8Bit(name);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
}

PtyPeer::~PtyPeer()
{
    hangUp();
}

bool PtyPeer::send(const QByteArray &bytes)
{
    if (m_master < 0)
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::write(m_master, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0) {
            if (errno == EAGAIN || errno == EINTR) {
                QCoreApplication::processEvents();
                continue;
            }
            return false;
        }
        done += n;
    }
    return true;
}

void PtyPeer::drain()
{
    if (m_master < 0)
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_master, buffer, sizeof buffer);
        if (n <= 0)
            break;
        m_received.append(buffer, n);
    }
}

QByteArray PtyPeer::takeReceived()
{
    drain();
    QByteArray bytes;
    bytes.swap(m_received);
    return bytes;
}

QByteArray PtyPeer::waitForBytes(int count, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    drain();
    while (m_received.size() < count && timer.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(500);
        drain();
    }
    return takeReceived();
}

bool PtyPeer::lineSettings(termios &settings) const
{
    return m_master >= 0 && tcgetattr(m_master, &settings) == 0;
}

void PtyPeer::hangUp()
{
    if (m_slaveKeepAlive >= 0)
        ::close(m_slaveKeepAlive);
    if (m_master >= 0)
        ::close(m_master);
    m_slaveKeepAlive = -1;
    m_master = -1;
}
