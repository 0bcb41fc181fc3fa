#include "widgets/boxhold.h"

#include "link/pacingclock.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>

BoxHold::BoxHold(QWidget *window, seriallink::PacingClock &pacing)
    : m_window(window), m_pacing(pacing)
{
    QCoreApplication::instance()->installEventFilter(this);
}

BoxHold::~BoxHold()
{
    QCoreApplication::instance()->removeEventFilter(this);
    for (int n = 0; n < m_open.size(); ++n)
        m_pacing.release();
}

bool BoxHold::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide)
        return false;
    auto *box = qobject_cast<QMessageBox *>(watched);
    if (!box)
        return false;
    if (type == QEvent::Hide) {
        let(box);
        return false;
    }
    if (m_open.contains(box))
        return false;
    bool ours = false;
    for (QWidget *up = box->parentWidget(); up && !ours; up = up->parentWidget())
        ours = up == m_window;
    if (!ours)
        return false;
    m_open.insert(box);
    // A box deleted while still shown hides no more.
    connect(box, &QObject::destroyed, this, [this, box] { let(box); });
    m_pacing.hold();
    return false;
}

void BoxHold::let(QObject *box)
{
    if (m_open.remove(box))
        m_pacing.release();
}
