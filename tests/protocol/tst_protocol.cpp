// Every frame builder against the bytes the module expects, written out by hand, and the
// arguments each builder must refuse. The window's tests check the same frames through the
// buttons; this is the one place they are checked without it.

#include <QTest>

#include "protocol/protocol.h"

#include <array>
#include <numeric>

namespace
{

using proto::Frame;

// Hex without the trailing space, or "none" when the builder refused.
QString shown(const std::optional<Frame> &frame)
{
    return frame ? proto::hexCaption(*frame).trimmed() : QStringLiteral("none");
}

// 0x00, 0x01, ... 0x3F: every byte of the table is distinguishable in the frame.
std::array<std::uint8_t, proto::kGlyphTableSize> countingTable()
{
    std::array<std::uint8_t, proto::kGlyphTableSize> table{};
    std::iota(table.begin(), table.end(), std::uint8_t{0});
    return table;
}

std::vector<std::uint8_t> bytesOf(const char *text)
{
    std::vector<std::uint8_t> bytes;
    for (const char *p = text; *p; ++p)
        bytes.push_back(static_cast<std::uint8_t>(*p));
    return bytes;
}

QString repeated(const char *hexByte, int count)
{
    QStringList parts;
    for (int i = 0; i < count; ++i)
        parts << QString::fromLatin1(hexByte);
    return parts.join(QLatin1Char(' '));
}

} // namespace

class TestProtocol : public QObject
{
    Q_OBJECT
private slots:
    void builders_data();
    void builders();
    void refusedArguments_data();
    void refusedArguments();
    void hexCaption_data();
    void hexCaption();
};

