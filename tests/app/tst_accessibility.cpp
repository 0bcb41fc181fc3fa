// What a screen reader learns from the window, and whether its text stays legible under a
// dark desktop palette. Accessible interfaces are queried directly; no accessibility bus is
// needed for that.
#include "app/frmmain.h"
#include "io/inputsoutputspage.h"
#include "protocol/protocol.h"
#include "widgets/controls.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

#include <cmath>

namespace
{

constexpr int kCustomCharactersPage = 4;

QAccessibleInterface *accessible(QWidget *widget)
{
    return QAccessible::queryAccessibleInterface(widget);
}

QString nameOf(QWidget *widget)
{
    QAccessibleInterface *iface = accessible(widget);
    return iface ? iface->text(QAccessible::Name) : QStringLiteral("<no interface>");
}

QString descriptionOf(QWidget *widget)
{
    QAccessibleInterface *iface = accessible(widget);
    return iface ? iface->text(QAccessible::Description) : QStringLiteral("<no interface>");
}

// The caption of the first label relation, as a screen reader takes it: a frame around the
// control does not count (it is the control's ancestor, not its label).
QString labelOf(QWidget *widget)
{
    QAccessibleInterface *iface = accessible(widget);
    if (!iface)
        return QStringLiteral("<no interface>");
    const auto labels = iface->relations(QAccessible::Label);
    for (const auto &[label, relation] : labels) {
        if (label->role() != QAccessible::Grouping)
            return label->text(QAccessible::Name);
    }
    return QString();
}

// What a screen reader on Linux calls a control: a list box's accessible name is its current
// item, so it is known by the label pointing at it.
QString spokenName(QWidget *widget)
{
    QAccessibleInterface *iface = accessible(widget);
    if (!iface)
        return QStringLiteral("<no interface>");
    return iface->role() == QAccessible::ComboBox ? labelOf(widget)
                                                  : iface->text(QAccessible::Name);
}

// The names of an interface's children, in the order a screen reader walks them.
QStringList childNames(QAccessibleInterface *iface)
{
    QStringList result;
    for (int i = 0; i < iface->childCount(); ++i)
        result << iface->child(i)->text(QAccessible::Name);
    return result;
}

// The eight input names, or the sixteen key names, in objectName order.
QStringList names(WindowFixture &f, const char *array, int count)
{
    QStringList result;
    for (int i = 0; i < count; ++i)
        result << nameOf(f.findWidget(QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(i)));
    return result;
}

// The number a sighted user reads on the drawn keypad (row by row) for key(0) .. key(15).
constexpr std::array<int, 16> kKeyNumber = {1, 9, 13, 5, 2, 10, 14, 6, 3, 11, 15, 7, 4, 12, 16, 8};

QStringList keyNames(const QString &pressedKeys)
{
    const QStringList pressed = pressedKeys.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    QStringList result;
    for (int k = 0; k < 16; ++k)
        result << QStringLiteral("Key %1: %2")
                      .arg(kKeyNumber[std::size_t(k)])
                      .arg(pressedKeys == QLatin1String("unknown") ? QStringLiteral("unknown")
                           : pressed.contains(QString::number(k))  ? QStringLiteral("pressed")
                                                                   : QStringLiteral("released"));
    return result;
}

double luminance(const QColor &colour)
{
    const auto channel = [](double value) {
        return value <= 0.03928 ? value / 12.92 : std::pow((value + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(colour.redF()) + 0.7152 * channel(colour.greenF()) +
           0.0722 * channel(colour.blueF());
}

double contrast(const QColor &a, const QColor &b)
{
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QPalette darkPalette()
{
    QPalette dark;
    dark.setColor(QPalette::Window, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, Qt::white);
    dark.setColor(QPalette::Base, QColor(0x10, 0x10, 0x10));
    dark.setColor(QPalette::AlternateBase, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::Text, Qt::white);
    dark.setColor(QPalette::Button, QColor(0x30, 0x30, 0x30));
    dark.setColor(QPalette::ButtonText, Qt::white);
    dark.setColor(QPalette::Highlight, QColor(0x30, 0x80, 0xFF));
    dark.setColor(QPalette::HighlightedText, Qt::black);
    return dark;
}

} // namespace

class AccessibilityTest : public QObject
{
    Q_OBJECT
private slots:
    void inputIndicatorsSayTheirLevel_data();
    void inputIndicatorsSayTheirLevel();
    void keyIndicatorsSayWhetherPressed();
    void glyphCellsSayWhetherOn();
    void monitorsAreReadableText_data();
    void monitorsAreReadableText();
    void windowAndTabStrip();
    void everyControlHasItsOwnName();
    void controlsAreNamedByTheirLabels_data();
    void controlsAreNamedByTheirLabels();
    void textStaysLegibleInADarkPalette_data();
    void textStaysLegibleInADarkPalette();
};

void AccessibilityTest::inputIndicatorsSayTheirLevel_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("levels");
    QTest::newRow("pins 1 and 3 high")
        << QByteArray("\xFC\x00\x05", 3) << QStringLiteral("high low high low low low low low");
    QTest::newRow("pin 8 high") << QByteArray("\xFD\xFF\x80", 3)
                                << QStringLiteral("low low low low low low low high");
}

void AccessibilityTest::inputIndicatorsSayTheirLevel()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, levels);
    WindowFixture f;
    const auto named = [&f](const QString &words) {
        QStringList expected;
        const QStringList word = words.split(QLatin1Char(' '));
        for (int i = 0; i < 8; ++i)
            expected << QStringLiteral("Input %1: %2").arg(i + 1).arg(word[i % word.size()]);
        return expected;
    };
    // Nothing reported yet: white as drawn, but not "high".
    QCOMPARE(names(f, "Shape1", 8), named(QStringLiteral("unknown")));
    QCOMPARE(controls::toBgr(controls::fill(f.findWidget(QStringLiteral("Shape1(0)")))),
             0xFFFFFFu); // white
    QVERIFY(f.connect());
    QCOMPARE(names(f, "Shape1", 8), named(QStringLiteral("unknown")));
    // First everything low, so each row's result proves its own reply arrived.
    QVERIFY(f.peer().send(QByteArray("\xFC\x00\x00", 3)));
    QTRY_COMPARE(names(f, "Shape1", 8), named(QStringLiteral("low")));

    QVERIFY(f.peer().send(reply));
    QTRY_COMPARE(names(f, "Shape1", 8), named(levels));
    QCOMPARE(accessible(f.findWidget(QStringLiteral("Shape1(2)")))->role(),
             QAccessible::StaticText);
}

void AccessibilityTest::keyIndicatorsSayWhetherPressed()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.find<QComboBox>(QStringLiteral("cbogpio"))->setCurrentIndex(1); // KEYPAD
    // Nothing reported yet: the keys show the window's background.
    QCOMPARE(names(f, "key", 16), keyNames(QStringLiteral("unknown")));
    QCOMPARE(descriptionOf(f.findWidget(QStringLiteral("key(1)"))),
             QStringLiteral("Keypad row 3, column 1"));
    // A screen reader walks the keypad as it is read: row by row, Key 1 to Key 16.
    QStringList readingOrder;
    for (const QString &name :
         childNames(accessible(f.find<QGroupBox>(QStringLiteral("fKeypad"))))) {
        if (name.startsWith(QLatin1String("Key ")))
            readingOrder << name;
    }
    QStringList numbered;
    for (int n = 1; n <= 16; ++n)
        numbered << QStringLiteral("Key %1: unknown").arg(n);
    QCOMPARE(readingOrder, numbered);

