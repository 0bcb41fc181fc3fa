// The driver's picture against the module model: whatever flush() sends must leave the
// model showing the picture, in as few bytes as the table says.

#include <QSet>
#include <QTest>

#include "keys.h"
#include "screen.h"
#include "sim/modulemodel.h"
#include "sim/replyencoder.h"
#include "widgets.h"

using lcdd::Screen;

namespace
{

QByteArray bytesOf(const lcdd::Bytes &bytes)
{
    return QByteArray(reinterpret_cast<const char *>(bytes.data()),
                      static_cast<qsizetype>(bytes.size()));
}

// Rows separated by '|', each padded to twenty columns.
void draw(Screen &screen, const QByteArray &picture)
{
    screen.clear();
    const QList<QByteArray> rows = picture.split('|');
    for (int r = 0; r < rows.size() && r < lcdd::kHeight; ++r)
        screen.putString(0, r, rows[r].toStdString());
}

QByteArray screenOf(const sim::ModuleModel &model)
{
    QByteArray all;
    for (int r = 0; r < proto::kRows; ++r) {
        const auto &cells = model.display().row(r);
        all += QByteArray(reinterpret_cast<const char *>(cells.data()), proto::kColumns) + '|';
    }
    all.chop(1);
    return all;
}

QByteArray padded(const QByteArray &picture)
{
    QList<QByteArray> rows = picture.split('|');
    while (rows.size() < lcdd::kHeight)
        rows << QByteArray();
    for (auto &row : rows)
        row = row.leftJustified(lcdd::kWidth, ' ', true);
    return rows.join('|');
}

void feed(sim::ModuleModel &model, const lcdd::Bytes &bytes)
{
    model.feed(std::span(bytes.data(), bytes.size()));
}

// A module just cleared, and a picture that matches it.
struct Bench {
    Screen screen;
    sim::ModuleModel model;
    Bench()
    {
        model.feed(std::span<const std::uint8_t>(std::array<std::uint8_t, 1>{0x0D}));
        screen.moduleCleared();
        feed(model, screen.flush()); // the backlight, once
    }
    QByteArray show(const QByteArray &picture)
    {
        draw(screen, picture);
        const lcdd::Bytes bytes = screen.flush();
        feed(model, bytes);
        return bytesOf(bytes);
    }
};

} // namespace

class TestLcddScreen : public QObject
{
    Q_OBJECT

private slots:
    void cellsDiff_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QByteArray>("expectedHex"); // empty: only the size bound is checked
        QTest::addColumn<int>("mostBytes");

