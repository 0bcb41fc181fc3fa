// Driving the window from the keyboard alone: the Tab path through every page, Enter and
// Space on buttons, Ctrl+Tab between pages and the glyph editor's cells.
#include "app/frmmain.h"
#include "widgets/controls.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace
{

constexpr int kCustomCharactersPage = 4;

// The tab strip has no name of its own; the walk calls it "tabs".
QString stopName(const QWidget *widget)
{
    if (!widget)
        return QStringLiteral("<none>");
    return qobject_cast<const QTabBar *>(widget) ? QStringLiteral("tabs") : widget->objectName();
}

QWidget *focused()
{
    return QApplication::focusWidget();
}

void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QTest::keyClick(focused(), Qt::Key(key), modifiers);
}

// Presses `key` from `start` until the focus comes back to it (or 200 presses); returns the
// stops passed, ending with `start`.
QStringList walk(QWidget *start, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    start->setFocus(Qt::TabFocusReason);
    QStringList stops;
    for (int i = 0; i < 200 && (stops.isEmpty() || focused() != start); ++i) {
        press(key, modifiers);
        stops << stopName(focused());
    }
    return stops;
}

bool activate(WindowFixture &f)
{
    QApplication::setActiveWindow(&f.window());
    return QTest::qWaitForWindowActive(&f.window());
}

} // namespace

class KeyboardTest : public QObject
{
    Q_OBJECT
private slots:
    void tabVisitsEveryPageInReadingOrder_data();
    void tabVisitsEveryPageInReadingOrder();
    void tabWhileDisconnected();
    void enterAndSpaceClickTheFocusedButton_data();
    void enterAndSpaceClickTheFocusedButton();
    void enterOnConnectOpensThePort();
    void ctrlTabSwitchesPages_data();
    void ctrlTabSwitchesPages();
    void ctrlTabFromTheTypedTextBoxSendsNothing();
    void ctrlTabNeedsAnOpenPort();
    void glyphCellsFromTheKeyboard();
    void focusIsMarkedOverFills_data();
    void focusIsMarkedOverFills();
};

void KeyboardTest::tabVisitsEveryPageInReadingOrder_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QStringList>("stops");
    const auto split = [](const char *names) {
        return QString::fromLatin1(names).split(QLatin1Char(' '));
    };
    QTest::newRow("Text Display")
        << 0
        << split("txtASCIIInput cmdCommand(0) cmdCommand(1) cmdCommand(2) cmdBackSp cmdClrCR(0) "
                 "cmdClrCR(1) cmdLoadCC cmdCustomChar(0) cmdCustomChar(1) cmdCustomChar(2) "
                 "cmdCustomChar(3) cmdCustomChar(4) cmdCustomChar(5) cmdCustomChar(6) "
                 "cmdCustomChar(7) cboSpecial cmdSC cmdDisTxt cboPMsg");
    QTest::newRow("Cursor Control")
        << 1 << split("cboCursor cmdSetCursor cmdSetPos cmdCurLR(0) cmdCurLR(1)");
    QTest::newRow("Backlight Control")
        << 2 << split("cmdBacklight(0) cmdBacklight(1) Backlightlevel");
    // Horizontal graph controls first, then the vertical ones.
    QTest::newRow("Graph") << 3
                           << split("cmdInitGraph(0) cboGraphWidth cmdHGraph(0) cmdHGraph(1) "
                                    "cmdInitGraph(1) cboGraphHeight cmdVertical");
    // The glyph grid is one stop.
    QTest::newRow("Custom Characters")
        << 4
        << split("bitmapr1(16) cmdSet cmdClr cboUCH cmdLoadBitmap cmdSaveBitmap cmdSendBitmap");
    QTest::newRow("BIG Numbers") << 5 << split("cmdInitBN txtBN cmdDrawBN");
    // The message boxes are numbered down their columns; an exclusive pair of options is one
    // stop (the arrow keys choose between them).
    QStringList settings = split("lcdbaud(0) cmdSetBaud");
    for (int k = 0; k < 20; ++k)
        settings << QStringLiteral("txtMsg(%1)").arg(k);
    settings << split("cmdSetMsg cmdSaveSettings");
    QTest::newRow("LCD Settings") << 6 << settings;
    QTest::newRow("Inputs / Outputs")
        << 7
        << split("cmdReadAn(0) cmdReadAn(1) cbogpio cmdgpmode cboio(1) cboio(2) cboio(4) "
                 "cboio(8) cboio(16) cboio(32) cboio(64) cboio(128) cmdCfgIO");
}

