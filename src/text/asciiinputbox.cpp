#include "text/asciiinputbox.h"

#include "encoding/win1252.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace
{
constexpr int kDelete = 127;
}

AsciiInputBox::AsciiInputBox(QWidget *parent) : QLineEdit(parent)
{
    setMaxLength(1);
    setContextMenuPolicy(Qt::NoContextMenu);
    setAcceptDrops(false);
}

void AsciiInputBox::keyPressEvent(QKeyEvent *event)
{
    // Ctrl+letter is a control character (Ctrl+V is 22) whatever text the platform attaches
    // to it; Ctrl+Alt is AltGr on some keyboards and types real characters.
    const auto modifiers = event->modifiers();
    const bool controlChord = (modifiers & Qt::ControlModifier) && !(modifiers & Qt::AltModifier);
    if (controlChord || event->matches(QKeySequence::Paste) || event->matches(QKeySequence::Cut)) {
        clear();
        if (event->key() >= Qt::Key_A && event->key() <= Qt::Key_Z)
            emit KeyPress(event->key() - Qt::Key_A + 1);
        else if (controlChord && event->key() == Qt::Key_Backspace)
            emit KeyPress(kDelete); // the keyboard's one way to type DEL, as on Windows
        event->accept();
        return;
    }
    const QString text = event->text();
    // X11 attaches DEL to the Delete key, but Delete edits; it types no character, or every
    // press meant to tidy the box would put a symbol on the display.
    if (text.isEmpty() || event->key() == Qt::Key_Delete) {
        // Arrows, function keys, modifiers: no character, nothing to send.
        QLineEdit::keyPressEvent(event);
        return;
    }
    type(text);
    event->accept();
}

void AsciiInputBox::inputMethodEvent(QInputMethodEvent *event)
{
    // The committed text is typed; the box inserts none of it itself (it would refuse a
    // second character, and insert without sending into an empty box).
    type(event->commitString());
    // A composition in progress is only shown, as any input method shows it.
    QInputMethodEvent composing(event->preeditString(), event->attributes());
    QLineEdit::inputMethodEvent(&composing);
    event->accept();
}

void AsciiInputBox::type(const QString &text)
{
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
