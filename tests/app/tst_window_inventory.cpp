// The window as a new user first sees it (no settings file yet): every control under its
// own name, of the right kind, on the right page and in the right frame, with its caption
// or list items, its selection and whether it can be used before Connect. Then the details
// the user sees: fonts, colours, the glyph grid, keypad and input-status positions.
#include "app/frmmain.h"
#include "config/backlightpage.h"
#include "config/lcdsettingspage.h"
#include "graphics/customcharacterspage.h"
#include "graphics/glyphcell.h"
#include "io/inputsoutputspage.h"
#include "text/textdisplaypage.h"
#include "windowfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSlider>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>

namespace
{

constexpr int kOutsideTabs = -1;

// "1", "2", ... in decimal without leading zeros.
QStringList counting(int first, int last, const QString &prefix = QString())
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items << prefix + QString::number(n);
    return items;
}

QStringList hexCodes(int first, int last)
{
    QStringList items;
    for (int n = first; n <= last; ++n)
        items << QStringLiteral("0x") + QString::number(n, 16).toUpper();
    return items;
}

QString element(const char *array, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(array)).arg(index);
}

// A control's place: the page of SSTab1 it lies on and the nearest frame around it.
int pageOf(const frmMain &window, const QWidget *widget)
{
    for (const QWidget *w = widget; w; w = w->parentWidget()) {
        const int index = featureTabs(window)->indexOf(const_cast<QWidget *>(w));
        if (index >= 0)
            return index;
    }
    return kOutsideTabs;
}

QString frameOf(const QWidget *widget)
{
    for (const QWidget *w = widget->parentWidget(); w; w = w->parentWidget()) {
        if (qobject_cast<const QGroupBox *>(w))
            return w->objectName();
    }
    return QString();
}

int px(const QWidget *widget, int twips)
{
    return qRound(twips * (widget->logicalDpiX() / 96.0) / 15.0);
}

QColor rgb(int red, int green, int blue)
{
    return QColor(red, green, blue);
}

} // namespace

class WindowInventoryTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void control_data();
    void control();
    void everyControlIsInTheInventoryOnce();
    void windowCaptionSizeAndTabs();
    void controlsStandInTheirArrangement_data();
    void controlsStandInTheirArrangement();
    void glyphGridKeypadAndInputRowPositions();
    void fontsAndColours();
    void sliderRange();
    void listsAreSelectionOnly();

private:
    std::unique_ptr<WindowFixture> m_fixture;
    QSet<QString> m_listed;
};

void WindowInventoryTest::initTestCase()
{
    m_fixture = std::make_unique<WindowFixture>();
    QVERIFY(QTest::qWaitForWindowExposed(&m_fixture->window()));
}

