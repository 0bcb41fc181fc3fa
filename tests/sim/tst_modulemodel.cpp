#include <QMap>
#include <QTest>

#include <random>

#include "sim/bargraph.h"
#include "sim/bigfont.h"
#include "sim/modulemodel.h"

using sim::ModuleModel;

namespace
{

QByteArray h(const char *hex)
{
    return QByteArray::fromHex(hex);
}

std::span<const std::uint8_t> span(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()),
            static_cast<std::size_t>(bytes.size())};
}

QByteArray feed(ModuleModel &model, const QByteArray &bytes)
{
    const auto replies = model.feed(span(bytes));
    return QByteArray(reinterpret_cast<const char *>(replies.data()),
                      static_cast<qsizetype>(replies.size()));
}

QByteArray row(QByteArray text)
{
    return text.leftJustified(proto::kColumns, ' ', true);
}

// The whole screen, rows given top first; missing rows are blank.
QByteArray screen(const QList<QByteArray> &rows)
{
    QByteArray all;
    for (int r = 0; r < proto::kRows; ++r)
        all += row(r < rows.size() ? rows[r] : QByteArray());
    return all;
}

QByteArray screenOf(const ModuleModel &model)
{
    QByteArray all;
    for (int r = 0; r < proto::kRows; ++r) {
        const auto &cells = model.display().row(r);
        all += QByteArray(reinterpret_cast<const char *>(cells.data()), proto::kColumns);
    }
    return all;
}

QByteArray rowOf(const ModuleModel &model, int r)
{
    return screenOf(model).mid(r * 20, 20);
}

// Four full rows of a, b, c, d; the cursor ends back at home.
const QByteArray kFull =
    QByteArray(20, 'a') + QByteArray(20, 'b') + QByteArray(20, 'c') + QByteArray(20, 'd');

QByteArray glyphTableBytes(const sim::GlyphTable &table)
{
    QByteArray bytes;
    for (const auto &glyph : table)
        bytes += QByteArray(reinterpret_cast<const char *>(glyph.data()), proto::kGlyphRows);
    return bytes;
}

// Everything a frame can change, for comparing two models.
QByteArray state(const ModuleModel &model)
{
    QByteArray s =
        screenOf(model) + glyphTableBytes(model.glyphs()) + glyphTableBytes(model.flashGlyphs());
    s += char(model.display().cursorRow()) + char(model.display().cursorColumn());
    s += char(model.glyphSet());
    const auto settings = [&s](const sim::ModuleSettings &m) {
        s += char(m.backlightOn) + QByteArray::number(m.backlightLevel) + char(m.cursorType) +
             QByteArray::number(m.lineSpeed) + char(m.p2Mode) + char(m.p2Directions);
        for (const auto &message : m.messages)
            s += QByteArray(reinterpret_cast<const char *>(message.data()), 20);
    };
    settings(model.settings());
    settings(model.flash());
    return s;
}

// One frame of every command, with arguments that change something.
QByteArray everyCommand()
{
    QByteArray stream = "Hi" + h("000708410B0C0D0E0F09");
    stream += h("FE01FE02FE03FE04FE2B07FE2C0BFE05FE33050DFE07FE06FE2864FE1FFE1E");
    stream += "xyz" + h("FE2D00FE2E01FE3000FE30FEFE3181FE320213FE0BFE0C");
    stream += h("FEC9") + QByteArray("a message of twenty");
    stream += "!" + h("FE340102FE09FE63") + "1.-7" + h("FE20FE64");
    for (int k = 0; k < proto::kGlyphTableSize; ++k)
        stream += char(k * 7);
    stream += h("FE08FEFE0BFE99") + "end";
    return stream;
}

} // namespace

class TestModuleModel : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void horizontalBars_data();
    void horizontalBars();
    void verticalBars_data();
    void verticalBars();
    void barGlyphs();
    void bigNumbers();
    void bigDigitsDiffer();
    void bigExponentMarks();
    void messages();
    void glyphUploadAndRestore();
    void settingsAndFlash();
    void analogRequests();
    void statusReplies();
    void splitStreamsEqualWhole();
    void randomBytes();
};

