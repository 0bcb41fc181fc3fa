#pragma once
// Unix signals delivered on the event loop, so a program can end the way it ends on its own:
// the window closes as the user closes it (saving its settings), a command flushes and
// closes its port. Closing the port is what removes its lock file; a program killed with
// the port open leaves the file behind.
//
// The handler only writes the signal's number into a socket pair and leaves errno as it
// found it: nothing else is safe inside a signal handler. The pair is non-blocking, so a
// burst of signals that fills it loses signals rather than hanging the handler. One watcher
// per process (a second one watches nothing); destroying it restores the default actions.

#include <initializer_list>
#include <vector>

#include <QObject>

class QSocketNotifier;

class SignalWatcher : public QObject
{
    Q_OBJECT
public:
    explicit SignalWatcher(std::initializer_list<int> watched, QObject *parent = nullptr);
    ~SignalWatcher() override;

    bool isWatching() const { return m_notifier != nullptr; }

signals:
    void received(int signalNumber);

private:
    void readPipe();

    std::vector<int> m_watched;
    QSocketNotifier *m_notifier = nullptr;
};