void WindowInventoryTest::control_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("frame");
    // Caption, or nothing to compare (null) where it depends on the machine.
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("selected"); // list: selected index; option: 1 when selected
    QTest::addColumn<int>("maxLength");

    const QStringList none;
    const auto row = [this](const QString &name, const char *kind, int page, const QString &frame,
                            const QString &caption, const QStringList &items = {},
                            int selected = -1, int maxLength = -1) {
        m_listed.insert(name);
        QTest::newRow(qPrintable(name)) << name << QString::fromLatin1(kind) << page << frame
                                        << caption << items << selected << maxLength;
    };
    const auto button = [&](const QString &name, int page, const QString &caption,
                            const QString &frame = QString()) {
        row(name, "QPushButton", page, frame, caption);
    };
    const auto label = [&](const QString &name, int page, const QString &caption,
                           const QString &frame = QString()) {
        row(name, "QLabel", page, frame, caption);
    };
    const auto list = [&](const QString &name, int page, const QStringList &items, int selected = 0,
                          const QString &frame = QString()) {
        row(name, "QComboBox", page, frame, QString(), items, selected);
    };
    const QString empty = QStringLiteral("");

    // Outside the tabs. First run: COM1 and, as the settings hold no speed, 19200 bps.
    row("fComm", "QGroupBox", kOutsideTabs, {}, "Comm Port Settings");
    row("opt9600", "QRadioButton", kOutsideTabs, "fComm", "9600 bps", none, 0);
    row("opt19200", "QRadioButton", kOutsideTabs, "fComm", "19200 bps", none, 1);
    label("Label1", kOutsideTabs, "Select Port Number", "fComm");
    list("cboComm", kOutsideTabs, counting(1, 20, QStringLiteral("COM")), 0, "fComm");
    button("cmdConnect", kOutsideTabs, "Connect");
    label("lblDevice", kOutsideTabs, QString());
    row("SSTab1", "QTabWidget", kOutsideTabs, {}, QString());
    row("Frame3", "QGroupBox", kOutsideTabs, {}, "Communication Data Monitor (HEX)");
    label("Label2", kOutsideTabs, "Transmitted Bytes", "Frame3");
    row("lblTxData", "HexMonitor", kOutsideTabs, "Frame3", empty, none, -1, 32767);
    label("Label4", kOutsideTabs, "Received Bytes", "Frame3");
    row("lblRxData", "HexMonitor", kOutsideTabs, "Frame3", empty, none, -1, 32767);
    row("Frame1", "QGroupBox", kOutsideTabs, {}, "Selected Row / Column");
    label("Label10", kOutsideTabs, "Row", "Frame1");
    list("cboRow", kOutsideTabs, counting(0, 3), 0, "Frame1");
    label("Label11", kOutsideTabs, "Column", "Frame1");
    list("cboColumn", kOutsideTabs, counting(0, 19), 0, "Frame1");

    // Page 0, "Text Display".
    row("txtASCIIInput", "QLineEdit", 0, {}, empty, none, -1, 1);
    label("Label3", 0, "Type Here to Send ASCII Text to LCD");
    const QStringList commands = {"Cursor Home", "Next Line", "Clear LCD"};
    for (int i = 0; i < 3; ++i)
        button(element("cmdCommand", i), 0, commands[i]);
    button("cmdBackSp", 0, "Back Space");
    label("Label12", 0, "Insert Custom Character");
    for (int i = 0; i < 8; ++i)
        button(element("cmdCustomChar", i), 0, QString::number(i));
    list("cboSpecial", 0, hexCodes(161, 253));
    button("cmdSC", 0, "Insert Special Character");
    button("cmdLoadCC", 0, "Load Custom Characters Bitmap");
    button("cmdClrCR(0)", 0, "Clear Selected Row");
    button("cmdClrCR(1)", 0, "Clear Selected Column");
    button("cmdDisTxt", 0, "Display Predefined Message on selected Row");
    list("cboPMsg", 0, counting(1, 20));

    // Page 1, "Cursor Control".
    label("Label5", 1, "Cursor Type");
    list("cboCursor", 1, {"Hidden", "Underline", "Blinking"});
    button("cmdSetCursor", 1, "Set Cursor Type");
    button("cmdSetPos", 1, "Set Cursor Position at Selected Row and Column");
    button("cmdCurLR(0)", 1, "Move Cursor One Position Left");
    button("cmdCurLR(1)", 1, "Move Cursor One Position Right");

    // Page 2, "Backlight Control".
    button("cmdBacklight(0)", 2, "Turn On");
    button("cmdBacklight(1)", 2, "Turn Off");
    row("Backlightlevel", "QSlider", 2, {}, QString());
    label("Label8", 2, "__");
    label("Label7", 2, "+");
    label("Label6", 2, "Adjust Brightness");

    // Page 3, "Graph".
    button("cmdInitGraph(0)", 3, "Initialize Horizontal Graph");
    button("cmdInitGraph(1)", 3, "Initialize Vertical Graph");
    label("Label13", 3, "Graph Width (Max 100 )");
    list("cboGraphWidth", 3, counting(1, 100));
    button("cmdHGraph(0)", 3, "Draw");
    button("cmdHGraph(1)", 3, "Draw");
    label("Label14", 3, "Left to Right Horizontal Graph");
    label("Label15", 3, "Right to Left Horizontal Graph");
    label("Label16", 3, "Graph Height (MAX 32)");
    list("cboGraphHeight", 3, counting(1, 32));
    button("cmdVertical", 3, "Draw Vertical Graph");

    // Page 4, "Custom Characters": everything inside Frame2.
    row("Frame2", "QGroupBox", 4, {}, "User's Defined Characters");
    for (int n = 1; n <= 8; ++n) {
        for (int weight : {16, 8, 4, 2, 1})
            row(QStringLiteral("bitmapr%1(%2)").arg(n).arg(weight), "GlyphCell", 4, "Frame2",
                QString());
        label(QStringLiteral("lblrow%1").arg(n), 4, "0x00", "Frame2");
    }
    label("Label18", 4, "Click to generate bitmap code", "Frame2");
    label("Label17", 4, "Position", "Frame2");
    list("cboUCH", 4, counting(1, 8), 0, "Frame2");
    button("cmdSet", 4, "Set All Pixels", "Frame2");
    button("cmdClr", 4, "Clear All Pixels", "Frame2");
    button("cmdLoadBitmap", 4, "Load Bitmap", "Frame2");
    button("cmdSaveBitmap", 4, "Save Bitmap", "Frame2");
    button("cmdSendBitmap", 4, "Set Bitmap to LCD", "Frame2");

    // Page 5, "BIG Numbers".
    button("cmdInitBN", 5, "Load Big Numbers Bitmap");
    row("txtBN", "QLineEdit", 5, {}, empty, none, -1, 4);
    button("cmdDrawBN", 5, "Draw Big Numbers");

    // Page 6, "LCD Settings".
    label("Label20", 6, "Select LCD Baud");
    row("lcdbaud(0)", "QRadioButton", 6, {}, "9600", none, 1);
    row("lcdbaud(1)", "QRadioButton", 6, {}, "19200", none, 0);
    button("cmdSetBaud", 6, "Set LCD Baud");
    row("Frame4", "QGroupBox", 6, {}, "User's Defined Messages");
    for (int k = 0; k < 20; ++k) {
        label(element("lblMsg", k), 6, QString::number(k + 1), "Frame4");
        row(element("txtMsg", k), "QLineEdit", 6, "Frame4", empty, none, -1, 20);
    }
    button("cmdSetMsg", 6, "Set Predefined Messages");
    button("cmdSaveSettings", 6, "Save in Flash");

    // Page 7, "Inputs / Outputs".
    button("cmdReadAn(0)", 7, "Read Analog 1");
    button("cmdReadAn(1)", 7, "Read Analog 2");
    label("Label41", 7, "ADC Value (0-1024)");
    label("lblAnVal(0)", 7, empty);
    label("lblAnVal(1)", 7, empty);
    row("Frame5", "QGroupBox", 7, {}, "IO Mode");
    list("cbogpio", 7, {"GPIO", "KEYPAD"}, 0, "Frame5");
    button("cmdgpmode", 7, "Set P2 GPIO Mode", "Frame5");
    row("fKeypad", "QGroupBox", 7, {}, "Keypad Status");
    for (int k = 0; k < 16; ++k)
        row(element("key", k), "QFrame", 7, "fKeypad", QString());
    label("Label19", 7, "4x4 Keypad", "fKeypad");
    row("Frame6", "QGroupBox", 7, {}, "Configure GPIO");
    for (int n = 1; n <= 8; ++n) {
        label(QStringLiteral("Label%1").arg(41 + n), 7, QString::number(n), "Frame6");
        list(element("cboio", 1 << (n - 1)), 7, {"IN", "OUT"}, 0, "Frame6");
    }
    button("cmdCfgIO", 7, "Set IO Direction", "Frame6");
    row("Frame7", "QGroupBox", 7, {}, "Input Status");
    for (int i = 0; i < 8; ++i)
        row(element("Shape1", i), "QFrame", 7, "Frame7", QString());
}

