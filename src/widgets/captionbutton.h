#pragma once
// A push button whose caption wraps onto several lines when it is wider than the button,
// as the window's long captions ("Load Custom Characters Bitmap") need. text() stays the
// caption exactly as given.

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
};
