#include "app/accessibility.h"

#include "app/frmmain.h"
#include "graphics/customcharacterspage.h"
#include "io/inputsoutputspage.h"
#include "widgets/controls.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QEvent>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace accessibility
{

namespace
{

using controls::fill;
using controls::toBgr;

const QRegularExpression kIndicatorName(QStringLiteral("^(Shape1|key)\\((\\d+)\\)$"));
const QRegularExpression kCellName(QStringLiteral("^bitmapr(\\d+)\\((\\d+)\\)$"));

// Controls named after the label that stands beside them. The label becomes their buddy as
// well: on Linux a list box reads its current item as its name and takes what it is from
// the label that points at it.
struct LabelledBy {
    const char *control;
    const char *label;
};
constexpr LabelledBy kLabelledBy[] = {
    {"cboComm", "Label1"},         {"lblTxData", "Label2"},      {"lblRxData", "Label4"},
    {"cboRow", "Label10"},         {"cboColumn", "Label11"},     {"txtASCIIInput", "Label3"},
    {"cboCursor", "Label5"},       {"Backlightlevel", "Label6"}, {"cboGraphWidth", "Label13"},
    {"cboGraphHeight", "Label16"}, {"cboUCH", "Label17"},
};

// Captions that say too little aloud, and controls no label names. A list among these
// also carries its name as its description, since its name is its current item.
struct Named {
    const char *widget;
    const char *name;
};
constexpr Named kNamed[] = {
    {"Label17", "Custom character position"},
    {"Label8", "Darkest"},
    {"Label7", "Brightest"},
    {"cboSpecial", "Special character"},
    {"cboPMsg", "Predefined message number"},
    {"cbogpio", "P2 mode"},
    {"txtBN", "Number to draw"},
};

bool isOn(const QWidget *cell)
{
    return toBgr(fill(cell)) == CustomCharactersPage::kOnColour;
}

// A glyph cell reads as a check box that is checked while the pixel is on.
class GlyphCellAccessible : public QAccessibleWidget
{
public:
    explicit GlyphCellAccessible(QWidget *cell) : QAccessibleWidget(cell, QAccessible::CheckBox) {}

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = isOn(widget());
        return state;
    }

    QStringList actionNames() const override
    {
        return QStringList{toggleAction(), pressAction()} + QAccessibleWidget::actionNames();
    }

    void doAction(const QString &action) override
    {
        // Toggling from a screen reader is the same as a click.
        if (action == toggleAction() || action == pressAction())
            QMetaObject::invokeMethod(widget(), "clicked");
        else
            QAccessibleWidget::doAction(action);
    }
};

QAccessibleInterface *interfaceFor(const QString &className, QObject *object)
{
    auto *widget = qobject_cast<QWidget *>(object);
    if (!widget)
        return nullptr;
    if (className == QLatin1String("GlyphCell"))
        return new GlyphCellAccessible(widget);
    // The indicators are plain frames, which would read as a border.
    if (className == QLatin1String("QFrame") &&
        kIndicatorName.match(object->objectName()).hasMatch())
        return new QAccessibleWidget(widget, QAccessible::StaticText);
    return nullptr;
}

// Keeps the state in the names of indicators and cells: every recolouring arrives as a
// palette change.
class StateNames : public QObject
{
public:
    enum class Kind { Input, Key, Cell };

    explicit StateNames(QObject *parent) : QObject(parent) {}

    void track(QWidget *widget, Kind kind, const QString &what)
    {
        // An interface made while the widget was being built, before interfaceFor applied,
        // is dropped so the next one comes from interfaceFor.
        if (QAccessibleInterface *early = QAccessible::queryAccessibleInterface(widget))
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(early));
        m_tracked.insert(widget, {kind, what});
        widget->installEventFilter(this);
        refresh(widget);
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::PaletteChange)
            refresh(static_cast<QWidget *>(watched));
        return false;
    }

