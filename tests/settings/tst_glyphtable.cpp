// The glyph table and its section of the settings file: what a stored value may be, what
// start-up makes of a damaged file, and what saving a slot writes.

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include "settings/glyphtable.h"
#include "settings/settingsfile.h"
#include "testfiles.h"

namespace
{

template <std::size_t N> QByteArray bytes(const std::array<std::uint8_t, N> &values)
{
    return QByteArray(reinterpret_cast<const char *>(values.data()), qsizetype(N));
}

} // namespace

class GlyphTableTest : public QObject
{
    Q_OBJECT
private slots:
    void parseValue_data();
    void parseValue();
    void keyNamesSlotFromOne();
    void loadTurnsDamagedValuesIntoBlankRows();
    void saveSlotWritesItsEightKeysOnly();
    void saveSlotInEmptyFileKeepsRowOrder();

private:
    QTemporaryDir m_dir;
};

void GlyphTableTest::parseValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value"); // -1: not a stored value
    QTest::newRow("0") << QStringLiteral("0") << 0;
    QTest::newRow("31") << QStringLiteral("31") << 31;
    QTest::newRow("255") << QStringLiteral("255") << 255;
    QTest::newRow("blanks around 17") << QStringLiteral(" 17 ") << 17;
    QTest::newRow("leading zeros") << QStringLiteral("017") << 17;
    QTest::newRow("many leading zeros") << QStringLiteral("0000000000255") << 255;
    QTest::newRow("256") << QStringLiteral("256") << -1;
    QTest::newRow("huge") << QStringLiteral("99999999999999999999") << -1;
    QTest::newRow("-1") << QStringLiteral("-1") << -1;
    QTest::newRow("+17") << QStringLiteral("+17") << -1;
    QTest::newRow("17.0") << QStringLiteral("17.0") << -1;
    QTest::newRow("abc") << QStringLiteral("abc") << -1;
    QTest::newRow("hex") << QStringLiteral("0x1F") << -1;
    QTest::newRow("1 7") << QStringLiteral("1 7") << -1;
    QTest::newRow("empty") << QString() << -1;
    QTest::newRow("fullwidth digits") << QStringLiteral("\uff11\uff17") << -1;
}

void GlyphTableTest::parseValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    const auto parsed = GlyphTable::parseValue(text);
    QCOMPARE(parsed.has_value(), value >= 0);
    if (parsed)
        QCOMPARE(int(*parsed), value);
}

void GlyphTableTest::keyNamesSlotFromOne()
{
    QCOMPARE(GlyphTable::key(0, 1), QStringLiteral("UCHAR1R1"));
    QCOMPARE(GlyphTable::key(2, 5), QStringLiteral("UCHAR3R5"));
    QCOMPARE(GlyphTable::key(7, 8), QStringLiteral("UCHAR8R8"));
}

void GlyphTableTest::loadTurnsDamagedValuesIntoBlankRows()
{
    const QString path = m_dir.filePath(QStringLiteral("damaged.ini"));
    QVERIFY(testfiles::write(path, "[Settings]\r\nUCHAR1R1=99\r\n"
                                   "[UDC]\r\n"
                                   "UCHAR1R1=255\r\n"
                                   "UCHAR1R2=256\r\n"
                                   "UCHAR1R3=-1\r\n"
                                   "UCHAR1R4=abc\r\n"
                                   "UCHAR1R5= 17 \r\n"
                                   "UCHAR1R6=17.0\r\n"
                                   "UCHAR1R7=\r\n"
                                   "UCHAR3R5=17\r\n"
                                   "UCHAR8R8=31\r\n"));
    const SettingsFile settings(path);
    GlyphTable table;
    table.UCharTable.fill(0xAA); // whatever was there before is replaced, missing keys too

    // Each damaged value is named once; a missing or empty key is not worth a word.
    for (const char *damaged : {"UCHAR1R2=256", "UCHAR1R3=-1", "UCHAR1R4=abc", "UCHAR1R6=17.0"}) {
        QTest::ignoreMessage(
            QtWarningMsg,
            QRegularExpression(QRegularExpression::escape(path) + QStringLiteral(".*\\[UDC\\] ") +
                               QRegularExpression::escape(QLatin1String(damaged))));
    }
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".")));
    QCOMPARE(table.load(settings), 4);

    std::array<std::uint8_t, proto::kGlyphTableSize> expected{};
    expected[0] = 255;
    expected[4] = 17;
    expected[20] = 17; // UCHAR3R5: slot 2, row 5
    expected[63] = 31;
    QCOMPARE(bytes(table.UCharTable), bytes(expected));
    const GlyphTable::Rows slot2 = table.slot(2);
    QCOMPARE(int(slot2[4]), 17);
}

