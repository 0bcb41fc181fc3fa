#include "app/legibility.h"

#include <QLabel>
#include <QLineEdit>

#include <cmath>

namespace legibility
{

namespace
{

double luminance(const QColor &colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

} // namespace

void keepTextLegibleOnFills(QWidget &window)
{
    // Above this luminance black text has more contrast than white.
    constexpr double kDarkTextAbove = 0.179;
    const auto widgets = window.findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        const bool box = qobject_cast<QLineEdit *>(widget) != nullptr;
        if (!box && !qobject_cast<QLabel *>(widget))
            continue;
        const QPalette::ColorRole fillRole = box ? QPalette::Base : QPalette::Window;
        const QPalette::ColorRole textRole = box ? QPalette::Text : QPalette::WindowText;
        QPalette palette = widget->palette();
        // Only fixed fills; a text colour fixed with them stays.
        if (!widget->autoFillBackground() || !palette.isBrushSet(QPalette::Active, fillRole) ||
            palette.isBrushSet(QPalette::Active, textRole))
            continue;
        palette.setColor(textRole, luminance(palette.color(fillRole)) > kDarkTextAbove
                                       ? QColor(Qt::black)
                                       : QColor(Qt::white));
        widget->setPalette(palette);
    }
}

} // namespace legibility
