#include "app/windowfont.h"

#include <QFontDatabase>
#include <QStringList>

namespace
{

constexpr double kPointSize = 8.25;

} // namespace

QFont windowFont()
{
    const QStringList families = QFontDatabase::families();
    const QString tahoma = QStringLiteral("Tahoma");
    const QString dejaVu = QStringLiteral("DejaVu Sans");
    const QString dejaVuCondensed = QStringLiteral("DejaVu Sans Condensed");
    QFont font;
    if (families.contains(tahoma)) {
        font = QFont(tahoma);
    } else if (families.contains(dejaVu)) {
        font = QFont(dejaVu);
        // Asked for only when the real face exists; otherwise the toolkit would squeeze
        // the regular glyphs, which reads worse than the wider text. Depending on the
        // system the face is a style of DejaVu Sans or a family of its own.
        if (QFontDatabase::styles(dejaVu).contains(QStringLiteral("Condensed")))
            font.setStretch(QFont::SemiCondensed);
        else if (families.contains(dejaVuCondensed))
            font = QFont(dejaVuCondensed);
    } else {
        font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    }
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(kPointSize);
    return font;
}
