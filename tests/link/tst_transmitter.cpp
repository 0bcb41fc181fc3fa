// The send routine over a real pseudo-terminal: what reaches the module and what the transmit
// monitor shows. A send that must put nothing on the line is followed by a marker byte written
// straight to the port; the module then seeing only the marker proves nothing went before it.

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

#include "link/serialportservice.h"
#include "link/transmitter.h"
#include "ptypeer.h"

#include <memory>

namespace
{

constexpr int kEventTimeoutMs = 5000;
const QByteArray kMarker("\x5A", 1);

QByteArray bytesOf(const std::array<std::uint8_t, seriallink::Transmitter::kBufferSize> &data,
                   int count)
{
    return QByteArray(reinterpret_cast<const char *>(data.data()), count);
}

} // namespace

class TestTransmitter : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sendsNothingForZero();
    void singleByteCaption_data();
    void singleByteCaption();
    void longFrame();
    void fullBuffer();
    void countOutsideBufferSendsNothing_data();
    void countOutsideBufferSendsNothing();
    void secondFrameReplacesMonitor();
    void sendFrameUsesBuffer();
    void closedPortGetsNothing();
    void writeDirectBypassesMonitor();

private:
    // Everything that reaches the module until the marker, which must come last.
    QByteArray receivedUpToMarker();

    std::unique_ptr<PtyPeer> m_peer;
    std::unique_ptr<seriallink::SerialPortService> m_port;
    std::unique_ptr<seriallink::Transmitter> m_tx;
};

void TestTransmitter::init()
{
    m_peer = std::make_unique<PtyPeer>();
    QVERIFY(m_peer->isValid());
    m_port = std::make_unique<seriallink::SerialPortService>();
    m_port->setDeviceResolver([path = m_peer->slavePath()](int) { return path; });
    QVERIFY(m_port->setCommPort(1));
    QVERIFY(m_port->setSettings(QStringLiteral("9600,n,8,1")));
    QVERIFY2(m_port->open(), qPrintable(m_port->lastError()));
    m_tx = std::make_unique<seriallink::Transmitter>(*m_port);
}

void TestTransmitter::cleanup()
{
    m_tx.reset();
    m_port.reset();
    m_peer.reset();
}

QByteArray TestTransmitter::receivedUpToMarker()
{
    if (!m_tx->writeDirect(kMarker))
        return QByteArrayLiteral("<marker refused>");
    QByteArray received;
    QDeadlineTimer deadline(kEventTimeoutMs);
    while (!received.endsWith(kMarker) && !deadline.hasExpired())
        received += m_peer->waitForBytes(1, 100);
    return received;
}

void TestTransmitter::sendsNothingForZero()
{
    QSignalSpy monitors(m_tx.get(), &seriallink::Transmitter::monitorsChanged);
    m_tx->TxData[0] = 0xFE;
    m_tx->TxData[1] = 0x07;
    m_tx->SendTxData(0);
    QCOMPARE(m_tx->txMonitor(), QString());
    QCOMPARE(monitors.size(), 1);
    QCOMPARE(monitors.at(0).at(0).toString(), QString());
    QCOMPARE(receivedUpToMarker(), kMarker);
}

void TestTransmitter::singleByteCaption_data()
{
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("caption");
    QTest::newRow("10") << 10 << "0A ";
    QTest::newRow("0") << 0 << "00 ";
    QTest::newRow("255") << 255 << "FF ";
    QTest::newRow("65") << 65 << "41 ";
    QTest::newRow("13 stays 13") << 13 << "0D ";
}

void TestTransmitter::singleByteCaption()
{
    QFETCH(int, value);
    QFETCH(QString, caption);
    QSignalSpy monitors(m_tx.get(), &seriallink::Transmitter::monitorsChanged);
    m_tx->TxData[0] = static_cast<std::uint8_t>(value);
    m_tx->SendTxData(1);
    QCOMPARE(m_tx->txMonitor(), caption);
    QCOMPARE(monitors.size(), 1);
    QCOMPARE(monitors.at(0).at(0).toString(), caption);
    QCOMPARE(m_peer->waitForBytes(1, kEventTimeoutMs), QByteArray(1, static_cast<char>(value)));
}

