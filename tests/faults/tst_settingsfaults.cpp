// The settings file under faults: the program killed in the middle of writing it, and the
// utility installed in a folder it may not write to.
#include "settings/inifile.h"
#include "settings/settingsfile.h"
#include "testfiles.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

// Fixed length, so every state of the file has the same size and a torn one shows.
QByteArray generationValue(int generation)
{
    return QByteArray::number(generation).rightJustified(8, '0') + QByteArray(240, 'v');
}

// A file far larger than the utility writes, so that a write takes long enough to be
// killed in the middle: twenty long messages and a thousand lines the utility does not know.
QByteArray largeSettings()
{
    QByteArray content = "[Settings]\r\nCommPort=3\r\nSetting=9600,n,8,1\r\n[MSG]\r\n";
    for (int k = 1; k <= 20; ++k)
        content += "M" + QByteArray::number(k) + "=" + generationValue(0) + "\r\n";
    content += "[Notes]\r\n";
    for (int line = 0; line < 1000; ++line)
        content += "; a line kept as it is " + QByteArray(200, char('a' + line % 26)) + "\r\n";
    return content;
}

void sleepMicroseconds(long us)
{
    timespec t{us / 1000000, (us % 1000000) * 1000};
    while (nanosleep(&t, &t) != 0) {
    }
}

} // namespace

class SettingsFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void killedWriterLeavesOldOrNewFile();
    void readOnlyAppFolderUsesConfigFolder_data();
    void readOnlyAppFolderUsesConfigFolder();
};

void SettingsFaultsTest::killedWriterLeavesOldOrNewFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("vantel.ini"));
    const QByteArray base = largeSettings();
    QVERIFY(testfiles::write(path, base));

    QRandomGenerator random(20240607);
    int generation = 0;
    int lastSeen = 0;
    constexpr int kKills = 60;
    for (int kill = 0; kill < kKills; ++kill) {
        int ready[2];
        QVERIFY(pipe(ready) == 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            // The writer: rewrites messages M1 and M7 with ever newer values until killed.
            ::close(ready[0]);
            const SettingsFile settings(path);
            const char started = 1;
            [[maybe_unused]] const ssize_t n = ::write(ready[1], &started, 1);
            for (int g = generation + 1;; ++g) {
                const QString value = QString::fromLatin1(generationValue(g));
                settings.WriteINI(QStringLiteral("MSG"),
                                  g % 2 ? QStringLiteral("M1") : QStringLiteral("M7"), value);
            }
        }
        const auto reap = qScopeGuard([&] {
            ::kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        });
        ::close(ready[1]);
        char started = 0;
        QCOMPARE(::read(ready[0], &started, 1), ssize_t(1));
        ::close(ready[0]);
        // Somewhere within the first few writes, at a different moment each time.
        sleepMicroseconds(long(random.bounded(20000)));
        QCOMPARE(::kill(child, SIGKILL), 0);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);

        const QByteArray content = testfiles::read(path);
        QCOMPARE(content.size(), base.size());
        const auto m1 = ini::lookup(content, "MSG", "M1");
        const auto m7 = ini::lookup(content, "MSG", "M7");
        QVERIFY(m1 && m7);
        const int g1 = m1->left(8).toInt();
        const int g7 = m7->left(8).toInt();
        // Whole: exactly the file those two values make, every other line untouched.
        QByteArray expected = ini::update(base, "MSG", "M1", generationValue(g1));
        expected = ini::update(expected, "MSG", "M7", generationValue(g7));
        QVERIFY2(content == expected,
                 qPrintable(QStringLiteral("torn file after kill %1").arg(kill)));
        // Never older than what an earlier kill left behind.
        const int newest = std::max(g1, g7);
        QVERIFY(newest >= lastSeen);
        lastSeen = newest;
        generation = newest;
    }
    // The writers got work done between kills; a writer that never ran would prove nothing.
    QVERIFY(lastSeen > 0);
    // What a killed writer leaves beside the file is never read as the settings.
    const QStringList leftovers =
        QDir(dir.path()).entryList(QDir::Files).filter(QStringLiteral("vantel.ini."));
    if (!leftovers.isEmpty())
        qInfo("%lld unfinished temporary files left beside vantel.ini",
              qlonglong(leftovers.size()));
    QCOMPARE(SettingsFile(path).ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort")),
             QStringLiteral("3"));
}

