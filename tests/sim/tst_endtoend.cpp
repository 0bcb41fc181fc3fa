// The whole utility against the virtual module: the real window (offscreen) is clicked
// and typed at like a user would, its bytes travel through a pseudo-terminal into the
// module model, and the model's replies travel back. Each case checks what the module
// ends up showing or holding, or what the window shows of the module's answer.

#include "app/frmmain.h"
#include "config/backlightpage.h"
#include "framecheck.h"
#include "io/inputsoutputspage.h"
#include "modulepump.h"
#include "record/linelog.h"
#include "widgets/controls.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include <memory>

namespace
{

constexpr int kTimeoutMs = 5000;
constexpr int kRows = 4;
constexpr int kColumns = 20;
constexpr int kMessages = 20;
constexpr unsigned kWhite = 0xFFFFFF;
constexpr unsigned kRed = 0x0000FF;
const QString kBlankRow(kColumns, QLatin1Char(' '));
const QString kAlphabet = QStringLiteral("abcdefghijklmnopqrst");

QString padded(const QString &text)
{
    return text.leftJustified(kColumns, QLatin1Char(' '));
}

// A row as rowText() shows it, written with '#' for the solid block (code FF).
QString cells(QString text)
{
    return text.replace(QLatin1Char('#'), QChar(sim::kSolidBlock));
}

unsigned colourOf(const QWidget *widget)
{
    return controls::toBgr(controls::fill(widget));
}

} // namespace

Q_DECLARE_METATYPE(sim::GlyphSet)

class EndToEndTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void typedTextAppearsAndWraps();
    void screenCommands_data();
    void screenCommands();
    void drawnGlyphLandsInItsSlot();
    void barsAndBigNumbersAreDrawn_data();
    void barsAndBigNumbersAreDrawn();
    void twentyMessagesArriveAndOneShowsOnRowThree();
    void saveInFlashIsAcknowledged();
    void keypadPressLightsItsIndicator_data();
    void keypadPressLightsItsIndicator();
    void inputPinsShowWithTheirDirections();
    void analogReadingShows_data();
    void analogReadingShows();
    void backlightReachesTheModule();

private:
    std::unique_ptr<WindowFixture> m_f;
    std::unique_ptr<ModulePump> m_pump;
};

void EndToEndTest::init()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->connect());
    m_pump = std::make_unique<ModulePump>(m_f->peer());
}

void EndToEndTest::cleanup()
{
    m_pump.reset();
    m_f.reset();
}

void EndToEndTest::typedTextAppearsAndWraps()
{
    m_f->type(QStringLiteral("Hi"));
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->rowText(0), padded(QStringLiteral("Hi")), kTimeoutMs);
    QCOMPARE(m_pump->model().display().cursorColumn(), 2);

    // Past the end of row 0 the text goes on at the start of row 1.
    m_f->type(QString(18, QLatin1Char('.')) + QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->rowText(1), padded(QStringLiteral("ok")), kTimeoutMs);
    QCOMPARE(m_pump->rowText(0), QStringLiteral("Hi") + QString(18, QLatin1Char('.')));
}

void EndToEndTest::screenCommands_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<QString>("typedAfter");
    QTest::addColumn<QStringList>("expected");

    const QString full = kAlphabet;
    const QString blank = kBlankRow;
    QTest::newRow("Clear LCD, then text starts at home")
        << 2 << 5 << QStringList{"cmdSetPos", "cmdCommand(2)"} << "Z"
        << QStringList{padded("Z"), blank, blank, blank};
    QTest::newRow("Cursor Home") << 2 << 5 << QStringList{"cmdSetPos", "cmdCommand(0)"} << "Z"
                                 << QStringList{"Z" + full.mid(1), full, full, full};
    QTest::newRow("Next Line from row 3 goes to row 0")
        << 3 << 9 << QStringList{"cmdSetPos", "cmdCommand(1)"} << "Z"
        << QStringList{"Z" + full.mid(1), full, full, full};
    QTest::newRow("Set position row 2 column 5")
        << 2 << 5 << QStringList{"cmdSetPos"} << "XY"
        << QStringList{full, full, "abcdeXYhijklmnopqrst", full};
    QTest::newRow("Set position at the last cell, then wrap to home")
        << 3 << 19 << QStringList{"cmdSetPos"} << "XY"
        << QStringList{"Y" + full.mid(1), full, full, full.left(19) + "X"};
    QTest::newRow("Back Space and cursor moves")
        << 1 << 4 << QStringList{"cmdSetPos", "cmdBackSp", "cmdCurLR(0)", "cmdCurLR(1)"} << "Z"
        << QStringList{full, "abcZefghijklmnopqrst", full, full};
    QTest::newRow("Clear Selected Row 1") << 1 << 7 << QStringList{"cmdClrCR(0)"} << QString()
                                          << QStringList{full, blank, full, full};
    QTest::newRow("Clear Selected Column 7")
        << 1 << 7 << QStringList{"cmdClrCR(1)"} << QString()
        << QStringList(kRows, QStringLiteral("abcdefg ijklmnopqrst"));
}