void TestModuleModel::text_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("cursorRow");
    QTest::addColumn<int>("cursorColumn");

    QTest::newRow("text at home") << QByteArray("Hi") << screen({"Hi"}) << 0 << 2;
    QTest::newRow("wrap at the end of a row")
        << QByteArray(20, 'a') + "b" << screen({QByteArray(20, 'a'), "b"}) << 1 << 1;
    QTest::newRow("wrap at the end of the screen")
        << kFull + "Z"
        << screen({"Z" + QByteArray(19, 'a'), QByteArray(20, 'b'), QByteArray(20, 'c'),
                   QByteArray(20, 'd')})
        << 0 << 1;
    QTest::newRow("custom characters are written")
        << h("0007") << screen({QByteArray("\x00\x07", 2)}) << 0 << 2;
    QTest::newRow("upper-half codes are written") << h("A1FDFF") << screen({h("A1FDFF")}) << 0 << 3;
    QTest::newRow("back space blanks the previous cell")
        << QByteArray("ab") + h("08") << screen({"a"}) << 0 << 1;
    QTest::newRow("back space at home takes the last cell")
        << kFull + h("08")
        << screen(
               {QByteArray(20, 'a'), QByteArray(20, 'b'), QByteArray(20, 'c'), QByteArray(19, 'd')})
        << 3 << 19;
    QTest::newRow("home keeps the text")
        << QByteArray("abc") + h("0B") << screen({"abc"}) << 0 << 0;
    QTest::newRow("next line") << QByteArray("ab") + h("0C") + "c" << screen({"ab", "c"}) << 1 << 1;
    QTest::newRow("next line from the last row") << h("FE3203050C") << screen({}) << 0 << 0;
    QTest::newRow("clear display") << QByteArray("abc") + h("0D") << screen({}) << 0 << 0;
    QTest::newRow("left from home wraps to the end") << h("0E") << screen({}) << 3 << 19;
    QTest::newRow("right from the end wraps to home") << h("FE3203130F") << screen({}) << 0 << 0;
    QTest::newRow("left and right keep the text")
        << QByteArray("abc") + h("0E0E") + "X" + h("0F") << screen({"aXc"}) << 0 << 3;
    QTest::newRow("meaningless control bytes ignored")
        << QByteArray("a") + h("090A101B1F") + "b" << screen({"ab"}) << 0 << 2;
    QTest::newRow("arguments are not characters") << h("FE320313") << screen({}) << 3 << 19;
    QTest::newRow("set position then write")
        << h("FE320102") + "x" << screen({"", "  x"}) << 1 << 3;
    QTest::newRow("set position, row off the screen")
        << QByteArray("ab") + h("FE320400") << screen({"ab"}) << 0 << 2;
    QTest::newRow("set position, column off the screen")
        << QByteArray("ab") + h("FE320014") << screen({"ab"}) << 0 << 2;
    QTest::newRow("set position, both FF")
        << QByteArray("ab") + h("FE32FFFF") << screen({"ab"}) << 0 << 2;
    QTest::newRow("clear row keeps the cursor")
        << kFull + h("FE320105FE2D02")
        << screen({QByteArray(20, 'a'), QByteArray(20, 'b'), "", QByteArray(20, 'd')}) << 1 << 5;
    QTest::newRow("clear row off the screen") << kFull + h("FE2D04")
                                              << screen({QByteArray(20, 'a'), QByteArray(20, 'b'),
                                                         QByteArray(20, 'c'), QByteArray(20, 'd')})
                                              << 0 << 0;
    QTest::newRow("clear last column") << kFull + h("FE2E13")
                                       << screen({QByteArray(19, 'a'), QByteArray(19, 'b'),
                                                  QByteArray(19, 'c'), QByteArray(19, 'd')})
                                       << 0 << 0;
    QTest::newRow("clear column off the screen")
        << kFull + h("FE2E14")
        << screen(
               {QByteArray(20, 'a'), QByteArray(20, 'b'), QByteArray(20, 'c'), QByteArray(20, 'd')})
        << 0 << 0;
    QTest::newRow("stray prefix costs one byte") << h("FEFE320102") << screen({}) << 1 << 2;
    QTest::newRow("unknown command drops prefix and code")
        << h("FE4142") << screen({"B"}) << 0 << 1;
    QTest::newRow("argument FE is not a prefix") << h("FE30FE41") << screen({"A"}) << 0 << 1;
}

