#include "app/quitonsignal.h"

#include <QWidget>

#ifdef VANTEL_HAVE_POSIX
#include <csignal>

#include "posix/signalwatcher.h"
#endif

void closeWindowOnTerminationSignals(QWidget *window)
{
#ifdef VANTEL_HAVE_POSIX
    auto *watcher = new SignalWatcher({SIGINT, SIGTERM}, window);
    QObject::connect(watcher, &SignalWatcher::received, window, &QWidget::close);
#else
    // Without Unix signals the window ends only as the user closes it.
    Q_UNUSED(window);
#endif
}
