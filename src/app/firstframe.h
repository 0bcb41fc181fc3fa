#pragma once
// Work the first frame does not need, run as soon as that frame is up. Naming the device
// beside Connect may list every serial port of the system, which takes longer than building
// and drawing the whole window; a zero-time timer started in the constructor fires at the
// first turn of the event loop, before the window system has asked for the first frame, so
// the window would appear only after it.
//
// The window draws its first frame and hands it to the window system while it handles its
// first expose event. afterFirstFrame() lets that happen and runs the work straight after,
// in the same turn of the event loop, so whoever waits for the window to be exposed finds
// the work done too. An expose the window paints nothing for (one that comes before its
// contents are ready) does not count.
//
// Header-only so the benchmark's minimal window reports its first frame (shownreport.h)
// the same way without linking the utility's libraries.

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

#include <functional>
#include <utility>
#include <vector>

namespace firstframe
{

// Where a piece of work goes among those waiting for the same window.
enum class Turn { AfterOthers, BeforeOthers };

// One watch per window, holding every piece of work that waits for its first frame.
class FirstExposeWatch : public QObject
{
public:
    static FirstExposeWatch &of(QWidget *window)
    {
        for (QObject *child : window->children()) {
            auto *watch = dynamic_cast<FirstExposeWatch *>(child);
            if (watch && !watch->m_done) // a finished one waits only for its deletion
                return *watch;
        }
        return *new FirstExposeWatch(window);
    }

    void add(std::function<void()> work, Turn turn)
    {
        if (turn == Turn::BeforeOthers)
            m_work.insert(m_work.begin(), std::move(work));
        else
            m_work.push_back(std::move(work));
    }

protected:
    // On the whole application, whose filters are asked before any object's: the window's
    // own watchers of the expose have had their turn when the work runs.
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (m_handling) {
            if (event->type() == QEvent::Paint && watched == m_window)
                m_painted = true;
            return false;
        }
        if (event->type() != QEvent::Expose || !m_window || !m_window->windowHandle() ||
            watched != m_window->windowHandle() || !m_window->windowHandle()->isExposed())
            return false;
        // The window handles the expose now, painting and handing over its frame; the event
        // then counts as handled and goes no further.
        m_handling = true;
        const QPointer<FirstExposeWatch> self(this); // gone if the window goes while painting
        QCoreApplication::sendEvent(watched, event);
        if (!self)
            return true;
        m_handling = false;
        if (!m_painted) // nothing drawn yet: wait for the next expose
            return true;
        QCoreApplication::instance()->removeEventFilter(this);
        m_done = true;
        const std::vector<std::function<void()>> work = std::move(m_work);
        deleteLater();
        for (const auto &each : work)
            each();
        return true;
    }

private:
    explicit FirstExposeWatch(QWidget *window) : QObject(window), m_window(window)
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

    QPointer<QWidget> m_window;
    std::vector<std::function<void()>> m_work;
    bool m_handling = false;
    bool m_painted = false;
    bool m_done = false;
};

// Runs `work` once, right after `window` (a top-level widget) has drawn its first frame on
// being exposed. Never runs if the window is destroyed first. Pieces of work for the same
// window run in the order given, except that one asked for BeforeOthers goes first.
inline void afterFirstFrame(QWidget *window, std::function<void()> work,
                            Turn turn = Turn::AfterOthers)
{
    FirstExposeWatch::of(window).add(std::move(work), turn);
}

} // namespace firstframe