void TestModuleModel::text()
{
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, expected);
    QFETCH(int, cursorRow);
    QFETCH(int, cursorColumn);
    ModuleModel model;
    QVERIFY(feed(model, input).isEmpty());
    QCOMPARE(screenOf(model), expected);
    QCOMPARE(model.display().cursorRow(), cursorRow);
    QCOMPARE(model.display().cursorColumn(), cursorColumn);
}

void TestModuleModel::horizontalBars_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("barRow");
    QTest::addColumn<QByteArray>("expected");

    const QByteArray full(1, char(sim::kSolidBlock));
    QTest::newRow("width 7: one cell and two columns")
        << h("FE04FE2B07") << 0 << row(full + char(1));
    QTest::newRow("width 7 from the right")
        << h("FE04FE2C07") << 0 << QByteArray(18, ' ') + char(5) + full;
    QTest::newRow("width 1") << h("FE2B01") << 0 << row(QByteArray(1, char(0)));
    QTest::newRow("width 5 is one full cell") << h("FE2B05") << 0 << row(full);
    QTest::newRow("width 100 fills the row") << h("FE2B64") << 0 << full.repeated(20);
    QTest::newRow("above 100 counts as 100") << h("FE2CC8") << 0 << full.repeated(20);
    QTest::newRow("width 0 blanks the row") << QByteArray("abc") + h("FE2B00") << 0 << row("");
    QTest::newRow("drawn on the cursor's row")
        << h("FE320205FE2B03") << 2 << row(QByteArray(1, char(2)));
    QTest::newRow("a shorter bar replaces a longer one")
        << h("FE2B64FE2B0A") << 0 << row(full + full);
}

void TestModuleModel::horizontalBars()
{
    QFETCH(QByteArray, input);
    QFETCH(int, barRow);
    QFETCH(QByteArray, expected);
    ModuleModel model;
    const int cursorColumn = [&] {
        feed(model, input.left(input.lastIndexOf(char(proto::kPrefix))));
        return model.display().cursorColumn();
    }();
    feed(model, input.mid(input.lastIndexOf(char(proto::kPrefix))));
    QCOMPARE(rowOf(model, barRow), expected);
    QCOMPARE(model.display().cursorRow(), barRow);
    QCOMPARE(model.display().cursorColumn(), cursorColumn);
}

void TestModuleModel::verticalBars_data()
{
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("column");
    QTest::addColumn<QByteArray>("expected"); // top row first

    const char full = char(sim::kSolidBlock);
    QTest::newRow("height 1") << h("FE05FE330001") << 0 << QByteArray("   ") + char(0);
    QTest::newRow("height 8 is one full cell") << h("FE330508") << 5 << QByteArray("   ") + full;
    QTest::newRow("height 12") << h("FE33130C") << 19 << QByteArray("  ") + char(3) + full;
    QTest::newRow("height 32 fills the column") << h("FE330720") << 7 << QByteArray(4, full);
    QTest::newRow("above 32 counts as 32") << h("FE3307FF") << 7 << QByteArray(4, full);
    QTest::newRow("height 0 blanks the column") << kFull + h("FE330200") << 2 << QByteArray(4, ' ');
    QTest::newRow("column off the screen ignored")
        << kFull + h("FE331420") << 19 << QByteArray("abcd");
}

