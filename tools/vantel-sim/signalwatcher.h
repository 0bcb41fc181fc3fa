#pragma once
// Turns SIGINT, SIGTERM and SIGHUP into a quit request and SIGWINCH into a resize, on the
// event loop: the handler only writes one byte into a pipe, since nothing else is safe
// inside a signal handler.

#include <QObject>
#include <QSocketNotifier>

namespace simtool
{

class SignalWatcher : public QObject
{
    Q_OBJECT

public:
    explicit SignalWatcher(QObject *parent = nullptr);
    ~SignalWatcher() override;

signals:
    void quitRequested(int signal);
    void resized();

private:
    void readPipe();

    QSocketNotifier *m_notifier = nullptr;
};

} // namespace simtool
