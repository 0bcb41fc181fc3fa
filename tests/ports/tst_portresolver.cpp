// COM numbers to devices: the order of the system's ports decides which device COMn is, so
// it must not depend on the order the system happens to list them in.

#include <QTest>

#include "ports/portresolver.h"

#include <algorithm>
#include <random>

class TestPortResolver : public QObject
{
    Q_OBJECT
private slots:
    void ordering_data();
    void ordering();
    void orderingIgnoresListingOrder();
    void deviceForPort_data();
    void deviceForPort();
    void windowsNaming_data();
    void windowsNaming();
    void runningSystemHonoursEnvironment();
};

void TestPortResolver::ordering_data()
{
    QTest::addColumn<QStringList>("listed");
    QTest::addColumn<QStringList>("ordered");

    QTest::newRow("usb before acm before ttyS")
        << QStringList{"ttyS0", "ttyACM0", "ttyUSB0"} << QStringList{"ttyUSB0", "ttyACM0", "ttyS0"};
    QTest::newRow("ttyS10 after ttyS9")
        << QStringList{"ttyS10", "ttyS9", "ttyS1", "ttyS0", "ttyS2"}
        << QStringList{"ttyS0", "ttyS1", "ttyS2", "ttyS9", "ttyS10"};
    QTest::newRow("ttyUSB10 after ttyUSB2")
        << QStringList{"ttyUSB10", "ttyUSB2", "ttyACM1", "ttyACM0"}
        << QStringList{"ttyUSB2", "ttyUSB10", "ttyACM0", "ttyACM1"};
    QTest::newRow("duplicates removed")
        << QStringList{"ttyS1", "ttyUSB0", "ttyS1", "ttyUSB0", "ttyS0"}
        << QStringList{"ttyUSB0", "ttyS0", "ttyS1"};
    QTest::newRow("other families after usb") << QStringList{"rfcomm0", "ttyAMA0", "ttyUSB0"}
                                              << QStringList{"ttyUSB0", "rfcomm0", "ttyAMA0"};
    QTest::newRow("empty") << QStringList{} << QStringList{};
}

void TestPortResolver::ordering()
{
    QFETCH(QStringList, listed);
    QFETCH(QStringList, ordered);
    QCOMPARE(ports::orderedSystemPorts(listed), ordered);
}

// A machine lists its ports in whatever order its drivers came up. Names that end in a
// number mix with names that do not; shuffling the listing must not move any port.
void TestPortResolver::orderingIgnoresListingOrder()
{
    const QStringList names = {"ttyS0",   "ttyS1",   "ttyS2",    "ttyS9",   "ttyS10",   "ttyS11",
                               "ttyS1x",  "ttyS",    "ttyUSB0",  "ttyUSB1", "ttyUSB10", "ttyACM0",
                               "ttyACM2", "ttyAMA0", "ttyAMA10", "rfcomm0", "rfcomm1",  "ttyGS0",
                               "ttyS20",  "ttyS3x",  "ttyS99",   "ttymxc0", "ttymxc1",  "ttyS5"};
    const QStringList reference = ports::orderedSystemPorts(names);
    QCOMPARE(reference.size(), names.size());

    std::mt19937 random(20240611);
    for (int round = 0; round < 500; ++round) {
        QStringList shuffled = names;
        std::shuffle(shuffled.begin(), shuffled.end(), random);
        // Some names twice: duplicates must go wherever they sit in the listing.
        shuffled << shuffled.mid(0, round % 5);
        const QStringList ordered = ports::orderedSystemPorts(shuffled);
        if (ordered != reference) {
            qInfo() << "listed " << shuffled;
            qInfo() << "ordered" << ordered;
            qInfo() << "before " << reference;
            QFAIL("the COM order depends on the listing order");
        }
    }
    QCOMPARE(reference.indexOf("ttyS9") + 1, reference.indexOf("ttyS10"));
    QVERIFY(reference.indexOf("ttyUSB10") < reference.indexOf("ttyACM0"));
    QVERIFY(reference.indexOf("ttyACM2") < reference.indexOf("rfcomm0"));
}

