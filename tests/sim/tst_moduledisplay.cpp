// The virtual module's window, checked without eyes: the dots its display lights for
// known frames against what the model holds and against cells written out by hand, the
// painted picture sampled at every dot, what a change costs to draw, and the controls
// around the display.

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include "glasscheck.h"
#include "protocol/framedescriber.h"
#include "simulator.h"
#include "window/displayview.h"
#include "window/glass.h"
#include "window/modulewindow.h"
#include "window/outsideworldpanel.h"

using simtool::DisplayView;

namespace
{

QByteArray h(const char *hex)
{
    return QByteArray::fromHex(hex);
}

void feed(sim::ModuleModel &model, const QByteArray &bytes)
{
    model.feed(std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                         static_cast<std::size_t>(bytes.size())));
}

// FE 64 with slot 3 an arrow, the other slots blank.
QByteArray arrowInSlot3()
{
    QByteArray table(proto::kGlyphTableSize, '\0');
    table.replace(3 * 8, 8, h("040E150404040400"));
    return h("FE64") + table;
}

} // namespace

class TestModuleDisplay : public QObject
{
    Q_OBJECT

private slots:
    void knownFrames_data();
    void knownFrames();
    void onlyChangedCellsRepaint_data();
    void onlyChangedCellsRepaint();
    void blinkingCursorFlipsOneCellAndRestsOtherwise();
    void backlightChangesThePanelLegibly();
    void controlsAndKeysDriveTheModule();
    void pictureCopiedAndSaved();
};

void TestModuleDisplay::knownFrames_data()
{
    QTest::addColumn<QByteArray>("frames");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("dots");

    const QByteArray text = "Hi";
    QTest::newRow("custom glyph uploaded and written")
        << arrowInSlot3() + h("FE32010503") << 1 << 5
        << "..#.. .###. #.#.# ..#.. ..#.. ..#.. ..#.. .....";
    const QByteArray horizontal = h("FE04FE320200FE2B0C"); // 12 columns: 2 cells and 2 dots
    QTest::newRow("horizontal bar, solid cell")
        << horizontal << 2 << 1 << "##### ##### ##### ##### ##### ##### ##### #####";
    QTest::newRow("horizontal bar, partial cell")
        << horizontal << 2 << 2 << "##... ##... ##... ##... ##... ##... ##... ##...";
    const QByteArray vertical = h("FE05FE33070B"); // 11 rows: one cell and 3 dots
    QTest::newRow("vertical bar, partial cell")
        << vertical << 2 << 7 << "..... ..... ..... ..... ..... ##### ##### #####";
    const QByteArray big = h("FE09FE63") + "2026";
    QTest::newRow("big number 2, upper bar")
        << big << 0 << 1 << "##### ##### ##### ..... ..... ..... ..... .....";
    QTest::newRow("text from the 5x7 table, eighth row dark")
        << text << 0 << 0 << "#..#. #..#. ####. #..#. #..#. #..#. ..... .....";
    QTest::newRow("underline cursor after the text")
        << text << 0 << 2 << "..... ..... ..... ..... ..... ..... ..... #####";
    QTest::newRow("blinking cursor in its on phase")
        << h("FE03") + text << 0 << 2 << "##### ##### ##### ##### ##### ##### ##### #####";
    QTest::newRow("hidden cursor")
        << h("FE01") + text << 0 << 2 << "..... ..... ..... ..... ..... ..... ..... .....";
    QTest::newRow("Windows-1252 letter from the same table")
        << QByteArray("\xE9") << 0 << 0 << "..#.. .#... .##.. #.##. ##... .##.. ..... .....";
    // Only a stored message puts a code below 20 on the screen; it must not vanish.
    QTest::newRow("code without dots: a checkerboard")
        << h("FEC8") + QByteArray("\x10") + QByteArray(19, ' ') + h("FE340001FE320313") << 0 << 0
        << "#.#.# .#.#. #.#.# .#.#. #.#.# .#.#. #.#.# .#.#.";
}

