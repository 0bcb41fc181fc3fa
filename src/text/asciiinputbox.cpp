#include "text/asciiinputbox.h"

#include "text/win1252.h"

#include <QKeyEvent>
#include <QMouseEvent>

AsciiInputBox::AsciiInputBox(QWidget *parent) : QLineEdit(parent)
{
    setMaxLength(1);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
}

void AsciiInputBox::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    if (text.isEmpty()) {
        // Arrows, function keys, modifiers: no character, nothing to send. Paste and cut
        // shortcuts without a character code on this platform are refused as well.
        if (event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
            clear();
            return;
        }
        QLineEdit::keyPressEvent(event);
        return;
    }
    for (char32_t character : text.toUcs4()) {
        clear();
        const auto code = win1252::encode(character);
        if (!code) {
            // Nothing the module could show: not sent, and the box stays empty so the user
            // does not mistake it for a sent character.
            continue;
        }
        emit KeyPress(*code);
        if (*code > 31)
            setText(QString::fromUcs4(&character, 1));
    }
    event->accept();
}

void AsciiInputBox::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mousePressEvent(event);
}

void AsciiInputBox::mouseReleaseEvent(QMouseEvent *event)
{
    // X11 pastes the selection on a middle click: not a key press, so nothing is sent.
    if (event->button() == Qt::MiddleButton) {
        event->accept();
        return;
    }
    QLineEdit::mouseReleaseEvent(event);
}