void TestPortResolver::deviceForPort_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<QStringList>("systemPorts");
    QTest::addColumn<QString>("device");

    const QStringList machine = {"ttyS1", "ttyS0", "ttyUSB0"};

    QTest::newRow("COM1 is the usb adapter") << 1 << QStringList{} << machine << "/dev/ttyUSB0";
    QTest::newRow("COM2 is ttyS0") << 2 << QStringList{} << machine << "/dev/ttyS0";
    QTest::newRow("COM3 is ttyS1") << 3 << QStringList{} << machine << "/dev/ttyS1";
    QTest::newRow("COM4 beyond the list") << 4 << QStringList{} << machine << "";
    QTest::newRow("COM20 beyond the list") << 20 << QStringList{} << machine << "";
    QTest::newRow("number 0") << 0 << QStringList{} << machine << "";
    QTest::newRow("negative number") << -3 << QStringList{} << machine << "";
    QTest::newRow("no ports at all") << 1 << QStringList{} << QStringList{} << "";
    QTest::newRow("override wins over the list")
        << 2 << QStringList{"VANTEL_COM2=/dev/pts/7"} << machine << "/dev/pts/7";
    QTest::newRow("override beyond the list")
        << 15 << QStringList{"VANTEL_COM15=/dev/serial/by-id/usb-x"} << machine
        << "/dev/serial/by-id/usb-x";
    QTest::newRow("override of another number ignored")
        << 1 << QStringList{"VANTEL_COM11=/dev/pts/3"} << machine << "/dev/ttyUSB0";
    QTest::newRow("empty override falls back")
        << 1 << QStringList{"VANTEL_COM1="} << machine << "/dev/ttyUSB0";
    QTest::newRow("number 0 even with an override")
        << 0 << QStringList{"VANTEL_COM0=/dev/pts/1"} << machine << "";
    QTest::newRow("absolute name kept")
        << 1 << QStringList{} << QStringList{"/dev/ttyX0"} << "/dev/ttyX0";
}

void TestPortResolver::deviceForPort()
{
    QFETCH(int, number);
    QFETCH(QStringList, environment);
    QFETCH(QStringList, systemPorts);
    QFETCH(QString, device);

    QProcessEnvironment env;
    for (const QString &entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    QCOMPARE(ports::resolvePort(number, env, {}, systemPorts, ports::SystemNaming::Linux).device,
             device);
}

void TestPortResolver::windowsNaming_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("named"); // VANTEL_COM<number>, unset when empty
    QTest::addColumn<QString>("device");

    QTest::newRow("a listed port") << 5 << QString() << "\\\\.\\COM5";
    QTest::newRow("above COM9") << 12 << QString() << "\\\\.\\COM12";
    QTest::newRow("a port the system does not list") << 3 << QString() << "";
    QTest::newRow("another port named in lower case") << 3 << "com14"
                                                      << "\\\\.\\COM14";
    QTest::newRow("a device named as Windows opens it") << 3 << "\\\\.\\CNCA0"
                                                        << "\\\\.\\CNCA0";
    QTest::newRow("a network port") << 3 << "socket://lab-pi:4001"
                                    << "socket://lab-pi:4001";
    QTest::newRow("no COM0") << 3 << "COM0"
                             << "COM0";
}

void TestPortResolver::windowsNaming()
{
    QFETCH(int, number);
    QFETCH(QString, named);
    QFETCH(QString, device);

    QProcessEnvironment env;
    if (!named.isEmpty())
        env.insert(QStringLiteral("VANTEL_COM%1").arg(number), named);
    const QStringList listed = {"COM1", "COM5", "COM12"};
    QCOMPARE(ports::resolvePort(number, env, {}, listed, ports::SystemNaming::Windows).device,
             device);
}

void TestPortResolver::runningSystemHonoursEnvironment()
{
    qputenv("VANTEL_COM17", "/dev/pts/417");
    QCOMPARE(ports::deviceForPort(17, {}), QStringLiteral("/dev/pts/417"));
    qunsetenv("VANTEL_COM17");
    QCOMPARE(ports::deviceForPort(0, {}), QString());
}

QTEST_GUILESS_MAIN(TestPortResolver)
#include "tst_portresolver.moc"
