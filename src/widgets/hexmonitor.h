#pragma once
// A hex monitor line: the bytes last sent or received, as "FE 0B " in dark blue on light
// yellow. It is a read-only text field rather than a label so that Tab reaches it and a screen
// reader can read its bytes as text (a label's text only reaches one as its name); the caption
// beside it names it through a label relation. Every new text is announced to assistive
// technology as a text change, so a listener hears bytes arrive without moving there.

#include <QLineEdit>

class HexMonitor : public QLineEdit
{
    Q_OBJECT
public:
    static constexpr unsigned kFillColour = 0xC0FFFF; // light yellow, 0x00BBGGRR
    static constexpr unsigned kTextColour = 0xC00000; // dark blue

    explicit HexMonitor(QWidget *parent = nullptr);

signals:
    // The window opens its line log on it: the whole history behind this one line.
    void doubleClicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
};
