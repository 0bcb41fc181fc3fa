// What a screen reader learns from the window, and whether its text stays legible under a
// dark desktop palette. Accessible interfaces are queried directly; no accessibility bus is
// needed for that.
#include "app/frmmain.h"
#include "io/inputsoutputspage.h"
#include "link/protocol.h"
#include "widgets/controls.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
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

// What a screen reader on Linux calls a control: a list box's accessible name is its current
// item, so it is known by the label pointing at it (or, with none, by its description).
QString spokenName(QWidget *widget)
{
    QAccessibleInterface *iface = accessible(widget);
    if (!iface)
        return QStringLiteral("<no interface>");
    if (iface->role() != QAccessible::ComboBox)
        return iface->text(QAccessible::Name);
    const auto labels = iface->relations(QAccessible::Label);
    return labels.isEmpty() ? iface->text(QAccessible::Description)
                            : labels.first().first->text(QAccessible::Name);
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
    void monitorsDescribeWhatTheyShow();
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
    QTest::newRow("all high, B1 ignored")
        << QByteArray("\xFF\x00\xFF", 3)
        << QStringLiteral("high high high high high high high high");
    QTest::newRow("pin 8 high") << QByteArray("\xFD\xFF\x80", 3)
                                << QStringLiteral("low low low low low low low high");
}

void AccessibilityTest::inputIndicatorsSayTheirLevel()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, levels);
    WindowFixture f;
    QVERIFY(f.connect());
    // First everything low, so each row's result proves its own reply arrived.
    QVERIFY(f.peer().send(QByteArray("\xFC\x00\x00", 3)));
    QTRY_COMPARE(nameOf(f.findWidget(QStringLiteral("Shape1(7)"))), QStringLiteral("Input 8: low"));
    QTRY_COMPARE(nameOf(f.findWidget(QStringLiteral("Shape1(0)"))), QStringLiteral("Input 1: low"));

    QVERIFY(f.peer().send(reply));
    QStringList expected;
    const QStringList words = levels.split(QLatin1Char(' '));
    for (int i = 0; i < 8; ++i)
        expected << QStringLiteral("Input %1: %2").arg(i + 1).arg(words[i]);
    QTRY_COMPARE(names(f, "Shape1", 8), expected);
    QCOMPARE(accessible(f.findWidget(QStringLiteral("Shape1(2)")))->role(),
             QAccessible::StaticText);
}

void AccessibilityTest::keyIndicatorsSayWhetherPressed()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.window().inputsOutputs->cbogpio->setCurrentIndex(1); // KEYPAD
    // Nothing reported yet: the keys show the window's background.
    QCOMPARE(names(f, "key", 16), keyNames(QStringLiteral("unknown")));
    QCOMPARE(descriptionOf(f.findWidget(QStringLiteral("key(1)"))),
             QStringLiteral("Keypad row 3, column 1"));

    // Bit 2 of B1 is key(1).
    QVERIFY(f.peer().send(QByteArray("\xFC\x04\x00", 3)));
    QTRY_COMPARE(names(f, "key", 16), keyNames(QStringLiteral("1")));
    QVERIFY(f.peer().send(QByteArray("\xFC\x00\xFF", 3)));
    QTRY_COMPARE(names(f, "key", 16), keyNames(QStringLiteral("8 9 10 11 12 13 14 15")));
    // A status reply in GPIO mode leaves the keys alone.
    f.window().inputsOutputs->cbogpio->setCurrentIndex(0);
    QVERIFY(f.peer().send(QByteArray("\xFC\x00\x00", 3)));
    QTRY_COMPARE(nameOf(f.findWidget(QStringLiteral("Shape1(7)"))), QStringLiteral("Input 8: low"));
    QCOMPARE(names(f, "key", 16), keyNames(QStringLiteral("8 9 10 11 12 13 14 15")));
}

