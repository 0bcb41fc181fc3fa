// The driver's start-up and light with the module on a pseudo-terminal: what init()
// refuses, and what it and the backlight send.

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <memory>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "driver.h"
#include "lcdapi.h"
#include "link/replyreader.h"
#include "link/serialportservice.h"
#include "ptypeer.h"
#include "ser2netserver.h"
#include "socketline.h"

namespace
{

struct Recorded {
    std::vector<std::pair<int, std::string>> lines;
    lcdd::Reporter reporter()
    {
        return [this](int level, const std::string &text) { lines.emplace_back(level, text); };
    }
    QString errors() const
    {
        QStringList found;
        for (const auto &[level, text] : lines)
            if (level <= lcdapi::kError)
                found << QString::fromStdString(text);
        return found.join(QLatin1Char('\n'));
    }
};

// Waits until the terminal at `path` holds `count` bytes for its reader: a pseudo-terminal
// hands bytes from its master side on a moment later, and the driver reads without waiting.
bool waitUntilReadable(const QString &path, int count)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return false;
    int waiting = 0;
    const QDeadlineTimer deadline(5000);
    while ((::ioctl(fd, FIONREAD, &waiting) != 0 || waiting < count) && !deadline.hasExpired())
        QTest::qWait(5);
    ::close(fd);
    return waiting >= count;
}

} // namespace

class TestLcddDriver : public QObject
{
    Q_OBJECT

private slots:
    void refusedConfig_data()
    {
        QTest::addColumn<QString>("device"); // "pty": the test's pseudo-terminal
        QTest::addColumn<int>("speed");
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("setting"); // one more line of the section, or none
        QTest::addColumn<QString>("error");
        QTest::newRow("missing device")
            << "/dev/nonexistent-module" << 9600 << "20x4"
            << ""
            << "vantel: cannot open Device /dev/nonexistent-module: no such device";
        QTest::newRow("no Device line")
            << "" << 9600 << "20x4"
            << ""
            << "vantel: cannot open Device /dev/ttyUSB0 (the default: [vantel] names no Device): "
               "no such device";
        QTest::newRow("not a terminal")
            << "/dev/null" << 9600 << "20x4"
            << ""
            << "vantel: cannot open Device /dev/null: not a serial device";
        QTest::newRow("wrong speed") << "pty" << 4800 << "20x4"
                                     << ""
                                     << "vantel: Speed 4800 is not 9600 or 19200";
        QTest::newRow("wrong size") << "pty" << 9600 << "16x2"
                                    << ""
                                    << "vantel: Size 16x2 is not the module's 20x4";
        QTest::newRow("no such COM port") << "COM97" << 9600 << "20x4"
                                          << ""
                                          << "vantel: Device COM97 names no serial port";
        QTest::newRow("brightness too high") << "pty" << 9600 << "20x4"
                                             << "Brightness=2000"
                                             << "vantel: Brightness 2000 is not 0-1000";
        QTest::newRow("off brightness below") << "pty" << 9600 << "20x4"
                                              << "OffBrightness=-1"
                                              << "vantel: OffBrightness -1 is not 0-1000";
        QTest::newRow("key past the pad")
            << "pty" << 9600 << "20x4"
            << "KeyMap_17=Enter"
            << "vantel: KeyMap_17 names no key: the keypad's keys are 1-16";
        QTest::newRow("keypad neither yes nor no") << "pty" << 9600 << "20x4"
                                                   << "Keypad=maybe"
                                                   << "vantel: Keypad maybe is not yes or no";
        QTest::newRow("address without a port")
            << "rfc2217://127.0.0.1" << 9600 << "20x4"
            << ""
            << "vantel: Device rfc2217://127.0.0.1 is not an address of the form "
               "rfc2217://HOST:PORT or socket://HOST:PORT";
        QTest::newRow("a control character in Device")
            << "/dev/ttyS0\x01" << 9600 << "20x4"
            << ""
            << R"(vantel: Device '/dev/ttyS0\x01' holds the control character \x01)";
    }
    void refusedConfig()
    {
        QFETCH(QString, device);
        QFETCH(int, speed);
        QFETCH(QString, size);
        QFETCH(QString, setting);
        QFETCH(QString, error);
        PtyPeer peer;
        Recorded recorded;
        lcdd::Driver driver(recorded.reporter());
        lcdd::DriverConfig config;
        config.device = (device == "pty" ? peer.slavePath() : device).toStdString();
        config.deviceNamed = !device.isEmpty();
        if (device.isEmpty())
            config.device = lcdd::kDefaultDevice;
        config.speed = speed;
        config.size = size.toStdString();
        const QString key = setting.section(QLatin1Char('='), 0, 0);
        const QString value = setting.section(QLatin1Char('='), 1);
        if (key == "Brightness")
            config.brightness = value.toInt();
        else if (key == "OffBrightness")
            config.offBrightness = value.toInt();
        else if (key == "Keypad")
            config.keypad = value.toStdString();
        else if (key.startsWith("KeyMap_"))
            config.keyNames[key.mid(7).toInt()] = value.toStdString();
        QVERIFY(!driver.init(config));
        QCOMPARE(recorded.errors(), error);
        QCOMPARE(peer.takeReceived(), QByteArray());
    }

