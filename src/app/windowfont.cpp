#include "app/windowfont.h"

#include <QFontDatabase>
#include <QStringList>

QFont windowFont()
{
    constexpr double kPointSize = 8.25;
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma"))) {
        QFont tahoma(QStringLiteral("Tahoma"));
        tahoma.setPointSizeF(kPointSize);
        return tahoma;
    }
    QFont fallback = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    fallback.setStyleHint(QFont::SansSerif);
    fallback.setPointSizeF(kPointSize);
    return fallback;
}