void AccessibilityTest::glyphCellsSayWhetherOn()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.window().SSTab1->setCurrentIndex(kCustomCharactersPage);
    QWidget *cell = f.findWidget(QStringLiteral("bitmapr2(16)"));
    QAccessibleInterface *iface = accessible(cell);
    QCOMPARE(iface->role(), QAccessible::CheckBox);
    QCOMPARE(nameOf(cell), QStringLiteral("Row 2, column 16: off"));
    QVERIFY(iface->state().checkable);
    QVERIFY(!iface->state().checked);

    f.click(QStringLiteral("bitmapr2(16)"));
    QCOMPARE(nameOf(cell), QStringLiteral("Row 2, column 16: on"));
    QVERIFY(iface->state().checked);
    f.click(QStringLiteral("bitmapr2(16)"));
    QCOMPARE(nameOf(cell), QStringLiteral("Row 2, column 16: off"));

    const auto allCells = [&f](const QString &state) {
        for (int row = 1; row <= 8; ++row) {
            for (int weight : {16, 8, 4, 2, 1}) {
                const QString cellName = QStringLiteral("bitmapr%1(%2)").arg(row).arg(weight);
                if (nameOf(f.findWidget(cellName)) !=
                    QStringLiteral("Row %1, column %2: %3").arg(row).arg(weight).arg(state))
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
    QCOMPARE(nameOf(corner), QStringLiteral("Row 8, column 1: on"));
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblrow8"))->text(), QStringLiteral("0x01"));
    QCOMPARE(nameOf(f.findWidget(QStringLiteral("lblrow8"))), QStringLiteral("0x01"));
    QCOMPARE(descriptionOf(f.findWidget(QStringLiteral("lblrow8"))), QStringLiteral("Row 8 value"));
}

void AccessibilityTest::monitorsDescribeWhatTheyShow()
{
    WindowFixture f;
    QVERIFY(f.connect());
    QLabel *tx = f.window().lblTxData;
    QLabel *rx = f.window().lblRxData;
    QCOMPARE(nameOf(tx), QStringLiteral("Transmitted Bytes"));
    QCOMPARE(nameOf(rx), QStringLiteral("Received Bytes"));
    QCOMPARE(descriptionOf(tx), QString());

    f.click(QStringLiteral("cmdCurLR(1)"));
    const proto::Frame move = proto::cursorMove(1);
    QCOMPARE(f.received(int(move.size())).size(), qsizetype(move.size()));
    QCOMPARE(descriptionOf(tx), proto::hexCaption(move));
    QCOMPARE(descriptionOf(tx), tx->text());

    // An analog reading: the monitor and the value label both describe it.
    QVERIFY(f.peer().send(QByteArray("\xFA\x01\x02", 3)));
    QTRY_COMPARE(descriptionOf(rx), QStringLiteral("FA 01 02 "));
    QLabel *value = f.window().inputsOutputs->lblAnVal[0];
    QCOMPARE(nameOf(value), QStringLiteral("Analog 1 ADC Value (0-1024)"));
    QCOMPARE(descriptionOf(value), QStringLiteral("258"));

    // The next frame sent empties the receive monitor, and its description with it.
    f.click(QStringLiteral("cmdCurLR(0)"));
    QTRY_COMPARE(descriptionOf(tx), proto::hexCaption(proto::cursorMove(0)));
    QCOMPARE(descriptionOf(rx), QString());
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
        // A name a listener cannot tell from another's would be no help.
        QVERIFY2(!owner.contains(name),
                 qPrintable(widget->objectName() + QStringLiteral(" and ") + owner.value(name) +
                            QStringLiteral(": ") + name));
        owner.insert(name, widget->objectName());
        ++checked;
    }
    QVERIFY(checked > 100);
}

void AccessibilityTest::controlsAreNamedByTheirLabels_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::newRow("port list") << QStringLiteral("cboComm") << QStringLiteral("Select Port Number");
    QTest::newRow("shared row list") << QStringLiteral("cboRow") << QStringLiteral("Row");
    QTest::newRow("typed-text box")
        << QStringLiteral("txtASCIIInput") << QStringLiteral("Type Here to Send ASCII Text to LCD");
    QTest::newRow("brightness slider")
        << QStringLiteral("Backlightlevel") << QStringLiteral("Adjust Brightness");
    QTest::newRow("graph width list")
        << QStringLiteral("cboGraphWidth") << QStringLiteral("Graph Width (Max 100 )");
    QTest::newRow("first message box")
        << QStringLiteral("txtMsg(0)") << QStringLiteral("Message 1");
    QTest::newRow("last message box")
        << QStringLiteral("txtMsg(19)") << QStringLiteral("Message 20");
    QTest::newRow("pin 8 list") << QStringLiteral("cboio(128)")
                                << QStringLiteral("Pin 8 direction");
    QTest::newRow("custom character button")
        << QStringLiteral("cmdCustomChar(3)") << QStringLiteral("Insert Custom Character 3");
    QTest::newRow("second Draw button")
        << QStringLiteral("cmdHGraph(1)") << QStringLiteral("Draw Right to Left Horizontal Graph");
}

void AccessibilityTest::controlsAreNamedByTheirLabels()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    WindowFixture f;
    QWidget *widget = f.findWidget(control);
    QVERIFY(widget);
    QCOMPARE(spokenName(widget), name);
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
    for (QLabel *monitor : {f.window().lblTxData, f.window().lblRxData}) {
        QCOMPARE(monitor->palette().color(QPalette::WindowText), QColor(0, 0, 192));
        QCOMPARE(controls::fill(monitor), QColor(255, 255, 192));
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
