#include "glasscheck.h"

#include "window/glass.h"

sim::Glyph glyphFromArt(const QString &art)
{
    const QStringList rows = art.split(QLatin1Char(' '));
    sim::Glyph glyph{};
    for (int row = 0; row < rows.size() && row < proto::kGlyphRows; ++row)
        for (int column = 0; column < sim::kGlyphColumns; ++column)
            if (rows[row].at(column) == QLatin1Char('#'))
                glyph[static_cast<std::size_t>(row)] |= 1 << (sim::kGlyphColumns - 1 - column);
    return glyph;
}

QString firstDotMismatch(const QImage &picture, const simtool::DisplayDots &dots, int scale)
{
    const simtool::GlassGeometry geometry(scale);
    const simtool::GlassColours colours =
        simtool::glassColours(dots.backlightOn, dots.backlightLevel);
    if (picture.size() != geometry.size())
        return QStringLiteral("picture %1x%2, expected %3x%4")
            .arg(picture.width())
            .arg(picture.height())
            .arg(geometry.size().width())
            .arg(geometry.size().height());
    if (picture.pixel(0, 0) != colours.panel.rgb())
        return QStringLiteral("panel %1, expected %2")
            .arg(picture.pixelColor(0, 0).name(), colours.panel.name());
    for (int row = 0; row < proto::kRows; ++row) {
        for (int column = 0; column < proto::kColumns; ++column) {
            for (int dotRow = 0; dotRow < proto::kGlyphRows; ++dotRow) {
                for (int dotColumn = 0; dotColumn < sim::kGlyphColumns; ++dotColumn) {
                    const QRect dot = geometry.dotRect(row, column, dotRow, dotColumn);
                    const bool lit = dots.lit(row, column, dotRow, dotColumn);
                    const QColor wanted = lit ? colours.lit : colours.unlit;
                    // The centre, and the corners: a dot is one solid square.
                    for (const QPoint at : {dot.center(), dot.topLeft(), dot.bottomRight()}) {
                        if (picture.pixel(at) != wanted.rgb())
                            return QStringLiteral("cell %1,%2 dot %3,%4 at %5,%6: %7, expected %8")
                                .arg(row)
                                .arg(column)
                                .arg(dotRow)
                                .arg(dotColumn)
                                .arg(at.x())
                                .arg(at.y())
                                .arg(picture.pixelColor(at).name(), wanted.name());
                    }
                    // Sharp edges: the gap beside a dot is the panel's.
                    const QPoint gap(dot.right() + 1, dot.center().y());
                    if (dotColumn + 1 < sim::kGlyphColumns &&
                        picture.pixel(gap) != colours.panel.rgb())
                        return QStringLiteral("cell %1,%2: the gap right of dot %3,%4 is %5")
                            .arg(row)
                            .arg(column)
                            .arg(dotRow)
                            .arg(dotColumn)
                            .arg(picture.pixelColor(gap).name());
                }
            }
        }
    }
    return {};
}
