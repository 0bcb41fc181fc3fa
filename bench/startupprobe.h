#pragma once
// Start-up of a separate program to its first shown window: the program is started with
// VANTEL_REPORT_SHOWN=1 and VANTEL_EXIT_AFTER_SHOWN=1, the time runs from just before the
// process is created until its "shown" line arrives, and the peak resident memory comes
// from the rusage wait4() hands back when it exits.

#include <QString>
#include <QStringList>

struct StartupSample {
    bool ok = false;
    double shownMs = 0; // process creation to first shown window
    double peakRssMiB = 0;
    double cpuMs = 0; // user and system time of the whole run, exit included
    QString error;
};

// `environment`: NAME=value entries added to (and overriding) this process's environment.
StartupSample measureStartup(const QString &program, const QStringList &environment,
                             int timeoutMs = 20000);