    // The driver locks and opens the device as the utility's serial port does: whoever has
    // it first keeps it, the utility or another LCDd; once it lets go the other may have it.
    void heldDeviceRefused_data()
    {
        QTest::addColumn<bool>("utilityFirst");
        QTest::addColumn<bool>("utilitySecond");
        QTest::newRow("the utility holds it, LCDd is refused") << true << false;
        QTest::newRow("LCDd holds it, the utility is refused") << false << true;
        QTest::newRow("LCDd holds it, another LCDd is refused") << false << false;
    }
    void heldDeviceRefused()
    {
        QFETCH(bool, utilityFirst);
        QFETCH(bool, utilitySecond);
        PtyPeer peer;
        Recorded recorded;
        lcdd::DriverConfig config;
        config.device = peer.slavePath().toStdString();
        seriallink::SerialPortService utility;
        utility.setDeviceResolver([&](int) { return peer.slavePath(); });
        QVERIFY(utility.setCommPort(1));
        auto first = std::make_unique<lcdd::Driver>(recorded.reporter());
        QVERIFY(utilityFirst ? utility.open() : first->init(config));

        lcdd::Driver second(recorded.reporter());
        if (utilitySecond) {
            QVERIFY(!utility.open());
            QCOMPARE(utility.lastOpenProblem().summary(),
                     QStringLiteral("held by another program"));
        } else {
            QVERIFY(!second.init(config));
            QCOMPARE(recorded.errors(), "vantel: cannot open Device " + peer.slavePath() +
                                            ": held by another program");
        }

        if (utilityFirst)
            utility.close();
        else
            first.reset();
        QVERIFY(utilitySecond ? utility.open() : second.init(config));
    }

    void startAndLight_data()
    {
        QTest::addColumn<bool>("keypad");
        QTest::addColumn<int>("speed");
        QTest::addColumn<QByteArray>("startHex");
        // Cleared, cursor hidden, and with a keypad P2 in keypad mode.
        QTest::newRow("plain") << false << 9600 << QByteArray("0dfe01");
        QTest::newRow("keypad at 19200") << true << 19200 << QByteArray("0dfe01fe30fe");
    }
    void startAndLight()
    {
        QFETCH(bool, keypad);
        QFETCH(int, speed);
        QFETCH(QByteArray, startHex);
        PtyPeer peer;
        Recorded recorded;
        lcdd::Driver driver(recorded.reporter());
        lcdd::DriverConfig config;
        config.device = peer.slavePath().toStdString();
        config.speed = speed;
        config.keypad = keypad ? "yes" : "no";
        config.brightness = 500;
        config.offBrightness = 100;
        QVERIFY2(driver.init(config), qPrintable(recorded.errors()));
        QCOMPARE(peer.waitForBytes(startHex.size() / 2).toHex(), startHex);
        termios line{};
        QVERIFY(peer.lineSettings(line));
        QCOMPARE(cfgetospeed(&line), speed == 19200 ? speed_t(B19200) : speed_t(B9600));
        QVERIFY(QString::fromStdString(driver.info()).contains(QString::number(speed)));

        // Brightness and OffBrightness per mille as the module's levels 0-250.
        driver.flush();
        QCOMPARE(peer.waitForBytes(5).toHex(), QByteArray("fe06fe287d"));
        driver.backlight(false);
        driver.flush();
        QCOMPARE(peer.waitForBytes(3).toHex(), QByteArray("fe2819"));
        driver.setBrightness(false, 0);
        driver.flush();
        QCOMPARE(peer.waitForBytes(2).toHex(), QByteArray("fe07"));
        QCOMPARE(driver.brightness(true), 500);
        driver.flush();
        QCOMPARE(peer.waitForBytes(1, 100), QByteArray());
    }

