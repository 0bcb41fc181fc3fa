#include "app/firstframe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <QWindow>

namespace firstframe
{

namespace
{

// Watches the whole application, whose filters are asked before any object's, so the work
// follows whatever other watchers of the expose do (the start-up report among them).
class FirstExposeWatch : public QObject
{
public:
    FirstExposeWatch(QWidget *window, std::function<void()> work)
        : QObject(window), m_window(window), m_work(std::move(work))
    {
        QCoreApplication::instance()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Expose || !m_window || !m_window->windowHandle() ||
            watched != m_window->windowHandle() || !m_window->windowHandle()->isExposed())
            return false;
        QCoreApplication::instance()->removeEventFilter(this);
        // The window handles the expose now, painting and handing over its frame; the event
        // then counts as handled and goes no further.
        const QPointer<FirstExposeWatch> self(this); // gone if the window goes while painting
        QCoreApplication::sendEvent(watched, event);
        if (!self)
            return true;
        const std::function<void()> work = std::move(m_work);
        deleteLater();
        work();
        return true;
    }

private:
    QPointer<QWidget> m_window;
    std::function<void()> m_work;
};

} // namespace

void afterFirstFrame(QWidget *window, std::function<void()> work)
{
    new FirstExposeWatch(window, std::move(work));
}

} // namespace firstframe
