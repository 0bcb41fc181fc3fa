#pragma once
// SIGINT and SIGTERM close the window like the user would, so the settings are saved and
// the serial port (and its lock file) is released.

class QWidget;

void closeWindowOnTerminationSignals(QWidget *window);