void EndToEndTest::screenCommands()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QStringList, buttons);
    QFETCH(QString, typedAfter);
    QFETCH(QStringList, expected);

    // Eighty characters fill the screen and bring the cursor back home: the screen never
    // scrolls.
    m_f->type(kAlphabet.repeated(kRows));
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->screen(), QStringList(kRows, kAlphabet), kTimeoutMs);
    QCOMPARE(m_pump->model().display().cursorRow(), 0);
    QCOMPARE(m_pump->model().display().cursorColumn(), 0);

    m_f->find<QComboBox>(QStringLiteral("cboRow"))->setCurrentIndex(row);
    m_f->find<QComboBox>(QStringLiteral("cboColumn"))->setCurrentIndex(column);
    for (const QString &button : buttons)
        m_f->click(button);
    m_f->type(typedAfter);
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->screen(), expected, kTimeoutMs);
}

void EndToEndTest::drawnGlyphLandsInItsSlot()
{
    // A hollow box: top and bottom rows full, the sides in between.
    const sim::Glyph box = {31, 17, 17, 17, 17, 17, 17, 31};
    for (int row = 1; row <= 8; ++row) {
        for (int weight : {16, 8, 4, 2, 1}) {
            if (box[static_cast<std::size_t>(row - 1)] & weight)
                m_f->click(QStringLiteral("bitmapr%1(%2)").arg(row).arg(weight));
        }
    }
    QVERIFY(framecheck::select(*m_f, QStringLiteral("cboUCH=2"))); // position 3: slot 2
    m_f->click(QStringLiteral("cmdSaveBitmap"));
    m_f->click(QStringLiteral("cmdSendBitmap"));

    sim::GlyphTable expected{};
    expected[2] = box;
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->model().glyphs(), expected, kTimeoutMs);
    QCOMPARE(m_pump->model().flashGlyphs(), expected);

    // Character 2 shows the slot; bars take the slots over and Load Custom Characters
    // Bitmap brings the glyph back.
    m_f->click(QStringLiteral("cmdCustomChar(2)"));
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->rowText(0), padded(QStringLiteral("2")), kTimeoutMs);
    m_f->click(QStringLiteral("cmdInitGraph(0)"));
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->model().glyphSet(), sim::GlyphSet::HorizontalBars,
                              kTimeoutMs);
    m_f->click(QStringLiteral("cmdLoadCC"));
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->model().glyphSet(), sim::GlyphSet::Custom, kTimeoutMs);
    QCOMPARE(m_pump->model().glyphs(), expected);
}

void EndToEndTest::barsAndBigNumbersAreDrawn_data()
{
    QTest::addColumn<QStringList>("steps"); // "name=index" picks a list item, else a click
    QTest::addColumn<QString>("bigNumber");
    QTest::addColumn<sim::GlyphSet>("glyphs");
    QTest::addColumn<QStringList>("expected");

    const QString blank = kBlankRow;
    // Partial cells are slot numbers: 2 is three dot columns from the left, 5 two from
    // the right, 3 four dot rows from the bottom.
    QTest::newRow("bar of 13 from the left on the cursor's row")
        << QStringList{"cboRow=1", "cmdSetPos", "cmdInitGraph(0)", "cboGraphWidth=12",
                       "cmdHGraph(0)"}
        << QString() << sim::GlyphSet::HorizontalBars
        << QStringList{blank, padded(cells("##2")), blank, blank};
    QTest::newRow("bar of 7 from the right")
        << QStringList{"cmdInitGraph(0)", "cboGraphWidth=6", "cmdHGraph(1)"} << QString()
        << sim::GlyphSet::HorizontalBars
        << QStringList{cells(QString(18, ' ') + "5#"), blank, blank, blank};
    QTest::newRow("vertical bar of 12 in column 4")
        << QStringList{"cmdInitGraph(1)", "cboColumn=4", "cboGraphHeight=11", "cmdVertical"}
        << QString() << sim::GlyphSet::VerticalBars
        << QStringList{blank, blank, padded("    3"), padded(cells("    #"))};
    QTest::newRow("big number with an exponent mark, right-aligned")
        << QStringList{"cmdInitBN"} << "1D2" << sim::GlyphSet::BigNumbers
        << QStringList{cells("      0#   #0   00# "), cells("       #   # #  11# "),
                       cells("       #   # #  #   "), cells("      1#1  #1   #11 ")};
}

