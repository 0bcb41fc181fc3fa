// The user's port map: what its lines say, how a change rewrites the file without losing a
// person's notes, which source wins for a COM port, and files that must be left alone.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "ports/portmap.h"
#include "ports/portresolver.h"

using ports::DeviceSource;
using ports::PortMap;

Q_DECLARE_METATYPE(ports::PortMap)
Q_DECLARE_METATYPE(ports::DeviceSource)

class TestPortMap : public QObject
{
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
    void update_data();
    void update();
    void precedence_data();
    void precedence();
    void filesThatAreNoMapAreLeftAlone_data();
    void filesThatAreNoMapAreLeftAlone();
};

void TestPortMap::parse_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<PortMap>("devices");
    QTest::addColumn<QList<int>>("malformed");

    QTest::newRow("entries, notes and blank lines")
        << QByteArray("# bench\n\nCOM1 = /dev/ttyUSB1\n  com12=socket://lab-pi:4001  \n")
        << PortMap{{1, "/dev/ttyUSB1"}, {12, "socket://lab-pi:4001"}} << QList<int>{};
    QTest::newRow("first line of a port wins")
        << QByteArray("COM2=/dev/a\nCOM2=/dev/b\n") << PortMap{{2, "/dev/a"}} << QList<int>{};
    QTest::newRow("device may hold '=' and spaces")
        << QByteArray("COM3 = /tmp/a=b c\r\n") << PortMap{{3, "/tmp/a=b c"}} << QList<int>{};
    QTest::newRow("UTF-8 path") << QByteArray("COM5=/dev/serial/by-id/caf\xc3\xa9")
                                << PortMap{{5, QStringLiteral("/dev/serial/by-id/caf\u00e9")}}
                                << QList<int>{};
    QTest::newRow("malformed lines ignored and counted")
        << QByteArray("COM0=/dev/a\nCOM=/dev/b\nCOM6\nCOM7=\nLPT1=/dev/lp0\nCOM10000=/x\n"
                      "COM01=/dev/c\nCOM8=/dev/ok\n")
        << PortMap{{8, "/dev/ok"}} << QList<int>{1, 2, 3, 5, 6, 7};
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\xfe=\x01\nCOM9=/dev/z\n", 18)
                                    << PortMap{{9, "/dev/z"}} << QList<int>{1};
}

void TestPortMap::parse()
{
    QFETCH(QByteArray, text);
    QFETCH(PortMap, devices);
    QFETCH(QList<int>, malformed);
    const ports::ParsedPortMap parsed = ports::parsePortMap(text);
    QCOMPARE(parsed.devices, devices);
    QCOMPARE(parsed.malformedLines, malformed);
}

void TestPortMap::update_data()
{
    QTest::addColumn<QByteArray>("before");
    QTest::addColumn<PortMap>("changes");
    QTest::addColumn<QByteArray>("after");

    QTest::newRow("new file") << QByteArray() << PortMap{{3, "/dev/ttyUSB0"}, {1, "socket://h:1"}}
                              << QByteArray("COM1 = socket://h:1\nCOM3 = /dev/ttyUSB0\n");
    QTest::newRow("changed in place, notes and typos kept")
        << QByteArray("# mine\nCOM1=/dev/old\ncom 2 = typo\nCOM4=/dev/four\n")
        << PortMap{{1, "/dev/new"}}
        << QByteArray("# mine\nCOM1 = /dev/new\ncom 2 = typo\nCOM4=/dev/four\n");
    QTest::newRow("removed, and its unused duplicate with it")
        << QByteArray("COM1=/dev/a\nCOM2=/dev/b\nCOM1=/dev/c\n") << PortMap{{1, ""}}
        << QByteArray("COM2=/dev/b\n");
    QTest::newRow("ports not in the changes untouched")
        << QByteArray("COM25 =  /dev/far\r\n") << PortMap{{2, "/dev/x"}, {3, ""}}
        << QByteArray("COM25 =  /dev/far\r\nCOM2 = /dev/x\n");
    QTest::newRow("a port without a device gets it in place")
        << QByteArray("# bench\nCOM9 = \nCOM1=/dev/a\n") << PortMap{{9, "/dev/ttyUSB0"}}
        << QByteArray("# bench\nCOM9 = /dev/ttyUSB0\nCOM1=/dev/a\n");
    QTest::newRow("a port without a device, then its device, removed")
        << QByteArray("COM9 =\r\nCOM2=/dev/b\nCOM9=/dev/c\n") << PortMap{{9, ""}}
        << QByteArray("COM2=/dev/b\n");
    QTest::newRow("added after a last line without newline")
        << QByteArray("# note") << PortMap{{7, " /dev/pts/4 "}}
        << QByteArray("# note\nCOM7 = /dev/pts/4\n");
}