void KeyboardTest::tabVisitsEveryPageInReadingOrder()
{
    QFETCH(int, page);
    QFETCH(QStringList, stops);
    WindowFixture f;
    QVERIFY(f.connect());
    QVERIFY(activate(f));
    featureTabs(f.window())->setCurrentIndex(page);

    // Port frame (disabled while connected), Connect, the tab strip, the page, the monitors,
    // the shared row and column lists, and round again.
    const QStringList expected =
        QStringList{QStringLiteral("tabs")} + stops +
        QString::fromLatin1("lblTxData lblRxData cboRow cboColumn cmdConnect").split(' ');
    const QStringList forward =
        walk(f.find<QPushButton>(QStringLiteral("cmdConnect")), Qt::Key_Tab);
    QCOMPARE(forward, expected);

    QStringList backward = expected;
    backward.removeLast();
    std::reverse(backward.begin(), backward.end());
    backward << QStringLiteral("cmdConnect");
    QCOMPARE(
        walk(f.find<QPushButton>(QStringLiteral("cmdConnect")), Qt::Key_Backtab, Qt::ShiftModifier),
        backward);

    // Every button a mouse could press on this page is on the way.
    const auto buttons = featureTabs(f.window())->widget(page)->findChildren<QAbstractButton *>();
    for (const QAbstractButton *button : buttons) {
        const auto *option = qobject_cast<const QRadioButton *>(button);
        if (option && !option->isChecked())
            continue;
        // The glyph grid is one stop, entered at the cell last used.
        if (button->inherits("GlyphCell") && !(button->focusPolicy() & Qt::TabFocus))
            continue;
        QVERIFY2(forward.contains(button->objectName()), qPrintable(button->objectName()));
    }
}

void KeyboardTest::tabWhileDisconnected()
{
    WindowFixture f("[Settings]\nCommPort=3\nSetting=19200,n,8,1\n");
    QVERIFY(activate(f));
    QVERIFY(f.find<QRadioButton>(QStringLiteral("opt19200"))->isChecked());
    // The pages are out of reach until the port is open; the speed options are entered at
    // the one chosen.
    QCOMPARE(walk(f.find<QPushButton>(QStringLiteral("cmdConnect")), Qt::Key_Tab),
             QString::fromLatin1("lblTxData lblRxData cboRow cboColumn opt19200 cboComm cmdConnect")
                 .split(' '));
}

void KeyboardTest::enterAndSpaceClickTheFocusedButton_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("Return on Clear LCD")
        << QStringLiteral("cmdCommand(2)") << int(Qt::Key_Return) << 0 << QByteArray("\x0D", 1);
    QTest::newRow("keypad Enter on Turn On")
        << QStringLiteral("cmdBacklight(0)") << int(Qt::Key_Enter) << int(Qt::KeypadModifier)
        << QByteArray("\xFE\x06", 2);
    QTest::newRow("Space on Set IO Direction")
        << QStringLiteral("cmdCfgIO") << int(Qt::Key_Space) << 0 << QByteArray("\xFE\x31\x00", 3);
}

