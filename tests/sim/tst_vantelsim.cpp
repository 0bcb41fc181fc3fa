#include <QProcess>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "testfiles.h"

// The vantel-sim program on its pseudo-terminal, in plain mode unless a test says
// otherwise: the test plays the utility on the link the program makes.
class TestVantelSim : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void answersOnItsLinkAndCleansUp();
    void keysSendStatusReplies();
    void refusesALinkThatIsAFile();
    void quitsWhenItsPartnerEnds();
    void quitsAtOnceWhenItsPartnerIsGone();
    void refusesAProcessIdThatIsNone_data();
    void refusesAProcessIdThatIsNone();
    void windowAnswersAndQuitsCleanly();
    void servesTheModuleOverTcp();
    void refusesConflictingOrBadOptions_data();
    void refusesConflictingOrBadOptions();

private:
    bool startSim(const QStringList &extra = {}, const QString &face = QStringLiteral("--no-ui"));
    QByteArray readPort(int count);
    QByteArray waitForLog(const QByteArray &text);

    QTemporaryDir m_dir;
    QString m_link;
    QProcess m_process;
    QByteArray m_log;
    int m_port = -1;
};

void TestVantelSim::init()
{
    QVERIFY(m_dir.isValid());
    m_link = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
    m_log.clear();
    m_process.setProcessEnvironment(QProcessEnvironment::systemEnvironment());
}

void TestVantelSim::cleanup()
{
    if (m_port >= 0)
        ::close(m_port);
    m_port = -1;
    if (m_process.state() != QProcess::NotRunning) {
        m_process.kill();
        m_process.waitForFinished();
    }
}

