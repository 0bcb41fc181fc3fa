// The real vantelctl, run as a separate program with --port on a pseudo-terminal whose other
// end plays the module model: what commands and scripts leave on the module, what the tool
// prints of the module's replies, and how it refuses bad input and unusable ports.
//
// The program is copied into a folder of the test's own, so the settings file it reads
// (vantel.ini beside the executable) is the test's.

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

#include <sys/socket.h>

#include "modulepump.h"
#include "ports/portmap.h"
#include "script/parser.h"
#include "ser2netserver.h"
#include "testfiles.h"

namespace
{

constexpr int kRunTimeoutMs = 20000;

struct Run {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

QString padded(const QString &text)
{
    return text.leftJustified(20, QLatin1Char(' ')); // a row of the display
}

QProcessEnvironment cleanEnvironment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString &name : environment.keys())
        if (name.startsWith(QLatin1String("VANTEL_COM")))
            environment.remove(name);
    return environment;
}

} // namespace

class TestVantelctl : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void commandsShowOnTheModule_data();
    void commandsShowOnTheModule();
    void glyphsAndFlashReachTheModule();
    void scriptPlaysPacedAndWhole();
    void readAnalogPrintsTheReading();
    void silentModuleFailsTheReading();
    void listenPrintsWhatTheModuleSends_data();
    void listenPrintsWhatTheModuleSends();
    void listenEndsOnTermination();
    void listenReconnectsWhenTheDeviceComesBack();
    void badInputIsRefusedWithNothingSent_data();
    void badInputIsRefusedWithNothingSent();
    void unusablePortsSayWhy_data();
    void unusablePortsSayWhy();
    void networkPortsCarryCommands_data();
    void networkPortsCarryCommands();
    void refusedNetworkClientFails_data();
    void refusedNetworkClientFails();
    void successOnlyWhenEveryByteLeft_data();
    void successOnlyWhenEveryByteLeft();
    void portAndSpeedComeFromTheSettingsFile();
    void portMapNamesTheDeviceAfterTheEnvironment();
    void deviceNamesThatNameNoDeviceAreRefused_data();
    void deviceNamesThatNameNoDeviceAreRefused();
    void deepAndLargeScriptsAreRefused();
    void dryRunPrintsWhatPlayBackSends();
    void readmeExamplesParse();
    void readmeSer2NetConfigurationServes();

private:
    void start(QProcess &process, const QStringList &arguments, bool withPort = true);
    Run finish(QProcess &process);
    Run run(const QStringList &arguments, const QByteArray &input = {}, bool withPort = true);
    QString settingsPath() const { return m_bin.filePath(QStringLiteral("vantel.ini")); }
    QByteArray heardNow();

    QTemporaryDir m_bin;  // the program and its vantel.ini
    QTemporaryDir m_work; // the working folder: scripts and settings files named on the line
    QString m_ctl;
    QProcessEnvironment m_environment;
    std::unique_ptr<PtyPeer> m_peer;
    std::unique_ptr<ModulePump> m_pump;
};

void TestVantelctl::initTestCase()
{
    QVERIFY(m_bin.isValid() && m_work.isValid());
    m_ctl = m_bin.filePath(QStringLiteral("vantelctl"));
    QVERIFY(QFile::copy(QStringLiteral(VANTELCTL_PATH), m_ctl));
}

void TestVantelctl::init()
{
    QFile::remove(settingsPath());
    m_environment = cleanEnvironment();
    m_peer = std::make_unique<PtyPeer>();
    QVERIFY(m_peer->isValid());
    m_pump = std::make_unique<ModulePump>(*m_peer);
}

void TestVantelctl::cleanup()
{
    m_pump.reset();
    m_peer.reset();
}

void TestVantelctl::start(QProcess &process, const QStringList &arguments, bool withPort)
{
    process.setProcessEnvironment(m_environment);
    process.setWorkingDirectory(m_work.path());
    process.start(m_ctl,
                  withPort ? QStringList{QStringLiteral("--port"), m_peer->slavePath()} + arguments
                           : arguments);
    QVERIFY(process.waitForStarted());
}

Run TestVantelctl::finish(QProcess &process)
{
    // The model answers from this event loop, so the wait must keep it running.
    if (process.state() != QProcess::NotRunning) {
        QSignalSpy finished(&process, &QProcess::finished);
        if (!finished.wait(kRunTimeoutMs))
            process.kill();
    }
    process.waitForFinished();
    m_pump->pump();
    Run result;
    result.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

Run TestVantelctl::run(const QStringList &arguments, const QByteArray &input, bool withPort)
{
    QProcess process;
    start(process, arguments, withPort);
    if (!input.isNull()) {
        process.write(input);
        process.closeWriteChannel();
    }
    return finish(process);
}

QByteArray TestVantelctl::heardNow()
{
    m_pump->pump();
    return m_pump->heard();
}

void TestVantelctl::commandsShowOnTheModule_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("shown");

    QTest::newRow("text at a position") << QStringList{"goto", "2", "5", "--", "text", "Hi there"}
                                        << 2 << padded(QStringLiteral("     Hi there"));
    QTest::newRow("quotes reach the module as the shell passed them")
        << QStringList{"text", R"(say "hi" \x41)"} << 0
        << padded(QStringLiteral(R"(say "hi" \x41)"));
    QTest::newRow("clear, then text from home")
        << QStringList{"text", "abc", "--", "clear", "--", "text", "X"} << 0
        << padded(QStringLiteral("X"));
    QTest::newRow("clear-row") << QStringList{"goto", "1",  "0",         "--", "text",
                                              "abc",  "--", "clear-row", "1"}
                               << 1 << padded(QString());
    QTest::newRow("custom character and wrap")
        << QStringList{"goto", "0", "19", "--", "char", "3", "--", "text", "w"} << 1
        << padded(QStringLiteral("w"));
}

