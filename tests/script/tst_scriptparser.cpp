// The grammar shared by scripts and the command line: what each line turns into, how the
// parser keeps the glyph table between lines, scripts that play scripts, and the written
// form of frames reading back into the same frames. What the commands do on a module is seen
// end to end in tst_vantelctl.

#include <QTemporaryDir>
#include <QTest>

#include "script/parser.h"
#include "script/scriptwriter.h"
#include "testfiles.h"

namespace
{

// "FE 32 00 13 | wait 200 | await ack | listen count 3 json keypad"
QString summary(const script::Steps &steps)
{
    QStringList parts;
    for (std::size_t index = 0; index < steps.size(); ++index) {
        const script::Step step = steps[index];
        switch (step.kind) {
        case script::Step::Kind::Send:
            parts << proto::hexCaption(step.frame).trimmed();
            break;
        case script::Step::Kind::Wait:
            parts << QStringLiteral("wait %1").arg(step.ms);
            break;
        case script::Step::Kind::Await:
            parts << (step.awaited == script::Step::Awaited::SaveAck
                          ? QStringLiteral("await ack")
                          : QStringLiteral("await reading"));
            break;
        case script::Step::Kind::Listen:
            parts << QStringLiteral("listen") +
                         (step.count ? QStringLiteral(" count %1").arg(step.count) : QString()) +
                         (step.format == script::Step::Format::Json ? QStringLiteral(" json")
                                                                    : QString()) +
                         (step.mode == proto::P2Mode::Keypad ? QStringLiteral(" keypad")
                                                             : QString());
            break;
        }
    }
    return parts.join(QStringLiteral(" | "));
}

QString hexOf(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' ').toUpper());
}

} // namespace

class TestScriptParser : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void lines_data();
    void lines();
    void glyphTableStartsFromTheSettingsFileAndCarriesOn();
    void scriptsPlayScriptsBesideThem();
    void writtenFramesReadBackTheSame();

private:
    script::Parser parser() const;
    QTemporaryDir m_dir;
};

void TestScriptParser::init()
{
    QVERIFY(m_dir.isValid());
    QFile::remove(m_dir.filePath(QStringLiteral("vantel.ini")));
}

script::Parser TestScriptParser::parser() const
{
    return script::Parser({m_dir.filePath(QStringLiteral("vantel.ini")), {}});
}

void TestScriptParser::lines_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("steps");

    const QString flashText = hexOf("Settings Saved Onto Flash");
    const QString a71 = hexOf(QByteArray(71, 'a'));
    const QString glyphSlot2 = QStringLiteral("FE 64 ") + hexOf(QByteArray(16, '\0')) +
                               QStringLiteral(" 1F 00 00 00 00 00 00 11 ") +
                               hexOf(QByteArray(40, '\0'));

    QTest::newRow("home") << "home"
                          << "0B";
    QTest::newRow("backspace") << "backspace"
                               << "08";
    QTest::newRow("text with escapes") << R"(text "say \"hi\" \\ \xE9")"
                                       << "73 61 79 20 22 68 69 22 20 5C 20 E9";
    QTest::newRow("text in Windows-1252") << "text é€"
                                          << "E9 80";
    QTest::newRow("long text split to fit the transmit buffer")
        << QStringLiteral("text ") + QString(80, QLatin1Char('a'))
        << a71 + QStringLiteral(" | ") + hexOf(QByteArray(9, 'a'));
    QTest::newRow("char") << "char 7"
                          << "07";
    QTest::newRow("goto with hex and binary numbers") << "goto 0x3 0b10011"
                                                      << "FE 32 03 13";
    QTest::newRow("cursor style") << "cursor blinking"
                                  << "FE 03";
    QTest::newRow("cursor move") << "cursor right"
                                 << "0F";
    QTest::newRow("clear-column") << "clear-column 19"
                                  << "FE 2E 13";
    QTest::newRow("backlight level") << "backlight level 250"
                                     << "FE 28 FA";
    QTest::newRow("glyph in its slot, others blank without a settings file")
        << "glyph 2 31 0 0 0 0 0 0 0b10001" << glyphSlot2;
    QTest::newRow("load-glyphs") << "load-glyphs"
                                 << "FE 08";
    QTest::newRow("hbar right") << "hbar right 100"
                                << "FE 2C 64";
    QTest::newRow("vbar init") << "vbar init"
                               << "FE 05";
    QTest::newRow("vbar") << "vbar 19 32"
                          << "FE 33 13 20";
    QTest::newRow("bignum right-aligned") << "bignum 42"
                                          << "FE 63 20 20 34 32";
    QTest::newRow("bignum signed fraction") << "bignum -3.5"
                                            << "FE 63 2D 33 2E 35";
    QTest::newRow("save-flash as the window, then the acknowledgement")
        << "save-flash"
        << QStringLiteral("FE 20 | wait 200 | 0D | ") + flashText + QStringLiteral(" | await ack");
    QTest::newRow("module-speed") << "module-speed 19200"
                                  << "FE 1F";
    QTest::newRow("pin-directions") << "pin-directions 0x81"
                                    << "FE 31 81";
    QTest::newRow("listen") << "listen --count 3 --json --keypad"
                            << "listen count 3 json keypad";
    QTest::newRow("raw, bytes grouped or apart, any letter case") << "raw fe320013 41"
                                                                  << "FE 32 00 13 41";
    QTest::newRow("wait") << "wait 3600000"
                          << "wait 3600000";
    QTest::newRow("comments, blank lines, CR LF")
        << "# only a comment\r\n\r\n   \t\r\nclear # and this\r\n"
        << "0D";
}

