#pragma once
// SIGINT and SIGTERM as a Qt signal on the event loop, so a run can end the way it ends on
// its own: the port flushed and closed (no lock file left behind), the status reported.
// The handler only writes one byte into a socket pair; nothing else is safe inside it.
// One instance per process.

#include <QObject>

class QSocketNotifier;

namespace script
{

class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    explicit TerminationSignals(QObject *parent = nullptr);
    ~TerminationSignals() override;

signals:
    void received(int signal);

private:
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace script