void TestVantelctl::commandsShowOnTheModule()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, row);
    QFETCH(QString, shown);
    const Run result = run(arguments);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.status, 0);
    QCOMPARE(m_pump->rowText(row), shown);
}

void TestVantelctl::glyphsAndFlashReachTheModule()
{
    // The other slots come from the settings file, as the window would send them.
    QVERIFY(testfiles::write(settingsPath(), "[UDC]\nUCHAR1R1=4\nUCHAR1R8=31\n"));
    const Run result = run({"glyph", "2", "0b10001", "0", "0b01010", "0", "0b00100", "0", "0", "31",
                            "--", "backlight", "level", "100", "--", "save-flash"});
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.status, 0);
    const sim::Glyph expected = {0x11, 0, 0x0A, 0, 0x04, 0, 0, 0x1F};
    QCOMPARE(m_pump->model().glyphs()[2], expected);
    QCOMPARE(m_pump->model().flashGlyphs()[2], expected);
    QCOMPARE(m_pump->model().glyphs()[0], (sim::Glyph{4, 0, 0, 0, 0, 0, 0, 31}));
    QCOMPARE(m_pump->model().flash().backlightLevel, 100);
    QCOMPARE(m_pump->rowText(0), padded(QStringLiteral("Settings Saved Onto Flash")).left(20));
    QCOMPARE(m_pump->rowText(1), padded(QStringLiteral("Flash")));

    QVERIFY(testfiles::write(m_work.filePath(QStringLiteral("glyphs.ini")), "[udc]\nuchar8r8=7\n"));
    QCOMPARE(run({"glyphs", "glyphs.ini"}).status, 0);
    QCOMPARE(m_pump->model().glyphs()[2], sim::Glyph{});
    QCOMPARE(m_pump->model().glyphs()[7], (sim::Glyph{0, 0, 0, 0, 0, 0, 0, 7}));
}

void TestVantelctl::scriptPlaysPacedAndWhole()
{
    QVERIFY(testfiles::write(m_work.filePath(QStringLiteral("msgs.ini")),
                             "[MSG]\nM1=Hello\nM2=second message\n"));
    QVERIFY(testfiles::write(m_work.filePath(QStringLiteral("show.vtl")),
                             R"(# messages from a settings file, then one of them
store-messages msgs.ini
message 3 2

goto 0 0
text "Line \"one\" #1"   # a comment after quoted text
wait 10
FE 32 01 00              # the same as goto 1 0
text two
)"));
    QElapsedTimer clock;
    clock.start();
    const Run result = run({"play", "show.vtl"});
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.status, 0);
    // Twenty messages one 200 ms tick apart, as the window uploads them.
    QVERIFY2(clock.elapsed() >= 20 * 200, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(m_pump->rowText(0), padded(QStringLiteral(R"(Line "one" #1)")));
    QCOMPARE(m_pump->rowText(1), padded(QStringLiteral("two")));
    QCOMPARE(m_pump->rowText(3), padded(QStringLiteral("second message")));
    const sim::Message first = m_pump->model().settings().messages[0];
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(first.data()), 20),
             QByteArray("Hello").leftJustified(20));
}

void TestVantelctl::readAnalogPrintsTheReading()
{
    m_pump->model().setAnalog(1, 1023); // the value only; the module sends it when asked
    const Run result = run({"read-analog", "2"});
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.out, QByteArray("1023\n"));
    QCOMPARE(result.status, 0);
}

void TestVantelctl::silentModuleFailsTheReading()
{
    PtyPeer silent;
    const Run result = run({"--port", silent.slavePath(), "read-analog", "1"}, {}, false);
    QCOMPARE(result.err,
             QByteArray("vantelctl: read-analog 1: no answer from the module within 1000 ms\n"));
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(result.status, 1);
    QCOMPARE(silent.takeReceived(), QByteArray("\xFE\x0B"));
}

void TestVantelctl::listenPrintsWhatTheModuleSends_data()
{
    QTest::addColumn<bool>("json");
    QTest::newRow("text") << false;
    QTest::newRow("json") << true;
}

