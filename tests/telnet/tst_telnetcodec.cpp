// The Telnet / COM-PORT-OPTION codec on its own: what the server sends, split as the rows
// say, gives the module's bytes, the answers owed and the server's news; every row must
// give the same whole, split as given and one byte at a time.

#include <QTest>

#include "telnet/telnetcodec.h"

using telnet::Event;
using telnet::TelnetCodec;
using Kind = telnet::Event::Kind;

Q_DECLARE_METATYPE(std::vector<telnet::Event>)

namespace
{

QByteArray hex(const QString &text)
{
    return QByteArray::fromHex(text.toLatin1());
}

struct Outcome {
    QByteArray data;
    QByteArray reply;
    std::vector<Event> events;
};

Outcome feed(const QList<QByteArray> &reads, bool offer = true)
{
    TelnetCodec codec;
    if (offer)
        codec.start();
    TelnetCodec::Received out;
    for (const QByteArray &read : reads)
        codec.receive(read, out);
    return {out.data, out.reply, out.events};
}

QList<QByteArray> bytewise(const QList<QByteArray> &reads)
{
    QList<QByteArray> single;
    for (const QByteArray &read : reads)
        for (char byte : read)
            single << QByteArray(1, byte);
    return single;
}

} // namespace

class TestTelnetCodec : public QObject
{
    Q_OBJECT
private slots:
    void fromServer_data();
    void fromServer();
    void toServer_data();
    void toServer();
    void offersOnceAndAnswersNothingTwice();
};

void TestTelnetCodec::fromServer_data()
{
    // reads: hex pieces separated by '|', each given to one receive()
    QTest::addColumn<QString>("reads");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<std::vector<Event>>("events");

    const std::vector<Event> none;
    QTest::newRow("plain data") << "41 00 0d 42" << hex("41000d42") << QByteArray() << none;
    QTest::newRow("IAC IAC is one FF") << "fc ff ff 00" << hex("fcff00") << QByteArray() << none;
    QTest::newRow("IAC IAC at a read boundary")
        << "fb ff|ff ff ff" << hex("fbffff") << QByteArray() << none;
    QTest::newRow("four IACs in three reads")
        << "ff|ff ff|ff" << hex("ffff") << QByteArray() << none;
    // What ser2net 4 says first, against our own offers: only ECHO needs an answer.
    QTest::newRow("ser2net's opening")
        << "ff fb 03 ff fd 03 ff fb 01 ff fe 01 ff fd 00 ff fb 00 ff fd 2c" << QByteArray()
        << hex("fffe01") << std::vector<Event>{{Kind::ComPortAccepted}};
    QTest::newRow("opening split inside each command")
        << "ff|fb 03 ff fd|03 ff fb 01 ff|fe|01 ff fd 00 ff fb 00 ff fd|2c 41" << hex("41")
        << hex("fffe01") << std::vector<Event>{{Kind::ComPortAccepted}};
    QTest::newRow("ECHO and LINEMODE refused both ways")
        << "ff fd 01 ff fb 01 ff fd 22 ff fb 22" << QByteArray() << hex("fffc01fffe01fffc22fffe22")
        << none;
    QTest::newRow("an option never offered and switched off needs no answer")
        << "ff fc 01 ff fe 22" << QByteArray() << QByteArray() << none;
    QTest::newRow("COM-PORT-OPTION refused")
        << "ff fe 2c" << QByteArray() << QByteArray() << std::vector<Event>{{Kind::ComPortRefused}};
    QTest::newRow("WONT COM-PORT-OPTION refuses our offer")
        << "ff fc 2c|ff fc 2c" << QByteArray() << QByteArray()
        << std::vector<Event>{{Kind::ComPortRefused}};
    QTest::newRow("the server's own COM-PORT-OPTION refused")
        << "ff fb 2c ff fd 2c" << QByteArray() << hex("fffe2c")
        << std::vector<Event>{{Kind::ComPortAccepted}};
    QTest::newRow("BINARY refused both ways")
        << "ff fe 00 ff fc 00" << QByteArray() << QByteArray()
        << std::vector<Event>{{Kind::BinaryRefused}, {Kind::BinaryRefused}};
    QTest::newRow("flow control and an empty signature between data bytes")
        << "41 ff fa 2c 6c ff f0 42 ff fa 2c|6d ff f0 ff fa 2c 64 ff|f0" << hex("4142")
        << QByteArray()
        << std::vector<Event>{{Kind::Suspend}, {Kind::Resume}, {Kind::SignatureWanted}};
    QTest::newRow("COM-PORT-OPTION taken, then withdrawn")
        << "ff fd 2c|ff fe 2c" << QByteArray() << hex("fffc2c")
        << std::vector<Event>{{Kind::ComPortAccepted}, {Kind::ComPortRefused}};
    QTest::newRow("speed answer split in three")
        << "ff fa 2c|65 00 00|4b 00 ff f0" << QByteArray() << QByteArray()
        << std::vector<Event>{{Kind::BaudRate, 19200}};
    QTest::newRow("speed answer with FF doubled, IAC split from IAC")
        << "ff fa 2c 65 00 00 00 ff|ff ff|f0 41" << hex("41") << QByteArray()
        << std::vector<Event>{{Kind::BaudRate, 255}};
    QTest::newRow("data size, parity and stop size answers")
        << "ff fa 2c 66 08 ff f0 ff fa 2c 67 01 ff f0 ff fa 2c 68 01 ff f0" << QByteArray()
        << QByteArray()
        << std::vector<Event>{{Kind::DataSize, 8}, {Kind::Parity, 1}, {Kind::StopSize, 1}};
    QTest::newRow("NOTIFY-LINESTATE and -MODEMSTATE between data bytes")
        << "fa ff fa 2c 6a 60 ff f0 ff|ff ff fa 2c 6b|ff ff ff f0 03" << hex("faff03")
        << QByteArray() << none;
    QTest::newRow("NOP, GA, AYT, BRK, DM and a stray SE swallowed")
        << "41 ff f1 42 ff f9 43 ff f6 44 ff f3 45 ff f2 46 ff f0 47" << hex("41424344454647")
        << QByteArray() << none;
    QTest::newRow("another option's subnegotiation swallowed")
        << "ff fa 18 01 ff f0 41" << hex("41") << QByteArray() << none;
    QTest::newRow("signature and a short speed answer swallowed")
        << "ff fa 2c 64 73 65 72 ff f0 ff fa 2c 65 00 4b ff f0 ff fa 2c ff f0" << QByteArray()
        << QByteArray() << none;
    QTest::newRow("subnegotiation cut by a command")
        << "ff fa 2c 65 00 00 4b 00 ff fb 01 41" << hex("41") << hex("fffe01") << none;
    QTest::newRow("over-long subnegotiation dropped whole")
        << "ff fa 2c 65 00 00 4b 00" + QString(" 00").repeated(TelnetCodec::kMaxSubnegotiation) +
               " ff f0 42"
        << hex("42") << QByteArray() << none;
    QTest::newRow("CR NUL read as CR while the server does not send binary")
        << "ff fc 00 0d|00 41 0d 0a 0d 0d 00" << hex("0d410d0a0d0d") << QByteArray()
        << std::vector<Event>{{Kind::BinaryRefused}};
    QTest::newRow("CR NUL is two bytes in binary")
        << "ff fb 00 0d|00" << hex("0d00") << QByteArray() << none;
}

