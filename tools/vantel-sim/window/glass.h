#pragma once
// Paints DisplayDots as the glass shows them: square dots with gaps between dots and
// wider gaps between cells, lit dots dark on the panel, unlit dots a shade off the panel
// as on a real display. Every length is a whole number of pixels times a whole-number
// scale, so dots stay crisp at any zoom; nothing is smoothed.
//
// At scale 1 (pixels):
//   border 8 | dot 3, gap 1, ... 5 dots = 19 | cell gap 3 | ... 20 cells | border 8
//   453 x 149 for the 20x4 display
//
// The panel: with the backlight off, the dull grey-green of an unlit panel; on, a
// yellow-green whose brightness follows the level (0-250), from a dim glow at 0 to full
// at 250. The lit dots keep one dark colour, legible on every panel.

#include <QColor>
#include <QImage>
#include <QRect>
#include <QSize>

#include "window/displaydots.h"

class QPainter;

namespace simtool
{

struct GlassColours {
    QColor panel;
    QColor unlit;
    QColor lit;
};

GlassColours glassColours(bool backlightOn, int level);

class GlassGeometry
{
public:
    static constexpr int kDot = 3;
    static constexpr int kDotGap = 1;
    static constexpr int kCellGap = 3;
    static constexpr int kBorder = 8;
    static constexpr int kCellWidth = sim::kGlyphColumns * (kDot + kDotGap) - kDotGap;
    static constexpr int kCellHeight = proto::kGlyphRows * (kDot + kDotGap) - kDotGap;

    explicit GlassGeometry(int scale) : m_scale(scale) {}

    int scale() const { return m_scale; }
    QSize size() const;
    QRect cellRect(int row, int column) const;
    QRect dotRect(int row, int column, int dotRow, int dotColumn) const;

private:
    int m_scale;
};

// Paints the panel around the cells (the border and the gaps).
void paintPanel(QPainter &painter, const GlassGeometry &geometry, const GlassColours &colours);
void paintCell(QPainter &painter, const GlassGeometry &geometry, const GlassColours &colours,
               const DisplayDots &dots, int row, int column);
// The whole display at a scale, one pixel per pixel.
QImage paintGlass(const DisplayDots &dots, int scale);

} // namespace simtool