void TestVantelctl::listenPrintsWhatTheModuleSends()
{
    QFETCH(bool, json);
    m_pump->model().setAnalog(0, 500);
    QProcess process;
    QStringList arguments = {"gpio-mode", "keypad",  "--", "read-analog", "1", "--",
                             "listen",    "--count", "2"};
    if (json)
        arguments << QStringLiteral("--json");
    start(process, arguments);
    // Once the request has reached the module, its answer is on the line before any key.
    QTRY_VERIFY_WITH_TIMEOUT(heardNow().endsWith("\xFE\x0B"), 5000);
    const auto first = m_pump->model().setKey(1, true);  // row 1, column 1
    const auto second = m_pump->model().setKey(6, true); // row 2, column 2
    QVERIFY(first && second);
    m_pump->send(first);
    m_pump->send(second);
    const Run result = finish(process);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.status, 0);
    const QList<QByteArray> lines = result.out.split('\n');
    QCOMPARE(lines.size(), 4); // the reading, two replies, and the end of the last line
    QCOMPARE(lines[0], QByteArray("500"));
    if (!json) {
        QCOMPARE(lines[1], first->bytes().toHex(' ').toUpper() + "  keypad: key 1 down");
        QCOMPARE(lines[2], second->bytes().toHex(' ').toUpper() + "  keypad: keys 1 and 6 down");
        return;
    }
    const QJsonObject reply = QJsonDocument::fromJson(lines[2]).object();
    QCOMPARE(reply.value(QStringLiteral("kind")).toString(), QStringLiteral("keypad"));
    QCOMPARE(reply.value(QStringLiteral("down")).toVariant().toList(), QVariantList({1, 6}));
    QCOMPARE(reply.value(QStringLiteral("bytes")).toString(),
             QString::fromLatin1(second->bytes().toHex(' ').toUpper()));
    QVERIFY(reply.value(QStringLiteral("ms")).toDouble() > 0);
}

void TestVantelctl::listenEndsOnTermination()
{
    QProcess process;
    start(process, {"raw", "41", "--", "listen"});
    QTRY_VERIFY_WITH_TIMEOUT(heardNow().endsWith("A"), 5000);
    m_pump->send(m_pump->model().setInputPin(0, true));
    QByteArray out;
    QTRY_VERIFY_WITH_TIMEOUT((out += process.readAllStandardOutput()).contains('\n'), 5000);
    QVERIFY2(out.endsWith("  input status: pin 1 high\n"), out.constData());
    process.terminate();
    const Run result = finish(process);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.status, 0);
}

// The device behind a path goes and comes back (its link re-pointed to a new
// pseudo-terminal): the listen goes on, tells both on standard error, hears the module again.
void TestVantelctl::listenReconnectsWhenTheDeviceComesBack()
{
    const QString link = m_work.filePath(QStringLiteral("module"));
    PtyPeer first, second;
    QVERIFY(testfiles::pointLink(link, first.slavePath()));
    QProcess process;
    start(process, {"--port", link, "raw", "41", "--", "listen", "--reconnect"}, false);
    QCOMPARE(first.waitForBytes(1, kRunTimeoutMs), QByteArray("A"));
    QByteArray err;
    const auto told = [&](const char *text) {
        return QTest::qWaitFor(
            [&] { return (err += process.readAllStandardError()).contains(text); }, kRunTimeoutMs);
    };
    first.hangUp();
    QVERIFY2(told("lost: "), err.constData());
    QVERIFY(testfiles::pointLink(link, second.slavePath()));
    QVERIFY2(told("back\n"), err.constData());
    QVERIFY(second.send(QByteArray("\xFA\x01\xF4", 3)) && process.waitForReadyRead(kRunTimeoutMs));
    process.terminate();
    const Run result = finish(process);
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out, QByteArray("FA 01 F4  analog input 1 reads 500\n"));
    err += result.err;
    QVERIFY2(QRegularExpression("^lost: \\S.*\nback\n$").match(QString::fromUtf8(err)).hasMatch(),
             err.constData());
}