// The glyph upload, the longest frame in use.
void TestTransmitter::longFrame()
{
    m_tx->TxData.fill(0xEE);
    m_tx->TxData[0] = 0xFE;
    m_tx->TxData[1] = 0x64;
    QString expected = QStringLiteral("FE 64 ");
    for (int i = 2; i < 66; ++i) {
        m_tx->TxData[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(i * 37);
        expected += QStringLiteral("%1 ").arg((i * 37) & 0xFF, 2, 16, QLatin1Char('0')).toUpper();
    }
    const QByteArray frame = bytesOf(m_tx->TxData, 66);
    m_tx->SendTxData(66);
    QCOMPARE(m_tx->txMonitor().size(), 198);
    QCOMPARE(m_tx->txMonitor(), expected);
    // Exactly the 66 bytes, in order, and nothing of the buffer beyond them.
    QCOMPARE(receivedUpToMarker(), frame + kMarker);
}

void TestTransmitter::fullBuffer()
{
    for (std::size_t i = 0; i < m_tx->TxData.size(); ++i)
        m_tx->TxData[i] = static_cast<std::uint8_t>(0xFF - i);
    m_tx->SendTxData(seriallink::Transmitter::kBufferSize);
    QCOMPARE(m_tx->txMonitor().size(), 3 * 71);
    QVERIFY(m_tx->txMonitor().startsWith(QStringLiteral("FF FE FD ")));
    QVERIFY(m_tx->txMonitor().endsWith(QStringLiteral("B9 ")));
    QCOMPARE(receivedUpToMarker(), bytesOf(m_tx->TxData, 71) + kMarker);
}

void TestTransmitter::countOutsideBufferSendsNothing_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("-1") << -1;
    QTest::newRow("72") << 72;
    QTest::newRow("255") << 255;
    QTest::newRow("32767") << 32767;
    QTest::newRow("-32768") << -32768;
}

void TestTransmitter::countOutsideBufferSendsNothing()
{
    QFETCH(int, count);
    m_tx->TxData.fill(0x11);
    m_tx->SendTxData(2);
    QCOMPARE(m_peer->waitForBytes(2, kEventTimeoutMs), QByteArray("\x11\x11"));

    QSignalSpy monitors(m_tx.get(), &seriallink::Transmitter::monitorsChanged);
    m_tx->SendTxData(count);
    QCOMPARE(monitors.size(), 0);
    QCOMPARE(m_tx->txMonitor(), QStringLiteral("11 11 "));
    QCOMPARE(receivedUpToMarker(), kMarker);
}

void TestTransmitter::secondFrameReplacesMonitor()
{
    QSignalSpy monitors(m_tx.get(), &seriallink::Transmitter::monitorsChanged);
    m_tx->TxData[0] = 0xFE;
    m_tx->TxData[1] = 0x32;
    m_tx->TxData[2] = 0x03;
    m_tx->TxData[3] = 0x13;
    m_tx->SendTxData(4);
    m_tx->TxData[0] = 0xFE;
    m_tx->TxData[1] = 0x07;
    m_tx->SendTxData(2);
    QCOMPARE(m_tx->txMonitor(), QStringLiteral("FE 07 "));
    QCOMPARE(monitors.size(), 2);
    QCOMPARE(monitors.at(0).at(0).toString(), QStringLiteral("FE 32 03 13 "));
    QCOMPARE(monitors.at(1).at(0).toString(), QStringLiteral("FE 07 "));
    QCOMPARE(receivedUpToMarker(), QByteArray("\xFE\x32\x03\x13\xFE\x07", 6) + kMarker);
}

void TestTransmitter::sendFrameUsesBuffer()
{
    m_tx->TxData.fill(0x33);
    m_tx->sendFrame(proto::Frame{0xFE, 0x28, 0x80});
    QCOMPARE(m_tx->txMonitor(), QStringLiteral("FE 28 80 "));
    QCOMPARE(bytesOf(m_tx->TxData, 4), QByteArray("\xFE\x28\x80\x33", 4));

    QSignalSpy monitors(m_tx.get(), &seriallink::Transmitter::monitorsChanged);
    m_tx->sendFrame(std::optional<proto::Frame>());
    QCOMPARE(monitors.size(), 0);
    QCOMPARE(receivedUpToMarker(), QByteArray("\xFE\x28\x80", 3) + kMarker);
}

void TestTransmitter::closedPortGetsNothing()
{
    m_tx->TxData[0] = 0xFE;
    m_tx->TxData[1] = 0x06;
    m_port->close();
    m_tx->SendTxData(2);
    QCOMPARE(m_tx->txMonitor(), QString());

    QVERIFY2(m_port->open(), qPrintable(m_port->lastError()));
    QCOMPARE(receivedUpToMarker(), kMarker);
}

void TestTransmitter::writeDirectBypassesMonitor()
{
    m_tx->TxData[0] = 0x0D;
    m_tx->SendTxData(1);
    QSignalSpy monitors(m_tx.get(), &seriallink::Transmitter::monitorsChanged);
    QVERIFY(m_tx->writeDirect(QByteArray("Settings Saved Onto Flash")));
    QCOMPARE(monitors.size(), 0);
    QCOMPARE(m_tx->txMonitor(), QStringLiteral("0D "));
    QCOMPARE(receivedUpToMarker(), QByteArray("\x0DSettings Saved Onto Flash") + kMarker);
}

QTEST_GUILESS_MAIN(TestTransmitter)
#include "tst_transmitter.moc"
