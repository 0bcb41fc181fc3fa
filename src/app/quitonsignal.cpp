#include "app/quitonsignal.h"

#include "link/signalwatcher.h"

#include <QWidget>

#include <csignal>

void closeWindowOnTerminationSignals(QWidget *window)
{
    auto *watcher = new SignalWatcher({SIGINT, SIGTERM}, window);
    QObject::connect(watcher, &SignalWatcher::received, window, &QWidget::close);
}
