#include "window/glass.h"

#include <QPainter>
#include <QRegion>

#include <algorithm>

namespace simtool
{

namespace
{

const QColor kUnlitPanel(0x76, 0x80, 0x5C);
const QColor kBacklight(0xB8, 0xE0, 0x3C);
const QColor kLitDot(0x1C, 0x24, 0x14);
constexpr double kDimmestGlow = 0.3; // level 0: this share of the way to full light

QColor mix(const QColor &from, const QColor &to, double share)
{
    const auto channel = [share](int a, int b) {
        return static_cast<int>(a + (b - a) * share + 0.5);
    };
    return QColor(channel(from.red(), to.red()), channel(from.green(), to.green()),
                  channel(from.blue(), to.blue()));
}

} // namespace

GlassColours glassColours(bool backlightOn, int level)
{
    GlassColours colours;
    if (backlightOn) {
        const double light = std::clamp(level, 0, proto::kMaxBacklightLevel) /
                             static_cast<double>(proto::kMaxBacklightLevel);
        colours.panel = mix(kUnlitPanel, kBacklight, kDimmestGlow + (1 - kDimmestGlow) * light);
    } else {
        colours.panel = kUnlitPanel;
    }
    colours.unlit = colours.panel.darker(108);
    colours.lit = kLitDot;
    // Eight bits a channel, as the picture holds them.
    for (QColor *colour : {&colours.panel, &colours.unlit, &colours.lit})
        *colour = QColor::fromRgb(colour->rgb());
    return colours;
}

QSize GlassGeometry::size() const
{
    const int width = 2 * kBorder + proto::kColumns * kCellWidth + (proto::kColumns - 1) * kCellGap;
    const int height = 2 * kBorder + proto::kRows * kCellHeight + (proto::kRows - 1) * kCellGap;
    return QSize(width, height) * m_scale;
}

QRect GlassGeometry::cellRect(int row, int column) const
{
    const int left = kBorder + column * (kCellWidth + kCellGap);
    const int top = kBorder + row * (kCellHeight + kCellGap);
    return QRect(left * m_scale, top * m_scale, kCellWidth * m_scale, kCellHeight * m_scale);
}

QRect GlassGeometry::dotRect(int row, int column, int dotRow, int dotColumn) const
{
    const QRect cell = cellRect(row, column);
    const int pitch = (kDot + kDotGap) * m_scale;
    return QRect(cell.left() + dotColumn * pitch, cell.top() + dotRow * pitch, kDot * m_scale,
                 kDot * m_scale);
}

void paintPanel(QPainter &painter, const GlassGeometry &geometry, const GlassColours &colours)
{
    QRegion panel(QRect(QPoint(0, 0), geometry.size()));
    for (int row = 0; row < proto::kRows; ++row)
        for (int column = 0; column < proto::kColumns; ++column)
            panel -= geometry.cellRect(row, column);
    for (const QRect &rect : panel)
        painter.fillRect(rect, colours.panel);
}

void paintCell(QPainter &painter, const GlassGeometry &geometry, const GlassColours &colours,
               const DisplayDots &dots, int row, int column)
{
    // The gaps between the dots first, then each dot over them.
    painter.fillRect(geometry.cellRect(row, column), colours.panel);
    for (int dotRow = 0; dotRow < proto::kGlyphRows; ++dotRow)
        for (int dotColumn = 0; dotColumn < sim::kGlyphColumns; ++dotColumn)
            painter.fillRect(geometry.dotRect(row, column, dotRow, dotColumn),
                             dots.lit(row, column, dotRow, dotColumn) ? colours.lit
                                                                      : colours.unlit);
}

QImage paintGlass(const DisplayDots &dots, int scale)
{
    const GlassGeometry geometry(scale);
    const GlassColours colours = glassColours(dots.backlightOn, dots.backlightLevel);
    QImage image(geometry.size(), QImage::Format_RGB32);
    QPainter painter(&image);
    paintPanel(painter, geometry, colours);
    for (int row = 0; row < proto::kRows; ++row)
        for (int column = 0; column < proto::kColumns; ++column)
            paintCell(painter, geometry, colours, dots, row, column);
    return image;
}

} // namespace simtool