void SettingsFaultsTest::readOnlyAppFolderUsesConfigFolder_data()
{
    QTest::addColumn<QByteArray>("appFolderIni"); // null: none
    QTest::newRow("empty read-only folder") << QByteArray();
    QTest::newRow("read-only folder holding a settings file")
        << QByteArray("[Settings]\r\nCommPort=5\r\n");
}

void SettingsFaultsTest::readOnlyAppFolderUsesConfigFolder()
{
    QFETCH(QByteArray, appFolderIni);
    // The real program, installed in a folder its user cannot write to, started and
    // closed the way the system closes it.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString app = dir.filePath(QStringLiteral("app"));
    const QString home = dir.filePath(QStringLiteral("home"));
    QVERIFY(QDir().mkpath(app) && QDir().mkpath(home));
    const QString program = app + QStringLiteral("/vantelapp");
    QVERIFY(QFile::copy(QStringLiteral(VANTEL_APP_PATH), program));
    if (!appFolderIni.isNull())
        QVERIFY(testfiles::write(app + QStringLiteral("/vantel.ini"), appFolderIni));
    constexpr auto kOpen = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ExeOwner | QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                           QFileDevice::ReadOther | QFileDevice::ExeOther;
    constexpr auto kReadOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                               QFileDevice::ReadGroup | QFileDevice::ExeGroup |
                               QFileDevice::ReadOther | QFileDevice::ExeOther;
    QVERIFY(QFile::setPermissions(dir.path(), kOpen));
    QVERIFY(QFile::setPermissions(home, kOpen | QFileDevice::WriteGroup | QFileDevice::WriteOther));
    QVERIFY(QFile::setPermissions(app, kReadOnly));
    const auto restore = qScopeGuard([&] { QFile::setPermissions(app, kOpen); });

    // Folder permissions do not bind root: run the program as an ordinary user then.
    const bool asRoot = geteuid() == 0;
    if (!asRoot) {
        QFile probe(app + QStringLiteral("/probe"));
        if (probe.open(QIODevice::WriteOnly))
            QSKIP("this user can write into a read-only folder");
    }
    constexpr uid_t kNobody = 65534;
    QProcess process;
    process.setProgram(program);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("HOME"), home);
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("VANTEL_REPORT_SHOWN"), QStringLiteral("1"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    process.setProcessEnvironment(environment);
    if (asRoot) {
        process.setChildProcessModifier([] {
            if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
                _exit(77);
        });
    }
    process.start();
    QVERIFY(process.waitForStarted());
    QByteArray output;
    QDeadlineTimer deadline(20000);
    while (!output.contains("shown") && process.state() == QProcess::Running &&
           !deadline.hasExpired()) {
        process.waitForReadyRead(100);
        output += process.readAllStandardOutput();
    }
    if (process.state() == QProcess::NotRunning && process.exitCode() == 77)
        QSKIP("cannot switch to an ordinary user to make the folder read-only");
    QVERIFY2(output.contains("shown"), process.readAllStandardError().constData());
    process.terminate(); // SIGTERM: the window closes and saves its settings
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 0);

    const QString saved = home + QStringLiteral("/.config/vantelapp/vantel.ini");
    QVERIFY2(QFile::exists(saved), "the settings were not saved in the user's folder");
    const SettingsFile settings(saved);
    QCOMPARE(settings.ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort")),
             QStringLiteral("1"));
    QCOMPARE(settings.ReadINI(QStringLiteral("Settings"), QStringLiteral("Setting")),
             QStringLiteral("19200,n,8,1"));
    // The installed folder is as it was.
    const QStringList expectedFiles =
        appFolderIni.isNull()
            ? QStringList{QStringLiteral("vantelapp")}
            : QStringList{QStringLiteral("vantel.ini"), QStringLiteral("vantelapp")};
    QCOMPARE(QDir(app).entryList(QDir::Files, QDir::Name), expectedFiles);
    if (!appFolderIni.isNull())
        QCOMPARE(testfiles::read(app + QStringLiteral("/vantel.ini")), appFolderIni);
}

QTEST_GUILESS_MAIN(SettingsFaultsTest)
#include "tst_settingsfaults.moc"
