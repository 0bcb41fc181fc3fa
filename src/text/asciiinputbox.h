#pragma once
// The typed-text box: every key press that produces a character is offered to the window
// before the box inserts it, so each character can go to the module as one byte.
//
// The box clears itself on every key press and then shows the character just typed;
// control characters (Enter, Backspace, Escape, Ctrl+letters) are dropped and leave it
// empty. Characters composed with a dead key, the compose key or an input method arrive as
// one committed text rather than as key presses; each of its characters goes the same way
// as a typed one, and a composition still in progress sends nothing. Ctrl+Backspace types DEL
// (127), a character the module shows; the Delete key only edits the box. Pasting sends nothing:
// the paste key is a control character, and the context menu, drag and drop and the middle-button
// paste are switched off.

#include <QLineEdit>

class AsciiInputBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit AsciiInputBox(QWidget *parent = nullptr);

signals:
    // The Windows-1252 code of a typed character, 0..255 (control characters included).
    void KeyPress(int code);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    // Offers each character in turn; the box ends showing the last one that has a code of 32
    // or more, or empty when the last has none.
    void type(const QString &text);
};
