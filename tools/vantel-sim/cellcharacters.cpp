#include "cellcharacters.h"

#include <QStringList>

#include <algorithm>

#include "encoding/win1252.h"

namespace simtool
{

namespace
{

bool allRowsEqual(const sim::Glyph &glyph)
{
    return std::all_of(glyph.begin(), glyph.end(), [&](std::uint8_t r) { return r == glyph[0]; });
}

// Lit columns from the left (1-4) or from the right (-1 to -4) of a uniform row, else 0.
int edgeFill(std::uint8_t row)
{
    for (int lit = 1; lit < sim::kGlyphColumns; ++lit) {
        const int right = (1 << lit) - 1;
        if (row == right)
            return -lit;
        if (row == ((right << (sim::kGlyphColumns - lit)) & sim::kGlyphRowMask))
            return lit;
    }
    return 0;
}

// Full rows lit from the bottom (1-7), else 0.
int bottomFill(const sim::Glyph &glyph)
{
    int lit = 0;
    while (lit < proto::kGlyphRows &&
           glyph[static_cast<std::size_t>(7 - lit)] == sim::kGlyphRowMask)
        ++lit;
    for (int row = 0; row < proto::kGlyphRows - lit; ++row)
        if (glyph[static_cast<std::size_t>(row)] != 0)
            return 0;
    return lit;
}

QString quadrants(const sim::Glyph &glyph)
{
    // Quarter order: top left, top right, bottom left, bottom right; the middle column
    // counts for both halves.
    static const QString kQuadrants = QStringLiteral(" ▘▝▀▖▌▞▛▗▚▐▜▄▙▟█");
    int mask = 0;
    for (int quarter = 0; quarter < 4; ++quarter) {
        const int firstRow = quarter < 2 ? 0 : 4;
        const int firstColumn = quarter % 2 == 0 ? 0 : 2;
        int lit = 0;
        for (int r = firstRow; r < firstRow + 4; ++r)
            for (int c = firstColumn; c < firstColumn + 3; ++c)
                lit += sim::dotLit(glyph, r, c);
        if (lit * 3 >= 12) // a third of the quarter's twelve dots
            mask |= 1 << quarter;
    }
    return mask == 0 ? QStringLiteral("·") : kQuadrants.mid(mask, 1);
}

} // namespace

QString blockFor(const sim::Glyph &glyph)
{
    if (std::all_of(glyph.begin(), glyph.end(), [](std::uint8_t r) { return r == 0; }))
        return QStringLiteral(" ");
    if (std::all_of(glyph.begin(), glyph.end(),
                    [](std::uint8_t r) { return r == sim::kGlyphRowMask; }))
        return QStringLiteral("█");
    if (allRowsEqual(glyph)) {
        static const QString kLeft = QStringLiteral("▎▍▋▊"); // 2, 3, 5, 6 eighths for 1-4 dots
        const int fill = edgeFill(glyph[0]);
        if (fill > 0)
            return kLeft.mid(fill - 1, 1);
        if (fill < 0)
            return fill >= -2 ? QStringLiteral("▕") : QStringLiteral("▐");
    }
    if (const int lit = bottomFill(glyph); lit > 0)
        return QStringLiteral("▁▂▃▄▅▆▇").mid(lit - 1, 1);
    return quadrants(glyph);
}

QString cellText(std::uint8_t code, const sim::GlyphTable &glyphs)
{
    if (code <= proto::kLastCustomChar)
        return blockFor(glyphs[code]);
    if (code == sim::kSolidBlock)
        return QStringLiteral("█");
    if (code < proto::kFirstTypedChar || code == 0x7F)
        return QStringLiteral(" ");
    const QChar shown(win1252::decode(code));
    return shown.isPrint() ? QString(shown) : QStringLiteral("?");
}

QStringList dotArt(const sim::Glyph &glyph)
{
    QStringList lines;
    for (int pair = 0; pair < proto::kGlyphRows / 2; ++pair) {
        QString line;
        for (int c = 0; c < sim::kGlyphColumns; ++c) {
            const bool upper = sim::dotLit(glyph, 2 * pair, c);
            const bool lower = sim::dotLit(glyph, 2 * pair + 1, c);
            line += upper && lower ? QStringLiteral("█")
                    : upper        ? QStringLiteral("▀")
                    : lower        ? QStringLiteral("▄")
                                   : QStringLiteral("·");
        }
        lines << line;
    }
    return lines;
}

} // namespace simtool
