// One reading of "COMn" wherever a port is named: vantelctl's --port, a line of the port
// map and LCDd's Device must each take a name as the same port, the same device path, or
// refuse it with the same words.

#include <QProcess>
#include <QTest>

#include "driver.h"
#include "ports/portmap.h"

namespace
{

// Where the environment sends COMn in this test: a path that names the port it came from.
QString deviceFor(int port)
{
    return QStringLiteral("/nonexistent/com%1").arg(port);
}

} // namespace

class TestComNames : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        for (int port : {1, 3, 20, 21, 1000})
            qputenv(qPrintable(QStringLiteral("VANTEL_COM%1").arg(port)), deviceFor(port).toUtf8());
    }

    // port: the COM port the name stands for; 0 for a device path; -1 for a refusal.
    void everyCallerReadsAlike_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("refusal");
        QTest::newRow("COM1") << "COM1" << 1 << "";
        QTest::newRow("lower case") << "com3" << 3 << "";
        QTest::newRow("leading zero") << "COM01" << -1 << "write it COM1";
        QTest::newRow("COM0") << "COM0" << -1 << "ports are numbered from COM1";
        QTest::newRow("last of the window's list") << "COM20" << 20 << "";
        QTest::newRow("beyond the window's list") << "COM21" << 21 << "";
        QTest::newRow("COM1000") << "COM1000" << 1000 << "";
        QTest::newRow("beyond COM9999") << "COM10000" << -1 << "ports end at COM9999";
        QTest::newRow("not a COM name") << "COM3x" << 0 << "";
    }
    void everyCallerReadsAlike()
    {
        QFETCH(QString, name);
        QFETCH(int, port);
        QFETCH(QString, refusal);
        const QString device = port > 0 ? deviceFor(port) : name;

        const ports::ParsedPortMap map = ports::parsePortMap((name + " = /dev/mapped\n").toUtf8());
        const ports::PortMap mapped =
            port > 0 ? ports::PortMap{{port, "/dev/mapped"}} : ports::PortMap();
        QCOMPARE(map.devices, mapped);

        QProcess ctl;
        ctl.start(QStringLiteral(VANTELCTL_PATH), {"--port", name, "clear"});
        QVERIFY(ctl.waitForFinished(30000));
        const QString said = QString::fromUtf8(ctl.readAllStandardError()).trimmed();
        if (port < 0) {
            QCOMPARE(ctl.exitCode(), 2);
            QCOMPARE(said, QStringLiteral("vantelctl: --port %1: %2").arg(name, refusal));
        } else {
            QCOMPARE(ctl.exitCode(), 1);
            QVERIFY2(said.contains(device + QStringLiteral(": no such device")) ||
                         said.contains(QStringLiteral("(%1): no such device").arg(device)),
                     qPrintable(said));
        }

        std::vector<std::string> reports;
        lcdd::Driver driver([&](int, const std::string &text) { reports.push_back(text); });
        lcdd::DriverConfig config;
        config.device = name.toStdString();
        QVERIFY(!driver.init(config));
        const QString reported = QString::fromStdString(reports.front());
        if (port < 0)
            QCOMPARE(reported, QStringLiteral("vantel: Device %1: %2").arg(name, refusal));
        else
            QVERIFY2(reported.startsWith("vantel: cannot open Device " + device + ": "),
                     qPrintable(reported));
    }
};

QTEST_GUILESS_MAIN(TestComNames)
#include "tst_comnames.moc"