void TestModuleDisplay::knownFrames()
{
    QFETCH(QByteArray, frames);
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, dots);

    sim::ModuleModel model;
    // The view starts on a blank screen and then draws only what changed.
    DisplayView view(&model);
    QVERIFY(!view.grab().isNull());
    feed(model, frames);
    view.refresh();

    const simtool::DisplayDots shown = simtool::renderDots(model, true);
    QCOMPARE(shown.cell(row, column), glyphFromArt(dots));
    // Every cell showing a slot shows the slot's dots as the model holds them.
    const auto &display = model.display();
    for (int r = 0; r < proto::kRows; ++r)
        for (int c = 0; c < proto::kColumns; ++c)
            if (display.cell(r, c) <= proto::kLastCustomChar &&
                (r != display.cursorRow() || c != display.cursorColumn()))
                QCOMPARE(shown.cell(r, c), model.glyphs()[display.cell(r, c)]);

    for (int scale : {1, 3}) {
        view.setScale(scale);
        const QImage painted = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
        const QString mismatch = firstDotMismatch(painted, view.dots(), scale);
        QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
        QCOMPARE(view.picture(), painted); // what copy and save give is what shows
    }
}

void TestModuleDisplay::onlyChangedCellsRepaint_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<QByteArray>("change");
    QTest::addColumn<int>("cells");

    QTest::newRow("a character: its cell and the cursor's next") << QByteArray() << h("41") << 2;
    QTest::newRow("a character, cursor hidden") << h("FE01") << h("41") << 1;
    QTest::newRow("the cursor moves") << QByteArray("Hi") << h("FE320313") << 2;
    QTest::newRow("nothing new: the cursor already underlines")
        << QByteArray("Hi") << h("FE02") << 0;
    QTest::newRow("a row cleared: the cells that held something")
        << QByteArray("Hi") << h("FE2D00") << 2;
    QTest::newRow("a new glyph: every cell that shows its slot")
        << QByteArray(proto::kGlyphTableSize + 2, '\0').replace(0, 2, h("FE64")) + h("000000")
        << h("FE64") + QByteArray(8, '\x1F') + QByteArray(56, '\0') << 3;
    QTest::newRow("backlight level: the whole panel") << QByteArray() << h("FE2840") << 80;
    QTest::newRow("backlight off: the whole panel") << QByteArray() << h("FE07") << 80;
}

void TestModuleDisplay::onlyChangedCellsRepaint()
{
    QFETCH(QByteArray, before);
    QFETCH(QByteArray, change);
    QFETCH(int, cells);

    sim::ModuleModel model;
    feed(model, before);
    DisplayView view(&model);
    QVERIFY(!view.grab().isNull());
    const int painted = view.cellsPainted();
    feed(model, change);
    view.refresh();
    const QImage after = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(view.cellsPainted() - painted, cells);
    const QString mismatch = firstDotMismatch(after, simtool::renderDots(model, true), 2);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));
}

void TestModuleDisplay::blinkingCursorFlipsOneCellAndRestsOtherwise()
{
    sim::ModuleModel model;
    feed(model, h("FE03") + "Hi");
    DisplayView view(&model);
    QVERIFY(!view.grab().isNull());
    const int first = view.cellsPainted();
    QTRY_VERIFY_WITH_TIMEOUT(view.cellsPainted() > first, 4 * DisplayView::kBlinkMs);
    QCOMPARE(view.cellsPainted(), first + 1);
    QCOMPARE(view.dots().cell(0, 2), sim::Glyph{}); // the off phase shows the blank cell

    feed(model, h("FE02"));
    view.refresh();
    const int resting = view.cellsPainted();
    QTest::qWait(3 * DisplayView::kBlinkMs); // no blink timer may run now
    QCOMPARE(view.cellsPainted(), resting);
}

