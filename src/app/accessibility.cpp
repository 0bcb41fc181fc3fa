#include "app/accessibility.h"

#include "app/frmmain.h"
#include "app/tabstripaccessible.h"
#include "app/wrappingtabbar.h"
#include "config/backlightpage.h"
#include "config/lcdsettingspage.h"
#include "graphics/bignumberspage.h"
#include "graphics/glyphcell.h"
#include "graphics/graphpage.h"
#include "io/indicator.h"
#include "text/asciiinputbox.h"
#include "text/cursorcontrolpage.h"
#include "text/textdisplaypage.h"
#include "widgets/controls.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

namespace accessibility
{

namespace
{

using controls::labelBy;

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
    // A plain top-level widget reads as a filler; the window is a frame.
    if (className == QLatin1String("frmMain"))
        return new QAccessibleWidget(widget, QAccessible::Window);
    if (auto *strip = qobject_cast<WrappingTabBar *>(widget);
        strip && className == QLatin1String("WrappingTabBar"))
        return new TabStripAccessible(strip);
    return nullptr;
}

// A label that names a control in fuller words than its caption, and becomes its buddy.
void nameByLabel(QWidget *control, QLabel *label, const QString &name = QString())
{
    if (!name.isEmpty())
        label->setAccessibleName(name);
    control->setAccessibleName(name.isEmpty() ? label->text() : name);
    labelBy(control, label);
}

void nameControls(frmMain &window)
{
    nameByLabel(window.cboComm, window.Label1);
    nameByLabel(window.cboRow, window.Label10);
    nameByLabel(window.cboColumn, window.Label11);

    TextDisplayPage &text = *window.textDisplay;
    nameByLabel(text.txtASCIIInput, text.Label3);
    for (QPushButton *button : text.cmdCustomChar)
        button->setAccessibleName(text.Label12->text() + QLatin1Char(' ') + button->text());
    // Each list stands beside the button that uses its item.
    labelBy(text.cboSpecial, text.cmdSC->text());
    labelBy(text.cboPMsg, text.cmdDisTxt->text());

    CursorControlPage &cursor = *window.cursorControl;
    nameByLabel(cursor.cboCursor, cursor.Label5);

    BacklightPage &backlight = *window.backlight;
    nameByLabel(backlight.Backlightlevel, backlight.Label6);
    backlight.Label8->setAccessibleName(QStringLiteral("Darkest"));
    backlight.Label7->setAccessibleName(QStringLiteral("Brightest"));

    GraphPage &graph = *window.graph;
    nameByLabel(graph.cboGraphWidth, graph.Label13);
    nameByLabel(graph.cboGraphHeight, graph.Label16);
    graph.cmdHGraph[0]->setAccessibleName(graph.cmdHGraph[0]->text() + QLatin1Char(' ') +
                                          graph.Label14->text());
    graph.cmdHGraph[1]->setAccessibleName(graph.cmdHGraph[1]->text() + QLatin1Char(' ') +
                                          graph.Label15->text());

    window.bigNumbers->txtBN->setAccessibleName(QStringLiteral("Number to draw"));

    LcdSettingsPage &settings = *window.lcdSettings;
    // The module's speeds, told apart from the port's "9600 bps" and "19200 bps".
    labelBy(settings.lcdbaud[0], settings.Label20);
    labelBy(settings.lcdbaud[1], settings.Label20->text());
    for (std::size_t k = 0; k < settings.txtMsg.size(); ++k)
        nameByLabel(settings.txtMsg[k], settings.lblMsg[k],
                    QStringLiteral("Message %1").arg(k + 1));
}

} // namespace

void installFactory()
{
    // Last installed is asked first, ahead of the toolkit's own factory.
    QAccessible::removeFactory(interfaceFor);
    QAccessible::installFactory(interfaceFor);
}

void install(frmMain &window)
{
    nameControls(window);
}

} // namespace accessibility
