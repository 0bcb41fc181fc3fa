#pragma once
// A start-up probe for the benchmark, off unless asked for. With VANTEL_REPORT_SHOWN=1 the
// program prints "shown <ms>" on standard output as soon as its window has been exposed and
// painted once (<ms>: time since main() began); with VANTEL_EXIT_AFTER_SHOWN=1 as well it
// then leaves its event loop at once, without touching the settings file.
//
// Header-only so the benchmark's minimal window reports the same moment the same way
// without linking the utility's libraries.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QTimer>
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
        if (event->type() == QEvent::Expose && watched == m_window->windowHandle() &&
            m_window->windowHandle()->isExposed())
            m_exposed = true;
        else if (event->type() == QEvent::Paint && watched == m_window && m_exposed)
            m_painted = true;
        if (m_exposed && m_painted && !m_reported) {
            m_reported = true;
            // Queued: the paint being delivered now reaches the screen before this runs.
            QTimer::singleShot(0, this, [this] {
                std::printf("shown %.3f\n", double(m_sinceMain.nsecsElapsed()) / 1e6);
                std::fflush(stdout);
                if (qEnvironmentVariableIntValue("VANTEL_EXIT_AFTER_SHOWN") == 1)
                    QCoreApplication::exit(0);
            });
        }
        return false;
    }

private:
    ShownReport(QWidget *window, const QElapsedTimer &sinceMain)
        : QObject(window), m_window(window), m_sinceMain(sinceMain)
    {
    }

    QWidget *m_window = nullptr;
    QElapsedTimer m_sinceMain;
    bool m_exposed = false;
    bool m_painted = false;
    bool m_reported = false;
};