private:
    struct Tracked {
        Kind kind;
        QString what;
    };

    static QString stateOf(const QWidget *widget, Kind kind)
    {
        const unsigned colour = toBgr(fill(widget));
        switch (kind) {
        case Kind::Input:
        case Kind::Key: {
            const bool input = kind == Kind::Input;
            if (colour == InputsOutputsPage::kBitSetColour)
                return input ? QStringLiteral("high") : QStringLiteral("pressed");
            if (colour == InputsOutputsPage::kBitClearColour)
                return input ? QStringLiteral("low") : QStringLiteral("released");
            // Still the window's background: nothing reported yet.
            return QStringLiteral("unknown");
        }
        case Kind::Cell:
            if (colour == CustomCharactersPage::kOnColour)
                return QStringLiteral("on");
            if (colour == CustomCharactersPage::kOffColour)
                return QStringLiteral("off");
            return QStringLiteral("unknown");
        }
        return {};
    }

    void refresh(QWidget *widget)
    {
        const auto tracked = m_tracked.constFind(widget);
        if (tracked == m_tracked.cend())
            return;
        const QString name = tracked->what + QStringLiteral(": ") + stateOf(widget, tracked->kind);
        if (widget->accessibleName() == name)
            return;
        widget->setAccessibleName(name);
        if (tracked->kind == Kind::Cell) {
            QAccessible::State changed;
            changed.checked = true;
            QAccessibleStateChangeEvent event(widget, changed);
            QAccessible::updateAccessibility(&event);
        }
    }

    QHash<QWidget *, Tracked> m_tracked;
};

// Keys numbered as read on the drawn keypad: row by row from the top left.
void trackKeys(StateNames *names, const QList<QWidget *> &keys)
{
    QList<int> rows;
    QList<int> columns;
    for (const QWidget *key : keys) {
        rows << key->y();
        columns << key->x();
    }
    for (QList<int> *list : {&rows, &columns}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    for (QWidget *key : keys) {
        const auto row = rows.indexOf(key->y());
        const auto column = columns.indexOf(key->x());
        key->setAccessibleDescription(
            QStringLiteral("Keypad row %1, column %2").arg(row + 1).arg(column + 1));
        names->track(key, StateNames::Kind::Key,
                     QStringLiteral("Key %1").arg(row * columns.size() + column + 1));
    }
}

void trackIndicatorsAndCells(QWidget &window)
{
    auto *names = new StateNames(&window);
    QList<QWidget *> keys;
    const auto widgets = window.findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        if (const auto match = kIndicatorName.match(widget->objectName()); match.hasMatch()) {
            if (match.captured(1) == QLatin1String("key"))
                keys << widget;
            else
                names->track(widget, StateNames::Kind::Input,
                             QStringLiteral("Input %1").arg(match.captured(2).toInt() + 1));
        } else if (const auto cell = kCellName.match(widget->objectName()); cell.hasMatch()) {
            names->track(
                widget, StateNames::Kind::Cell,
                QStringLiteral("Row %1, column %2").arg(cell.captured(1), cell.captured(2)));
        }
    }
    trackKeys(names, keys);
}

template <typename W = QWidget> W *child(const QWidget &window, const QString &name)
{
    return window.findChild<W *>(name);
}

QString labelText(const QWidget &window, const QString &name)
{
    const auto *label = child<QLabel>(window, name);
    return label ? label->text() : QString();
}

void nameByLabel(QWidget *widget, QLabel *label)
{
    if (!widget || !label)
        return;
    widget->setAccessibleName(label->accessibleName().isEmpty() ? label->text()
                                                                : label->accessibleName());
    label->setBuddy(widget);
}

