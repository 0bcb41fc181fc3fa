#pragma once
// A push button whose caption wraps onto several lines when it is wider than the button,
// as the window's long captions ("Load Custom Characters Bitmap") need. text() stays the
// caption exactly as given.
//
// Enter (and the keypad's Enter) presses it as Space does: outside a dialog a push button
// would ignore Enter, and the window has no dialog's default button to give it to.

#include <QPushButton>

class CaptionButton : public QPushButton
{
    Q_OBJECT
public:
    using QPushButton::QPushButton;

    // The rectangle inside the button that the caption may use.
    QRect captionRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
};
