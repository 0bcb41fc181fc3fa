#pragma once
// A start-up probe for the benchmark, off unless asked for. With VANTEL_REPORT_SHOWN=1 the
// program prints "shown <ms>" on standard output as soon as its window has been exposed and
// has painted its first frame (<ms>: time since main() began); with VANTEL_EXIT_AFTER_SHOWN=1
// as well it then leaves its event loop, without touching the settings file.
//
// The report is the first thing run after the first frame (firstframe.h): other work waiting
// for that frame comes after it. Header-only so the benchmark's minimal window reports the
// same moment the same way without linking the utility's libraries.

#include "app/firstframe.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

namespace shownreport
{

inline void installFromEnvironment(QWidget *window, const QElapsedTimer &sinceMain)
{
    if (qEnvironmentVariableIntValue("VANTEL_REPORT_SHOWN") != 1)
        return;
    firstframe::afterFirstFrame(
        window,
        [sinceMain] {
            std::printf("shown %.3f\n", double(sinceMain.nsecsElapsed()) / 1e6);
            std::fflush(stdout);
            if (qEnvironmentVariableIntValue("VANTEL_EXIT_AFTER_SHOWN") == 1)
                QCoreApplication::exit(0);
        },
        firstframe::Turn::BeforeOthers);
}

} // namespace shownreport