void TestScriptParser::lines()
{
    QFETCH(QString, script);
    QFETCH(QString, steps);
    script::Parser p = parser();
    QVERIFY2(p.addScript(script.toUtf8(), QStringLiteral("t.vtl"), m_dir.path()),
             qPrintable(p.error()));
    QCOMPARE(summary(p.steps()), steps);
}

void TestScriptParser::glyphTableStartsFromTheSettingsFileAndCarriesOn()
{
    QVERIFY(testfiles::write(m_dir.filePath(QStringLiteral("vantel.ini")),
                             "[UDC]\nUCHAR1R1=31\nUCHAR1R8=255\nUCHAR2R1=1\n"));
    QVERIFY(testfiles::write(m_dir.filePath(QStringLiteral("other.ini")), "[UDC]\nUCHAR8R8=7\n"));
    script::Parser p = parser();
    QVERIFY2(p.addScript("glyph 1 2 2 2 2 2 2 2 2\nglyph 2 3 3 3 3 3 3 3 3\nglyphs other.ini\n"
                         "glyph 0 4 4 4 4 4 4 4 4",
                         QStringLiteral("t.vtl"), m_dir.path()),
             qPrintable(p.error()));
    QCOMPARE(p.steps().size(), 4u);
    const auto table = [&](int step) {
        const proto::Frame &frame = p.steps()[static_cast<std::size_t>(step)].frame;
        return QByteArray(reinterpret_cast<const char *>(frame.data()) + 2, 64);
    };
    // Slot 0 comes from the file (255 is sent as stored), slot 1 is the new glyph.
    QCOMPARE(table(0).left(16), QByteArray::fromHex("1F000000000000FF0202020202020202"));
    // The next glyph keeps the one before it.
    QCOMPARE(table(1).mid(8, 16), QByteArray::fromHex("02020202020202020303030303030303"));
    QCOMPARE(table(2), QByteArray(63, '\0') + '\x07');
    QCOMPARE(table(3).left(8), QByteArray(8, '\x04'));
    QCOMPARE(table(3).right(1), QByteArray("\x07"));
}

void TestScriptParser::scriptsPlayScriptsBesideThem()
{
    QVERIFY(testfiles::write(m_dir.filePath(QStringLiteral("sub/b.vtl")), "home\nplay ../c.vtl\n"));
    QVERIFY(testfiles::write(m_dir.filePath(QStringLiteral("c.vtl")), "\n\nclear\n"));
    QVERIFY(
        testfiles::write(m_dir.filePath(QStringLiteral("a.vtl")), "play sub/b.vtl\nplay c.vtl\n"));
    script::Parser p = parser();
    QVERIFY2(p.addCommand({QStringLiteral("play"), m_dir.filePath(QStringLiteral("a.vtl"))}),
             qPrintable(p.error()));
    QCOMPARE(summary(p.steps()), QStringLiteral("0B | 0D | 0D"));
    QCOMPARE(p.steps()[1].origin.where(), QStringLiteral("../c.vtl:3"));
    QCOMPARE(p.steps()[2].origin.where(), QStringLiteral("c.vtl:3"));
}

// What the line log saves reads back into the frames sent, in order, with the pauses between
// them; a pause longer than a script's longest wait is split rather than refused. (What
// --dry-run prints is played back by the real program in tst_vantelctl.)
void TestScriptParser::writtenFramesReadBackTheSame()
{
    const QByteArray flash = "Settings Saved Onto Flash";
    const double twoHours = 2.0 * script::kLongestWaitMs;
    const std::vector<record::TimedFrame> frames = {
        {{0xFE, 0x20}, 10.0},
        {{0x0D}, 210.4},
        {proto::Frame(flash.begin(), flash.end()), 210.6},
        {{0x22, 0x5C, 0xE9, 0x23}, 1210.0}, // quote, backslash, é, hash: escaped in comments
        {{0xFE, 0x32}, 1211.0},             // cut short: the comment says so
        {{0x41}, 1211.0 + twoHours},
    };
    const QString written = script::framesToScript(frames, true);
    QVERIFY2(written.contains(QStringLiteral("FE 20  # store settings in flash\nwait 200\n")),
             qPrintable(written));
    script::Parser p = parser();
    QVERIFY2(p.addScript(written.toUtf8(), QStringLiteral("log.vtl"), m_dir.path()),
             qPrintable(p.error() + QLatin1Char('\n') + written));
    QCOMPARE(summary(p.steps()), QStringLiteral("FE 20 | wait 200 | 0D | ") + hexOf(flash) +
                                     QStringLiteral(" | wait 999 | 22 5C E9 23 | wait 1 | FE 32 | "
                                                    "wait 3600000 | wait 3600000 | 41"));
}

QTEST_GUILESS_MAIN(TestScriptParser)
#include "tst_scriptparser.moc"
