#include "ptypeer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <cerrno>
#include <unistd.h>

PtyPeer::PtyPeer()
{
    m_pty.open();
}

PtyPeer::~PtyPeer()
{
    hangUp();
}

bool PtyPeer::send(const QByteArray &bytes)
{
    if (!m_pty.isOpen())
        return false;
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_pty.master(), bytes.constData() + done,
                                  static_cast<size_t>(bytes.size() - done));
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
    if (!m_pty.isOpen())
        return;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(m_pty.master(), buffer, sizeof buffer);
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
    return m_pty.isOpen() && tcgetattr(m_pty.master(), &settings) == 0;
}

void PtyPeer::hangUp()
{
    m_pty.close();
}
