#include "widgets/hexmonitor.h"

#include "widgets/controls.h"

HexMonitor::HexMonitor(QWidget *parent) : QLineEdit(parent)
{
    setReadOnly(true);
    setFrame(false);
    setFocusPolicy(Qt::StrongFocus);
    controls::setFill(this, controls::fromBgr(kFillColour));
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, controls::fromBgr(kTextColour));
    colours.setColor(QPalette::Text, controls::fromBgr(kTextColour));
    setPalette(colours);
    // A long frame is read from its first byte, as a label would show it.
    connect(this, &QLineEdit::textChanged, this, [this] { setCursorPosition(0); });
}

void HexMonitor::paintEvent(QPaintEvent *event)
{
    QLineEdit::paintEvent(event);
    // Without a frame the style draws no focus; the mark shows where Tab has come.
    if (hasFocus())
        controls::paintFocusMark(this);
}

void HexMonitor::mouseDoubleClickEvent(QMouseEvent *event)
{
    QLineEdit::mouseDoubleClickEvent(event);
    emit doubleClicked();
}
