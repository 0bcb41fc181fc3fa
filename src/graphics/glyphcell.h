#pragma once
// One pixel of the glyph editor: a checkable button drawn as a small square, light green
// while off and black while on. It knows where it stands (row 1..8 from the top, column
// 1..5 from the left) and its weight in the row's value (16, 8, 4, 2, 1 from the left);
// a screen reader hears all of that ("Row 2, column 1: on", described as "0x10") and meets
// it as a check box. The square draws its own focus mark, which the style's would not show
// on black.
//
// A click, Space, Enter or a screen reader's toggle turns the pixel on or off (toggled()),
// and the page keeps its row value with it. The arrow keys, Home and End are left to the
// page, which moves across the grid.

#include <QAbstractButton>

class GlyphCell : public QAbstractButton
{
    Q_OBJECT
public:
    static constexpr unsigned kOffColour = 0x80FF80; // light green, 0x00BBGGRR
    static constexpr unsigned kOnColour = 0x000000;  // black

    GlyphCell(int row, int column, int weight, QWidget *parent = nullptr);

    int row() const { return m_row; }
    int column() const { return m_column; }

signals:
    // The cell took the keyboard focus (by click, Tab or the arrow keys).
    void focused();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showState(bool on);

    int m_row;
    int m_column;
};
