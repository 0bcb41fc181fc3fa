#pragma once
// Tells when another process ends, so the virtual module can close together with the
// utility started beside it (--exit-with). Linux hands out a descriptor for a process that
// turns readable when the process ends, zombie or not; where that is missing, the process
// is looked for twice a second instead.

#include <QObject>
#include <QTimer>

#include <sys/types.h>

class QSocketNotifier;

namespace simtool
{

class ProcessWatcher : public QObject
{
    Q_OBJECT

public:
    explicit ProcessWatcher(QObject *parent = nullptr);
    ~ProcessWatcher() override;

    // Starts watching; a process that is already gone is reported from the event loop.
    void watch(pid_t pid);

signals:
    void ended();

private:
    void report();

    int m_pidfd = -1;
    pid_t m_pid = 0;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_poll;
};

} // namespace simtool
