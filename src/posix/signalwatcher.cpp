#include "posix/signalwatcher.h"

#include <QPointer>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace
{

int g_pipe[2] = {-1, -1};

void onSignal(int signalNumber)
{
    // The write may set errno, which the interrupted code could be about to read.
    const int saved = errno;
    const char byte = static_cast<char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

SignalWatcher::SignalWatcher(std::initializer_list<int> watched, QObject *parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, g_pipe) != 0)
        return;
    m_watched = watched;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readPipe);
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signalNumber : m_watched)
        ::sigaction(signalNumber, &action, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    if (!m_notifier)
        return;
    for (int signalNumber : m_watched)
        std::signal(signalNumber, SIG_DFL);
    m_notifier->setEnabled(false);
    for (int &fd : g_pipe) {
        ::close(fd);
        fd = -1;
    }
}

void SignalWatcher::readPipe()
{
    char bytes[64];
    const ssize_t count = ::read(g_pipe[0], bytes, sizeof bytes);
    // Whoever handles a signal may end the program and this watcher with it.
    const QPointer<SignalWatcher> alive(this);
    for (ssize_t i = 0; i < count && alive; ++i)
        emit received(static_cast<unsigned char>(bytes[i]));
}
