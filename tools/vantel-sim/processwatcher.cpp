#include "processwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/syscall.h>
#include <unistd.h>

namespace simtool
{

namespace
{

constexpr int kPollMs = 500;

int openProcess(pid_t pid)
{
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    errno = ENOSYS;
    return -1;
#endif
}

bool exists(pid_t pid)
{
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

} // namespace

ProcessWatcher::ProcessWatcher(QObject *parent) : QObject(parent)
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, [this] {
        if (!exists(m_pid))
            report();
    });
}

ProcessWatcher::~ProcessWatcher()
{
    if (m_pidfd >= 0)
        ::close(m_pidfd);
}

void ProcessWatcher::watch(pid_t pid)
{
    m_pid = pid;
    m_pidfd = openProcess(pid);
    if (m_pidfd >= 0) {
        m_notifier = new QSocketNotifier(m_pidfd, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &ProcessWatcher::report);
    } else if (errno == ESRCH || !exists(pid)) {
        QTimer::singleShot(0, this, &ProcessWatcher::report);
    } else {
        m_poll.start();
    }
}

void ProcessWatcher::report()
{
    m_poll.stop();
    if (m_notifier)
        m_notifier->setEnabled(false);
    emit ended();
}

} // namespace simtool