void WindowInventoryTest::control()
{
    QFETCH(QString, name);
    QFETCH(QString, kind);
    QFETCH(int, page);
    QFETCH(QString, frame);
    QFETCH(QString, caption);
    QFETCH(QStringList, items);
    QFETCH(int, selected);
    QFETCH(int, maxLength);

    frmMain &window = m_fixture->window();
    const QList<QWidget *> found = window.findChildren<QWidget *>(name);
    QCOMPARE(found.size(), 1);
    QWidget *widget = found.first();

    QVERIFY2(widget->inherits(kind.toLatin1()), widget->metaObject()->className());
    // Indicators are filled squares, not labels or cells.
    if (kind == QLatin1String("QFrame"))
        QCOMPARE(widget->metaObject()->className(), "Indicator");
    QCOMPARE(pageOf(window, widget), page);
    QCOMPARE(frameOf(widget), frame);

    // Before Connect only the port frame and the button can be used; everything on the tab
    // pages is greyed through SSTab1 alone, so Connect makes all of it usable at once.
    const bool onTabs = page != kOutsideTabs || widget == featureTabs(window);
    QCOMPARE(widget->isEnabled(), !onTabs);
    QVERIFY(widget->isEnabledTo(featureTabs(window)) || widget == featureTabs(window));

    if (!caption.isNull()) {
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            QCOMPARE(button->text(), caption);
        else if (auto *label = qobject_cast<QLabel *>(widget))
            QCOMPARE(label->text(), caption);
        else if (auto *group = qobject_cast<QGroupBox *>(widget))
            QCOMPARE(group->title(), caption);
        else if (auto *box = qobject_cast<QLineEdit *>(widget))
            QCOMPARE(box->text(), caption);
        else
            QFAIL("caption given for a control without one");
    }
    if (auto *list = qobject_cast<QComboBox *>(widget)) {
        QStringList shown;
        for (int i = 0; i < list->count(); ++i)
            shown << list->itemText(i);
        QCOMPARE(shown, items);
        QCOMPARE(list->currentIndex(), selected);
    }
    if (auto *option = qobject_cast<QRadioButton *>(widget))
        QCOMPARE(option->isChecked(), selected == 1);
    if (auto *box = qobject_cast<QLineEdit *>(widget))
        QCOMPARE(box->maxLength(), maxLength);
}