void TestModuleDisplay::backlightChangesThePanelLegibly()
{
    // Darker to brighter: off, then on at rising levels.
    const QList<simtool::GlassColours> panels = {
        simtool::glassColours(false, 250), simtool::glassColours(true, 0),
        simtool::glassColours(true, 125), simtool::glassColours(true, 250)};
    // Relative luminance, as contrast ratios are reckoned.
    const auto luminance = [](const QColor &c) {
        const auto linear = [](double v) {
            return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
    };
    for (qsizetype i = 0; i < panels.size(); ++i) {
        const double panel = luminance(panels[i].panel);
        if (i > 0)
            QVERIFY2(panel > luminance(panels[i - 1].panel) * 1.15, qPrintable(QString::number(i)));
        // Lit dots stay legible: a contrast of at least 3 to the panel.
        QVERIFY((panel + 0.05) / (luminance(panels[i].lit) + 0.05) >= 3.0);
        QVERIFY(panels[i].unlit != panels[i].panel && panels[i].unlit != panels[i].lit);
    }

    sim::ModuleModel model;
    DisplayView view(&model);
    QVERIFY(!view.grab().isNull());
    feed(model, h("FE07"));
    view.refresh();
    QCOMPARE(view.grab().toImage().pixel(0, 0), panels[0].panel.rgb());
    feed(model, h("FE06FE2800"));
    view.refresh();
    QCOMPARE(view.grab().toImage().pixel(0, 0), panels[1].panel.rgb());
}

void TestModuleDisplay::controlsAndKeysDriveTheModule()
{
    simtool::PtyPort port;
    QVERIFY2(port.open(QString()), qPrintable(port.errorString()));
    simtool::Simulator simulator(&port);
    simtool::ModuleWindow window(&simulator);
    simulator.start();
    const int line =
        ::open(QFile::encodeName(port.slavePath()).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    QVERIFY(line >= 0);
    termios raw{};
    ::tcgetattr(line, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(line, TCSANOW, &raw);
    QByteArray replies;
    const auto repliesHave = [&](const QByteArray &bytes) {
        char buffer[64];
        for (ssize_t n; (n = ::read(line, buffer, sizeof buffer)) > 0;)
            replies.append(buffer, n);
        return replies.endsWith(bytes);
    };
    simtool::OutsideWorldPanel &panel = *window.outsideWorld();

    // Keypad: a key is held while its button is pressed.
    simulator.receive(h("FE30FE"));
    std::array<bool, sim::kKeypadKeys> keys{};
    keys[5] = true;
    QCOMPARE(panel.keyButton(6)->text(), QStringLiteral("6")); // row 2, column 2
    QTest::mousePress(panel.keyButton(6), Qt::LeftButton);
    QVERIFY(simulator.model().key(6));
    QCOMPARE(proto::keysDown(sim::keypadStateReply(keys)), std::vector<int>{6});
    QTRY_VERIFY(repliesHave(sim::keypadStateReply(keys).bytes()));
    QTest::mouseRelease(panel.keyButton(6), Qt::LeftButton);
    QVERIFY(!simulator.model().key(6));
    QTRY_VERIFY(repliesHave(sim::keypadStateReply({}).bytes()));

    // ... and while its key is down; the key's own repeats do not hold it again.
    QTest::keyPress(&window, Qt::Key_A, Qt::NoModifier);
    QVERIFY(simulator.model().key(10));
    QTRY_VERIFY(panel.keyButton(10)->isDown());
    QTest::keyRelease(&window, Qt::Key_A, Qt::NoModifier);
    QVERIFY(!simulator.model().key(10));
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"), true);
    QApplication::sendEvent(&window, &repeat);
    QVERIFY(!simulator.model().key(10));
    QTRY_VERIFY(!panel.keyButton(10)->isDown());

    // Pins: an output cannot be toggled; an input can, and reports.
    simulator.receive(h("FE30FFFE3101"));
    QTRY_VERIFY(!panel.pinButton(0)->isEnabled());
    QVERIFY(panel.pinButton(1)->isEnabled());
    QTest::mouseClick(panel.pinButton(1), Qt::LeftButton);
    QVERIFY(simulator.model().inputPin(1));
    QTRY_VERIFY(repliesHave(h("FC0002")));

    // Analog: the slider sends a reading; a key step moves the slider.
    panel.analogSlider(0)->setValue(700);
    QTRY_VERIFY(repliesHave(h("FA02BC")));
    QTest::keyClick(&window, Qt::Key_BracketRight);
    QCOMPARE(simulator.model().analog(1), simtool::kAnalogStep);
    QTRY_COMPARE(panel.analogSlider(1)->value(), simtool::kAnalogStep);

    // The frame log has the frames in words.
    QTRY_VERIFY(window.log()->toPlainText().contains(QStringLiteral("FE 31 01")));
    ::close(line);
}

void TestModuleDisplay::pictureCopiedAndSaved()
{
    simtool::PtyPort port;
    QVERIFY(port.open(QString()));
    simtool::Simulator simulator(&port);
    simtool::ModuleWindow window(&simulator);
    simulator.receive(h("FE09FE63") + "1234");
    QTRY_COMPARE(window.display()->dots(), simtool::renderDots(simulator.model(), true));
    window.setScale(3);
    const QImage picture = window.display()->picture();
    QCOMPARE(picture.size(), simtool::GlassGeometry(3).size());

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("display.png"));
    QVERIFY(window.saveDisplay(path));
    QCOMPARE(QImage(path).convertToFormat(QImage::Format_RGB32), picture);
    QVERIFY(!window.saveDisplay(dir.filePath(QStringLiteral("no/such/folder/display.png"))));

    window.copyDisplay();
    QCOMPARE(QGuiApplication::clipboard()->image().convertToFormat(QImage::Format_RGB32), picture);
}

QTEST_MAIN(TestModuleDisplay)
#include "tst_moduledisplay.moc"