void TestProtocol::builders_data()
{
    QTest::addColumn<QString>("actual");
    QTest::addColumn<QString>("expected");

    const auto table = countingTable();
    QString glyphs = QStringLiteral("FE 64");
    for (int i = 0; i < proto::kGlyphTableSize; ++i)
        glyphs += QStringLiteral(" %1").arg(i, 2, 16, QLatin1Char('0')).toUpper();

    const auto hello = bytesOf("Hello               ");
    const auto last = bytesOf("ABCDEFGHIJKLMNOPQRST");

    QTest::newRow("cursor home") << shown(proto::screenCommand(0)) << "0B";
    QTest::newRow("next line") << shown(proto::screenCommand(1)) << "0C";
    QTest::newRow("clear display") << shown(proto::screenCommand(2)) << "0D";
    QTest::newRow("cursor left") << shown(proto::cursorMove(0)) << "0E";
    QTest::newRow("cursor right") << shown(proto::cursorMove(1)) << "0F";
    QTest::newRow("back space") << shown(proto::backSpace()) << "08";
    QTest::newRow("control byte") << shown(proto::controlByte(0x0D)) << "0D";
    QTest::newRow("cursor hidden") << shown(proto::cursorType(0)) << "FE 01";
    QTest::newRow("cursor underline") << shown(proto::cursorType(1)) << "FE 02";
    QTest::newRow("cursor blinking") << shown(proto::cursorType(2)) << "FE 03";
    QTest::newRow("position 0,0") << shown(proto::setPosition(0, 0)) << "FE 32 00 00";
    QTest::newRow("position 3,19") << shown(proto::setPosition(3, 19)) << "FE 32 03 13";
    QTest::newRow("clear row 0") << shown(proto::clearRowOrColumn(0, 0)) << "FE 2D 00";
    QTest::newRow("clear row 3") << shown(proto::clearRowOrColumn(0, 3)) << "FE 2D 03";
    QTest::newRow("clear column 0") << shown(proto::clearRowOrColumn(1, 0)) << "FE 2E 00";
    QTest::newRow("clear column 19") << shown(proto::clearRowOrColumn(1, 19)) << "FE 2E 13";
    QTest::newRow("special first") << shown(proto::specialCharacter(0)) << "A1";
    QTest::newRow("special last") << shown(proto::specialCharacter(92)) << "FD";
    QTest::newRow("custom char 0 is a zero byte") << shown(proto::customCharacter(0)) << "00";
    QTest::newRow("custom char 7") << shown(proto::customCharacter(7)) << "07";
    QTest::newRow("typed space") << shown(proto::typedCharacter(32)) << "20";
    QTest::newRow("typed 127") << shown(proto::typedCharacter(127)) << "7F";
    QTest::newRow("typed 255") << shown(proto::typedCharacter(255)) << "FF";
    QTest::newRow("load custom chars") << shown(proto::loadCustomChars()) << "FE 08";
    QTest::newRow("set custom chars") << shown(proto::setCustomChars(table)) << glyphs;
    QTest::newRow("init horizontal bars") << shown(proto::initBarGraph(0)) << "FE 04";
    QTest::newRow("init vertical bars") << shown(proto::initBarGraph(1)) << "FE 05";
    QTest::newRow("bar left to right 1") << shown(proto::horizontalBar(0, 1)) << "FE 2B 01";
    QTest::newRow("bar right to left 100") << shown(proto::horizontalBar(1, 100)) << "FE 2C 64";
    QTest::newRow("vertical bar 0,1") << shown(proto::verticalBar(0, 1)) << "FE 33 00 01";
    QTest::newRow("vertical bar 19,32") << shown(proto::verticalBar(19, 32)) << "FE 33 13 20";
    QTest::newRow("load big numbers") << shown(proto::loadBigNumbers()) << "FE 09";
    const std::array<std::uint8_t, 4> seven = {0x20, 0x20, 0x20, 0x37};
    QTest::newRow("big number 7") << shown(proto::bigNumber(seven)) << "FE 63 20 20 20 37";
    QTest::newRow("backlight on") << shown(proto::backlight(0)) << "FE 06";
    QTest::newRow("backlight off") << shown(proto::backlight(1)) << "FE 07";
    QTest::newRow("backlight level 0") << shown(proto::backlightLevel(0)) << "FE 28 00";
    QTest::newRow("backlight level 250") << shown(proto::backlightLevel(250)) << "FE 28 FA";
    QTest::newRow("module 9600") << shown(proto::moduleBaud(true)) << "FE 1E";
    QTest::newRow("module 19200") << shown(proto::moduleBaud(false)) << "FE 1F";
    QTest::newRow("store in flash") << shown(proto::storeInFlash()) << "FE 20";
    QTest::newRow("store message 1")
        << shown(proto::storeMessage(0, hello))
        << QStringLiteral("FE C8 48 65 6C 6C 6F ") + repeated("20", 15);
    QTest::newRow("store message 20")
        << shown(proto::storeMessage(19, last))
        << "FE DB 41 42 43 44 45 46 47 48 49 4A 4B 4C 4D 4E 4F 50 51 52 53 54";
    QTest::newRow("show message 0,1") << shown(proto::showMessage(0, 1)) << "FE 34 00 01";
    QTest::newRow("show message 3,20") << shown(proto::showMessage(3, 20)) << "FE 34 03 14";
    QTest::newRow("p2 gpio") << shown(proto::p2Mode(true)) << "FE 30 FF";
    QTest::newRow("p2 keypad") << shown(proto::p2Mode(false)) << "FE 30 FE";
    QTest::newRow("p2 all inputs") << shown(proto::p2Directions(0)) << "FE 31 00";
    QTest::newRow("p2 pins 1 and 8 out") << shown(proto::p2Directions(0x81)) << "FE 31 81";
    QTest::newRow("p2 all outputs") << shown(proto::p2Directions(255)) << "FE 31 FF";
    QTest::newRow("read analog 1") << shown(proto::readAnalog(0)) << "FE 0B";
    QTest::newRow("read analog 2") << shown(proto::readAnalog(1)) << "FE 0C";
}

void TestProtocol::builders()
{
    QFETCH(QString, actual);
    QFETCH(QString, expected);
    QCOMPARE(actual, expected);
}

