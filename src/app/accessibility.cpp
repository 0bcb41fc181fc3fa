#include "app/accessibility.h"

#include "app/tabstripaccessible.h"
#include "widgets/wrappingtabbar.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace accessibility
{

namespace
{

QAccessibleInterface *interfaceFor(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    // The indicators are frames, which would read as a border; they show a state in words.
    if (className == QLatin1String("Indicator"))
        return new QAccessibleWidget(widget, QAccessible::StaticText);
    // Qt 6.4: a plain top-level QWidget reads as a filler (Client); the window is a frame.
    if (className == QLatin1String("frmMain"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (auto *strip = qobject_cast<WrappingTabBar *>(widget);
        strip && className == QLatin1String("WrappingTabBar"))
        return new TabStripAccessible(strip);
    return nullptr;
}

} // namespace

void installFactory()
{
    // Last installed is asked first, ahead of the toolkit's own factory.
    QAccessible::removeFactory(interfaceFor);
    QAccessible::installFactory(interfaceFor);
}

} // namespace accessibility