        const QByteArray hello = "Hello|world";
        QTest::newRow("unchanged") << hello << hello << QByteArray() << 0;
        QTest::newRow("one character")
            << hello << QByteArray("Hello|worlD") << QByteArray("fe32 0104 44") << 6;
        QTest::newRow("gap rewritten") << QByteArray("abcdefgh") << QByteArray("AbcdEfgh")
                                       << QByteArray("fe32 0000 41 62 63 64 45") << 9;
        QTest::newRow("long gap jumped") << QByteArray("abcdefghij") << QByteArray("AbcdefghiJ")
                                         << QByteArray("fe32 0000 41 fe32 0009 4a") << 10;
        QTest::newRow("gap of three rewritten") << QByteArray("abcdefgh") << QByteArray("AbcDefgh")
                                                << QByteArray("fe32 0000 41 62 63 44") << 8;
        QTest::newRow("run over the row's end")
            << QByteArray("                   x|y") << QByteArray("                   X|Y")
            << QByteArray("fe32 0013 58 59") << 6;
        QTest::newRow("run over the screen's end")
            << QByteArray("a|||                   z") << QByteArray("A|||                   Z")
            << QByteArray("41 fe32 0313 5a") << 6;
        QTest::newRow("cleared to blanks") << hello << QByteArray() << QByteArray() << 20;
        QTest::newRow("full screen") << QByteArray("aaaaaaaaaaaaaaaaaaaa|bbbbbbbbbbbbbbbbbbbb|"
                                                   "cccccccccccccccccccc|dddddddddddddddddddd")
                                     << QByteArray("AAAAAAAAAAAAAAAAAAAA|BBBBBBBBBBBBBBBBBBBB|"
                                                   "CCCCCCCCCCCCCCCCCCCC|DDDDDDDDDDDDDDDDDDDD")
                                     << QByteArray() << 96;
        // Control codes and the command prefix would be commands on the wire.
        QTest::newRow("control codes as blanks") << QByteArray()
                                                 << QByteArray("a\rb\xfe"
                                                               "c\x0c")
                                                 << QByteArray("61 20 62 20 63") << 5;
    }
    void cellsDiff()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QByteArray, expectedHex);
        QFETCH(int, mostBytes);
        Bench bench;
        bench.show(before);
        const QByteArray sent = bench.show(after);
        QCOMPARE(
            screenOf(bench.model),
            padded(QByteArray(after).replace('\r', ' ').replace('\xfe', ' ').replace('\x0c', ' ')));
        if (!expectedHex.isEmpty())
            QCOMPARE(sent.toHex(' '), QByteArray::fromHex(expectedHex).toHex(' '));
        QVERIFY2(sent.size() <= mostBytes, sent.toHex(' '));
        QCOMPARE(bench.screen.flush().size(), std::size_t(0));
    }

    // The table goes whole, before the cells that show it, and only when a slot changed.
    void glyphTableOnlyWhenChanged()
    {
        Bench bench;
        const lcdd::Glyph heart = {0, 0x0A, 0x1F, 0x1F, 0x0E, 0x04, 0, 0};
        const auto frame = [&](const lcdd::Glyph &glyph) {
            bench.screen.clear();
            bench.screen.putCode(3, 1, *bench.screen.glyphSlot(glyph));
            const lcdd::Bytes bytes = bench.screen.flush();
            feed(bench.model, bytes);
            return bytesOf(bytes);
        };
        const QByteArray first = frame(heart);
        QCOMPARE(first.left(2), QByteArray::fromHex("fe64"));
        QCOMPARE(first.size(), 2 + 64 + 5);
        QCOMPARE(bench.model.display().cell(1, 3), std::uint8_t(0));
        QCOMPARE(bench.model.glyphs()[0][2], std::uint8_t(0x1F));
        QCOMPARE(frame(heart), QByteArray());
        const lcdd::Glyph block = {0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F, 0x1F};
        QCOMPARE(frame(block).left(2), QByteArray::fromHex("fe64"));
        const std::uint8_t slot = bench.model.display().cell(1, 3);
        QVERIFY(slot <= 7);
        QCOMPARE(bench.model.glyphs()[slot][0], std::uint8_t(0x1F));
    }

    // With every slot taken by bars, a big number's stand-in lands where LCDd's own text
    // stand-in has it: a digit (three columns from x) in its middle, the colon at x.
    void bigNumberStandIn_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("x");
        QTest::addColumn<int>("column"); // 1-based, as LCDd counts
        QTest::addColumn<char>("shown");
        QTest::newRow("colon") << 10 << 8 << 8 << ':';
        QTest::newRow("digit") << 3 << 8 << 9 << '3';
        QTest::newRow("colon at the left edge") << 10 << 1 << 1 << ':';
    }
    void bigNumberStandIn()
    {
        QFETCH(int, number);
        QFETCH(int, x);
        QFETCH(int, column);
        QFETCH(char, shown);
        Screen screen;
        screen.clear();
        for (int dots = 1; dots <= 8; ++dots)
            QVERIFY(
                screen.glyphSlot(dots <= 4 ? lcdd::leftColumns(dots) : lcdd::bottomRows(dots - 3)));
        QCOMPARE(screen.freeSlots(), 0);
        lcdd::drawBigNumber(screen, x, number);
        QCOMPARE(char(screen.code(column - 1, 1)), shown);
        for (int c = 0; c < lcdd::kWidth; ++c)
            QVERIFY(c == column - 1 || screen.code(c, 1) == lcdd::kBlank);
    }

    // LCDd's heartbeat over three seconds, with some slots taken by bars in every frame:
    // after the first second no beat uploads the glyph table again.
    void heartbeatKeepsItsSlots_data()
    {
        QTest::addColumn<int>("bars");       // slots the bars take each frame
        QTest::addColumn<QString>("shapes"); // what the top right cell shows, beat by beat
        QTest::newRow("room for both hearts") << 6 << "filled open";
        QTest::newRow("room for one") << 7 << "filled blank";
        QTest::newRow("no room") << 8 << "# blank";
    }
    void heartbeatKeepsItsSlots()
    {
        QFETCH(int, bars);
        QFETCH(QString, shapes);
        const lcdd::Glyph filled = {0x00, 0x0A, 0x1F, 0x1F, 0x0E, 0x04, 0x00, 0x00};
        const lcdd::Glyph open = {0x00, 0x0A, 0x15, 0x11, 0x0A, 0x04, 0x00, 0x00};
        Bench bench;
        QSet<QString> seen;
        int uploads = 0;
        for (unsigned frame = 0; frame < 24; ++frame) {
            bench.screen.clear();
            for (int b = 0; b < bars; ++b) {
                const auto slot = bench.screen.glyphSlot(b < 4 ? lcdd::leftColumns(b + 1)
                                                               : lcdd::bottomRows(b - 3));
                bench.screen.putCode(b, 3, *slot);
            }
            lcdd::drawHeartbeat(bench.screen, frame);
            const lcdd::Bytes bytes = bench.screen.flush();
            feed(bench.model, bytes);
            if (frame < 8)
                continue; // the first second finds the slots
            if (bytesOf(bytes).contains(QByteArray::fromHex("fe64")))
                ++uploads;
            const std::uint8_t code = bench.model.display().cell(0, lcdd::kWidth - 1);
            const sim::Glyph glyph =
                code <= proto::kLastCustomChar ? bench.model.glyphs()[code] : sim::Glyph{};
            seen << (code > proto::kLastCustomChar ? (code == ' ' ? "blank" : QString(QChar(code)))
                     : glyph == filled             ? "filled"
                     : glyph == open               ? "open"
                                                   : "other glyph");
        }
        QCOMPARE(uploads, 0);
        const QStringList expected = shapes.split(QLatin1Char(' '));
        QCOMPARE(seen, QSet<QString>(expected.begin(), expected.end()));
    }

    void promille_data()
    {
        QTest::addColumn<int>("promille");
        QTest::addColumn<int>("level");
        QTest::newRow("off") << 0 << 0;
        QTest::newRow("rounds down to off") << 1 << 0;
        QTest::newRow("rounds up to one") << 2 << 1;
        QTest::newRow("half") << 500 << 125;
        QTest::newRow("nearly full") << 999 << 250;
        QTest::newRow("full") << 1000 << 250;
        QTest::newRow("below range") << -20 << 0;
        QTest::newRow("above range") << 1400 << 250;
    }
    void promille()
    {
        QFETCH(int, promille);
        QFETCH(int, level);
        QCOMPARE(lcdd::levelForPromille(promille), level);
    }

    // Replies as the module sends them (bytes from the model's own encoder), numbered as
    // the window's keypad grid shows them: 1-4 across the top row, 13-16 the bottom.
    void keyNumbers_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("top left") << 1;
        QTest::newRow("top row, second") << 2;
        QTest::newRow("second row, first") << 5;
        QTest::newRow("second row, second") << 6;
        QTest::newRow("third row, first") << 9;
        QTest::newRow("bottom right") << 16;
    }
    void keyNumbers()
    {
        QFETCH(int, number);
        std::array<bool, sim::kKeypadKeys> held{};
        held[static_cast<std::size_t>(number - 1)] = true;
        const proto::DecodedReply decoded =
            proto::decodeReply(sim::keypadStateReply(held), proto::P2Mode::Keypad);
        std::array<std::string, lcdd::kKeypadKeys> names;
        for (int n = 1; n <= lcdd::kKeypadKeys; ++n)
            names[static_cast<std::size_t>(n - 1)] = "K" + std::to_string(n);
        lcdd::KeyQueue keys(names);
        keys.keypadState(decoded.keys);
        QCOMPARE(QString::fromStdString(keys.take()), QStringLiteral("K%1").arg(number));
        QCOMPARE(keys.take(), std::string());
    }

    // A key gives one press when it goes down, however long it stays down.
    void keyPressOnlyOnTheWayDown()
    {
        lcdd::KeyQueue keys; // the default map: key 6 is Enter, key 2 Up
        std::array<bool, 16> state{};
        state[7] = true; // key 6
        keys.keypadState(state);
        keys.keypadState(state);
        state[4] = true; // key 2 too
        keys.keypadState(state);
        state = {};
        keys.keypadState(state);
        state[7] = true;
        keys.keypadState(state);
        QCOMPARE(keys.take(), std::string("Enter"));
        QCOMPARE(keys.take(), std::string("Up"));
        QCOMPARE(keys.take(), std::string("Enter"));
        QCOMPARE(keys.take(), std::string());
        state = {};
        state[1] = true; // key 9: no name by default
        keys.keypadState(state);
        QCOMPARE(keys.take(), std::string());
    }
};

QTEST_APPLESS_MAIN(TestLcddScreen)
#include "tst_lcddscreen.moc"