void TestProtocol::refusedArguments_data()
{
    QTest::addColumn<std::optional<Frame>>("frame");

    const std::array<std::uint8_t, 3> threeCodes = {0x31, 0x32, 0x33};
    const std::array<std::uint8_t, 5> fiveCodes = {0x31, 0x32, 0x33, 0x34, 0x35};
    const std::vector<std::uint8_t> text19(19, 0x20);
    const std::vector<std::uint8_t> text20(20, 0x20);
    const std::vector<std::uint8_t> text21(21, 0x20);

    QTest::newRow("screen command -1") << proto::screenCommand(-1);
    QTest::newRow("screen command 3") << proto::screenCommand(3);
    QTest::newRow("cursor move -1") << proto::cursorMove(-1);
    QTest::newRow("cursor move 2") << proto::cursorMove(2);
    QTest::newRow("cursor type -1") << proto::cursorType(-1);
    QTest::newRow("cursor type 3") << proto::cursorType(3);
    QTest::newRow("position row -1") << proto::setPosition(-1, 0);
    QTest::newRow("position row 4") << proto::setPosition(4, 0);
    QTest::newRow("position column -1") << proto::setPosition(0, -1);
    QTest::newRow("position column 20") << proto::setPosition(0, 20);
    QTest::newRow("clear row 4") << proto::clearRowOrColumn(0, 4);
    QTest::newRow("clear row -1") << proto::clearRowOrColumn(0, -1);
    QTest::newRow("clear column 20") << proto::clearRowOrColumn(1, 20);
    QTest::newRow("clear button 2") << proto::clearRowOrColumn(2, 0);
    QTest::newRow("special -1") << proto::specialCharacter(-1);
    QTest::newRow("special 93 would be the prefix") << proto::specialCharacter(93);
    QTest::newRow("custom char 8") << proto::customCharacter(8);
    QTest::newRow("custom char -1") << proto::customCharacter(-1);
    QTest::newRow("typed control 31") << proto::typedCharacter(31);
    QTest::newRow("typed 13") << proto::typedCharacter(13);
    QTest::newRow("typed 256") << proto::typedCharacter(256);
    QTest::newRow("init bars 2") << proto::initBarGraph(2);
    QTest::newRow("bar width 0") << proto::horizontalBar(0, 0);
    QTest::newRow("bar width 101") << proto::horizontalBar(0, 101);
    QTest::newRow("bar index 2") << proto::horizontalBar(2, 10);
    QTest::newRow("vertical column 20") << proto::verticalBar(20, 1);
    QTest::newRow("vertical column -1") << proto::verticalBar(-1, 1);
    QTest::newRow("vertical height 0") << proto::verticalBar(0, 0);
    QTest::newRow("vertical height 33") << proto::verticalBar(0, 33);
    QTest::newRow("big number 3 codes") << proto::bigNumber(threeCodes);
    QTest::newRow("big number 5 codes") << proto::bigNumber(fiveCodes);
    QTest::newRow("backlight 2") << proto::backlight(2);
    QTest::newRow("backlight level -1") << proto::backlightLevel(-1);
    QTest::newRow("backlight level 251") << proto::backlightLevel(251);
    QTest::newRow("store message index 20") << proto::storeMessage(20, text20);
    QTest::newRow("store message index -1") << proto::storeMessage(-1, text20);
    QTest::newRow("store message 19 chars") << proto::storeMessage(0, text19);
    QTest::newRow("store message 21 chars") << proto::storeMessage(0, text21);
    QTest::newRow("show message row 4") << proto::showMessage(4, 1);
    QTest::newRow("show message number 0") << proto::showMessage(0, 0);
    QTest::newRow("show message number 21") << proto::showMessage(0, 21);
    QTest::newRow("p2 directions 256") << proto::p2Directions(256);
    QTest::newRow("p2 directions -1") << proto::p2Directions(-1);
    QTest::newRow("read analog index 2") << proto::readAnalog(2);
    QTest::newRow("read analog index -1") << proto::readAnalog(-1);
}

void TestProtocol::refusedArguments()
{
    QFETCH(std::optional<Frame>, frame);
    QVERIFY2(!frame, qPrintable(shown(frame)));
}

void TestProtocol::hexCaption_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("caption");

    QTest::newRow("nothing") << QByteArray() << "";
    QTest::newRow("ten") << QByteArray("\x0A", 1) << "0A ";
    QTest::newRow("zero") << QByteArray("\x00", 1) << "00 ";
    QTest::newRow("255") << QByteArray("\xFF", 1) << "FF ";
    QTest::newRow("letter") << QByteArray("A") << "41 ";
    QTest::newRow("backlight off") << QByteArray("\xFE\x07", 2) << "FE 07 ";
    // Bytes above 127 are negative chars in a QByteArray: they must still show as 80..FF.
    QTest::newRow("reply with high bytes") << QByteArray("\x0A\x00\xFF", 3) << "0A 00 FF ";
    QTest::newRow("upper case") << QByteArray("\xAB\xCD\xEF\x80", 4) << "AB CD EF 80 ";
}

void TestProtocol::hexCaption()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, caption);
    QCOMPARE(proto::hexCaption(bytes), caption);

    // The span overload shows the same bytes the same way.
    const Frame frame(bytes.begin(), bytes.end());
    QCOMPARE(proto::hexCaption(frame), caption);
    QCOMPARE(caption.size(), bytes.size() * 3);
}

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