void TestVantelctl::badInputIsRefusedWithNothingSent_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("script"); // written to bad.vtl when not empty
    QTest::addColumn<QString>("message");

    const QStringList play = {"play", "bad.vtl"};
    QTest::newRow("unknown command") << QStringList{"frobnicate"} << QByteArray()
                                     << "unknown command 'frobnicate' (see vantelctl --help)";
    QTest::newRow("missing argument") << QStringList{"goto", "1"} << QByteArray()
                                      << "goto: missing COLUMN (usage: goto ROW COLUMN)";
    QTest::newRow("not a number") << QStringList{"clear-row", "two"} << QByteArray()
                                  << "clear-row: ROW 'two' is not a number (allowed: 0 to 3)";
    QTest::newRow("out of range") << QStringList{"goto", "0", "20"} << QByteArray()
                                  << "goto: COLUMN 20 is out of range (allowed: 0 to 19)";
    QTest::newRow("word not allowed")
        << QStringList{"cursor", "up"} << QByteArray()
        << "cursor: 'up' is not allowed for STYLE (allowed: hidden, underline, blinking, left, "
           "right)";
    QTest::newRow("extra argument") << QStringList{"clear", "now"} << QByteArray()
                                    << "clear: unexpected argument 'now' (usage: clear)";
    QTest::newRow("character without a code")
        << QStringList{"text", "→"} << QByteArray() << "text: '→' has no Windows-1252 code";
    QTest::newRow("the prefix as text")
        << QStringList{"text", "þ"} << QByteArray()
        << "text: 'þ' has the code FE, the command prefix, and cannot be written as text";
    QTest::newRow("glyph row wider than five pixels")
        << QStringList{"glyph", "0", "32", "0", "0", "0", "0", "0", "0", "0"} << QByteArray()
        << "glyph: ROW1 32 is out of range (allowed: 0 to 31)";
    QTest::newRow("big number too long") << QStringList{"bignum", "12345"} << QByteArray()
                                         << "bignum: NUMBER '12345' is longer than four characters";
    QTest::newRow("missing file") << QStringList{"store-messages", "nowhere.ini"} << QByteArray()
                                  << "store-messages: cannot read 'nowhere.ini': no such file";
    QTest::newRow("store-messages: a file without [MSG]")
        << QStringList{"store-messages", "bad.vtl"} << QByteArray("[Settings]\nCommPort=3\n")
        << "store-messages: bad.vtl has no [MSG] section: nothing to store";
    QTest::newRow("glyphs: a file without [UDC]")
        << QStringList{"glyphs", "bad.vtl"} << QByteArray("[MSG]\nM1=Hello\n")
        << "glyphs: bad.vtl has no [UDC] section: nothing to upload";
    QTest::newRow("glyphs: a directory")
        << QStringList{"glyphs", "."} << QByteArray() << "glyphs: cannot read '.': is a directory";
    QTest::newRow("play: a directory")
        << QStringList{"play", "."} << QByteArray() << "play: cannot read '.': is a directory";
    QTest::newRow("listen for nothing") << QStringList{"listen", "--count", "0"} << QByteArray()
                                        << "listen: N 0 is out of range (allowed: 1 to 2147483647)";
    QTest::newRow("listen for too many")
        << QStringList{"listen", "--count", "2147483648"} << QByteArray()
        << "listen: N 2147483648 is out of range (allowed: 1 to 2147483647)";
    QTest::newRow("raw not hex")
        << QStringList{"raw", "FE", "3"} << QByteArray()
        << "raw: '3' is not hex bytes (allowed: two hex digits per byte, such as FE 32 00 13 or "
           "FE320013)";
    QTest::newRow("a later command is wrong: the first is not sent either")
        << QStringList{"clear", "--", "goto", "4", "0"} << QByteArray()
        << "goto: ROW 4 is out of range (allowed: 0 to 3)";
    QTest::newRow("option value") << QStringList{"--speed", "4800", "clear"} << QByteArray()
                                  << "--speed '4800' is not allowed (allowed: 9600, 19200)";
    QTest::newRow("--port without a value")
        << QStringList{"--port", "--dry-run", "clear"} << QByteArray() << "--port needs a value";
    QTest::newRow("COM0") << QStringList{"--port", "COM0", "clear"} << QByteArray()
                          << "--port COM0: ports are numbered from COM1";
    QTest::newRow("an address of an unknown scheme")
        << QStringList{"--port", "telnet://lab-pi:23", "clear"} << QByteArray()
        << "--port telnet://lab-pi:23: unknown scheme 'telnet://' (allowed: rfc2217://, "
           "socket://)";
    QTest::newRow("unknown option")
        << QStringList{"--baud", "9600", "clear"} << QByteArray()
        << "unknown option '--baud' (allowed: --port, --speed, --dry-run, --format, --help, "
           "--version)";
    QTest::newRow("format without dry run")
        << QStringList{"--format", "c", "clear"} << QByteArray()
        << "--format goes with --dry-run (it formats the bytes printed instead of sent)";
    QTest::newRow("empty command")
        << QStringList{"clear", "--", "--", "home"} << QByteArray()
        << "'--' with no command before it (commands are separated by '--')";
    QTest::newRow("no command") << QStringList{} << QByteArray()
                                << "no command given (see vantelctl --help)";

    QTest::newRow("script: error on line 3, after good lines")
        << play << QByteArray("clear\n# fine\ngoto 9 0\n")
        << "bad.vtl:3: goto: ROW 9 is out of range (allowed: 0 to 3)";
    QTest::newRow("script: missing quote")
        << play << QByteArray("text \"abc\n") << "bad.vtl:1: missing closing quote";
    QTest::newRow("script: unknown escape")
        << play << QByteArray("text \"a\\tb\"")
        << R"(bad.vtl:1: unknown escape \t in quotes (allowed: \", \\, \xHH))";
    QTest::newRow("script: text after a quote")
        << play << QByteArray("text \"a\"b") << "bad.vtl:1: text straight after a closing quote";
    QTest::newRow("script: bad hex")
        << play << QByteArray("FE 3Z\n")
        << "bad.vtl:1: frame: '3Z' is not hex bytes (allowed: two hex digits per byte, such as "
           "FE 32 00 13 or FE320013)";
    QTest::newRow("script: frame longer than the transmit buffer")
        << play << QByteArray(72, 'A').toHex()
        << "bad.vtl:1: frame: 72 bytes in one frame (allowed: up to 71; split it over several "
           "lines)";
    QTest::newRow("script: plays itself")
        << play << QByteArray("clear\nplay bad.vtl\n")
        << "bad.vtl:2: play: 'bad.vtl' is already being played: a script cannot play itself, "
           "directly or through others";
    QTest::newRow("script: standard input inside")
        << play << QByteArray("play -")
        << "bad.vtl:1: play: '-' (standard input) can only be played from the command line";
    QTest::newRow("script: not UTF-8")
        << play << QByteArray("clear\ntext \"\xFF\"\n") << "bad.vtl:2: not UTF-8 text";
    QTest::newRow("script: a NUL byte") << play << QByteArray("clear\0\n", 7)
                                        << R"(bad.vtl:1: control character \x00 (not script text))";
    QTest::newRow("script: \\x with one digit")
        << play << QByteArray(R"(text "\x4")") << R"(bad.vtl:1: \x needs two hex digits)";
    QTest::newRow("a word with a control character is shown escaped")
        << QStringList{"\x1b[2J"} << QByteArray()
        << R"(unknown command '\x1B[2J' (see vantelctl --help))";
    QTest::newRow("a long word is cut at 40 characters")
        << QStringList{QString(50, u'z')} << QByteArray()
        << "unknown command '" + QString(40, u'z') + "...' (see vantelctl --help)";
    QTest::newRow("script: wait too long")
        << play << QByteArray("wait 3600001")
        << "bad.vtl:1: wait: MS 3600001 is out of range (allowed: 0 to 3600000)";
}

