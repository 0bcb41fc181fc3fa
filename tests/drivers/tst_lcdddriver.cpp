// The driver's start-up and light with the module on a pseudo-terminal: what init()
// refuses, and what it and the backlight send.

#include <QDir>
#include <QFile>
#include <QTest>

#include <memory>

#include <unistd.h>

#include "driver.h"
#include "lcdapi.h"
#include "ptypeer.h"

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
        QTest::addColumn<QString>("error");
        QTest::newRow("missing device") << "/dev/nonexistent-module" << 9600 << "20x4"
                                        << "vantel: cannot open Device /dev/nonexistent-module: "
                                           "/dev/nonexistent-module: No such file or directory";
        QTest::newRow("wrong speed") << "pty" << 4800 << "20x4"
                                     << "vantel: Speed 4800 is not 9600 or 19200";
        QTest::newRow("wrong size") << "pty" << 9600 << "16x2"
                                    << "vantel: Size 16x2 is not the module's 20x4";
        QTest::newRow("no such COM port") << "COM97" << 9600 << "20x4"
                                          << "vantel: Device COM97 names no serial port";
    }
    void refusedConfig()
    {
        QFETCH(QString, device);
        QFETCH(int, speed);
        QFETCH(QString, size);
        QFETCH(QString, error);
        PtyPeer peer;
        Recorded recorded;
        lcdd::Driver driver(recorded.reporter());
        lcdd::DriverConfig config;
        config.device = (device == "pty" ? peer.slavePath() : device).toStdString();
        config.speed = speed;
        config.size = size.toStdString();
        QVERIFY(!driver.init(config));
        QCOMPARE(recorded.errors(), error);
        QCOMPARE(peer.takeReceived(), QByteArray());
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
        config.keypad = keypad;
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
};

QTEST_GUILESS_MAIN(TestLcddDriver)
#include "tst_lcdddriver.moc"
