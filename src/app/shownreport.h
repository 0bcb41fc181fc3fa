#pragma once
// A start-up probe for the benchmark, off unless asked for. With VANTEL_REPORT_SHOWN=1 the
// program prints "shown <ms>" on standard output as soon as its window has been exposed and
// has painted its first frame (<ms>: time since main() began); with VANTEL_EXIT_AFTER_SHOWN=1
// as well it then leaves its event loop, without touching the settings file.
//
// A widget window paints and hands its frame to the window system while it handles the
// expose event, so the probe lets the window handle it and reports straight after. Work the
// program runs after its first frame (firstframe.h) comes after the report.
//
// Header-only so the benchmark's minimal window reports the same moment the same way
// without linking the utility's libraries.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <cstdio>

class ShownReport : public QObject
{
public:
    // Call once the window has been shown (it then has a native window to watch).
    static void installFromEnvironment(QWidget *window, const QElapsedTimer &sinceMain)
    {
        if (qEnvironmentVariableIntValue("VANTEL_REPORT_SHOWN") != 1 || !window->windowHandle())
            return;
        auto *report = new ShownReport(window, sinceMain);
        window->windowHandle()->installEventFilter(report);
        window->installEventFilter(report);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        QWindow *handle = m_window->windowHandle();
        if (event->type() == QEvent::Paint && watched == m_window) {
            m_painted = true;
            return false;
        }
        if (m_reported || event->type() != QEvent::Expose || watched != handle ||
            !handle->isExposed())
            return false;
        // Handled here: the window paints and flushes, then the report goes out.
        handle->removeEventFilter(this);
        const QPointer<ShownReport> self(this); // gone if the window goes while painting
        QCoreApplication::sendEvent(watched, event);
        if (!self)
            return true;
        if (!m_painted) { // nothing drawn yet: wait for the next expose
            handle->installEventFilter(this);
            return true;
        }
        m_reported = true;
        std::printf("shown %.3f\n", double(m_sinceMain.nsecsElapsed()) / 1e6);
        std::fflush(stdout);
        if (qEnvironmentVariableIntValue("VANTEL_EXIT_AFTER_SHOWN") == 1)
            QCoreApplication::exit(0);
        return true;
    }

private:
    ShownReport(QWidget *window, const QElapsedTimer &sinceMain)
        : QObject(window), m_window(window), m_sinceMain(sinceMain)
    {
    }

    QWidget *m_window = nullptr;
    QElapsedTimer m_sinceMain;
    bool m_painted = false;
    bool m_reported = false;
};