    // Bit 2 of B1 is key(1).
    QVERIFY(f.peer().send(QByteArray("\xFC\x04\x00", 3)));
    QTRY_COMPARE(names(f, "key", 16), keyNames(QStringLiteral("1")));
    QVERIFY(f.peer().send(QByteArray("\xFC\x00\xFF", 3)));
    QTRY_COMPARE(names(f, "key", 16), keyNames(QStringLiteral("8 9 10 11 12 13 14 15")));
    // A status reply in GPIO mode leaves the keys alone.
    f.find<QComboBox>(QStringLiteral("cbogpio"))->setCurrentIndex(0);
    QVERIFY(f.peer().send(QByteArray("\xFC\x00\x00", 3)));
    QTRY_COMPARE(nameOf(f.findWidget(QStringLiteral("Shape1(7)"))), QStringLiteral("Input 8: low"));
    QCOMPARE(names(f, "key", 16), keyNames(QStringLiteral("8 9 10 11 12 13 14 15")));
}

void AccessibilityTest::glyphCellsSayWhetherOn()
{
    WindowFixture f;
    QVERIFY(f.connect());
    featureTabs(f.window())->setCurrentIndex(kCustomCharactersPage);
    // Columns counted from the left, as seen; the cell's weight in the row's value is its
    // description.
    const char *const where[][3] = {{"bitmapr2(16)", "Row 2, column 1: off", "0x10"},
                                    {"bitmapr5(4)", "Row 5, column 3: off", "0x04"},
                                    {"bitmapr8(1)", "Row 8, column 5: off", "0x01"}};
    for (const auto &[name, spoken, weight] : where) {
        QCOMPARE(nameOf(f.findWidget(QLatin1String(name))), QString::fromLatin1(spoken));
        QCOMPARE(descriptionOf(f.findWidget(QLatin1String(name))), QString::fromLatin1(weight));
    }
    QWidget *cell = f.findWidget(QStringLiteral("bitmapr2(16)"));
    QAccessibleInterface *iface = accessible(cell);
    QCOMPARE(iface->role(), QAccessible::CheckBox);
    QVERIFY(iface->state().checkable);
    QVERIFY(!iface->state().checked);

    f.click(QStringLiteral("bitmapr2(16)"));
    QCOMPARE(nameOf(cell), QStringLiteral("Row 2, column 1: on"));
    QVERIFY(iface->state().checked);
    f.click(QStringLiteral("bitmapr2(16)"));
    QCOMPARE(nameOf(cell), QStringLiteral("Row 2, column 1: off"));
    QVERIFY(!iface->state().checked);

    const auto allCells = [&f](const QString &state) {
        for (int row = 1; row <= 8; ++row) {
            for (int weight : {16, 8, 4, 2, 1}) {
                QWidget *each = f.findWidget(QStringLiteral("bitmapr%1(%2)").arg(row).arg(weight));
                if (!nameOf(each).endsWith(QStringLiteral(": ") + state) ||
                    accessible(each)->state().checked != (state == QLatin1String("on")))
                    return false;
            }
        }
        return true;
    };
    f.click(QStringLiteral("cmdSet"));
    QVERIFY(allCells(QStringLiteral("on")));
    f.click(QStringLiteral("cmdClr"));
    QVERIFY(allCells(QStringLiteral("off")));

    // A screen reader's toggle works like a click.
    QWidget *corner = f.findWidget(QStringLiteral("bitmapr8(1)"));
    QAccessibleActionInterface *actions = accessible(corner)->actionInterface();
    QVERIFY(actions);
    QVERIFY(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    QCOMPARE(nameOf(corner), QStringLiteral("Row 8, column 5: on"));
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblrow8"))->text(), QStringLiteral("0x01"));
    QCOMPARE(descriptionOf(f.findWidget(QStringLiteral("lblrow8"))), QStringLiteral("Row 8 value"));
}

void AccessibilityTest::monitorsAreReadableText_data()
{
    QTest::addColumn<QString>("monitor");
    QTest::addColumn<QString>("caption");
    QTest::newRow("transmit") << "lblTxData"
                              << "Transmitted Bytes";
    QTest::newRow("receive") << "lblRxData"
                             << "Received Bytes";
}

void AccessibilityTest::monitorsAreReadableText()
{
    QFETCH(QString, monitor);
    QFETCH(QString, caption);
    WindowFixture f;
    QVERIFY(f.connect());
    QWidget *widget = f.findWidget(monitor);
    QAccessibleInterface *iface = accessible(widget);
    // A read-only text field that Tab reaches, known by the caption beside it.
    QCOMPARE(iface->role(), QAccessible::EditableText);
    QVERIFY(iface->state().readOnly);
    QVERIFY(iface->state().focusable);
    QCOMPARE(labelOf(widget), caption);
    QCOMPARE(nameOf(widget), caption);
    QAccessibleTextInterface *text = iface->textInterface();
    QVERIFY(text);
    const auto shown = [text] { return text->text(0, text->characterCount()); };
    QCOMPARE(shown(), QString());

    // A frame goes out, then the module answers: each monitor reads its own bytes.
    const QString sent = QStringLiteral("FE 0B ");
    f.click(QStringLiteral("cmdReadAn(0)"));
    QCOMPARE(f.received(2).size(), qsizetype(2));
    QVERIFY(f.peer().send(QByteArray("\xFA\x01\x02", 3)));
    const QString answer = QStringLiteral("FA 01 02 ");
    QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), answer);
    const QString expected = monitor == QLatin1String("lblTxData") ? sent : answer;
    QCOMPARE(shown(), expected);
    QCOMPARE(iface->text(QAccessible::Value), expected);
    // The value label of the reading describes it.
    QLabel *value = f.find<QLabel>(QStringLiteral("lblAnVal(0)"));
    QCOMPARE(nameOf(value), QStringLiteral("Analog 1 ADC Value (0-1024)"));
    QCOMPARE(descriptionOf(value), QStringLiteral("258"));

    // The next frame sent empties the receive monitor.
    f.click(QStringLiteral("cmdReadAn(1)"));
    QCOMPARE(f.received(2).size(), qsizetype(2));
    QCOMPARE(shown(), monitor == QLatin1String("lblTxData") ? QStringLiteral("FE 0C ") : QString());
}

