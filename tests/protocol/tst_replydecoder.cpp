// Three-byte replies: how each is read, and how the framer cuts a byte stream that arrives in
// any split into replies without losing or inventing a byte.

#include <QTest>

#include "protocol/replydecoder.h"

#include <random>

Q_DECLARE_METATYPE(proto::P2Mode)
Q_DECLARE_METATYPE(proto::DecodedReply::Kind)

namespace
{

// "W" for white (bit set), "R" for red, one letter per indicator.
template <std::size_t N> QString colours(const std::array<bool, N> &bits)
{
    QString text;
    for (bool on : bits)
        text += on ? QLatin1Char('W') : QLatin1Char('R');
    return text;
}

const QString kUntouched8 = QStringLiteral("RRRRRRRR");
const QString kUntouched16 = QStringLiteral("RRRRRRRRRRRRRRRR");

proto::Reply replyOf(int b0, int b1, int b2)
{
    return {static_cast<std::uint8_t>(b0), static_cast<std::uint8_t>(b1),
            static_cast<std::uint8_t>(b2)};
}

QByteArray bytesOf(const std::vector<proto::Reply> &replies)
{
    QByteArray bytes;
    for (const proto::Reply &reply : replies)
        bytes += reply.bytes();
    return bytes;
}

} // namespace

class TestReplyDecoder : public QObject
{
    Q_OBJECT
private slots:
    void decode_data();
    void decode();
    void keypadBitOrder();
    void framerSplits_data();
    void framerSplits();
    void framerRandomStream();
    void framerReset();
};

void TestReplyDecoder::decode_data()
{
    QTest::addColumn<proto::Reply>("reply");
    QTest::addColumn<proto::P2Mode>("mode");
    QTest::addColumn<proto::DecodedReply::Kind>("kind");
    QTest::addColumn<int>("analogIndex");
    QTest::addColumn<int>("analogValue");
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<QString>("keys");

    using K = proto::DecodedReply::Kind;
    QTest::newRow("save ack") << replyOf(0xFE, 0x20, 0x20) << proto::P2Mode::Gpio << K::SaveAck
                              << -1 << 0 << kUntouched8 << kUntouched16;
    QTest::newRow("save ack in keypad mode")
        << replyOf(0xFE, 0x20, 0x20) << proto::P2Mode::Keypad << K::SaveAck << -1 << 0
        << kUntouched8 << kUntouched16;
    QTest::newRow("FE 20 00 is a status reply")
        << replyOf(0xFE, 0x20, 0x00) << proto::P2Mode::Gpio << K::InputStatus << -1 << 0
        << "RRRRRRRR" << kUntouched16;
    QTest::newRow("FE 20 21 is a status reply")
        << replyOf(0xFE, 0x20, 0x21) << proto::P2Mode::Gpio << K::InputStatus << -1 << 0
        << "WRRRRWRR" << kUntouched16;
    QTest::newRow("analog 1 zero") << replyOf(0xFA, 0x00, 0x00) << proto::P2Mode::Gpio << K::Analog
                                   << 0 << 0 << kUntouched8 << kUntouched16;
    QTest::newRow("analog 2 1023") << replyOf(0xFB, 0x03, 0xFF) << proto::P2Mode::Gpio << K::Analog
                                   << 1 << 1023 << kUntouched8 << kUntouched16;
    QTest::newRow("analog 1 high byte") << replyOf(0xFA, 0x01, 0x00) << proto::P2Mode::Keypad
                                        << K::Analog << 0 << 256 << kUntouched8 << kUntouched16;
    QTest::newRow("analog 1 500") << replyOf(0xFA, 0x01, 0xF4) << proto::P2Mode::Gpio << K::Analog
                                  << 0 << 500 << kUntouched8 << kUntouched16;
    QTest::newRow("analog 2 65535") << replyOf(0xFB, 0xFF, 0xFF) << proto::P2Mode::Gpio << K::Analog
                                    << 1 << 65535 << kUntouched8 << kUntouched16;
    QTest::newRow("gpio FC 00 FF all white")
        << replyOf(0xFC, 0x00, 0xFF) << proto::P2Mode::Gpio << K::InputStatus << -1 << 0
        << "WWWWWWWW" << kUntouched16;
    QTest::newRow("keypad FC 00 FF")
        << replyOf(0xFC, 0x00, 0xFF) << proto::P2Mode::Keypad << K::KeypadState << -1 << 0
        << kUntouched8 << "RRRRRRRRWWWWWWWW";
    QTest::newRow("keypad FC 04 00 only key 1")
        << replyOf(0xFC, 0x04, 0x00) << proto::P2Mode::Keypad << K::KeypadState << -1 << 0
        << kUntouched8 << "RWRRRRRRRRRRRRRR";
    QTest::newRow("gpio FD FF 21 pins 0 and 5")
        << replyOf(0xFD, 0xFF, 0x21) << proto::P2Mode::Gpio << K::InputStatus << -1 << 0
        << "WRRRRWRR" << kUntouched16;
    QTest::newRow("gpio FF ignores B1") << replyOf(0xFF, 0xFF, 0x00) << proto::P2Mode::Gpio
                                        << K::InputStatus << -1 << 0 << "RRRRRRRR" << kUntouched16;
    QTest::newRow("keypad B2 bit 0 is key 8")
        << replyOf(0xFF, 0x00, 0x01) << proto::P2Mode::Keypad << K::KeypadState << -1 << 0
        << kUntouched8 << "RRRRRRRRWRRRRRRR";
    QTest::newRow("B0 249 ignored") << replyOf(0xF9, 0x01, 0x02) << proto::P2Mode::Gpio
                                    << K::Ignored << -1 << 0 << kUntouched8 << kUntouched16;
    QTest::newRow("B0 0 ignored") << replyOf(0x00, 0x20, 0x20) << proto::P2Mode::Keypad
                                  << K::Ignored << -1 << 0 << kUntouched8 << kUntouched16;
    QTest::newRow("B0 B0 ignored") << replyOf(0xB0, 0xFF, 0xFF) << proto::P2Mode::Gpio << K::Ignored
                                   << -1 << 0 << kUntouched8 << kUntouched16;
}

