#include "graphics/glyphcell.h"

#include "widgets/controls.h"

#include <QFrame>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFrame>

GlyphCell::GlyphCell(int row, int column, int weight, QWidget *parent)
    : QAbstractButton(parent), m_row(row), m_column(column)
{
    setCheckable(true);
    // The fill is the window colour of the cell's palette, as for the page's other squares.
    setBackgroundRole(QPalette::Window);
    setCursor(Qt::PointingHandCursor);
    // The weight as the row labels write it: the leftmost cell adds 0x10 to its row.
    setAccessibleDescription(QStringLiteral("0x") +
                             QStringLiteral("%1").arg(weight, 2, 16, QLatin1Char('0')).toUpper());
    connect(this, &QAbstractButton::toggled, this, &GlyphCell::showState);
    showState(false);
}

void GlyphCell::showState(bool on)
{
    controls::setFill(this, controls::fromBgr(on ? kOnColour : kOffColour));
    setAccessibleName(QStringLiteral("Row %1, column %2: %3")
                          .arg(m_row)
                          .arg(m_column)
                          .arg(on ? QStringLiteral("on") : QStringLiteral("off")));
}

void GlyphCell::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!plain)
            break;
        // One press, one toggle: a held Enter must not flicker the cell.
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End:
        // Not the button's own move to the next control: the page moves across the grid.
        event->ignore();
        return;
    default:
        break;
    }
    QAbstractButton::keyPressEvent(event);
}

void GlyphCell::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    emit focused();
}

void GlyphCell::paintEvent(QPaintEvent *)
{
    // A one-pixel box in the text colour around the fill, as a plain framed square draws it.
    QPainter painter(this);
    QStyleOptionFrame frame;
    frame.initFrom(this);
    frame.frameShape = QFrame::Box;
    frame.lineWidth = 1;
    frame.midLineWidth = 0;
    style()->drawControl(QStyle::CE_ShapedFrame, &frame, &painter, this);
    painter.end();
    // On a black cell the style's focus rectangle would vanish; the mark goes over the fill.
    if (hasFocus())
        controls::paintFocusMark(this);
}
