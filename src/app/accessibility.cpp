#include "app/accessibility.h"

#include "app/tabstripaccessible.h"
#include "graphics/glyphcell.h"
#include "widgets/wrappingtabbar.h"

#include <QAccessible>
#include <QAccessibleWidget>

namespace accessibility
{

namespace
{

// A glyph cell reads as a check box that is checked while the pixel is on; toggling it from
// a screen reader is a click.
class GlyphCellAccessible : public QAccessibleWidget
{
public:
    explicit GlyphCellAccessible(GlyphCell *cell) : QAccessibleWidget(cell, QAccessible::CheckBox)
    {
    }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = cell()->isOn();
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{toggleAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        if (action == toggleAction() || action == pressAction())
            emit cell()->clicked();
        else
            QAccessibleWidget::doAction(action);
    }

private:
    GlyphCell *cell() const { return static_cast<GlyphCell *>(widget()); }
};

QAccessibleInterface *interfaceFor(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (auto *cell = qobject_cast<GlyphCell *>(widget);
        cell && className == QLatin1String("GlyphCell"))
        return new GlyphCellAccessible(cell);
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