void TestReplyDecoder::decode()
{
    QFETCH(proto::Reply, reply);
    QFETCH(proto::P2Mode, mode);
    QFETCH(proto::DecodedReply::Kind, kind);
    QFETCH(int, analogIndex);
    QFETCH(int, analogValue);
    QFETCH(QString, inputs);
    QFETCH(QString, keys);

    const proto::DecodedReply decoded = proto::decodeReply(reply, mode);
    QCOMPARE(decoded.kind, kind);
    QCOMPARE(decoded.analogIndex, analogIndex);
    QCOMPARE(decoded.analogValue, analogValue);
    QCOMPARE(colours(decoded.inputs), inputs);
    QCOMPARE(colours(decoded.keys), keys);
}

// Each single bit of B1 and B2 lights exactly one key, and the sixteen keys are all reached:
// bit b of B1 sits in column b / 4, row b % 4 of the 4x4 grid, B2 in columns 2 and 3.
void TestReplyDecoder::keypadBitOrder()
{
    const std::array<int, 8> keyForBit = {0, 3, 1, 2, 4, 7, 5, 6};
    for (int byteIndex = 0; byteIndex < 2; ++byteIndex) {
        for (int bit = 0; bit < 8; ++bit) {
            const int value = 1 << bit;
            const proto::Reply reply =
                byteIndex == 0 ? replyOf(0xFC, value, 0) : replyOf(0xFC, 0, value);
            const proto::DecodedReply decoded = proto::decodeReply(reply, proto::P2Mode::Keypad);
            QString expected(16, QLatin1Char('R'));
            expected[keyForBit[static_cast<std::size_t>(bit)] + 8 * byteIndex] = QLatin1Char('W');
            QCOMPARE(colours(decoded.keys), expected);
        }
    }
}

