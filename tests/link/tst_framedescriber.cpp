#include <QTest>

#include "link/framedescriber.h"

class TestFrameDescriber : public QObject
{
    Q_OBJECT

private slots:
    void describes_data();
    void describes();
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

QTEST_GUILESS_MAIN(TestFrameDescriber)
#include "tst_framedescriber.moc"