void AccessibilityTest::windowAndTabStrip()
{
    WindowFixture f;
    QVERIFY(f.connect());
    QAccessibleInterface *window = accessible(&f.window());
    QCOMPARE(window->role(), QAccessible::Window);

    // The strip lists its eight tabs and nothing else.
    QTabWidget *tabs = featureTabs(f.window());
    QAccessibleInterface *strip = accessible(tabs->tabBar());
    QCOMPARE(strip->role(), QAccessible::PageTabList);
    QStringList captions;
    for (int i = 0; i < tabs->count(); ++i)
        captions << tabs->tabText(i);
    QCOMPARE(childNames(strip), captions);
    for (int i = 0; i < strip->childCount(); ++i) {
        QAccessibleInterface *tab = strip->child(i);
        QCOMPARE(tab->role(), QAccessible::PageTab);
        QCOMPARE(tab->parent(), strip);
        QCOMPARE(strip->indexOfChild(tab), i);
        QCOMPARE(tab->state().selected, i == tabs->currentIndex());
        QCOMPARE(strip->childAt(tab->rect().center().x(), tab->rect().center().y()), tab);
    }
    // Pressing a tab shows its page.
    strip->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(tabs->currentIndex(), 2);
    QVERIFY(strip->child(2)->state().selected);
    QCOMPARE(strip->text(QAccessible::Name), captions[2]);
}