void TestReplyDecoder::framerSplits_data()
{
    QTest::addColumn<QList<QByteArray>>("chunks");
    QTest::addColumn<QList<int>>("repliesPerFeed");
    QTest::addColumn<QByteArray>("replyBytes");
    QTest::addColumn<int>("pending");

    const QByteArray ack("\xFE\x20\x20", 3);
    const QByteArray analog("\xFA\x01\xF4", 3);
    const QByteArray status("\xFC\x00\xFF", 3);

    QTest::newRow("whole") << QList<QByteArray>{ack} << QList<int>{1} << ack << 0;
    QTest::newRow("1+1+1") << QList<QByteArray>{ack.left(1), ack.mid(1, 1), ack.mid(2)}
                           << QList<int>{0, 0, 1} << ack << 0;
    QTest::newRow("2+1") << QList<QByteArray>{analog.left(2), analog.mid(2)} << QList<int>{0, 1}
                         << analog << 0;
    QTest::newRow("1+2") << QList<QByteArray>{analog.left(1), analog.mid(1)} << QList<int>{0, 1}
                         << analog << 0;
    QTest::newRow("empty feeds change nothing")
        << QList<QByteArray>{QByteArray(), analog.left(2), QByteArray(), analog.mid(2)}
        << QList<int>{0, 0, 0, 1} << analog << 0;
    QTest::newRow("three merged") << QList<QByteArray>{ack + analog + status} << QList<int>{3}
                                  << ack + analog + status << 0;
    QTest::newRow("merged with a tail")
        << QList<QByteArray>{ack + analog + status.left(1), status.mid(1)} << QList<int>{2, 1}
        << ack + analog + status << 0;
    QTest::newRow("two bytes, then the rest and the next")
        << QList<QByteArray>{status.left(2), status.mid(2) + ack} << QList<int>{0, 2}
        << status + ack << 0;
    QTest::newRow("partial left waiting")
        << QList<QByteArray>{analog + ack.left(2)} << QList<int>{1} << analog << 2;
    QTest::newRow("zero bytes are data")
        << QList<QByteArray>{QByteArray(6, '\0')} << QList<int>{2} << QByteArray(6, '\0') << 0;
}

void TestReplyDecoder::framerSplits()
{
    QFETCH(QList<QByteArray>, chunks);
    QFETCH(QList<int>, repliesPerFeed);
    QFETCH(QByteArray, replyBytes);
    QFETCH(int, pending);

    proto::ReplyFramer framer;
    std::vector<proto::Reply> all;
    for (qsizetype i = 0; i < chunks.size(); ++i) {
        const std::vector<proto::Reply> replies = framer.feed(chunks[i]);
        QCOMPARE(static_cast<int>(replies.size()), repliesPerFeed[i]);
        all.insert(all.end(), replies.begin(), replies.end());
    }
    QCOMPARE(bytesOf(all), replyBytes);
    QCOMPARE(framer.pending(), pending);
}

// Random bytes in random pieces: every complete three bytes come out as one reply, in order,
// and nothing is lost at a piece boundary.
void TestReplyDecoder::framerRandomStream()
{
    std::mt19937 random(7351);
    std::uniform_int_distribution<int> byteValue(0, 255);
    std::uniform_int_distribution<int> pieceSize(0, 11);

    for (int round = 0; round < 200; ++round) {
        const int n = 1 + round * 7;
        QByteArray stream;
        for (int i = 0; i < n; ++i)
            stream += static_cast<char>(byteValue(random));

        proto::ReplyFramer framer;
        std::vector<proto::Reply> replies;
        for (qsizetype at = 0; at < stream.size();) {
            const qsizetype size = std::min<qsizetype>(pieceSize(random), stream.size() - at);
            const auto got = framer.feed(QByteArrayView(stream).sliced(at, size));
            replies.insert(replies.end(), got.begin(), got.end());
            at += size;
        }
        QCOMPARE(static_cast<int>(replies.size()), n / 3);
        QCOMPARE(bytesOf(replies), stream.left(n / 3 * 3));
        QCOMPARE(framer.pending(), n % 3);
    }
}

void TestReplyDecoder::framerReset()
{
    proto::ReplyFramer framer;
    QVERIFY(framer.feed(QByteArray("\xFA\x01", 2)).empty());
    QCOMPARE(framer.dropPartial(), QByteArray("\xFA\x01", 2));
    QCOMPARE(framer.pending(), 0);
    const auto replies = framer.feed(QByteArray("\xFB\x03\xFF", 3));
    QCOMPARE(replies.size(), std::size_t{1});
    QCOMPARE(replies.front(), replyOf(0xFB, 0x03, 0xFF));
}

QTEST_GUILESS_MAIN(TestReplyDecoder)
#include "tst_replydecoder.moc"