void TestVantelctl::badInputIsRefusedWithNothingSent()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, script);
    QFETCH(QString, message);
    if (!script.isEmpty())
        QVERIFY(testfiles::write(m_work.filePath(QStringLiteral("bad.vtl")), script));
    const Run result = run(arguments);
    QCOMPARE(QString::fromUtf8(result.err), QStringLiteral("vantelctl: ") + message + '\n');
    QCOMPARE(result.status, 2);
    QCOMPARE(result.out, QByteArray());
    QCOMPARE(m_pump->heardHex(), QByteArray());
}

void TestVantelctl::unusablePortsSayWhy_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QByteArray>("settings");
    QTest::addColumn<QString>("message");

    QTest::newRow("no such device")
        << QStringList{"--port", "/dev/vantel-none", "clear"} << QByteArray()
        << "cannot open /dev/vantel-none: no such device";
    QTest::newRow("no device for the port")
        << QStringList{"--port", "COM9999", "clear"} << QByteArray()
        << "cannot open COM9999: no device for this port (set VANTEL_COM9999 to a device, name one "
           "in the port map <map>, or use --port PATH)";
    QTest::newRow("a regular file") << QStringList{"--port", "/etc/passwd", "clear"} << QByteArray()
                                    << "cannot open /etc/passwd: not a serial device";
    QTest::newRow("/dev/null") << QStringList{"--port", "/dev/null", "clear"} << QByteArray()
                               << "cannot open /dev/null: not a serial device";
    QTest::newRow("a directory") << QStringList{"--port", "/", "clear"} << QByteArray()
                                 << "cannot open /: not a serial device";
    const QString refused = QStringLiteral("127.0.0.1:%1").arg(Ser2NetServer::freePort());
    QTest::newRow("network port refused")
        << QStringList{"--port", "rfc2217://" + refused, "clear"} << QByteArray()
        << "cannot open rfc2217://" + refused + ": connection refused by " + refused;
    QTest::newRow("network host unknown")
        << QStringList{"--port", "socket://vantel-nowhere.invalid:4001", "clear"} << QByteArray()
        << "cannot open socket://vantel-nowhere.invalid:4001: no such host "
           "vantel-nowhere.invalid";
    QTest::newRow("settings file names no port")
        << QStringList{"clear"} << QByteArray("[Settings]\nCommPort=0\n")
        << "<ini> names no port (CommPort=0); use --port COMn or --port PATH";
}

void TestVantelctl::unusablePortsSayWhy()
{
    QFETCH(QStringList, arguments);
    QFETCH(QByteArray, settings);
    QFETCH(QString, message);
    if (!settings.isEmpty())
        QVERIFY(testfiles::write(settingsPath(), settings));
    message.replace(QStringLiteral("<ini>"), settingsPath());
    message.replace(QStringLiteral("<map>"), ports::portMapPath());
    const Run result = run(arguments, {}, false);
    QCOMPARE(QString::fromUtf8(result.err), QStringLiteral("vantelctl: ") + message + '\n');
    QCOMPARE(result.status, 1);
}

void TestVantelctl::networkPortsCarryCommands_data()
{
    QTest::addColumn<bool>("rfc2217");
    QTest::newRow("rfc2217") << true;
    QTest::newRow("raw tcp") << false;
}

void TestVantelctl::networkPortsCarryCommands()
{
    if (!Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    QFETCH(bool, rfc2217);
    Ser2NetServer server(m_peer->slavePath());
    QVERIFY(server.start());
    m_pump->model().setAnalog(0, 65535); // the reading FA FF FF
    QProcess process;
    start(process,
          {"--port", rfc2217 ? server.rfc2217Url() : server.socketUrl(), "--speed", "19200",
           "gpio-mode", "gpio", "--", "text", QStringLiteral("net \u00ff"), "--", "read-analog",
           "1", "--", "listen", "--count", "1"},
          false);
    QTRY_VERIFY_WITH_TIMEOUT(heardNow().endsWith("\xFE\x0B"), 5000);
    const auto pin8 = m_pump->model().setInputPin(7, true); // status FF .. ..
    QVERIFY(pin8);
    m_pump->send(pin8);
    const Run result = finish(process);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.status, 0);
    QCOMPARE(result.out,
             "65535\n" + pin8->bytes().toHex(' ').toUpper() + "  input status: pin 8 high\n");
    // The typed ÿ reaches the module as one FF, however the server carries it.
    QVERIFY2(m_pump->heard().contains(QByteArray("net \xFF\xFE\x0B")), m_pump->heardHex());
}

