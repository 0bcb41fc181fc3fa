#include <QTest>

#include "protocol/keypad.h"
#include "sim/replyencoder.h"

// The virtual module's replies must read back, through the utility's own decoder, as the
// state they were built from.
class TestReplyEncoder : public QObject
{
    Q_OBJECT

private slots:
    void inputStatusRoundTrip();
    void keypadStateRoundTrip();
    void analogReadings_data();
    void analogReadings();
    void saveAck();
};

void TestReplyEncoder::inputStatusRoundTrip()
{
    for (int bits = 0; bits < 256; ++bits) {
        std::array<bool, sim::kInputPins> pins{};
        for (int i = 0; i < sim::kInputPins; ++i)
            pins[static_cast<std::size_t>(i)] = (bits >> i) & 1;
        const proto::Reply reply = sim::inputStatusReply(pins);
        const proto::DecodedReply decoded = proto::decodeReply(reply, proto::P2Mode::Gpio);
        QCOMPARE(decoded.kind, proto::DecodedReply::Kind::InputStatus);
        QCOMPARE(decoded.inputs, pins);
    }
}

void TestReplyEncoder::keypadStateRoundTrip()
{
    for (int bits = 0; bits < 65536; ++bits) {
        std::array<bool, sim::kKeypadKeys> keys{};
        for (int k = 0; k < sim::kKeypadKeys; ++k)
            keys[static_cast<std::size_t>(k)] = (bits >> k) & 1;
        const proto::Reply reply = sim::keypadStateReply(keys);
        const proto::DecodedReply decoded = proto::decodeReply(reply, proto::P2Mode::Keypad);
        // keys[] counts the keys 1-16, the decoder the indicators key(0..15).
        std::array<bool, sim::kKeypadKeys> shown{};
        for (int n = 1; n <= sim::kKeypadKeys; ++n)
            shown[static_cast<std::size_t>(n - 1)] =
                decoded.keys[static_cast<std::size_t>(proto::keypad::indicatorOf(n))];
        if (decoded.kind != proto::DecodedReply::Kind::KeypadState || shown != keys)
            QFAIL(qPrintable(QStringLiteral("keys %1 read back wrong").arg(bits, 4, 16)));
    }
    // One key pins the wiring down: key 9 (row 3, column 1) is bit 2 of the first data byte.
    std::array<bool, sim::kKeypadKeys> keys{};
    keys[8] = true;
    QCOMPARE(sim::keypadStateReply(keys).bytes(), QByteArray::fromHex("FC0400"));
}

void TestReplyEncoder::analogReadings_data()
{
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("value");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("readBack");

    QTest::newRow("input 1, 500") << 0 << 500 << QByteArray("FA01F4") << 500;
    QTest::newRow("input 2, 1023") << 1 << 1023 << QByteArray("FB03FF") << 1023;
    QTest::newRow("zero") << 0 << 0 << QByteArray("FA0000") << 0;
    QTest::newRow("above two bytes clamps") << 1 << 70000 << QByteArray("FBFFFF") << 65535;
    QTest::newRow("negative clamps") << 0 << -3 << QByteArray("FA0000") << 0;
}

void TestReplyEncoder::analogReadings()
{
    QFETCH(int, input);
    QFETCH(int, value);
    QFETCH(QByteArray, reply);
    QFETCH(int, readBack);
    const proto::Reply encoded = sim::analogReply(input, value);
    QCOMPARE(encoded.bytes(), QByteArray::fromHex(reply));
    const proto::DecodedReply decoded = proto::decodeReply(encoded, proto::P2Mode::Gpio);
    QCOMPARE(decoded.kind, proto::DecodedReply::Kind::Analog);
    QCOMPARE(decoded.analogIndex, input);
    QCOMPARE(decoded.analogValue, readBack);
}

void TestReplyEncoder::saveAck()
{
    QCOMPARE(sim::saveAckReply().bytes(), QByteArray::fromHex("FE2020"));
    QCOMPARE(proto::decodeReply(sim::saveAckReply(), proto::P2Mode::Keypad).kind,
             proto::DecodedReply::Kind::SaveAck);
}

QTEST_GUILESS_MAIN(TestReplyEncoder)
#include "tst_replyencoder.moc"
