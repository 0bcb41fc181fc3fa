// vantel-sim's command line: what it runs with, and the one line and status 2 it gives for
// each usage error (before any port is made).

#include <QTest>

#include "options.h"

using simtool::Face;

class TestSimOptions : public QObject
{
    Q_OBJECT

private slots:
    void choosesItsFace_data();
    void choosesItsFace();
    void readsValues();
    void refusesUsageErrors_data();
    void refusesUsageErrors();
    void helpGoesToStandardOutput();
    void windowApplicationOnlyWhereAWindowMayBeShown_data();
    void windowApplicationOnlyWhereAWindowMayBeShown();
};

namespace
{
simtool::Surroundings surroundings(bool display, bool terminal)
{
    return {display, terminal, QStringLiteral("/run/user/1/vantel-sim")};
}

QStringList commandLine(const QStringList &options)
{
    return QStringList{QStringLiteral("vantel-sim")} + options;
}
} // namespace

void TestSimOptions::choosesItsFace_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("display");
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<int>("face");
    QTest::newRow("display: window") << QStringList{} << true << true << int(Face::Window);
    QTest::newRow("no display, a terminal")
        << QStringList{} << false << true << int(Face::Terminal);
    QTest::newRow("no display, output piped")
        << QStringList{} << false << false << int(Face::Plain);
    QTest::newRow("--terminal beside a display")
        << QStringList{"--terminal"} << true << true << int(Face::Terminal);
    QTest::newRow("--no-ui in a terminal")
        << QStringList{"--no-ui"} << false << true << int(Face::Plain);
    QTest::newRow("--plain") << QStringList{"--plain"} << true << true << int(Face::Plain);
}

void TestSimOptions::choosesItsFace()
{
    QFETCH(QStringList, options);
    QFETCH(bool, display);
    QFETCH(bool, terminal);
    QFETCH(int, face);
    const auto parsed =
        simtool::parseOptions(commandLine(options), surroundings(display, terminal));
    QVERIFY(!parsed.answer);
    QCOMPARE(int(parsed.options.face), face);
    QCOMPARE(parsed.options.link, QStringLiteral("/run/user/1/vantel-sim"));
}

void TestSimOptions::readsValues()
{
    const auto parsed = simtool::parseOptions(
        commandLine({"--window", "--link", "/tmp/m", "--zoom", "8", "--analog1", "65535",
                     "--analog2", "0", "--exit-with", "4242"}),
        surroundings(true, false));
    QVERIFY(!parsed.answer);
    QCOMPARE(parsed.options.link, QStringLiteral("/tmp/m"));
    QCOMPARE(parsed.options.zoom, 8);
    QCOMPARE(parsed.options.analog1, 65535);
    QCOMPARE(parsed.options.analog2, 0);
    QCOMPARE(parsed.options.exitWith, qint64(4242));
}

void TestSimOptions::refusesUsageErrors_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("display");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown option") << QStringList{"--bogus"} << false << "Unknown option 'bogus'.";
    QTest::newRow("value missing")
        << QStringList{"--no-ui", "--zoom"} << false << "Missing value after '--zoom'.";
    QTest::newRow("a stray argument")
        << QStringList{"--no-ui", "COM1"} << false << "unexpected argument \"COM1\"";
    QTest::newRow("two faces") << QStringList{"--terminal", "--no-ui"} << true
                               << "choose one of --window, --terminal and --no-ui";
    QTest::newRow("window without display") << QStringList{"--window"} << false
                                            << "--window needs a display (DISPLAY or "
                                               "WAYLAND_DISPLAY); --terminal draws the module here";
    QTest::newRow("zoom below") << QStringList{"--no-ui", "--zoom", "0"} << false
                                << "--zoom takes a whole number from 1 to 8";
    QTest::newRow("zoom above") << QStringList{"--no-ui", "--zoom", "9"} << false
                                << "--zoom takes a whole number from 1 to 8";
    QTest::newRow("analog beyond 16 bits") << QStringList{"--no-ui", "--analog2", "65536"} << false
                                           << "analog values are whole numbers from 0 to 65535";
    QTest::newRow("analog not a number") << QStringList{"--no-ui", "--analog1", "1k"} << false
                                         << "analog values are whole numbers from 0 to 65535";
    QTest::newRow("a process group, not a process")
        << QStringList{"--no-ui", "--exit-with", "0"} << false << "--exit-with takes a process id";
    QTest::newRow("empty link") << QStringList{"--no-ui", "--link", ""} << false
                                << "--link needs a path";
}

void TestSimOptions::refusesUsageErrors()
{
    QFETCH(QStringList, options);
    QFETCH(bool, display);
    QFETCH(QString, message);
    const auto parsed = simtool::parseOptions(commandLine(options), surroundings(display, false));
    QVERIFY(parsed.answer);
    QCOMPARE(parsed.answer->exitStatus, 2);
    QCOMPARE(parsed.answer->text, QStringLiteral("vantel-sim: ") + message);
}

void TestSimOptions::helpGoesToStandardOutput()
{
    const auto parsed =
        simtool::parseOptions(commandLine({"--zoom", "99", "--help"}), surroundings(false, false));
    QVERIFY(parsed.answer);
    QCOMPARE(parsed.answer->exitStatus, 0);
    QVERIFY(parsed.answer->text.contains(QStringLiteral("--exit-with <pid>")));
    QVERIFY(parsed.answer->text.contains(QStringLiteral("--zoom <1-8>")));
}

void TestSimOptions::windowApplicationOnlyWhereAWindowMayBeShown_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("display");
    QTest::addColumn<bool>("window");
    QTest::newRow("display, no face named") << QStringList{} << true << true;
    QTest::newRow("display, Qt's own option")
        << QStringList{"-platform", "offscreen"} << true << true;
    QTest::newRow("no display") << QStringList{"--window"} << false << false;
    QTest::newRow("terminal asked for") << QStringList{"--terminal"} << true << false;
    QTest::newRow("help") << QStringList{"--help"} << true << false;
}

void TestSimOptions::windowApplicationOnlyWhereAWindowMayBeShown()
{
    QFETCH(QStringList, options);
    QFETCH(bool, display);
    QFETCH(bool, window);
    QCOMPARE(simtool::wantsWindowApplication(commandLine(options), surroundings(display, true)),
             window);
}

QTEST_GUILESS_MAIN(TestSimOptions)
#include "tst_simoptions.moc"