// ser2net serves one client a port: the next is told in words, and hung up on.
void TestVantelctl::refusedNetworkClientFails_data()
{
    QTest::addColumn<bool>("telnetPort");
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("reason");
    QTest::newRow("listen hears no replies in the words")
        << false << QStringList{"listen"}
        << "the server closed the connection: Port already in use";
    QTest::newRow("socket:// to the Telnet port")
        << true << QStringList{"clear"} << "this is a Telnet server: use rfc2217://";
}

void TestVantelctl::refusedNetworkClientFails()
{
    if (!Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    QFETCH(bool, telnetPort);
    QFETCH(QStringList, commands);
    QFETCH(QString, reason);
    Ser2NetServer server(m_peer->slavePath());
    QVERIFY(server.start());
    QString url = server.socketUrl();
    QTcpSocket first;
    if (telnetPort) {
        url = QStringLiteral("socket://") + server.rfc2217Url().mid(10);
    } else {
        first.connectToHost(QHostAddress::LocalHost, url.section(u':', -1).toUShort());
        QVERIFY(first.waitForConnected(5000));
        // Once its byte is on the module, ser2net has the device open for it.
        QVERIFY(first.write("A") == 1);
        QTRY_COMPARE(heardNow(), QByteArray("A"));
    }
    const Run result = run(QStringList{"--port", url} + commands, {}, false);
    QCOMPARE(result.out, QByteArray());
    QVERIFY2(result.err.startsWith("vantelctl: " + url.toUtf8() + " was lost: " + reason.toUtf8()),
             result.err);
    QCOMPARE(result.status, 1);
}

// A line that takes the bytes slowly gets them all, and only then is it a success; one that
// hangs up part way is a failure that says how much went out.
void TestVantelctl::successOnlyWhenEveryByteLeft_data()
{
    QTest::addColumn<bool>("resets");
    QTest::newRow("a slow reader") << false;
    QTest::newRow("a reader that resets after 3 bytes") << true;
}

void TestVantelctl::successOnlyWhenEveryByteLeft()
{
    QFETCH(bool, resets);
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost, 0));
    // A small window, so that the connection holds little of what is still to come.
    const int small = 4096;
    ::setsockopt(int(server.socketDescriptor()), SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    QByteArray got;
    QTimer reader;
    QTcpSocket *client = nullptr;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        client = server.nextPendingConnection();
        client->setReadBufferSize(1024);
        reader.start(20);
    });
    connect(&reader, &QTimer::timeout, this, [&] {
        got += client->read(resets ? 3 - got.size() : 1024);
        if (resets && got.size() == 3) {
            const linger now{1, 0};
            ::setsockopt(int(client->socketDescriptor()), SOL_SOCKET, SO_LINGER, &now, sizeof now);
            client->abort();
            reader.stop();
        }
    });
    QByteArray script;
    for (int line = 0; line < 1000; ++line)
        script += "FE 58" + QByteArray(" 41").repeated(62) + '\n'; // 64 bytes a frame
    const QString url = QStringLiteral("socket://127.0.0.1:%1").arg(server.serverPort());
    const Run result = run({"--port", url, "play", "-"}, script, false);
    if (!resets) {
        QCOMPARE(result.err, QByteArray());
        QCOMPARE(result.status, 0);
        QTRY_COMPARE(got.size(), 64000);
        return;
    }
    QVERIFY2(result.err.startsWith("vantelctl: " + url.toUtf8() +
                                   " was lost: the server closed the connection (") &&
                 result.err.endsWith(" of 64000 bytes went out)\n"),
             result.err);
    QCOMPARE(result.status, 1);
}

void TestVantelctl::portAndSpeedComeFromTheSettingsFile()
{
    QVERIFY(testfiles::write(settingsPath(), "[Settings]\nCommPort=3\nSetting=9600,n,8,1\n"));
    m_environment.insert(QStringLiteral("VANTEL_COM3"), m_peer->slavePath());
    // The line speed is seen while the port is open: closing it restores the old one.
    speed_t speed = 0;
    const auto sendAndSeeSpeed = [&](const QStringList &arguments, const QByteArray &heard) {
        speed = 0;
        QProcess process;
        start(process, arguments + QStringList{"--", "wait", "300"}, false);
        QTRY_VERIFY_WITH_TIMEOUT(heardNow().endsWith(heard), 5000);
        termios line{};
        QVERIFY(m_peer->lineSettings(line));
        QCOMPARE(finish(process).status, 0);
        speed = cfgetospeed(&line);
    };
    sendAndSeeSpeed({"text", "x"}, "x");
    QCOMPARE(speed, speed_t(B9600));
    // --speed and --port COMn override the file; COMn maps as in the window.
    QFile::remove(settingsPath());
    sendAndSeeSpeed({"--port", "com3", "--speed", "19200", "text", "y"}, "y");
    QCOMPARE(speed, speed_t(B19200));
    // No saved speed at all reads as the window's first run does: 19200, as does an empty
    // one.
    QVERIFY(testfiles::write(settingsPath(), "[Settings]\nCommPort=3\n"));
    sendAndSeeSpeed({"text", "z"}, "z");
    QCOMPARE(speed, speed_t(B19200));
    QVERIFY(testfiles::write(settingsPath(), "[Settings]\nCommPort=3\nSetting=\n"));
    sendAndSeeSpeed({"text", "w"}, "w");
    QCOMPARE(speed, speed_t(B19200));
    QCOMPARE(m_pump->heard(), QByteArray("xyzw"));
}