void TestTelnetCodec::fromServer()
{
    QFETCH(QString, reads);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, reply);
    QFETCH(std::vector<Event>, events);

    QList<QByteArray> pieces;
    for (const QString &piece : reads.split(u'|'))
        pieces << hex(piece);
    QByteArray whole;
    for (const QByteArray &piece : pieces)
        whole += piece;

    for (const QList<QByteArray> &split : {pieces, QList<QByteArray>{whole}, bytewise(pieces)}) {
        const Outcome got = feed(split);
        QCOMPARE(got.data.toHex(' '), data.toHex(' '));
        QCOMPARE(got.reply.toHex(' '), reply.toHex(' '));
        QVERIFY(got.events == events);
    }
}

void TestTelnetCodec::toServer_data()
{
    // What the codec hands the server for the module, after the server said `agreed`.
    QTest::addColumn<QByteArray>("agreed");
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<QByteArray>("wire");

    const QByteArray binary = hex("fffd00");
    QTest::newRow("FF doubled") << binary << hex("fe30ff") << hex("fe30ffff");
    QTest::newRow("FF FF is four") << binary << hex("ffff") << hex("ffffffff");
    QTest::newRow("CR as it is in binary") << binary << hex("0d0a0d") << hex("0d0a0d");
    QTest::newRow("CR NUL without binary")
        << hex("fffe00") << hex("0d0aff0d") << hex("0d000affff0d00");
}

void TestTelnetCodec::toServer()
{
    QFETCH(QByteArray, agreed);
    QFETCH(QByteArray, data);
    QFETCH(QByteArray, wire);
    TelnetCodec codec;
    codec.start();
    codec.receive(agreed);
    QCOMPARE(codec.encode(data).toHex(' '), wire.toHex(' '));

    // After encoding, the server's side of the same rules gives the bytes back.
    TelnetCodec server;
    server.receive(agreed.replace(char(telnet::kDo), char(telnet::kWill)));
    QCOMPARE(server.receive(wire).data.toHex(' '), data.toHex(' '));
}

void TestTelnetCodec::offersOnceAndAnswersNothingTwice()
{
    TelnetCodec codec;
    QCOMPARE(codec.start().toHex(' '), hex("fffb2c fffb00 fffd00 fffb03 fffd03").toHex(' '));
    QCOMPARE(codec.start(), QByteArray());
    // Agreement to our offers is not answered; a later withdrawal is, and so is a new offer.
    QCOMPARE(codec.receive(hex("fffd00 fffb00 fffd03 fffb03")).reply, QByteArray());
    QVERIFY(codec.localEnabled(telnet::kBinary) && codec.remoteEnabled(telnet::kBinary));
    QCOMPARE(codec.receive(hex("fffc03 fffc03")).reply.toHex(' '), hex("fffe03").toHex(' '));
    QCOMPARE(codec.receive(hex("fffb03 fffb03")).reply.toHex(' '), hex("fffd03").toHex(' '));

    QCOMPARE(TelnetCodec::setBaudRate(19200).toHex(' '), hex("fffa2c 01 00004b00 fff0").toHex(' '));
    QCOMPARE(TelnetCodec::setBaudRate(0xff00ff).toHex(' '),
             hex("fffa2c 01 00ffff00ffff fff0").toHex(' '));
    QCOMPARE(TelnetCodec::setDataSize(8).toHex(' '), hex("fffa2c 02 08 fff0").toHex(' '));
    QCOMPARE(TelnetCodec::setParity(telnet::kParityNone).toHex(' '),
             hex("fffa2c 03 01 fff0").toHex(' '));
    QCOMPARE(TelnetCodec::setStopSize(telnet::kStopOne).toHex(' '),
             hex("fffa2c 04 01 fff0").toHex(' '));
    QCOMPARE(TelnetCodec::signature("V\xff").toHex(' '), hex("fffa2c 00 56ffff fff0").toHex(' '));
}

QTEST_GUILESS_MAIN(TestTelnetCodec)
#include "tst_telnetcodec.moc"