void WindowInventoryTest::everyControlIsInTheInventoryOnce()
{
    if (m_listed.isEmpty())
        QSKIP("the inventory is listed by control_data(), which runs first");
    QStringList unlisted;
    QSet<QString> seen;
    QStringList twice;
    for (QWidget *widget : m_fixture->window().findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        // The toolkit's own parts: the tab strip's scroll buttons, internal children.
        if (name.isEmpty() || name.startsWith(QLatin1String("qt_")) ||
            qobject_cast<QTabBar *>(widget->parentWidget()) || qobject_cast<QTabBar *>(widget) ||
            qobject_cast<QComboBox *>(widget->parentWidget()))
            continue;
        if (seen.contains(name))
            twice << name;
        seen.insert(name);
        if (!m_listed.contains(name))
            unlisted << name;
    }
    QVERIFY2(unlisted.isEmpty(), qPrintable(unlisted.join(QLatin1String(", "))));
    QVERIFY2(twice.isEmpty(), qPrintable(twice.join(QLatin1String(", "))));
    QCOMPARE(seen.size(), m_listed.size());
}

void WindowInventoryTest::windowCaptionSizeAndTabs()
{
    frmMain &window = m_fixture->window();
    QCOMPARE(window.windowTitle(), QStringLiteral("Vantel 20x4 Characters RS232 LCD Dsiplay"));
    QCOMPARE(window.size(), QSize(px(&window, 10770), px(&window, 6795)));
    QStringList tabs;
    for (int i = 0; i < featureTabs(window)->count(); ++i)
        tabs << featureTabs(window)->tabText(i);
    QCOMPARE(tabs,
             QStringList({"Text Display", "Cursor Control", "Backlight Control", "Graph",
                          "Custom Characters", "BIG Numbers", "LCD Settings", "Inputs / Outputs"}));
    QVERIFY(!featureTabs(window)->isEnabled());
    QCOMPARE(featureTabs(window)->currentIndex(), 6);
    QVERIFY(featureTabs(window)->currentWidget()->isVisible());
    // Only the page shown has visible controls.
    QVERIFY(!window.findChild<TextDisplayPage *>()->isVisible());
    QVERIFY(window.findChild<LcdSettingsPage *>()->isVisible());

    QCOMPARE(::control<HexMonitor>(window, QStringLiteral("lblTxData"))->width(),
             px(&window, 5175));
    QCOMPARE(::control<HexMonitor>(window, QStringLiteral("lblRxData"))->width(),
             px(&window, 5175));
}

