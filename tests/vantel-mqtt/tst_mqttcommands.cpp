// What a client's message makes the bridge send: one row per payload, the frames written
// out in hex, or the refusal (then nothing at all is sent). The state a row publishes is
// checked with its frames.

#include <QTest>

#include "commands.h"

using namespace mqttbridge;

namespace
{

// "FE 32 00 00 48 ..." for every frame of the command, or "refused: <reason>".
QString outcome(const QString &topic, const QByteArray &payload)
{
    const auto parsed = parseCommand(topic, payload);
    if (const auto *refusal = std::get_if<QString>(&parsed))
        return QStringLiteral("refused: ") + *refusal;
    QString hex;
    for (const proto::Frame &frame : framesFor(std::get<Command>(parsed)))
        hex += proto::hexCaption(frame);
    return hex.trimmed();
}

QString rowFrames(int row, const QByteArray &twentyBytes)
{
    return (QStringLiteral("FE 32 0%1 00 ").arg(row) + proto::hexCaption(twentyBytes)).trimmed();
}

} // namespace

class TestMqttCommands : public QObject
{
    Q_OBJECT
private slots:
    void payloadsBecomeFramesOrNothing_data();
    void payloadsBecomeFramesOrNothing();
};

void TestMqttCommands::payloadsBecomeFramesOrNothing_data()
{
    QTest::addColumn<QString>("topic");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QString>("rowState"); // rows only: what B/row/N then says

    const QByteArray blank(20, ' ');
    QTest::newRow("row padded") << "row/1/set" << QByteArray("Hello")
                                << rowFrames(0, QByteArray("Hello").leftJustified(20)) << "Hello";
    QTest::newRow("row cut at 20")
        << "row/4/set" << QByteArray("abcdefghijklmnopqrstuvwxyz")
        << rowFrames(3, "abcdefghijklmnopqrst") << "abcdefghijklmnopqrst";
    QTest::newRow("empty row") << "row/2/set" << QByteArray() << rowFrames(1, blank) << "";
    QTest::newRow("leading blanks kept")
        << "row/3/set" << QByteArray("  x  ") << rowFrames(2, QByteArray("  x").leftJustified(20))
        << "  x";
    QTest::newRow("windows-1252: e acute, euro, degree")
        << "row/1/set" << QByteArray("\xC3\xA9\xE2\x82\xAC\xC2\xB0")
        << rowFrames(0, QByteArray("\xE9\x80\xB0").leftJustified(20)) << "é€°";
    QTest::newRow("e and a combining accent are one character")
        << "row/1/set" << QByteArray("e\xCC\x81!")
        << rowFrames(0, QByteArray("\xE9!").leftJustified(20)) << "é!";
    QTest::newRow("no code: question mark, one per character")
        << "row/1/set" << QByteArray("\xE2\x98\x83\xF0\x9F\x98\x80")
        << rowFrames(0, QByteArray("??").leftJustified(20)) << "??";
    QTest::newRow("thorn would be the command prefix FE")
        << "row/1/set" << QByteArray("\xC3\xBE") << rowFrames(0, QByteArray("?").leftJustified(20))
        << "?";
    QTest::newRow("clear, whatever the payload") << "clear/set" << QByteArray("\xFF\x00", 2) << "0D"
                                                 << "";
    QTest::newRow("backlight on") << "backlight/set" << QByteArray("ON") << "FE 06"
                                  << "";
    QTest::newRow("backlight off, any case and spaces")
        << "backlight/set" << QByteArray(" off\n") << "FE 07"
        << "";
    QTest::newRow("brightness 0") << "backlight/brightness/set" << QByteArray("0") << "FE 28 00"
                                  << "";
    QTest::newRow("brightness 250") << "backlight/brightness/set" << QByteArray("250") << "FE 28 FA"
                                    << "";
    QTest::newRow("message 20 on the top row") << "message/set" << QByteArray("20") << "FE 34 00 14"
                                               << "";

    const auto refused = [](const char *why) { return QStringLiteral("refused: ") + why; };
    QTest::newRow("row 5") << "row/5/set" << QByteArray("x")
                           << refused("there is no row 5 (rows 1-4)") << "";
    QTest::newRow("row 0") << "row/0/set" << QByteArray("x")
                           << refused("there is no row 0 (rows 1-4)") << "";
    QTest::newRow("row 01") << "row/01/set" << QByteArray("x")
                            << refused("there is no row 01 (rows 1-4)") << "";
    QTest::newRow("not utf-8") << "row/1/set" << QByteArray("abc\xC3\x28")
                               << refused("the text is not UTF-8") << "";
    QTest::newRow("half a character at the end")
        << "row/1/set" << QByteArray("abc\xE2\x82") << refused("the text is not UTF-8") << "";
    QTest::newRow("newline") << "row/1/set" << QByteArray("two\nlines")
                             << refused("the text holds the control character U+000A") << "";
    QTest::newRow("NUL") << "row/1/set" << QByteArray("a\0b", 3)
                         << refused("the text holds the control character U+0000") << "";
    QTest::newRow("brightness 300") << "backlight/brightness/set" << QByteArray("300")
                                    << refused("the brightness is a number 0-250") << "";
    QTest::newRow("brightness -1") << "backlight/brightness/set" << QByteArray("-1")
                                   << refused("the brightness is a number 0-250") << "";
    QTest::newRow("brightness 12.5") << "backlight/brightness/set" << QByteArray("12.5")
                                     << refused("the brightness is a number 0-250") << "";
    QTest::newRow("brightness far too long")
        << "backlight/brightness/set" << QByteArray(100000, '9')
        << refused("the brightness is a number 0-250") << "";
    QTest::newRow("backlight maybe")
        << "backlight/set" << QByteArray("maybe") << refused("the backlight is ON or OFF") << "";
    QTest::newRow("message 0") << "message/set" << QByteArray("0")
                               << refused("the message is a number 1-20") << "";
    QTest::newRow("message 21") << "message/set" << QByteArray("21")
                                << refused("the message is a number 1-20") << "";
    QTest::newRow("unknown topic") << "cursor/set" << QByteArray("1")
                                   << refused("the bridge takes no commands on this topic") << "";
}

void TestMqttCommands::payloadsBecomeFramesOrNothing()
{
    QFETCH(QString, topic);
    QFETCH(QByteArray, payload);
    QFETCH(QString, expected);
    QFETCH(QString, rowState);

    QCOMPARE(outcome(topic, payload), expected);
    const auto parsed = parseCommand(topic, payload);
    if (const auto *command = std::get_if<Command>(&parsed)) {
        if (const auto *row = std::get_if<SetRow>(command))
            QCOMPARE(rowText(row->text), rowState);
    }
}

QTEST_GUILESS_MAIN(TestMqttCommands)
#include "tst_mqttcommands.moc"
