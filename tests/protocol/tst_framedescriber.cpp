#include <QTest>

#include "protocol/framedescriber.h"

class TestFrameDescriber : public QObject
{
    Q_OBJECT

private slots:
    void describes_data();
    void describes();
    void describesWrites_data();
    void describesWrites();
    void describesReplies_data();
    void describesReplies();
};

void TestFrameDescriber::describes_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("text");

    QTest::newRow("set position") << QByteArray("FE320313") << "set cursor row 3 column 19";
    QTest::newRow("set position off screen")
        << QByteArray("FE320414") << "set cursor row 4 column 20 (ignored: position out of range)";
    QTest::newRow("typed character") << QByteArray("48") << "write 'H'";
    QTest::newRow("custom character") << QByteArray("07") << "write custom character 7";
    QTest::newRow("special character") << QByteArray("A1") << "write character 0xA1";
    QTest::newRow("control byte") << QByteArray("0D") << "clear display";
    QTest::newRow("meaningless control byte")
        << QByteArray("1B") << "control byte 0x1B has no meaning, ignored";
    QTest::newRow("stray prefix") << QByteArray("FE")
                                  << "prefix followed by another prefix, dropped";
    QTest::newRow("unknown command") << QByteArray("FE41") << "unknown command 0x41, ignored";
    QTest::newRow("cut short command") << QByteArray("FE32") << "incomplete command 0x32, ignored";
    QTest::newRow("bar width above maximum")
        << QByteArray("FE2C65") << "horizontal bar right to left, width 101 (taken as 100)";
    QTest::newRow("vertical bar") << QByteArray("FE331320") << "vertical bar column 19, height 32";
    QTest::newRow("show message") << QByteArray("FE340314") << "show message 20 on row 3";
    QTest::newRow("message zero")
        << QByteArray("FE340300")
        << "show message 0 on row 3 (ignored: row or message out of range)";
    QTest::newRow("big number") << QByteArray("FE6320202D35") << "draw big number \"  -5\"";
    QTest::newRow("directions") << QByteArray("FE3181") << "P2 directions 0x81, outputs: 1 8";
    QTest::newRow("keypad mode") << QByteArray("FE30FE") << "P2 mode keypad";
    QTest::newRow("no such mode") << QByteArray("FE3000") << "P2 mode 0x00 (ignored: no such mode)";
    QTest::newRow("store message")
        << QByteArray("FEC8") + QByteArray("Hello").toHex() + QByteArray(15, ' ').toHex()
        << "store message 1 \"Hello               \"";
}

void TestFrameDescriber::describes()
{
    QFETCH(QByteArray, frame);
    QFETCH(QString, text);
    const QByteArray raw = QByteArray::fromHex(frame);
    QCOMPARE(QString::fromStdString(proto::describeFrame(proto::Frame(raw.begin(), raw.end()))),
             text);
}

// A whole write as the transmit side logs it: frames cut as the module reads them.
void TestFrameDescriber::describesWrites_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");

    QTest::newRow("typed run reads as one text")
        << QByteArray("0D") + QByteArray("Settings Saved Onto Flash").toHex()
        << "clear display, write \"Settings Saved Onto Flash\"";
    QTest::newRow("quotes, backslashes and 8-bit codes escaped")
        << QByteArray("22615C") + QByteArray("E9") << R"(write "\"a\\\xE9")";
    QTest::newRow("two commands in one write")
        << QByteArray("FE3200000B") << "set cursor row 0 column 0, cursor home";
    QTest::newRow("custom characters are not text")
        << QByteArray("000148") << "write custom character 0, write custom character 1, write 'H'";
    QTest::newRow("command cut short at the end")
        << QByteArray("41FE3203") << "write 'A', incomplete command 0x32, ignored";
    QTest::newRow("lone prefix at the end")
        << QByteArray("41FE") << "write 'A', prefix without a command";
    QTest::newRow("prefix as an argument is no prefix")
        << QByteArray("FE30FE41") << "P2 mode keypad, write 'A'";
}

void TestFrameDescriber::describesWrites()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    const QByteArray raw = QByteArray::fromHex(bytes);
    const auto *data = reinterpret_cast<const std::uint8_t *>(raw.constData());
    QCOMPARE(
        QString::fromStdString(proto::describeBytes({data, static_cast<std::size_t>(raw.size())})),
        text);
}

// Keys are numbered as on the drawn keypad, row by row: key(1) of the window sits in row 2,
// column 0, which is key 9 for a person.
void TestFrameDescriber::describesReplies_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<QString>("text");

    QTest::newRow("save acknowledged")
        << QByteArray("FE2020") << false << "settings stored in flash";
    QTest::newRow("analog 1") << QByteArray("FA01F4") << false << "analog input 1 reads 500";
    QTest::newRow("analog 2 high byte")
        << QByteArray("FB03FF") << false << "analog input 2 reads 1023";
    QTest::newRow("pins 1 and 6, B1 ignored")
        << QByteArray("FDFF21") << false << "input status: pins 1 and 6 high";
    QTest::newRow("one pin") << QByteArray("FC0080") << false << "input status: pin 8 high";
    QTest::newRow("no pins") << QByteArray("FE2000") << false << "input status: no pins high";
    QTest::newRow("keys 1 and 6") << QByteArray("FC2100") << true << "keypad: keys 1 and 6 down";
    QTest::newRow("window's key(1)") << QByteArray("FC0400") << true << "keypad: key 9 down";
    QTest::newRow("second byte, columns 2 and 3")
        << QByteArray("FC0011") << true << "keypad: keys 3 and 4 down";
    QTest::newRow("three keys") << QByteArray("FC0181") << true << "keypad: keys 1, 3 and 16 down";
    QTest::newRow("no such reply")
        << QByteArray("120000") << false << "reply 0x12 has no meaning, ignored";
}

void TestFrameDescriber::describesReplies()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, keypad);
    QFETCH(QString, text);
    const QByteArray raw = QByteArray::fromHex(reply);
    const proto::Reply r{static_cast<std::uint8_t>(raw[0]), static_cast<std::uint8_t>(raw[1]),
                         static_cast<std::uint8_t>(raw[2])};
    QCOMPARE(QString::fromStdString(
                 proto::describeReply(r, keypad ? proto::P2Mode::Keypad : proto::P2Mode::Gpio)),
             text);
}

QTEST_GUILESS_MAIN(TestFrameDescriber)
#include "tst_framedescriber.moc"