void TestModuleModel::verticalBars()
{
    QFETCH(QByteArray, input);
    QFETCH(int, column);
    QFETCH(QByteArray, expected);
    ModuleModel model;
    feed(model, input);
    QByteArray cells;
    for (int r = 0; r < proto::kRows; ++r)
        cells += char(model.display().cell(r, column));
    QCOMPARE(cells, expected);
    // Only that column changes.
    if (column > 0)
        QCOMPARE(char(model.display().cell(0, column - 1)), input.startsWith('a') ? 'a' : ' ');
    QCOMPARE(model.display().cursorRow(), 0);
    QCOMPARE(model.display().cursorColumn(), 0);
}

void TestModuleModel::barGlyphs()
{
    // Partial cells light exactly the dot columns or rows their slot stands for.
    ModuleModel model;
    feed(model, h("FE04"));
    QCOMPARE(model.glyphSet(), sim::GlyphSet::HorizontalBars);
    for (int lit = 1; lit <= 4; ++lit) {
        const auto fromLeft = model.glyphs()[std::size_t(sim::kHorizontalFromLeftSlot + lit - 1)];
        const auto fromRight = model.glyphs()[std::size_t(sim::kHorizontalFromRightSlot + lit - 1)];
        const int right = (1 << lit) - 1;
        for (int r = 0; r < proto::kGlyphRows; ++r) {
            QCOMPARE(int(fromRight[std::size_t(r)]), right);
            QCOMPARE(int(fromLeft[std::size_t(r)]), (right << (5 - lit)) & 0x1F);
        }
    }
    feed(model, h("FE05"));
    QCOMPARE(model.glyphSet(), sim::GlyphSet::VerticalBars);
    for (int lit = 1; lit <= 7; ++lit) {
        const auto glyph = model.glyphs()[std::size_t(sim::kVerticalFromBottomSlot + lit - 1)];
        for (int r = 0; r < proto::kGlyphRows; ++r)
            QCOMPARE(int(glyph[std::size_t(r)]), r >= 8 - lit ? 0x1F : 0);
    }
}

void TestModuleModel::bigNumbers()
{
    ModuleModel model;
    feed(model, kFull + h("FE320107FE09FE632020") + "42");
    QCOMPARE(model.glyphSet(), sim::GlyphSet::BigNumbers);
    QCOMPARE(glyphTableBytes(model.glyphs()), glyphTableBytes(sim::bigNumberGlyphs()));
    const char F = char(sim::kSolidBlock);
    const char U = 0; // upper bar slot
    const char L = 1; // lower bar slot
    // Two blank bands, then 4 and 2 in the middle of their five-column bands.
    QCOMPARE(rowOf(model, 0), QByteArray(11, ' ') + F + ' ' + F + "  " + U + U + F + ' ');
    QCOMPARE(rowOf(model, 1), QByteArray(11, ' ') + F + L + F + "  " + L + L + F + ' ');
    QCOMPARE(rowOf(model, 2), QByteArray(11, ' ') + ' ' + ' ' + F + "  " + F + "   ");
    QCOMPARE(rowOf(model, 3), QByteArray(11, ' ') + ' ' + ' ' + F + "  " + F + L + L + ' ');
    QCOMPARE(model.display().cursorRow(), 1);
    QCOMPARE(model.display().cursorColumn(), 7);
}

void TestModuleModel::bigDigitsDiffer()
{
    QSet<QByteArray> shapes;
    for (char digit = '0'; digit <= '9'; ++digit) {
        ModuleModel model;
        feed(model, h("FE63") + QByteArray(4, digit));
        const QByteArray drawn = screenOf(model);
        QVERIFY2(drawn != screen({}), &digit);
        // All four bands show the same character.
        for (int r = 0; r < proto::kRows; ++r)
            QCOMPARE(rowOf(model, r).mid(5, 5).repeated(4), rowOf(model, r));
        shapes.insert(drawn);
    }
    QCOMPARE(shapes.size(), 10);
    ModuleModel model;
    feed(model, QByteArray("xx") + h("FE63") + "#?Q" + char(0xB0));
    QCOMPARE(screenOf(model), screen({}));
}