void KeyboardTest::enterAndSpaceClickTheFocusedButton()
{
    QFETCH(QString, button);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QByteArray, frame);
    WindowFixture f;
    QVERIFY(f.connect());
    QVERIFY(activate(f));
    QWidget *target = f.findWidget(button);
    QVERIFY(target);
    // The button's page: the ancestor the tab control holds.
    for (QWidget *w = target; w; w = w->parentWidget()) {
        if (featureTabs(f.window())->indexOf(w) >= 0)
            featureTabs(f.window())->setCurrentWidget(w);
    }
    target->setFocus(Qt::TabFocusReason);
    QCOMPARE(focused(), target);
    press(key, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(f.received(int(frame.size())), frame);
    // Exactly one click.
    QCOMPARE(f.received(1, 300), QByteArray());
}

void KeyboardTest::enterOnConnectOpensThePort()
{
    WindowFixture f;
    QVERIFY(activate(f));
    f.find<QComboBox>(QStringLiteral("cboComm"))->setCurrentIndex(2);
    emit f.find<QComboBox>(QStringLiteral("cboComm"))->activated(2);
    f.find<QPushButton>(QStringLiteral("cmdConnect"))->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Return);
    QVERIFY(f.window().isConnected());
    press(Qt::Key_Return);
    QVERIFY(!f.window().isConnected());
}

void KeyboardTest::ctrlTabSwitchesPages_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("to");
    const int ctrl = int(Qt::ControlModifier);
    const int ctrlShift = int(Qt::ControlModifier | Qt::ShiftModifier);
    QTest::newRow("Ctrl+Tab") << 1 << int(Qt::Key_Tab) << ctrl << 2;
    QTest::newRow("Ctrl+Tab wraps to the first") << 7 << int(Qt::Key_Tab) << ctrl << 0;
    // X11 reports Shift+Tab as Backtab; other platforms keep Tab with Shift.
    QTest::newRow("Ctrl+Shift+Tab as Backtab") << 1 << int(Qt::Key_Backtab) << ctrlShift << 0;
    QTest::newRow("Ctrl+Shift+Tab as Tab") << 3 << int(Qt::Key_Tab) << ctrlShift << 2;
    QTest::newRow("Ctrl+Shift+Tab wraps to the last")
        << 0 << int(Qt::Key_Backtab) << ctrlShift << 7;
    QTest::newRow("Ctrl+PgDown") << 5 << int(Qt::Key_PageDown) << ctrl << 6;
    QTest::newRow("Ctrl+PgUp") << 5 << int(Qt::Key_PageUp) << ctrl << 4;
}

void KeyboardTest::ctrlTabSwitchesPages()
{
    QFETCH(int, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, to);
    WindowFixture f;
    QVERIFY(f.connect());
    QVERIFY(activate(f));
    QTabWidget *tabs = featureTabs(f.window());
    tabs->setCurrentIndex(from);
    // From the page's first control.
    tabs->tabBar()->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    QVERIFY(tabs->widget(from)->isAncestorOf(focused()));

    press(key, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(tabs->currentIndex(), to);
    // The focus follows onto the page shown, not left on a hidden control.
    QVERIFY2(tabs->widget(to)->isAncestorOf(focused()), qPrintable(stopName(focused())));

    // From a control outside the pages too.
    f.find<QComboBox>(QStringLiteral("cboRow"))->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(tabs->currentIndex(), (to + 1) % tabs->count());
    QCOMPARE(focused(), f.find<QComboBox>(QStringLiteral("cboRow")));
}

void KeyboardTest::ctrlTabFromTheTypedTextBoxSendsNothing()
{
    WindowFixture f;
    QVERIFY(f.connect());
    QVERIFY(activate(f));
    featureTabs(f.window())->setCurrentIndex(0);
    QWidget *box = f.findWidget(QStringLiteral("txtASCIIInput"));
    box->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(featureTabs(f.window())->currentIndex(), 1);
    // The next bytes on the wire are the next click's, nothing before them.
    QCOMPARE(stopName(focused()), QStringLiteral("cboCursor"));
    f.click(QStringLiteral("cmdCurLR(1)"));
    QCOMPARE(f.received(1), QByteArray("\x0F", 1));
}

void KeyboardTest::ctrlTabNeedsAnOpenPort()
{
    WindowFixture f;
    QVERIFY(activate(f));
    const int page = featureTabs(f.window())->currentIndex();
    f.find<QComboBox>(QStringLiteral("cboRow"))->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab, Qt::ControlModifier);
    QCOMPARE(featureTabs(f.window())->currentIndex(), page);
}

