#pragma once
// Ctrl+C, Ctrl+Break and the console window's close button delivered on the event loop, so
// a console program ends the way it ends on its own: a command flushes and closes its
// port, which another program can then open (Windows lets one program at a time have it).
//
// Windows calls the handler on a thread of its own; it only posts the event to the
// watcher's thread. For Ctrl+C and Ctrl+Break the program then goes on by itself. Closing
// the console, logging off and shutting down end the process as soon as the handler
// returns, so for those the handler waits (at most the five seconds Windows gives) until
// the watcher is destroyed, which main() does once the program is done. One watcher per
// process; destroying it takes the handler away again.

#include <QObject>

class ConsoleControlWatcher : public QObject
{
    Q_OBJECT
public:
    explicit ConsoleControlWatcher(QObject *parent = nullptr);
    ~ConsoleControlWatcher() override;

    bool isWatching() const { return m_watching; }

signals:
    void received();

private:
    bool m_watching = false;
};