// The utility accepts "1E5", "2e3", "1D2" and "7d1" as numbers and sends the mark as
// typed, so each must show; E and D must not look alike.
void TestModuleModel::bigExponentMarks()
{
    QMap<char, QByteArray> drawn;
    for (char mark : {'E', 'e', 'D', 'd'}) {
        ModuleModel model;
        feed(model, h("FE63") + QByteArray(4, mark));
        drawn[mark] = screenOf(model);
        QVERIFY2(drawn[mark] != screen({}), QByteArray(1, mark).constData());
    }
    QCOMPARE(drawn['e'], drawn['E']);
    QCOMPARE(drawn['d'], drawn['D']);
    QVERIFY(drawn['D'] != drawn['E']);
}

void TestModuleModel::messages()
{
    ModuleModel model;
    feed(model, h("FECA") + "The third message..." + "ab");
    QCOMPARE(rowOf(model, 0), row("ab"));
    feed(model, h("FE340303"));
    QCOMPARE(screenOf(model), screen({"ab", "", "", "The third message..."}));
    QCOMPARE(model.display().cursorColumn(), 2);

    // Out of range: nothing changes.
    const QByteArray before = screenOf(model);
    feed(model, h("FE340300FE340315FE340401"));
    QCOMPARE(screenOf(model), before);

    // A message never stored shows blanks; stored messages reach flash only with FE 20.
    feed(model, h("FE340314"));
    QCOMPARE(rowOf(model, 3), row(""));
    model.powerCycle();
    feed(model, h("FE340003"));
    QCOMPARE(rowOf(model, 0), row(""));
    QCOMPARE(feed(model, h("FECA") + "The third message..." + h("FE20")), h("FE2020"));
    model.powerCycle();
    feed(model, h("FE340203"));
    QCOMPARE(rowOf(model, 2), row("The third message..."));
}

void TestModuleModel::glyphUploadAndRestore()
{
    QByteArray table;
    for (int k = 0; k < proto::kGlyphTableSize; ++k)
        table += char(0xE0 | (k % 32)); // high bits set: only five dots per row exist
    QByteArray masked = table;
    for (char &c : masked)
        c = char(c & 0x1F);

    ModuleModel model;
    feed(model, h("FE64") + table);
    QCOMPARE(model.glyphSet(), sim::GlyphSet::Custom);
    QCOMPARE(glyphTableBytes(model.glyphs()), masked);

    feed(model, h("FE04"));
    QCOMPARE(glyphTableBytes(model.glyphs()), glyphTableBytes(sim::horizontalBarGlyphs()));
    feed(model, h("FE08"));
    QCOMPARE(model.glyphSet(), sim::GlyphSet::Custom);
    QCOMPARE(glyphTableBytes(model.glyphs()), masked);

    feed(model, h("FE09"));
    model.powerCycle();
    QCOMPARE(glyphTableBytes(model.glyphs()), masked);
}

void TestModuleModel::settingsAndFlash()
{
    ModuleModel model;
    const sim::ModuleSettings factory = model.settings();
    QVERIFY(feed(model, h("FE07FE28FFFE03FE1EFE30FEFE3181FE3012")).isEmpty());
    sim::ModuleSettings expected = factory;
    expected.backlightOn = false;
    expected.backlightLevel = proto::kMaxBacklightLevel;
    expected.cursorType = sim::CursorType::Blinking;
    expected.lineSpeed = 9600;
    expected.p2Mode = proto::P2Mode::Keypad;
    expected.p2Directions = 0x81;
    QVERIFY(model.settings() == expected);
    QVERIFY(model.flash() == factory);

    QCOMPARE(feed(model, h("FE20")), h("FE2020"));
    QVERIFY(model.flash() == expected);

    feed(model, h("FE06FE280AFE01FE1FFE30FFFE3100") + "text");
    QVERIFY(model.settings() != expected);
    model.powerCycle();
    QVERIFY(model.settings() == expected);
    QCOMPARE(screenOf(model), screen({}));

    // The confirmation the utility sends after a store shows as text.
    feed(model, h("0D") + proto::kFlashConfirmationText);
    QCOMPARE(screenOf(model), screen({"Settings Saved Onto ", "Flash"}));
}