void EndToEndTest::barsAndBigNumbersAreDrawn()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, bigNumber);
    QFETCH(sim::GlyphSet, glyphs);
    QFETCH(QStringList, expected);
    for (const QString &step : steps) {
        if (step.contains(QLatin1Char('=')))
            QVERIFY(framecheck::select(*m_f, step));
        else
            m_f->click(step);
    }
    if (!bigNumber.isEmpty()) {
        m_f->find<QLineEdit>(QStringLiteral("txtBN"))->setText(bigNumber);
        m_f->click(QStringLiteral("cmdDrawBN"));
    }
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->screen(), expected, kTimeoutMs);
    QCOMPARE(m_pump->model().glyphSet(), glyphs);
}

void EndToEndTest::twentyMessagesArriveAndOneShowsOnRowThree()
{
    for (int k = 0; k < kMessages; ++k)
        m_f->find<QLineEdit>(QStringLiteral("txtMsg(%1)").arg(k))
            ->setText(QStringLiteral("Message %1").arg(k + 1));
    // The upload is paced (one message per tick) and goes on after the click returns.
    m_f->click(QStringLiteral("cmdSetMsg"));
    for (int k = 0; k < kMessages; ++k) {
        const sim::Message &stored =
            m_pump->model().settings().messages[static_cast<std::size_t>(k)];
        QTRY_COMPARE_WITH_TIMEOUT(QString::fromLatin1(reinterpret_cast<const char *>(stored.data()),
                                                      static_cast<qsizetype>(stored.size())),
                                  padded(QStringLiteral("Message %1").arg(k + 1)), kTimeoutMs);
    }

    m_f->type(kAlphabet.repeated(kRows - 1));
    m_f->find<QComboBox>(QStringLiteral("cboRow"))->setCurrentIndex(3);
    for (int number : {7, 20, 1}) {
        QVERIFY(framecheck::select(*m_f, QStringLiteral("cboPMsg=%1").arg(number - 1)));
        m_f->click(QStringLiteral("cmdDisTxt"));
        QTRY_COMPARE_WITH_TIMEOUT(m_pump->rowText(3),
                                  padded(QStringLiteral("Message %1").arg(number)), kTimeoutMs);
    }
    QCOMPARE(m_pump->screen().mid(0, 3), QStringList(3, kAlphabet));
}

void EndToEndTest::saveInFlashIsAcknowledged()
{
    // Something to keep: the blinking cursor.
    QVERIFY(framecheck::select(*m_f, QStringLiteral("cboCursor=2")));
    m_f->click(QStringLiteral("cmdSetCursor"));
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->model().settings().cursorType, sim::CursorType::Blinking,
                              kTimeoutMs);
    QCOMPARE(m_pump->model().flash().cursorType, sim::CursorType::Underline);

    QSignalSpy acknowledged(&m_f->window(), &frmMain::acknowledgementShown);
    ModalAnswerer answerer(QMessageBox::Yes);
    m_f->click(QStringLiteral("cmdSaveSettings"));
    QVERIFY(acknowledged.count() > 0 || acknowledged.wait(kTimeoutMs));
    QCOMPARE(acknowledged.count(), 1);

    QCOMPARE(answerer.seen().size(), 2);
    QCOMPARE(answerer.seen().at(0).text, QStringLiteral("This will Save all Settings onto Flash"));
    QCOMPARE(answerer.seen().at(1).objectName, QStringLiteral("AcknowledgementBox"));
    QCOMPARE(answerer.seen().at(1).text, QStringLiteral("Settings Saved,Please Reset LCD"));
    QCOMPARE(m_pump->model().flash().cursorType, sim::CursorType::Blinking);
    // After the store the window clears the screen and writes its confirmation.
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->screen(),
                              (QStringList{QStringLiteral("Settings Saved Onto "),
                                           padded(QStringLiteral("Flash")), kBlankRow, kBlankRow}),
                              kTimeoutMs);
}

// A key of the module reaches the window with one number: its indicator at that place of
// the grid, named after it, and the line log's words.
void EndToEndTest::keypadPressLightsItsIndicator_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("indicator"); // key(k) at the key's place of the grid
    QTest::newRow("key 1, top left") << 1 << 0;
    QTest::newRow("key 6, row 2 column 2") << 6 << 7;
    QTest::newRow("key 9, row 3 column 1") << 9 << 1;
    QTest::newRow("key 16, bottom right") << 16 << 14;
}