// The window's port map serves vantelctl too, and VANTEL_COM<n> still comes first.
void TestVantelctl::portMapNamesTheDeviceAfterTheEnvironment()
{
    QTemporaryDir config;
    QVERIFY(config.isValid());
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    const QByteArray pty = m_peer->slavePath().toUtf8();
    QVERIFY(testfiles::write(config.filePath(QStringLiteral("vantelapp/ports.conf")),
                             "COM12 = " + pty + "\nCOM13 = " + pty + "\n"));
    m_environment.insert(QStringLiteral("VANTEL_COM13"), QStringLiteral("/dev/vantel-none"));

    const Run mapped = run({"--port", "COM12", "text", "m"}, {}, false);
    QCOMPARE(mapped.err, QByteArray());
    QCOMPARE(mapped.status, 0);
    QTRY_COMPARE(heardNow(), QByteArray("m"));

    const Run overridden = run({"--port", "COM13", "text", "e"}, {}, false);
    QCOMPARE(overridden.status, 1);
    QVERIFY2(overridden.err.contains("(/dev/vantel-none): no such device"), overridden.err);
    QCOMPARE(heardNow(), QByteArray("m"));
}

// A name with a control character, wherever it is given, and a map that cannot be read say
// why, and no device opens (a NUL once crashed every later open through its lock file).
void TestVantelctl::deviceNamesThatNameNoDeviceAreRefused_data()
{
    QTest::addColumn<QByteArray>("map"); // "<dir>": a folder where the map goes
    QTest::addColumn<QString>("variable");
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("message"); // <pty>: the pseudo-terminal, <map>: the map's path

    QTest::newRow("a NUL in the map") << QByteArray("COM3 = <pty>\0junk\n", 18) << ""
                                      << "COM3" << 1
                                      << "cannot open COM3: no device for this port (the port "
                                         "map's line 1: '<pty>\\x00junk' holds the control "
                                         "character \\x00)";
    QTest::newRow("a control character in VANTEL_COM3")
        << QByteArray() << "<pty>\x01"
        << "COM3" << 1
        << "cannot open COM3: no device for this port (VANTEL_COM3: '<pty>\\x01' holds the "
           "control character \\x01)";
    QTest::newRow("a control character in --port")
        << QByteArray() << ""
        << "<pty>\x1b" << 2 << "--port '<pty>\\x1B' holds the control character \\x1B";
    QTest::newRow("a map that cannot be read")
        << QByteArray("<dir>") << ""
        << "COM3" << 1
        << "cannot open COM3: no device for this port (the port map <map> cannot be read: is a "
           "directory)";
}

void TestVantelctl::deviceNamesThatNameNoDeviceAreRefused()
{
    QFETCH(QByteArray, map);
    QFETCH(QString, variable);
    QFETCH(QString, port);
    QFETCH(int, status);
    QFETCH(QString, message);
    QTemporaryDir config;
    QVERIFY(config.isValid());
    m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    const QString mapPath = config.filePath(QStringLiteral("vantelapp/ports.conf"));
    const QString pty = m_peer->slavePath();
    if (map == "<dir>")
        QVERIFY(QDir().mkpath(mapPath));
    else if (!map.isEmpty())
        QVERIFY(testfiles::write(mapPath, map.replace("<pty>", pty.toUtf8())));
    if (!variable.isEmpty())
        m_environment.insert(QStringLiteral("VANTEL_COM3"), variable.replace("<pty>", pty));
    message.replace(QStringLiteral("<pty>"), pty).replace(QStringLiteral("<map>"), mapPath);
    // Twice: the first leaves nothing behind that the second trips over.
    for (int attempt = 0; attempt < 2; ++attempt) {
        const Run result = run({"--port", port.replace("<pty>", pty), "clear"}, {}, false);
        QCOMPARE(QString::fromUtf8(result.err), QStringLiteral("vantelctl: ") + message + '\n');
        QCOMPARE(result.status, status);
    }
    QCOMPARE(heardNow(), QByteArray());
}

// A chain of scripts is followed 64 deep and refused beyond, on its own list rather than
// the machine's stack; standard input has the file's limit.
void TestVantelctl::deepAndLargeScriptsAreRefused()
{
    for (int depth = 0; depth <= script::kDeepestNesting; ++depth)
        QVERIFY(testfiles::write(m_work.filePath(QStringLiteral("s%1.vtl").arg(depth)),
                                 QStringLiteral("play s%1.vtl\n").arg(depth + 1).toUtf8()));
    QVERIFY(testfiles::write(
        m_work.filePath(QStringLiteral("s%1.vtl").arg(script::kDeepestNesting)), "clear\n"));
    const Run deepest = run({"--dry-run", "play", "s1.vtl"});
    QCOMPARE(deepest.err, QByteArray());
    QCOMPARE(deepest.out, QByteArray("0D  # clear display\n"));
    const Run deeper = run({"--dry-run", "play", "s0.vtl"});
    QCOMPARE(deeper.err, QByteArray("vantelctl: s63.vtl:1: scripts nested deeper than 64\n"));
    QCOMPARE(deeper.status, 2);

    const Run large = run({"play", "-"}, QByteArray(script::kLargestScript + 1, '#'));
    QCOMPARE(
        large.err,
        QByteArray("vantelctl: play: standard input is larger than a script can be (16 MiB)\n"));
    QCOMPARE(large.status, 2);
    QCOMPARE(heardNow(), QByteArray());
}

