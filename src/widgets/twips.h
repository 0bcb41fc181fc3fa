#pragma once
// The window is drawn in twips (1/1440 inch): 15 twips are one pixel at 96 dpi, scaled
// with the screen's logical dpi so the window keeps its proportions on a dense screen.

#include <QString>
#include <QWidget>

namespace twips
{

// The logical-dpi factor of the primary screen (1.0 at 96 dpi).
double scale();

int toPixels(int twips);

// Places a widget at left, top, width, height given in twips of its parent.
void place(QWidget *widget, int left, int top, int width, int height);

// Creates a child widget with an objectName; its caption, if any, is the caller's to set.
template <typename W> W *make(QWidget *parent, const QString &objectName)
{
    auto *widget = new W(parent);
    widget->setObjectName(objectName);
    return widget;
}

// "cmdCommand(2)": the name of element `index` of a control array.
inline QString element(const char *array, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

} // namespace twips