void GlyphTableTest::saveSlotWritesItsEightKeysOnly()
{
    const QString path = m_dir.filePath(QStringLiteral("save.ini"));
    QVERIFY(testfiles::write(path, "[Settings]\r\nComPort=3\r\n"
                                   "[UDC]\r\nUCHAR2R1=5\r\nUCHAR3R4=9\r\n"
                                   "[MSG]\r\nMsg1=hi\r\n"));
    const SettingsFile settings(path);
    GlyphTable table;
    table.UCharTable.fill(7);
    const GlyphTable::Rows rows = {0, 31, 17, 17, 10, 16, 1, 0};
    table.saveSlot(2, rows, settings);

    // The key already present keeps its line; the others follow it inside the section.
    const QByteArray expected = "[Settings]\r\nComPort=3\r\n"
                                "[UDC]\r\nUCHAR2R1=5\r\nUCHAR3R4=17\r\n"
                                "UCHAR3R1=0\r\nUCHAR3R2=31\r\nUCHAR3R3=17\r\n"
                                "UCHAR3R5=10\r\nUCHAR3R6=16\r\nUCHAR3R7=1\r\nUCHAR3R8=0\r\n"
                                "[MSG]\r\nMsg1=hi\r\n";
    QCOMPARE(testfiles::read(path), expected);
    for (int i = 0; i < proto::kGlyphTableSize; ++i) {
        const int want = (i >= 16 && i < 24) ? rows[std::size_t(i - 16)] : 7;
        QCOMPARE(int(table.UCharTable[std::size_t(i)]), want);
    }

    // Saving the same rows again writes the same eight values: the file stays as it is.
    table.saveSlot(2, rows, settings);
    QCOMPARE(testfiles::read(path), expected);

    // A slot outside 0..7 changes nothing.
    table.saveSlot(8, {31, 31, 31, 31, 31, 31, 31, 31}, settings);
    table.saveSlot(-1, {31, 31, 31, 31, 31, 31, 31, 31}, settings);
    QCOMPARE(testfiles::read(path), expected);
    QCOMPARE(int(table.UCharTable[63]), 7);
}

void GlyphTableTest::saveSlotInEmptyFileKeepsRowOrder()
{
    const QString path = m_dir.filePath(QStringLiteral("fresh.ini"));
    const SettingsFile settings(path);
    GlyphTable table;
    table.saveSlot(7, {1, 2, 3, 4, 5, 6, 7, 8}, settings);
    QStringList lines =
        QString::fromLatin1(testfiles::read(path)).split(QRegularExpression("\r?\n"));
    QCOMPARE(lines.takeLast(), QString());
    QCOMPARE(lines, QStringList({"[UDC]", "UCHAR8R1=1", "UCHAR8R2=2", "UCHAR8R3=3", "UCHAR8R4=4",
                                 "UCHAR8R5=5", "UCHAR8R6=6", "UCHAR8R7=7", "UCHAR8R8=8"}));
}

QTEST_GUILESS_MAIN(GlyphTableTest)
#include "tst_glyphtable.moc"