void KeyboardTest::glyphCellsFromTheKeyboard()
{
    WindowFixture f;
    QVERIFY(f.connect());
    QVERIFY(activate(f));
    featureTabs(f.window())->setCurrentIndex(kCustomCharactersPage);
    const auto rowLabel = [&f](int row) {
        return f.find<QLabel>(QStringLiteral("lblrow%1").arg(row))->text();
    };
    const auto isOn = [&f](const char *cell) {
        return controls::toBgr(controls::fill(f.findWidget(QLatin1String(cell)))) ==
               0x000000u; // black
    };

    featureTabs(f.window())->tabBar()->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr1(16)"));
    press(Qt::Key_Space);
    QVERIFY(isOn("bitmapr1(16)"));
    QCOMPARE(rowLabel(1), QStringLiteral("0x10"));

    press(Qt::Key_Right);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr1(8)"));
    press(Qt::Key_Return);
    QCOMPARE(rowLabel(1), QStringLiteral("0x18"));
    press(Qt::Key_Down);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr2(8)"));
    press(Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(rowLabel(2), QStringLiteral("0x08"));
    press(Qt::Key_Space);
    QVERIFY(!isOn("bitmapr2(8)"));
    QCOMPARE(rowLabel(2), QStringLiteral("0x00"));

    // Home and End go to the row's ends; at an edge the focus stays.
    press(Qt::Key_End);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr2(1)"));
    press(Qt::Key_Right);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr2(1)"));
    press(Qt::Key_Home);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr2(16)"));
    for (int i = 0; i < 9; ++i)
        press(Qt::Key_Down);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr8(16)"));
    press(Qt::Key_Up);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr7(16)"));

    // Tab leaves the grid in one step and comes back to the cell last used.
    press(Qt::Key_Tab);
    QCOMPARE(stopName(focused()), QStringLiteral("cmdSet"));
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr7(16)"));
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(stopName(focused()), QStringLiteral("tabs"));

    // A cell clicked with the mouse becomes the one Tab returns to.
    f.click(QStringLiteral("bitmapr5(2)"));
    QVERIFY(isOn("bitmapr5(2)"));
    featureTabs(f.window())->tabBar()->setFocus(Qt::TabFocusReason);
    press(Qt::Key_Tab);
    QCOMPARE(stopName(focused()), QStringLiteral("bitmapr5(2)"));
}

void KeyboardTest::focusIsMarkedOverFills_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("toggles");
    QTest::newRow("glyph cell, off and on") << kCustomCharactersPage << "bitmapr3(4)" << true;
    QTest::newRow("receive monitor") << 0 << "lblRxData" << false;
}

void KeyboardTest::focusIsMarkedOverFills()
{
    QFETCH(int, page);
    QFETCH(QString, control);
    QFETCH(bool, toggles);
    WindowFixture f;
    QVERIFY(f.connect());
    QVERIFY(activate(f));
    featureTabs(f.window())->setCurrentIndex(page);
    QWidget *widget = f.findWidget(control);
    const QColor mark = widget->palette().color(QPalette::Highlight);
    const auto corner = [widget] { return widget->grab().toImage().pixelColor(1, 1); };

    QVERIFY(corner() != mark);
    widget->setFocus(Qt::TabFocusReason);
    QCOMPARE(corner(), mark);
    if (toggles) {
        // Still marked when the cell is on (black).
        press(Qt::Key_Space);
        QCOMPARE(controls::toBgr(controls::fill(widget)), 0x000000u);
        QCOMPARE(corner(), mark);
    }
    f.find<QComboBox>(QStringLiteral("cboRow"))->setFocus(Qt::TabFocusReason);
    QVERIFY(corner() != mark);
}

QTEST_MAIN(KeyboardTest)
#include "tst_keyboard.moc"