void WindowInventoryTest::controlsStandInTheirArrangement_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("relation");
    QTest::addColumn<QString>("second");
    const auto rel = [](const char *first, const char *relation, const char *second) {
        QTest::newRow(qPrintable(QStringLiteral("%1 %2 %3").arg(first, relation, second)))
            << QString::fromLatin1(first) << QString::fromLatin1(relation)
            << QString::fromLatin1(second);
    };
    rel("opt9600", "left of", "opt19200");
    rel("Label1", "left of", "cboComm");
    rel("fComm", "left of", "cmdConnect");
    rel("Label2", "left of", "lblTxData");
    rel("Label4", "left of", "lblRxData");
    rel("lblTxData", "above", "lblRxData");
    rel("Frame3", "left of", "Frame1");
    rel("Label10", "left of", "cboRow");
    rel("Label11", "left of", "cboColumn");
    rel("cboRow", "above", "cboColumn");
    rel("txtASCIIInput", "above", "Label3");
    rel("cmdCommand(0)", "left of", "cmdCommand(1)");
    rel("cmdCommand(1)", "left of", "cmdCommand(2)");
    rel("cmdCommand(2)", "above", "cmdBackSp");
    for (int i = 0; i < 7; ++i)
        rel(qPrintable(element("cmdCustomChar", i)), "left of",
            qPrintable(element("cmdCustomChar", i + 1)));
    rel("Label12", "above", "cmdCustomChar(0)");
    rel("cboSpecial", "left of", "cmdSC");
    rel("cmdClrCR(0)", "above", "cmdClrCR(1)");
    rel("cmdDisTxt", "left of", "cboPMsg");
    rel("Label5", "above", "cboCursor");
    rel("cmdCurLR(0)", "above", "cmdCurLR(1)");
    rel("cmdBacklight(0)", "above", "cmdBacklight(1)");
    rel("cmdBacklight(0)", "left of", "Backlightlevel");
    rel("Label8", "above", "Backlightlevel");
    rel("Backlightlevel", "left of", "Label7");
    rel("Backlightlevel", "above", "Label6");
    rel("cmdInitGraph(0)", "above", "cmdInitGraph(1)");
    rel("cmdInitGraph(0)", "left of", "cboGraphWidth");
    rel("Label13", "above", "cboGraphWidth");
    rel("cboGraphWidth", "left of", "cmdHGraph(0)");
    rel("cmdHGraph(0)", "above", "cmdHGraph(1)");
    rel("cmdHGraph(0)", "left of", "Label14");
    rel("cmdHGraph(1)", "left of", "Label15");
    rel("Label16", "above", "cboGraphHeight");
    rel("cboGraphHeight", "left of", "cmdVertical");
    rel("cmdInitBN", "left of", "txtBN");
    rel("txtBN", "left of", "cmdDrawBN");
    rel("Label20", "above", "lcdbaud(0)");
    rel("lcdbaud(0)", "above", "lcdbaud(1)");
    rel("lcdbaud(1)", "above", "cmdSetBaud");
    rel("Frame4", "above", "cmdSetMsg");
    rel("Frame4", "above", "cmdSaveSettings");
    rel("cmdSetMsg", "left of", "cmdSaveSettings");
    // Four columns of five messages, numbered down each column, each behind its number.
    for (int k = 0; k < 20; ++k) {
        rel(qPrintable(element("lblMsg", k)), "left of", qPrintable(element("txtMsg", k)));
        if (k % 5 != 4)
            rel(qPrintable(element("txtMsg", k)), "above", qPrintable(element("txtMsg", k + 1)));
        if (k < 15)
            rel(qPrintable(element("txtMsg", k)), "left of", qPrintable(element("txtMsg", k + 5)));
    }
    rel("cmdReadAn(0)", "above", "cmdReadAn(1)");
    rel("cmdReadAn(0)", "left of", "lblAnVal(0)");
    rel("cmdReadAn(1)", "left of", "lblAnVal(1)");
    rel("Label41", "above", "lblAnVal(0)");
    rel("lblAnVal(0)", "above", "lblAnVal(1)");
    rel("cmdReadAn(1)", "above", "Frame5");
    rel("cmdReadAn(0)", "left of", "fKeypad");
    rel("fKeypad", "left of", "Frame6");
    rel("Frame6", "above", "Frame7");
    rel("cbogpio", "left of", "cmdgpmode");
    // Pins 1 to 4 in the upper row, 5 to 8 below, each list under its number.
    for (int n = 1; n <= 8; ++n) {
        rel(qPrintable(QStringLiteral("Label%1").arg(41 + n)), "above",
            qPrintable(element("cboio", 1 << (n - 1))));
        if (n % 4 != 0)
            rel(qPrintable(element("cboio", 1 << (n - 1))), "left of",
                qPrintable(element("cboio", 1 << n)));
        if (n <= 4)
            rel(qPrintable(element("cboio", 1 << (n - 1))), "above",
                qPrintable(element("cboio", 1 << (n + 3))));
    }
    rel("cboio(8)", "left of", "cmdCfgIO");
}