// --dry-run prints a script that plays back the very bytes the commands send.
void TestVantelctl::dryRunPrintsWhatPlayBackSends()
{
    const QStringList commands = {"goto", "1",         "2",   "--", "text",        R"(a"b)",
                                  "--",   "backlight", "off", "--", "read-analog", "1"};
    const Run dry = run(QStringList{"--dry-run"} + commands);
    QCOMPARE(dry.status, 0);
    QCOMPARE(m_pump->heardHex(), QByteArray());
    QVERIFY2(dry.out.contains("FE 32 01 02  # set cursor row 1 column 2\n"), dry.out.constData());

    m_pump->model().setAnalog(0, 7);
    const Run played = run({"play", "-"}, dry.out);
    QCOMPARE(played.status, 0);
    QCOMPARE(m_pump->heardHex(), QByteArray("FE 32 01 02 61 22 62 FE 07 FE 0B"));

    const Run c = run({"--dry-run", "--format", "c", "goto", "0", "19"});
    QCOMPARE(c.out, QByteArray("static const unsigned char vantel_bytes[] = {\n"
                               "    /* set cursor row 0 column 19 */\n"
                               "    0xFE, 0x32, 0x00, 0x13,\n"
                               "};\n"));
    const Run python = run({"--dry-run", "--format", "python", "clear"});
    QCOMPARE(python.out, QByteArray("vantel_bytes = bytes([\n"
                                    "    # clear display\n"
                                    "    0x0D,\n"
                                    "])\n"));
}

// Every vantelctl line among the README's scripting examples is a valid command line.
void TestVantelctl::readmeExamplesParse()
{
    QFile readme(QStringLiteral(VANTEL_README_PATH));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype start = text.indexOf(QStringLiteral("\n### Examples"),
                                         text.indexOf(QStringLiteral("\n## Scripting the module")));
    QVERIFY(start >= 0);
    const QString section =
        text.mid(start, text.indexOf(QStringLiteral("\n## "), start + 1) - start);
    static const QRegularExpression command(
        QStringLiteral(R"(^\s*(?:[^#\n]*;\s*)?(vantelctl .*)$)"),
        QRegularExpression::MultilineOption);
    QVERIFY(
        testfiles::write(m_work.filePath(QStringLiteral("glyphs.ini")), "[UDC]\nUCHAR1R1=14\n"));
    int examples = 0;
    for (auto it = command.globalMatch(section); it.hasNext(); ++examples) {
        const QString line = it.next().captured(1);
        // The shell expands the line as in the example, with sample values for its variables.
        QProcess shell;
        shell.setWorkingDirectory(m_work.path());
        shell.start(QStringLiteral("bash"),
                    {QStringLiteral("-c"),
                     QStringLiteral("vantelctl() { \"%1\" --dry-run \"$@\"; }; ip=192.0.2.7; "
                                    "busy=37; %2")
                         .arg(m_ctl, line)});
        QVERIFY(shell.waitForFinished());
        QVERIFY2(shell.exitCode() == 0,
                 qPrintable(line + QStringLiteral(": ") + shell.readAllStandardError()));
    }
    QVERIFY2(examples >= 3, qPrintable(QString::number(examples)));
}

// The README's ser2net configuration, with the module's pseudo-terminal for its adapter and
// a free port for its own, serves the module to the URL the README gives.
void TestVantelctl::readmeSer2NetConfigurationServes()
{
    if (!Ser2NetServer::installed())
        QSKIP("ser2net is not installed");
    QFile readme(QStringLiteral(VANTEL_README_PATH));
    QVERIFY(readme.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype section = text.indexOf(QStringLiteral("\n## A module on another machine"));
    QVERIFY(section >= 0);
    const qsizetype start = text.indexOf(QStringLiteral("```yaml\n"), section);
    QVERIFY(start >= 0);
    const qsizetype end = text.indexOf(QStringLiteral("```"), start + 8);
    QString config = text.mid(start + 8, end - start - 8);
    static const QRegularExpression accepter(QStringLiteral(R"(tcp,(\d+)\n)"));
    static const QRegularExpression url(QStringLiteral(R"(--port rfc2217://lab-pi:(\d+))"));
    const QRegularExpressionMatch given = accepter.match(config);
    QVERIFY(given.hasMatch());
    // The URL the README gives names the port its configuration opens.
    QCOMPARE(url.match(text, section).captured(1), given.captured(1));
    const quint16 port = Ser2NetServer::freePort();
    config.replace(QStringLiteral("/dev/ttyUSB0"), m_peer->slavePath());
    config.replace(given.capturedStart(1), given.capturedLength(1), QString::number(port));
    Ser2NetServer server(config.toUtf8(), port);
    QVERIFY(server.start());
    m_pump->model().setAnalog(1, 0xFFFF);
    const Run result = run({"--port", QStringLiteral("rfc2217://localhost:%1").arg(port), "--speed",
                            "19200", "read-analog", "2"},
                           {}, false);
    QCOMPARE(result.err, QByteArray());
    QCOMPARE(result.out, QByteArray("65535\n"));
    QCOMPARE(result.status, 0);
}

QTEST_GUILESS_MAIN(TestVantelctl)
#include "tst_vantelctl.moc"