void EndToEndTest::keypadPressLightsItsIndicator()
{
    QFETCH(int, key);
    QFETCH(int, indicator);
    InputsOutputsPage &page = m_f->page<InputsOutputsPage>();
    QVERIFY(framecheck::select(*m_f, QStringLiteral("cbogpio=1"))); // KEYPAD
    m_f->click(QStringLiteral("cmdgpmode"));
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->model().settings().p2Mode, proto::P2Mode::Keypad, kTimeoutMs);

    m_pump->send(m_pump->model().setKey(key, true));
    QWidget *lit = control<QWidget>(page, QStringLiteral("key(%1)").arg(indicator));
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(lit), kWhite, kTimeoutMs);
    for (int other = 0; other < sim::kKeypadKeys; ++other) {
        if (other != indicator)
            QCOMPARE(colourOf(control<QWidget>(page, QStringLiteral("key(%1)").arg(other))), kRed);
    }
    QCOMPARE(lit->accessibleName(), QStringLiteral("Key %1: pressed").arg(key));
    const record::LineLog &log = m_f->window().lineLog().log();
    QTRY_VERIFY_WITH_TIMEOUT(log.count(record::LineLogFilter::Received) > 0, kTimeoutMs);
    const record::LineLogEntry &heard =
        log.at(record::LineLogFilter::Received, log.count(record::LineLogFilter::Received) - 1);
    QCOMPARE(record::LineLog::describe(heard), QStringLiteral("keypad: key %1 down").arg(key));

    m_pump->send(m_pump->model().setKey(key, false));
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(lit), kRed, kTimeoutMs);
}

void EndToEndTest::inputPinsShowWithTheirDirections()
{
    InputsOutputsPage &page = m_f->page<InputsOutputsPage>();
    QVERIFY(framecheck::select(*m_f, QStringLiteral("cboio(1)=1")));  // pin 1 OUT
    QVERIFY(framecheck::select(*m_f, QStringLiteral("cboio(64)=1"))); // pin 7 OUT
    m_f->click(QStringLiteral("cmdCfgIO"));
    QTRY_COMPARE_WITH_TIMEOUT(int(m_pump->model().settings().p2Directions), 0x41, kTimeoutMs);

    // Every pin driven high from outside: the outputs still read low.
    for (int pin = 0; pin < sim::kInputPins; ++pin)
        m_pump->send(m_pump->model().setInputPin(pin, true));
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(control<QWidget>(page, QStringLiteral("Shape1(7)"))), kWhite,
                              kTimeoutMs);
    QTRY_COMPARE_WITH_TIMEOUT(colourOf(control<QWidget>(page, QStringLiteral("Shape1(0)"))), kRed,
                              kTimeoutMs);
    for (std::size_t i = 1; i < 8; ++i)
        QCOMPARE(colourOf(control<QWidget>(page, QStringLiteral("Shape1(%1)").arg(i))),
                 i == 6 ? kRed : kWhite);
}

void EndToEndTest::analogReadingShows_data()
{
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("value");
    QTest::newRow("Read Analog 1, 10-bit top") << 0 << 1023;
    QTest::newRow("Read Analog 2, both bytes used") << 1 << 0x1234;
    QTest::newRow("Read Analog 1, zero") << 0 << 0;
}

void EndToEndTest::analogReadingShows()
{
    QFETCH(int, input);
    QFETCH(int, value);
    // Set before the request, as a voltage on the pin: no reading is sent unasked.
    m_pump->model().setAnalog(input, value);
    m_pump->model().setAnalog(1 - input, 999);
    m_f->click(QStringLiteral("cmdReadAn(%1)").arg(input));
    const QLabel *shown = m_f->find<QLabel>(QStringLiteral("lblAnVal(%1)").arg(input));
    QTRY_COMPARE_WITH_TIMEOUT(shown->text(), QString::number(value), kTimeoutMs);
    QCOMPARE(m_f->find<QLabel>(QStringLiteral("lblAnVal(%1)").arg(1 - input))->text(), QString());
}

void EndToEndTest::backlightReachesTheModule()
{
    BacklightPage &page = m_f->page<BacklightPage>();
    m_f->click(QStringLiteral("cmdBacklight(1)"));
    QTRY_VERIFY_WITH_TIMEOUT(!m_pump->model().settings().backlightOn, kTimeoutMs);

    control<QSlider>(page, QStringLiteral("Backlightlevel"))->setFocus();
    QTest::keyClick(control<QSlider>(page, QStringLiteral("Backlightlevel")), Qt::Key_End);
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->model().settings().backlightLevel, 250, kTimeoutMs);
    QTest::keyClick(control<QSlider>(page, QStringLiteral("Backlightlevel")), Qt::Key_PageDown);
    QTest::keyClick(control<QSlider>(page, QStringLiteral("Backlightlevel")), Qt::Key_Left);
    QTRY_COMPARE_WITH_TIMEOUT(m_pump->model().settings().backlightLevel, 244, kTimeoutMs);
    QCOMPARE(page.backlightLevel(), 244);

    m_f->click(QStringLiteral("cmdBacklight(0)"));
    QTRY_VERIFY_WITH_TIMEOUT(m_pump->model().settings().backlightOn, kTimeoutMs);
}

QTEST_MAIN(EndToEndTest)
#include "tst_endtoend.moc"