void AccessibilityTest::everyControlHasItsOwnName()
{
    WindowFixture f;
    QVERIFY(f.connect());
    QHash<QString, QString> owner;
    const auto widgets = f.window().findChildren<QWidget *>();
    int checked = 0;
    for (QWidget *widget : widgets) {
        const bool control = widget->focusPolicy() != Qt::NoFocus && !widget->focusProxy() &&
                             !widget->isWindow() && !widget->objectName().isEmpty();
        const bool shows = widget->objectName().startsWith(QLatin1String("Shape1(")) ||
                           widget->objectName().startsWith(QLatin1String("key(")) ||
                           widget->objectName().startsWith(QLatin1String("lblAnVal("));
        if (!control && !shows)
            continue;
        const QString name = spokenName(widget);
        QVERIFY2(!name.trimmed().isEmpty(), qPrintable(widget->objectName()));
        // A name and role a listener cannot tell from another's would be no help (a list
        // may share its name with the button beside it that uses its item).
        const QString heard =
            name + QStringLiteral(", role ") + QString::number(accessible(widget)->role());
        QVERIFY2(!owner.contains(heard),
                 qPrintable(widget->objectName() + QStringLiteral(" and ") + owner.value(heard) +
                            QStringLiteral(": ") + heard));
        owner.insert(heard, widget->objectName());
        ++checked;
    }
    QVERIFY(checked > 100);
}

