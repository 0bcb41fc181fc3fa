#include "graphics/glyphcell.h"

#include "widgets/controls.h"

#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>

GlyphCell::GlyphCell(int row, int column, int weight, QWidget *parent)
    : QFrame(parent), m_row(row), m_column(column)
{
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::PointingHandCursor);
    // The weight as the row labels write it: the leftmost cell adds 0x10 to its row.
    setAccessibleDescription(QStringLiteral("0x") +
                             QStringLiteral("%1").arg(weight, 2, 16, QLatin1Char('0')).toUpper());
    showState();
}

void GlyphCell::setOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    showState();
    QAccessible::State changed;
    changed.checked = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

void GlyphCell::showState()
{
    controls::setFill(this, controls::fromBgr(m_on ? kOnColour : kOffColour));
    setAccessibleName(QStringLiteral("Row %1, column %2: %3")
                          .arg(m_row)
                          .arg(m_column)
                          .arg(m_on ? QStringLiteral("on") : QStringLiteral("off")));
}

void GlyphCell::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QFrame::mouseReleaseEvent(event);
}

void GlyphCell::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return ||
                  event->key() == Qt::Key_Enter)) {
        emit clicked();
        return;
    }
    // Arrows, Home and End go on to the page, which moves the focus across the grid.
    QFrame::keyPressEvent(event);
}

void GlyphCell::focusInEvent(QFocusEvent *event)
{
    QFrame::focusInEvent(event);
    emit focused();
}

void GlyphCell::paintEvent(QPaintEvent *event)
{
    QFrame::paintEvent(event);
    // On a black cell the style's focus rectangle would vanish; the mark goes over the fill.
    if (hasFocus())
        controls::paintFocusMark(this);
}
