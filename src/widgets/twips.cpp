#include "widgets/twips.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace twips
{

double scale()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? dpi / 96.0 : 1.0;
}

int toPixels(int value)
{
    return static_cast<int>(std::lround(value * scale() / 15.0));
}

void place(QWidget *widget, int left, int top, int width, int height)
{
    widget->setGeometry(toPixels(left), toPixels(top), toPixels(width), toPixels(height));
}

} // namespace twips
