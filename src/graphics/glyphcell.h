#pragma once
// One pixel of the glyph editor: a small square, light green while off and black while on.
// It knows where it stands (row 1..8 from the top, column 1..5 from the left), its weight in
// the row's value (16, 8, 4, 2, 1 from the left) and whether it is on; it tells a screen
// reader all of that ("Row 2, column 1: on", described as "0x10") and draws its own focus.
//
// A click, Space or Enter asks for a toggle (clicked()); the page decides what a toggle does
// to its row value and calls setOn.

#include <QFrame>

class GlyphCell : public QFrame
{
    Q_OBJECT
public:
    static constexpr unsigned kOffColour = 0x80FF80; // light green, 0x00BBGGRR
    static constexpr unsigned kOnColour = 0x000000;  // black

    GlyphCell(int row, int column, int weight, QWidget *parent = nullptr);

    int row() const { return m_row; }
    int column() const { return m_column; }
    bool isOn() const { return m_on; }
    void setOn(bool on);

signals:
    void clicked();
    // The cell took the keyboard focus (by click, Tab or the arrow keys).
    void focused();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showState();

    int m_row;
    int m_column;
    bool m_on = false;
};