void WindowInventoryTest::controlsStandInTheirArrangement()
{
    QFETCH(QString, first);
    QFETCH(QString, relation);
    QFETCH(QString, second);
    frmMain &window = m_fixture->window();
    QWidget *a = m_fixture->findWidget(first);
    QWidget *b = m_fixture->findWidget(second);
    QVERIFY(a && b);
    const QRect ra(a->mapTo(&window, QPoint()), a->size());
    const QRect rb(b->mapTo(&window, QPoint()), b->size());
    const auto text = [&] {
        return QStringLiteral("%1 at %2,%3 %4x%5; %6 at %7,%8 %9x%10")
            .arg(first)
            .arg(ra.x())
            .arg(ra.y())
            .arg(ra.width())
            .arg(ra.height())
            .arg(second)
            .arg(rb.x())
            .arg(rb.y())
            .arg(rb.width())
            .arg(rb.height());
    };
    if (relation == QLatin1String("left of")) {
        // Wholly to the left, and beside it: their rows share some height.
        QVERIFY2(ra.right() < rb.left(), qPrintable(text()));
        QVERIFY2(ra.top() <= rb.bottom() && rb.top() <= ra.bottom(), qPrintable(text()));
    } else {
        // Wholly above, and their columns share some width.
        QVERIFY2(ra.bottom() < rb.top(), qPrintable(text()));
        QVERIFY2(ra.left() <= rb.right() && rb.left() <= ra.right(), qPrintable(text()));
    }
}

void WindowInventoryTest::glyphGridKeypadAndInputRowPositions()
{
    const auto at = [&](const char *name) { return m_fixture->findWidget(QLatin1String(name)); };
    const auto place = [&](QWidget *w, int left, int top) {
        return QPoint(px(w, left), px(w, top));
    };
    QWidget *frame2 = at("Frame2");
    QVERIFY(frame2);

    // Glyph cells, 135 twips square on a pitch of 120: bit weights 16 .. 1 from left to
    // right, rows 1 .. 8 from the top. The row labels beside them on a pitch of 240.
    const int weights[] = {16, 8, 4, 2, 1};
    const int cellLeft[] = {360, 480, 600, 720, 840};
    const int cellTop[] = {360, 480, 600, 720, 840, 960, 1080, 1200};
    const int labelTop[] = {360, 600, 840, 1080, 1320, 1560, 1800, 2040};
    for (int n = 1; n <= 8; ++n) {
        for (int c = 0; c < 5; ++c) {
            QWidget *cell =
                m_fixture->findWidget(QStringLiteral("bitmapr%1(%2)").arg(n).arg(weights[c]));
            QVERIFY(cell);
            QCOMPARE(cell->parentWidget(), frame2);
            QCOMPARE(cell->pos(), place(cell, cellLeft[c], cellTop[n - 1]));
            QCOMPARE(cell->size(), QSize(px(cell, 135), px(cell, 135)));
        }
        QWidget *label = m_fixture->findWidget(QStringLiteral("lblrow%1").arg(n));
        QCOMPARE(label->pos(), place(label, 1320, labelTop[n - 1]));
    }
    // The rest of the editor's frame keeps its left and top edges.
    const struct {
        const char *name;
        int left;
        int top;
    } editor[] = {{"Label18", 120, 1560},        {"cmdSet", 2640, 840},
                  {"cmdClr", 2640, 1440},        {"Label17", 3120, 360},
                  {"cboUCH", 3840, 360},         {"cmdLoadBitmap", 3720, 840},
                  {"cmdSaveBitmap", 3720, 1440}, {"cmdSendBitmap", 5040, 840}};
    for (const auto &control : editor) {
        QWidget *w = at(control.name);
        QCOMPARE(w->parentWidget(), frame2);
        QVERIFY2(w->pos() == place(w, control.left, control.top), control.name);
    }

    // Keypad: the key at each place of the grid, rows from the top, columns from the left;
    // both run 360, 720, 1080, 1440 twips into the frame. The indices are not in reading
    // order: each column holds four consecutive keys.
    const int keypadGrid[4][4] = {{0, 4, 8, 12}, {3, 7, 11, 15}, {1, 5, 9, 13}, {2, 6, 10, 14}};
    const int gridLine[] = {360, 720, 1080, 1440};
    QWidget *keypad = at("fKeypad");
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            QWidget *key = m_fixture->findWidget(element("key", keypadGrid[row][column]));
            QCOMPARE(key->parentWidget(), keypad);
            QCOMPARE(key->pos(), place(key, gridLine[column], gridLine[row]));
            QCOMPARE(key->size(), QSize(px(key, 255), px(key, 255)));
        }
    }
    // Input status: one row, Shape1(0) leftmost.
    const int inputLeft[] = {240, 600, 960, 1320, 1680, 2040, 2400, 2760};
    QWidget *inputs = at("Frame7");
    for (int i = 0; i < 8; ++i) {
        QWidget *shape = m_fixture->findWidget(element("Shape1", i));
        QCOMPARE(shape->parentWidget(), inputs);
        QCOMPARE(shape->pos(), place(shape, inputLeft[i], 360));
        QCOMPARE(shape->size(), QSize(px(shape, 255), px(shape, 255)));
    }
}

