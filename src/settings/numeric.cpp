#include "settings/numeric.h"

#include <cmath>
#include <limits>

#include <QLocale>

std::optional<qint16> toInt16RoundHalfEven(const QString &text, double offset)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    // The C locale: the settings file is the same file on every desktop, whatever the
    // user's decimal separator. Its grouping comma is refused: "1,000" in a hand-edited file
    // is as likely a decimal comma as a thousands separator, and guessing wrong is worse
    // than falling back to the default.
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = locale.toDouble(trimmed, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    // nearbyint rounds a half to the even neighbour in the default rounding mode.
    const double rounded = std::nearbyint(value + offset);
    if (rounded < std::numeric_limits<qint16>::min() ||
        rounded > std::numeric_limits<qint16>::max())
        return std::nullopt;
    return static_cast<qint16>(rounded);
}