    // A module that goes away is tried again once a second, not at every frame, and told
    // everything when it is back.
    void retriesOnceASecond()
    {
        auto peer = std::make_unique<PtyPeer>();
        Recorded recorded;
        lcdd::Driver driver(recorded.reporter());
        lcdd::DriverConfig config;
        const QString link =
            QDir::temp().filePath(QStringLiteral("tst_lcdddriver-%1").arg(getpid()));
        QFile::remove(link);
        QVERIFY(QFile::link(peer->slavePath(), link));
        config.device = link.toStdString();
        QVERIFY(driver.init(config));
        driver.screen().clear();
        driver.screen().putString(0, 0, "Hi");
        driver.flush();
        peer->waitForBytes(3 + 5 + 2);

        peer->hangUp();
        QFile::remove(link);
        const auto start = lcdd::Driver::Clock::now();
        QCOMPARE(driver.key(start), std::string());
        QVERIFY(!driver.isConnected());
        QCOMPARE(recorded.errors().count(QStringLiteral("lost the module")), 1);

        peer = std::make_unique<PtyPeer>();
        QVERIFY(QFile::link(peer->slavePath(), link));
        driver.flush(start + std::chrono::milliseconds(900));
        QVERIFY(!driver.isConnected());
        driver.flush(start + std::chrono::milliseconds(1100));
        QVERIFY(driver.isConnected());
        // Cleared, cursor hidden, the light, then the picture.
        QCOMPARE(peer->waitForBytes(3 + 5 + 2).toHex(), QByteArray("0dfe01fe06fe28fa4869"));
        QCOMPARE(recorded.errors().count(QStringLiteral("lost the module")), 1);
        QFile::remove(link);
    }

