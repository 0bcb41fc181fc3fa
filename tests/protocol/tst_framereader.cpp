#include <QTest>

#include "protocol/framereader.h"

namespace
{

std::vector<std::uint8_t> bytes(const QByteArray &hex)
{
    const QByteArray raw = QByteArray::fromHex(hex);
    return {raw.begin(), raw.end()};
}

// Frames as space-separated hex, one string per frame.
QStringList hexFrames(const std::vector<proto::Frame> &frames)
{
    QStringList list;
    for (const proto::Frame &frame : frames)
        list << proto::hexCaption(frame).trimmed();
    return list;
}

} // namespace

class TestFrameReader : public QObject
{
    Q_OBJECT

private slots:
    void cutsFrames_data();
    void cutsFrames();
    void splitAnywhereGivesSameFrames();
    void pendingUntilComplete();
};

void TestFrameReader::cutsFrames_data()
{
    QTest::addColumn<QByteArray>("stream");
    QTest::addColumn<QStringList>("frames");

    QTest::newRow("characters are frames of one")
        << QByteArray("41000D") << QStringList{"41", "00", "0D"};
    QTest::newRow("arguments are not characters")
        << QByteArray("FE32031341") << QStringList{"FE 32 03 13", "41"};
    QTest::newRow("an argument of FE is an argument")
        << QByteArray("FE30FE41") << QStringList{"FE 30 FE", "41"};
    QTest::newRow("big number takes four")
        << QByteArray("FE63202034320D") << QStringList{"FE 63 20 20 34 32", "0D"};
    QTest::newRow("stray prefix dropped, next one starts a command")
        << QByteArray("FEFE320102") << QStringList{"FE", "FE 32 01 02"};
    QTest::newRow("unknown code takes prefix and code only")
        << QByteArray("FE4142") << QStringList{"FE 41", "42"};
    QTest::newRow("short commands")
        << QByteArray("FE01FE20FE0BFE1F") << QStringList{"FE 01", "FE 20", "FE 0B", "FE 1F"};
    QTest::newRow("store message takes twenty")
        << QByteArray("FEDB") + QByteArray(40, '0') + "FEDB" + QByteArray(40, '0') + "0B"
        << QStringList{"FE DB " + QStringList(20, "00").join(' '),
                       "FE DB " + QStringList(20, "00").join(' '), "0B"};
}

void TestFrameReader::cutsFrames()
{
    QFETCH(QByteArray, stream);
    QFETCH(QStringList, frames);
    proto::FrameReader reader;
    QCOMPARE(hexFrames(reader.feed(bytes(stream))), frames);
    QCOMPARE(reader.pending(), 0);
}

void TestFrameReader::splitAnywhereGivesSameFrames()
{
    // Every command kind once, including the two long ones.
    QByteArray hex = "48FE0208FE2807FE32031341FE630031323334FE64";
    hex += QByteArray(128, '1');
    hex += "FEC9" + QByteArray(40, 'A') + "FEFE0BFE7742";
    const auto stream = bytes(hex);
    proto::FrameReader whole;
    const QStringList expected = hexFrames(whole.feed(stream));
    for (std::size_t split = 0; split <= stream.size(); ++split) {
        proto::FrameReader reader;
        auto frames = reader.feed(std::span(stream).first(split));
        const auto rest = reader.feed(std::span(stream).subspan(split));
        frames.insert(frames.end(), rest.begin(), rest.end());
        QCOMPARE(hexFrames(frames), expected);
    }
    proto::FrameReader byteByByte;
    std::vector<proto::Frame> frames;
    for (std::uint8_t byte : stream) {
        const auto some = byteByByte.feed(std::span(&byte, 1));
        frames.insert(frames.end(), some.begin(), some.end());
    }
    QCOMPARE(hexFrames(frames), expected);
}

void TestFrameReader::pendingUntilComplete()
{
    proto::FrameReader reader;
    QVERIFY(reader.feed(bytes("FE64")).empty());
    QCOMPARE(reader.pending(), 2);
    QVERIFY(reader.feed(bytes(QByteArray(126, 'F'))).empty());
    QCOMPARE(reader.pending(), 65);
    const auto frames = reader.feed(bytes("FF41"));
    QCOMPARE(frames.size(), std::size_t(2));
    QCOMPARE(frames[0].size(), std::size_t(66));
    QCOMPARE(reader.pending(), 0);

    QVERIFY(reader.feed(bytes("FE32")).empty());
    reader.reset();
    QCOMPARE(hexFrames(reader.feed(bytes("0313"))), (QStringList{"03", "13"}));
}

QTEST_GUILESS_MAIN(TestFrameReader)
#include "tst_framereader.moc"