void TestPortMap::update()
{
    QFETCH(QByteArray, before);
    QFETCH(PortMap, changes);
    QFETCH(QByteArray, after);
    const QByteArray written = ports::updatePortMap(before, changes);
    QCOMPARE(written, after);
    // What was written reads back as the changes say.
    const PortMap read = ports::parsePortMap(written).devices;
    for (auto it = changes.cbegin(); it != changes.cend(); ++it)
        QCOMPARE(read.value(it.key()), it.value().trimmed());
}

void TestPortMap::precedence_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("environment"); // VANTEL_COM<number>, unset when null
    QTest::addColumn<QString>("mapped");      // the map's device, none when empty
    QTest::addColumn<QString>("device");
    QTest::addColumn<DeviceSource>("source");

    // The system lists ttyUSB0 and ttyS0: COM1 and COM2 in system order.
    QTest::newRow("environment over map") << 1 << "/dev/pts/9"
                                          << "socket://h:4001"
                                          << "/dev/pts/9" << DeviceSource::Environment;
    QTest::newRow("map over system order") << 1 << QString() << "rfc2217://h:3001"
                                           << "rfc2217://h:3001" << DeviceSource::Map;
    QTest::newRow("system order last")
        << 2 << QString() << QString() << "/dev/ttyS0" << DeviceSource::SystemOrder;
    QTest::newRow("empty environment falls to the map") << 2 << ""
                                                        << "/dev/ttyUSB7"
                                                        << "/dev/ttyUSB7" << DeviceSource::Map;
    QTest::newRow("map beyond the system's ports") << 20 << QString() << "/dev/pts/3"
                                                   << "/dev/pts/3" << DeviceSource::Map;
    QTest::newRow("nothing beyond the system's ports")
        << 3 << QString() << QString() << QString() << DeviceSource::None;
    QTest::newRow("no port 0 whatever names it") << 0 << "/dev/pts/1"
                                                 << "/dev/pts/2" << QString() << DeviceSource::None;
}

void TestPortMap::precedence()
{
    QFETCH(int, number);
    QFETCH(QString, environment);
    QFETCH(QString, mapped);
    QFETCH(QString, device);
    QFETCH(DeviceSource, source);

    QProcessEnvironment env;
    if (!environment.isNull())
        env.insert(QStringLiteral("VANTEL_COM%1").arg(number), environment);
    PortMap map{{number == 1 ? 2 : 1, "/dev/another-port"}};
    if (!mapped.isEmpty())
        map.insert(number, mapped);
    const ports::ResolvedPort resolved =
        ports::resolvePort(number, env, map, {"ttyS0", "ttyUSB0"}, ports::SystemNaming::Linux);
    QCOMPARE(resolved.device, device);
    QCOMPARE(resolved.source, source);
}

void TestPortMap::filesThatAreNoMapAreLeftAlone_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder where the file goes") << "folder";
    QTest::newRow("a file far too large") << "large";
#ifndef Q_OS_WIN // where a link of QFile's is a shortcut, a file of its own
    QTest::newRow("a link to nowhere") << "dangling";
#endif
}

void TestPortMap::filesThatAreNoMapAreLeftAlone()
{
    QFETCH(QString, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("ports.conf"));
    QByteArray large;
    if (kind == QLatin1String("folder")) {
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("ports.conf")));
    } else if (kind == QLatin1String("large")) {
        large = QByteArray("COM1=/dev/ttyS0\n").repeated(10000);
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(large);
    } else {
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), path));
    }

    const ports::LoadedPortMap loaded = ports::loadPortMap(path);
    QCOMPARE(loaded.state, ports::LoadedPortMap::State::Unreadable);
    QVERIFY(loaded.devices.isEmpty());
    QVERIFY(loaded.problem.contains(path));

    const std::optional<QString> refused = ports::savePortMap(path, {{1, "/dev/ttyUSB0"}});
    QVERIFY(refused.has_value());
    QVERIFY2(refused->contains(QLatin1String("left as it is")), qPrintable(*refused));
    const QFileInfo after(path);
    if (kind == QLatin1String("folder"))
        QVERIFY(after.isDir());
    else if (kind == QLatin1String("large"))
        QCOMPARE(after.size(), large.size());
    else
        QCOMPARE(after.symLinkTarget(), dir.filePath(QStringLiteral("gone")));
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("gone"))));
}

QTEST_GUILESS_MAIN(TestPortMap)
#include "tst_portmap.moc"