void AccessibilityTest::controlsAreNamedByTheirLabels_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("label"); // the caption a label relation points to
    const auto row = [](const char *control, const char *name, const char *label) {
        QTest::newRow(control) << QString::fromLatin1(control) << QString::fromLatin1(name)
                               << QString::fromLatin1(label);
    };
    row("cboComm", "Select Port Number", "Select Port Number");
    row("txtASCIIInput", "Type Here to Send ASCII Text to LCD",
        "Type Here to Send ASCII Text to LCD");
    row("Backlightlevel", "Adjust Brightness", "Adjust Brightness");
    row("cboGraphWidth", "Graph Width (Max 100 )", "Graph Width (Max 100 )");
    row("cboUCH", "Custom character position", "Custom character position");
    row("txtMsg(19)", "Message 20", "Message 20");
    row("cboio(128)", "Pin 8 direction", "Pin 8 direction");
    // Lists named by the caption of the button beside them, or of their frame.
    row("cboSpecial", "Insert Special Character", "Insert Special Character");
    row("cboPMsg", "Display Predefined Message on selected Row",
        "Display Predefined Message on selected Row");
    row("cbogpio", "IO Mode", "IO Mode");
    // Options keep their caption and are tied to the caption of their group, which the port
    // speeds are not.
    row("lcdbaud(0)", "9600", "Select LCD Baud");
    row("lcdbaud(1)", "19200", "Select LCD Baud");
    row("opt9600", "9600 bps", "");
    row("cmdCustomChar(3)", "Insert Custom Character 3", "");
    row("cmdHGraph(1)", "Draw Right to Left Horizontal Graph", "");
}

void AccessibilityTest::controlsAreNamedByTheirLabels()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, label);
    WindowFixture f;
    QWidget *widget = f.findWidget(control);
    QVERIFY(widget);
    QCOMPARE(spokenName(widget), name);
    QCOMPARE(labelOf(widget), label);
}

void AccessibilityTest::textStaysLegibleInADarkPalette_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<bool>("switchedWhileRunning");
    QTest::newRow("default palette") << false << false;
    QTest::newRow("dark palette at start") << true << false;
    QTest::newRow("dark palette while running") << true << true;
}

void AccessibilityTest::textStaysLegibleInADarkPalette()
{
    QFETCH(bool, dark);
    QFETCH(bool, switchedWhileRunning);
    const QPalette original = QApplication::palette();
    const auto restore = qScopeGuard([&original] { QApplication::setPalette(original); });
    if (dark && !switchedWhileRunning)
        QApplication::setPalette(darkPalette());
    WindowFixture f;
    QVERIFY(f.connect());
    if (dark && switchedWhileRunning) {
        QApplication::setPalette(darkPalette());
        // The change reaches the controls through the event loop.
        QTRY_COMPARE(
            f.find<QLabel>(QStringLiteral("Label2"))->palette().color(QPalette::WindowText),
            QColor(Qt::white));
    }

    // The monitors keep their dark blue on light yellow.
    for (HexMonitor *monitor : {f.find<HexMonitor>(QStringLiteral("lblTxData")),
                                f.find<HexMonitor>(QStringLiteral("lblRxData"))}) {
        QCOMPARE(monitor->palette().color(QPalette::Text), QColor(0, 0, 192));
        QCOMPARE(monitor->palette().color(QPalette::Base), QColor(255, 255, 192));
    }

    // No text anywhere sits on a background it cannot be read against (WCAG AA: 4.5).
    const auto widgets = f.window().findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        // Greyed-out controls are meant to recede.
        if (!widget->isEnabled())
            continue;
        QColor text;
        QColor background;
        if (auto *label = qobject_cast<QLabel *>(widget)) {
            if (label->text().isEmpty())
                continue;
            text = label->palette().color(QPalette::WindowText);
            background = label->palette().color(QPalette::Window);
        } else if (qobject_cast<QLineEdit *>(widget)) {
            text = widget->palette().color(QPalette::Text);
            background = widget->palette().color(QPalette::Base);
        } else if (qobject_cast<QAbstractButton *>(widget) || qobject_cast<QComboBox *>(widget)) {
            text = widget->palette().color(QPalette::ButtonText);
            background = widget->palette().color(QPalette::Button);
        } else {
            continue;
        }
        QVERIFY2(contrast(text, background) >= 4.5,
                 qPrintable(QStringLiteral("%1: %2 on %3")
                                .arg(widget->objectName(), text.name(), background.name())));
    }
    // The fixed fills that carry text are still there.
    QCOMPARE(controls::toBgr(controls::fill(f.findWidget(QStringLiteral("txtASCIIInput")))),
             0x00FF00u);
    QCOMPARE(controls::toBgr(controls::fill(f.findWidget(QStringLiteral("lblAnVal(0)")))),
             0xFFFFFFu);
}

QTEST_MAIN(AccessibilityTest)
#include "tst_accessibility.moc"