void WindowInventoryTest::fontsAndColours()
{
    frmMain &window = m_fixture->window();
    const QFont font = window.font();
    QCOMPARE(font.pointSizeF(), 8.25);
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (widget->objectName().isEmpty() || widget->objectName().startsWith(QLatin1String("qt_")))
            continue;
        const bool big = widget->objectName() == QLatin1String("txtASCIIInput") ||
                         widget->objectName() == QLatin1String("txtBN");
        // The two boxes are larger, in the same face as the rest of the window.
        QVERIFY2(widget->font().pointSizeF() == (big ? 14.25 : 8.25),
                 qPrintable(widget->objectName()));
        QVERIFY2(widget->font().family() == font.family(), qPrintable(widget->objectName()));
        QVERIFY2(widget->font().stretch() == font.stretch(), qPrintable(widget->objectName()));
    }

    // Monitors: light yellow, dark blue text.
    for (const char *name : {"lblTxData", "lblRxData"}) {
        QWidget *monitor = m_fixture->findWidget(QLatin1String(name));
        QVERIFY(monitor->autoFillBackground());
        QCOMPARE(monitor->palette().color(QPalette::Window), rgb(255, 255, 192));
        QCOMPARE(monitor->palette().color(QPalette::WindowText), rgb(0, 0, 192));
    }
    // The typing box is green where its text goes.
    QWidget *typing = m_fixture->findWidget(QStringLiteral("txtASCIIInput"));
    QCOMPARE(typing->palette().color(QPalette::Base), rgb(0, 255, 0));

    const auto filled = [](QWidget *w, const QColor &colour) {
        return w->autoFillBackground() && w->palette().color(QPalette::Window) == colour;
    };
    for (int n = 1; n <= 8; ++n) {
        for (int weight : {16, 8, 4, 2, 1}) {
            QWidget *cell =
                m_fixture->findWidget(QStringLiteral("bitmapr%1(%2)").arg(n).arg(weight));
            QVERIFY2(filled(cell, rgb(128, 255, 128)), qPrintable(cell->objectName()));
        }
    }
    for (int i = 0; i < 8; ++i)
        QVERIFY(filled(m_fixture->findWidget(element("Shape1", i)), rgb(255, 255, 255)));
    const QColor windowBackground = QApplication::palette().color(QPalette::Window);
    for (int k = 0; k < 16; ++k)
        QVERIFY(filled(m_fixture->findWidget(element("key", k)), windowBackground));
    for (int i = 0; i < 2; ++i) {
        auto *value = qobject_cast<QLabel *>(m_fixture->findWidget(element("lblAnVal", i)));
        QVERIFY(filled(value, rgb(255, 255, 255)));
        QCOMPARE(value->frameShape(), QFrame::Box);
        QVERIFY(value->alignment() & Qt::AlignRight);
    }
}

void WindowInventoryTest::sliderRange()
{
    auto *slider = m_fixture->find<QSlider>(QStringLiteral("Backlightlevel"));
    QVERIFY(slider);
    QCOMPARE(slider->orientation(), Qt::Horizontal);
    QCOMPARE(slider->minimum(), 0);
    QCOMPARE(slider->maximum(), 250);
    QCOMPARE(slider->singleStep(), 1);
    QCOMPARE(slider->pageStep(), 5);
    QCOMPARE(slider->value(), 0);
}

void WindowInventoryTest::listsAreSelectionOnly()
{
    // No list takes typed text, so none can be left without a selection by typing.
    const auto lists = m_fixture->window().findChildren<QComboBox *>();
    QCOMPARE(lists.size(), 18);
    for (QComboBox *list : lists)
        QVERIFY2(!list->isEditable(), qPrintable(list->objectName()));
}

QTEST_MAIN(WindowInventoryTest)
#include "tst_window_inventory.moc"
