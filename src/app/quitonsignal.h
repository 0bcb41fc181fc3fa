#pragma once
// SIGINT and SIGTERM close the window like the user would, so the settings are saved and
// the serial port (and its lock file) is released. Where there are no Unix signals (a build
// without the POSIX library) it does nothing.

class QWidget;

void closeWindowOnTerminationSignals(QWidget *window);
