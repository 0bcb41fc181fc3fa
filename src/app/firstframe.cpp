#include "app/firstframe.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>

namespace firstframe
{

namespace
{

class FirstPaintWatch : public QObject
{
public:
    FirstPaintWatch(QWidget *window, std::function<void()> work)
        : QObject(window), m_window(window), m_work(std::move(work))
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_window && event->type() == QEvent::Paint && m_work) {
            m_window->removeEventFilter(this);
            // Queued: the paint being delivered now is flushed to the screen first.
            QTimer::singleShot(0, m_window, std::move(m_work));
            m_work = nullptr;
            deleteLater();
        }
        return false;
    }

private:
    QWidget *m_window;
    std::function<void()> m_work;
};

} // namespace

void afterFirstFrame(QWidget *window, std::function<void()> work)
{
    new FirstPaintWatch(window, std::move(work));
}

} // namespace firstframe