bool TestVantelSim::startSim(const QStringList &extra, const QString &face)
{
    m_process.start(QStringLiteral(VANTEL_SIM_PATH),
                    QStringList{face, QStringLiteral("--link"), m_link} + extra);
    if (!m_process.waitForStarted() || waitForLog("vantel-sim: module on").isEmpty())
        return false;
    m_port = ::open(QFile::encodeName(m_link).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (m_port < 0)
        return false;
    termios raw{};
    ::tcgetattr(m_port, &raw);
    ::cfmakeraw(&raw);
    return ::tcsetattr(m_port, TCSANOW, &raw) == 0;
}

// Waits on the port itself until `count` bytes came or three seconds passed.
QByteArray TestVantelSim::readPort(int count)
{
    QByteArray bytes;
    QDeadlineTimer deadline(3000);
    while (bytes.size() < count && !deadline.hasExpired()) {
        pollfd watch{m_port, POLLIN, 0};
        if (::poll(&watch, 1, static_cast<int>(deadline.remainingTime())) <= 0)
            continue;
        char buffer[64];
        const ssize_t n = ::read(m_port, buffer, sizeof buffer);
        if (n > 0)
            bytes.append(buffer, n);
    }
    return bytes;
}

// Collects standard output until a line holds `text`; returns everything so far, or
// nothing when the text never came.
QByteArray TestVantelSim::waitForLog(const QByteArray &text)
{
    QDeadlineTimer deadline(5000);
    while (!m_log.contains(text) && !deadline.hasExpired()) {
        if (!m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            break;
        m_log += m_process.readAllStandardOutput();
    }
    m_log += m_process.readAllStandardOutput();
    return m_log.contains(text) ? m_log : QByteArray();
}

void TestVantelSim::answersOnItsLinkAndCleansUp()
{
    QVERIFY(startSim({QStringLiteral("--analog1"), QStringLiteral("500")}));
    QVERIFY(QFileInfo(m_link).isSymLink());

    // Sent in two pieces that cut the read request in half.
    QCOMPARE(::write(m_port, "\xFE\x32\x03\x13Hi\xFE", 7), 7);
    QVERIFY(!waitForLog("write 'i'").isEmpty());
    QCOMPARE(::write(m_port, "\x0B\xFE\x20", 3), 3);
    QCOMPARE(readPort(6), QByteArray::fromHex("FA01F4FE2020"));
    const QByteArray log = waitForLog("settings stored");
    QVERIFY(log.contains("FE 32 03 13  set cursor row 3 column 19\n"));
    QVERIFY(log.contains("reply FA 01 F4  analog input 1 reads 500\n"));
    QVERIFY(!log.contains('\x1b')); // plain mode: no terminal control sequences

    m_process.terminate();
    QVERIFY(m_process.waitForFinished());
    QCOMPARE(m_process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_process.exitCode(), 0);
    QVERIFY(!QFileInfo::exists(m_link) && !QFileInfo(m_link).isSymLink());
}

void TestVantelSim::keysSendStatusReplies()
{
    QVERIFY(startSim());
    m_process.write("h"); // pin 1 high
    QVERIFY(m_process.waitForBytesWritten());
    QCOMPARE(readPort(3), QByteArray::fromHex("FC0001"));
    QCOMPARE(::write(m_port, "\xFE\x30\xFE", 3), 3); // keypad mode
    QVERIFY(!waitForLog("P2 mode keypad").isEmpty());
    m_process.write("9+"); // key 9 (row 3, column 1) and analog 1 up
    QVERIFY(m_process.waitForBytesWritten());
    QCOMPARE(readPort(6), QByteArray::fromHex("FC0400FA0010"));
    m_process.write("q");
    QVERIFY(m_process.waitForBytesWritten());
    QVERIFY(m_process.waitForFinished());
    QCOMPARE(m_process.exitCode(), 0);
    QVERIFY(!QFileInfo(m_link).isSymLink());
}

void TestVantelSim::refusesALinkThatIsAFile()
{
    QVERIFY(testfiles::write(m_link, QByteArray()));
    m_process.start(QStringLiteral(VANTEL_SIM_PATH),
                    {QStringLiteral("--no-ui"), QStringLiteral("--link"), m_link});
    QVERIFY(m_process.waitForFinished());
    QCOMPARE(m_process.exitCode(), 1);
    QVERIFY(m_process.readAllStandardError().contains("is not a symbolic link"));
    QVERIFY(QFileInfo(m_link).isFile());
}

void TestVantelSim::quitsWhenItsPartnerEnds()
{
    QProcess partner;
    partner.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    QVERIFY(partner.waitForStarted());
    QVERIFY(startSim({QStringLiteral("--exit-with"), QString::number(partner.processId())}));
    // Still there while the partner runs.
    QVERIFY(!m_process.waitForFinished(300));

    partner.kill();
    QVERIFY(m_process.waitForFinished(5000));
    QCOMPARE(m_process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_process.exitCode(), 0);
    QVERIFY(!QFileInfo(m_link).isSymLink());
    partner.waitForFinished();
}

void TestVantelSim::quitsAtOnceWhenItsPartnerIsGone()
{
    QProcess partner;
    partner.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    QVERIFY(partner.waitForStarted());
    const qint64 pid = partner.processId();
    partner.kill();
    QVERIFY(partner.waitForFinished());

    m_process.start(QStringLiteral(VANTEL_SIM_PATH),
                    {QStringLiteral("--no-ui"), QStringLiteral("--link"), m_link,
                     QStringLiteral("--exit-with"), QString::number(pid)});
    QVERIFY(m_process.waitForFinished(5000));
    QCOMPARE(m_process.exitCode(), 0);
    QVERIFY(!QFileInfo(m_link).isSymLink());
}

void TestVantelSim::refusesAProcessIdThatIsNone_data()
{
    QTest::addColumn<QString>("pid");
    QTest::newRow("not a number") << "utility";
    QTest::newRow("zero") << "0";
    QTest::newRow("negative: a process group") << "-1";
}

void TestVantelSim::refusesAProcessIdThatIsNone()
{
    QFETCH(QString, pid);
    m_process.start(QStringLiteral(VANTEL_SIM_PATH),
                    {QStringLiteral("--no-ui"), QStringLiteral("--link"), m_link,
                     QStringLiteral("--exit-with"), pid});
    QVERIFY(m_process.waitForFinished());
    QCOMPARE(m_process.exitCode(), 2);
    QVERIFY(m_process.readAllStandardError().contains("--exit-with takes a process id"));
    QVERIFY(!QFileInfo(m_link).isSymLink());
}

// The window on the offscreen platform (the test's environment sets it): the module
// answers on its link, and a termination signal ends it cleanly.
void TestVantelSim::windowAnswersAndQuitsCleanly()
{
    QVERIFY(qEnvironmentVariableIsSet("QT_QPA_PLATFORM"));
    QVERIFY(startSim({QStringLiteral("--zoom"), QStringLiteral("3"), QStringLiteral("--analog2"),
                      QStringLiteral("700")},
                     QStringLiteral("--window")));
    QCOMPARE(::write(m_port, "\xFE\x0C", 2), 2);
    QCOMPARE(readPort(3), QByteArray::fromHex("FB02BC"));

    m_process.terminate();
    QVERIFY(m_process.waitForFinished());
    QCOMPARE(m_process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_process.exitCode(), 0);
    QVERIFY(!QFileInfo(m_link).isSymLink());
}

// --listen: a client on the network speaks to the same module as the link.
void TestVantelSim::servesTheModuleOverTcp()
{
    QVERIFY(startSim({"--listen", "127.0.0.1:0", "--analog1", "500"}));
    const QRegularExpressionMatch url =
        QRegularExpression(QStringLiteral("socket://127\\.0\\.0\\.1:(\\d+)\n"))
            .match(QString::fromUtf8(waitForLog("socket://")));
    QVERIFY2(url.hasMatch(), m_log.constData());
    QTcpSocket client;
    client.connectToHost(QHostAddress::LocalHost, url.captured(1).toUShort());
    QVERIFY(client.waitForConnected(3000));
    QVERIFY(!waitForLog("network client 127.0.0.1:").isEmpty());
    client.write(QByteArray::fromHex("FE0B"));
    QByteArray reply;
    while (reply.size() < 3 && client.waitForReadyRead(3000))
        reply += client.readAll();
    QCOMPARE(reply, QByteArray::fromHex("FA01F4"));
}

void TestVantelSim::refusesConflictingOrBadOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("display");
    QTest::addColumn<QByteArray>("message");
    QTest::newRow("window and plain")
        << QStringList{"--window", "--no-ui"} << true << QByteArray("choose one of --window");
    QTest::newRow("terminal and window")
        << QStringList{"--terminal", "--window"} << true << QByteArray("choose one of --window");
    QTest::newRow("zoom 0") << QStringList{"--no-ui", "--zoom", "0"} << true
                            << QByteArray("--zoom takes a whole number from 1 to 8");
    QTest::newRow("zoom 9") << QStringList{"--window", "--zoom", "9"} << true
                            << QByteArray("--zoom takes a whole number from 1 to 8");
    QTest::newRow("listen without a port") << QStringList{"--no-ui", "--listen", "4001"} << true
                                           << QByteArray("--listen takes HOST:PORT");
    QTest::newRow("a window without a display")
        << QStringList{"--window"} << false << QByteArray("--window needs a display");
}

void TestVantelSim::refusesConflictingOrBadOptions()
{
    QFETCH(QStringList, options);
    QFETCH(bool, display);
    QFETCH(QByteArray, message);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!display) {
        for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            environment.remove(QString::fromLatin1(name));
    }
    m_process.setProcessEnvironment(environment);
    m_process.start(QStringLiteral(VANTEL_SIM_PATH),
                    options + QStringList{QStringLiteral("--link"), m_link});
    QVERIFY(m_process.waitForFinished());
    QCOMPARE(m_process.exitCode(), 2);
    QVERIFY(m_process.readAllStandardError().contains(message));
    QVERIFY(!QFileInfo(m_link).isSymLink());
}

QTEST_GUILESS_MAIN(TestVantelSim)
#include "tst_vantelsim.moc"