void TestModuleModel::analogRequests()
{
    ModuleModel model;
    QCOMPARE(feed(model, h("FE0B")), h("FA0000"));
    QCOMPARE(model.setAnalog(0, 500)->bytes(), h("FA01F4"));
    QCOMPARE(model.setAnalog(1, 1023)->bytes(), h("FB03FF"));
    QVERIFY(!model.setAnalog(2, 1));
    QCOMPARE(feed(model, h("FE0BFE0C")), h("FA01F4FB03FF"));
    QCOMPARE(feed(model, h("FE")), QByteArray());
    QCOMPARE(feed(model, h("0C")), h("FB03FF"));
}

void TestModuleModel::statusReplies()
{
    ModuleModel model;
    QCOMPARE(model.setInputPin(0, true)->bytes(), h("FC0001"));
    QCOMPARE(model.setInputPin(7, true)->bytes(), h("FC0081"));
    QVERIFY(!model.setKey(9, true)); // keypad not scanned in general I/O mode
    feed(model, h("FE3101"));        // pin 1 is now an output
    QCOMPARE(model.statusReply().bytes(), h("FC0080"));

    feed(model, h("FE30FE"));
    QVERIFY(!model.setInputPin(2, true));
    QCOMPARE(model.statusReply().bytes(), h("FC0400")); // key 9 held since before
    QCOMPARE(model.setKey(8, true)->bytes(), h("FC0420"));
    QCOMPARE(model.setKey(9, false)->bytes(), h("FC0020"));
    QVERIFY(!model.setKey(17, true));
    QVERIFY(!model.setKey(0, true));
    QVERIFY(!model.setInputPin(-1, true));
}

void TestModuleModel::splitStreamsEqualWhole()
{
    const QByteArray stream = everyCommand();
    ModuleModel whole;
    const QByteArray replies = feed(whole, stream);
    // Three reads (FE FE 0B is a stray prefix, then a read) and a store.
    QCOMPARE(replies, h("FA0000FB0000FE2020FA0000"));
    const QByteArray expected = state(whole);

    ModuleModel byteByByte;
    QByteArray replies1;
    for (char c : stream)
        replies1 += feed(byteByByte, QByteArray(1, c));
    QCOMPARE(replies1, replies);
    QCOMPARE(state(byteByByte), expected);

    for (qsizetype split = 1; split < stream.size(); ++split) {
        ModuleModel model;
        QByteArray got = feed(model, stream.left(split));
        got += feed(model, stream.mid(split));
        if (got != replies || state(model) != expected)
            QFAIL(qPrintable(QStringLiteral("split after byte %1 differs").arg(split)));
    }
}

void TestModuleModel::randomBytes()
{
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> byteValue(0, 255);
    std::uniform_int_distribution<int> chunkSize(1, 90);
    ModuleModel model;
    ModuleModel byteByByte;
    QByteArray replies;
    QByteArray replies1;
    for (int round = 0; round < 4000; ++round) {
        QByteArray chunk(chunkSize(random), '\0');
        for (char &c : chunk)
            c = char(byteValue(random));
        // Commands turn up far more often than chance alone would give.
        if (round % 3 == 0)
            chunk[0] = char(proto::kPrefix);
        replies += feed(model, chunk);
        for (char c : chunk)
            replies1 += feed(byteByByte, QByteArray(1, c));
        const auto &display = model.display();
        QVERIFY(display.cursorRow() >= 0 && display.cursorRow() < proto::kRows);
        QVERIFY(display.cursorColumn() >= 0 && display.cursorColumn() < proto::kColumns);
        QVERIFY(model.settings().backlightLevel <= proto::kMaxBacklightLevel);
        for (const auto &glyph : model.glyphs())
            for (std::uint8_t bits : glyph)
                QVERIFY(bits <= sim::kGlyphRowMask);
    }
    QCOMPARE(replies.size() % 3, 0);
    QCOMPARE(replies1, replies);
    QCOMPARE(state(byteByByte), state(model));
}

QTEST_GUILESS_MAIN(TestModuleModel)
#include "tst_modulemodel.moc"
