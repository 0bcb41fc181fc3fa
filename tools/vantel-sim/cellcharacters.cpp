#include "cellcharacters.h"

#include <QStringList>

#include <algorithm>

#include "encoding/win1252.h"
#include "sim/bargraph.h"

namespace simtool
{

namespace
{

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
    // The bars' own glyphs (bargraph.h), exactly.
    static const sim::GlyphTable kHorizontal = sim::horizontalBarGlyphs();
    static const QString kLeft = QStringLiteral("▎▍▋▊"); // 2, 3, 5, 6 eighths for 1-4 dots
    for (int lit = 1; lit < sim::kGlyphColumns; ++lit) {
        if (glyph == kHorizontal[static_cast<std::size_t>(sim::kHorizontalFromLeftSlot + lit - 1)])
            return kLeft.mid(lit - 1, 1);
        if (glyph == kHorizontal[static_cast<std::size_t>(sim::kHorizontalFromRightSlot + lit - 1)])
            return lit <= 2 ? QStringLiteral("▕") : QStringLiteral("▐");
    }
    static const sim::GlyphTable kVertical = sim::verticalBarGlyphs();
    for (int lit = 1; lit < proto::kGlyphRows; ++lit) {
        if (glyph == kVertical[static_cast<std::size_t>(sim::kVerticalFromBottomSlot + lit - 1)])
            return QStringLiteral("▁▂▃▄▅▆▇").mid(lit - 1, 1);
    }
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