void nameControls(QWidget &window)
{
    for (const auto &[name, text] : kNamed) {
        auto *widget = child(window, QLatin1String(name));
        if (!widget)
            continue;
        widget->setAccessibleName(QLatin1String(text));
        if (qobject_cast<QComboBox *>(widget))
            widget->setAccessibleDescription(QLatin1String(text));
    }
    for (const auto &[control, label] : kLabelledBy)
        nameByLabel(child(window, QLatin1String(control)),
                    child<QLabel>(window, QLatin1String(label)));

    const QString customCharacter = labelText(window, QStringLiteral("Label12"));
    const QString analogValue = labelText(window, QStringLiteral("Label41"));
    static const QRegularExpression element(QStringLiteral("^(\\w+)\\((\\d+)\\)$"));
    const auto widgets = window.findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        const auto match = element.match(widget->objectName());
        if (match.hasMatch()) {
            const QString array = match.captured(1);
            const int index = match.captured(2).toInt();
            const auto *button = qobject_cast<QAbstractButton *>(widget);
            if (array == QLatin1String("txtMsg")) {
                // Each box's number stands before it.
                auto *number = child<QLabel>(window, QStringLiteral("lblMsg(%1)").arg(index));
                if (number)
                    number->setAccessibleName(QStringLiteral("Message %1").arg(index + 1));
                nameByLabel(widget, number);
            } else if (array == QLatin1String("cboio")) {
                // cboio(1), cboio(2), ... cboio(128) set pins 1 to 8, numbered by Label42..49.
                const int pin = static_cast<int>(std::lround(std::log2(std::max(index, 1)))) + 1;
                auto *number = child<QLabel>(window, QStringLiteral("Label%1").arg(41 + pin));
                if (number)
                    number->setAccessibleName(QStringLiteral("Pin %1 direction").arg(pin));
                nameByLabel(widget, number);
            } else if (array == QLatin1String("cmdCustomChar") && button) {
                widget->setAccessibleName(customCharacter + QLatin1Char(' ') + button->text());
            } else if (array == QLatin1String("cmdHGraph") && button) {
                const QString direction = labelText(window, index == 0 ? QStringLiteral("Label14")
                                                                       : QStringLiteral("Label15"));
                widget->setAccessibleName(button->text() + QLatin1Char(' ') + direction);
            } else if (array == QLatin1String("lblAnVal")) {
                widget->setAccessibleName(
                    QStringLiteral("Analog %1 %2").arg(index + 1).arg(analogValue));
            }
        } else if (widget->objectName().startsWith(QLatin1String("lblrow"))) {
            // The caption is the value; the description says whose.
            widget->setAccessibleDescription(
                QStringLiteral("Row %1 value").arg(widget->objectName().mid(6)));
        }
    }
}

// Labels whose caption is a value show it through their description (their name says what
// the value is), renewed whenever the window writes new values.
void describeValues(frmMain &window)
{
    QList<QLabel *> values{window.lblTxData, window.lblRxData};
    for (QLabel *value : window.inputsOutputs->lblAnVal)
        values << value;
    const auto describe = [values] {
        for (QLabel *value : values) {
            if (value->accessibleDescription() != value->text())
                value->setAccessibleDescription(value->text());
        }
    };
    // Connected after the window's own handlers, so the captions are already new.
    QObject::connect(&window.transmitter, &Transmitter::monitorsChanged, &window, describe);
    QObject::connect(&window.replyReader, &ReplyReader::repliesRead, &window, describe);
    describe();
}

double luminance(const QColor &colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

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
        // Only fixed fills; a text colour fixed with them (the monitors' dark blue) stays.
        if (!widget->autoFillBackground() || !palette.isBrushSet(QPalette::Active, fillRole) ||
            palette.isBrushSet(QPalette::Active, textRole))
            continue;
        palette.setColor(textRole, luminance(palette.color(fillRole)) > kDarkTextAbove
                                       ? QColor(Qt::black)
                                       : QColor(Qt::white));
        widget->setPalette(palette);
    }
}

} // namespace

void install(frmMain &window)
{
    // Last installed is asked first, ahead of the toolkit's own factory.
    QAccessible::removeFactory(interfaceFor);
    QAccessible::installFactory(interfaceFor);
    nameControls(window);
    trackIndicatorsAndCells(window);
    describeValues(window);
    keepTextLegibleOnFills(window);
}

} // namespace accessibility