    // The driver and the window's reader give up a partial reply by the same rule: a piece
    // whose next byte is overdue goes, promptly following pieces join. Keypad replies show
    // it in both: FC 20 00 is key 6 (Enter), FC 01 00 key 1 (Escape), FC 10 00 key 2 (Up).
    void partialReplyGivenUpAsTheReaderDoes_data()
    {
        QTest::addColumn<QByteArray>("first");
        QTest::addColumn<bool>("overdue");
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QByteArray>("droppedHex");
        QTest::addColumn<QByteArray>("repliesHex");
        QTest::addColumn<QString>("keys");
        QTest::newRow("cut-off reply given up")
            << QByteArray("\xFC\x20", 2) << true << QByteArray("\xFC\x01\x00", 3)
            << QByteArray("fc20") << QByteArray("fc0100") << "Escape";
        QTest::newRow("prompt pieces joined")
            << QByteArray("\xFC\x20", 2) << false << QByteArray("\x00", 1) << QByteArray()
            << QByteArray("fc2000") << "Enter";
        QTest::newRow("stray byte given up")
            << QByteArray("\x5A", 1) << true << QByteArray("\xFC\x10\x00", 3) << QByteArray("5a")
            << QByteArray("fc1000") << "Up";
    }
    void partialReplyGivenUpAsTheReaderDoes()
    {
        QFETCH(QByteArray, first);
        QFETCH(bool, overdue);
        QFETCH(QByteArray, second);
        QFETCH(QByteArray, droppedHex);
        QFETCH(QByteArray, repliesHex);
        QFETCH(QString, keys);

        {
            PtyPeer peer;
            seriallink::SerialPortService port;
            port.setDeviceResolver([&](int) { return peer.slavePath(); });
            QVERIFY(port.setCommPort(1));
            QVERIFY(port.open());
            seriallink::ReplyReader reader(port);
            reader.setModeSource([] { return proto::P2Mode::Keypad; });
            QByteArray dropped;
            QByteArray replies;
            connect(&reader, &seriallink::ReplyReader::bytesDropped, this,
                    [&](const QByteArray &bytes) { dropped += bytes; });
            connect(&reader, &seriallink::ReplyReader::repliesRead, this,
                    [&](const seriallink::ReplyBatch &batch) {
                        for (const proto::Reply &reply : batch.replies)
                            replies += reply.bytes();
                    });
            QVERIFY(peer.send(first));
            QTRY_COMPARE(reader.pending(), int(first.size()));
            if (overdue)
                QTRY_COMPARE_WITH_TIMEOUT(dropped.toHex(), droppedHex, 5000);
            QVERIFY(peer.send(second));
            QTRY_COMPARE(replies.toHex(), repliesHex);
            QCOMPARE(dropped.toHex(), droppedHex);
        }

        PtyPeer peer;
        Recorded recorded;
        lcdd::Driver driver(recorded.reporter());
        lcdd::DriverConfig config;
        config.device = peer.slavePath().toStdString();
        config.keypad = "on";
        QVERIFY2(driver.init(config), qPrintable(recorded.errors()));
        const auto start = lcdd::Driver::Clock::now();
        // Just in time, or just too late, for the reader's pause.
        const auto gap = proto::ReplyStream::kPause - std::chrono::milliseconds(overdue ? 0 : 1);
        QVERIFY(peer.send(first));
        QVERIFY(waitUntilReadable(peer.slavePath(), int(first.size())));
        QCOMPARE(driver.key(start), std::string());
        QVERIFY(peer.send(second));
        QVERIFY(waitUntilReadable(peer.slavePath(), int(second.size())));
        QStringList pressed;
        for (std::string key; !(key = driver.key(start + gap)).empty();)
            pressed << QString::fromStdString(key);
        QCOMPARE(pressed.join(QLatin1Char(' ')), keys);
    }

    // The driver's own network line meets the Telnet servers that say no, as the link's
    // line does, and answers a server that asks who it is.
    void networkServerHeard_data()
    {
        using Kind = UnhelpfulTelnetServer::Kind;
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("reason"); // empty: the line opens
        const QString notSettable = QStringLiteral("the server does not let the line speed be set");
        QTest::newRow("refuses COM-PORT-OPTION") << int(Kind::RefusesOptions) << notSettable;
        QTest::newRow("WONT COM-PORT-OPTION") << int(Kind::WontComPort) << notSettable;
        QTest::newRow("answers another speed") << int(Kind::WrongSpeed) << notSettable;
        QTest::newRow("answers another parity")
            << int(Kind::EvenParity) << "the server set parity to even";
        QTest::newRow("refuses 8-bit data")
            << int(Kind::RefusesBinary) << "the server does not pass 8-bit data";
        QTest::newRow("asks who we are") << int(Kind::Demanding) << "";
    }
    void networkServerHeard()
    {
        QFETCH(int, kind);
        QFETCH(QString, reason);
        using Line = lcdd::PolledLine;
        UnhelpfulTelnetServer server{UnhelpfulTelnetServer::Kind(kind)};
        const QString device = QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port());
        lcdd::SocketLine line(device, *ports::parseNetworkAddress(device), 19200);
        line.open(Line::Clock::now());
        // The server answers from this thread's event loop, which QTRY turns between polls.
        QTRY_VERIFY((line.poll(Line::Clock::now()), line.state() != Line::State::Opening));
        if (reason.isEmpty()) {
            QVERIFY2(line.isOpen(), qPrintable(line.openProblem().summary()));
            QTRY_VERIFY(
                server.received().contains(QByteArray("\xFF\xFA\x2C\x00VantelApp\xFF\xF0", 15)));
            return;
        }
        QCOMPARE(line.state(), Line::State::Closed);
        QCOMPARE(line.openProblem().summary(), reason);
        QCOMPARE(line.openProblem().device, device);
    }
};

QTEST_GUILESS_MAIN(TestLcddDriver)
#include "tst_lcdddriver.moc"
