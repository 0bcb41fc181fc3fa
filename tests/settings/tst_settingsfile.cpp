// The settings file on disk: values survive a round trip through real files, writes never
// damage what is there, and the file's place follows the folder's writability.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "settings/settingsfile.h"
#include "testfiles.h"

namespace
{

// Permissions do not stop a privileged user (tests may run as root): check that they bind
// before relying on them.
bool folderRefusesNewFiles(const QString &folder)
{
    QFile probe(folder + QStringLiteral("/probe"));
    if (probe.open(QIODevice::WriteOnly)) {
        probe.remove();
        return false;
    }
    return true;
}

bool fileRefusesWrites(const QString &path)
{
    QFile probe(path);
    if (probe.open(QIODevice::Append))
        return false;
    return true;
}

constexpr QFileDevice::Permissions kReadOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadUser | QFileDevice::ExeUser;

} // namespace

class TestSettingsFile : public QObject
{
    Q_OBJECT

private slots:
    void shutdownWritesCreateTheFile();
    void missingThingsReadEmpty();
    void rewriteKeepsForeignLines();
    void windows1252RoundTrip();
    void valueWithLineBreaksStaysOneLine();
    void createsMissingFolder();
    void keepsFilePermissions();
    void failedWriteLeavesFileIntact_data();
    void failedWriteLeavesFileIntact();
    void settingsPathRule_data();
    void settingsPathRule();
    void installedCopyUsesTheConfigFolder();
    void appFolderHoldsTheExecutable();
};

void TestSettingsFile::shutdownWritesCreateTheFile()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SettingsFile ini(dir.filePath(QStringLiteral("vantel.ini")));

    QVERIFY(ini.write(QStringLiteral("Settings"), QStringLiteral("CommPort"), QStringLiteral("3")));
    QVERIFY(ini.write(QStringLiteral("Settings"), QStringLiteral("Setting"),
                      QStringLiteral("9600,n,8,1")));
    ini.WriteINI(QStringLiteral("LCD"), QStringLiteral("BL"), QStringLiteral("120"));

#ifdef Q_OS_WIN
    const QByteArray eol = "\r\n";
#else
    const QByteArray eol = "\n";
#endif
    QCOMPARE(testfiles::read(ini.path()), "[Settings]" + eol + "CommPort=3" + eol +
                                              "Setting=9600,n,8,1" + eol + "[LCD]" + eol +
                                              "BL=120" + eol);
    QCOMPARE(ini.ReadINI(QStringLiteral("settings"), QStringLiteral("commport")),
             QStringLiteral("3"));
    QCOMPARE(ini.ReadINI(QStringLiteral("Settings"), QStringLiteral("Setting")),
             QStringLiteral("9600,n,8,1"));
    QCOMPARE(ini.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QStringLiteral("120"));

    // A second shut-down replaces the values without adding lines.
    QVERIFY(ini.write(QStringLiteral("LCD"), QStringLiteral("BL"), QStringLiteral("7")));
    QCOMPARE(ini.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QStringLiteral("7"));
    QCOMPARE(testfiles::read(ini.path()).count('\n'), 5);
}

void TestSettingsFile::missingThingsReadEmpty()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SettingsFile ini(dir.filePath(QStringLiteral("vantel.ini")));

    QCOMPARE(ini.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QString());
    QVERIFY(!QFile::exists(ini.path())); // reading creates nothing

    QVERIFY(testfiles::write(ini.path(), "[LCD]\nBL=\n"));
    QCOMPARE(ini.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QString());
    QCOMPARE(ini.ReadINI(QStringLiteral("LCD"), QStringLiteral("X")), QString());
    QCOMPARE(ini.ReadINI(QStringLiteral("MSG"), QStringLiteral("M1")), QString());
}

void TestSettingsFile::rewriteKeepsForeignLines()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SettingsFile ini(dir.filePath(QStringLiteral("vantel.ini")));
    const QByteArray before = "; hand-edited\r\n[Settings]\r\nCommPort = 2\r\nnote\r\n"
                              "[MSG]\r\nM1=\"  Hello  \"\r\n[Other]\r\nK=V";
    QVERIFY(testfiles::write(ini.path(), before));

    QCOMPARE(ini.ReadINI(QStringLiteral("MSG"), QStringLiteral("M1")), QStringLiteral("  Hello  "));
    QVERIFY(ini.write(QStringLiteral("Settings"), QStringLiteral("CommPort"), QStringLiteral("5")));
    QVERIFY(ini.write(QStringLiteral("MSG"), QStringLiteral("M2"), QStringLiteral("Two")));
    QVERIFY(ini.write(QStringLiteral("LCD"), QStringLiteral("BL"), QStringLiteral("9")));

    QCOMPARE(
        testfiles::read(ini.path()),
        QByteArray("; hand-edited\r\n[Settings]\r\nCommPort=5\r\nnote\r\n"
                   "[MSG]\r\nM1=\"  Hello  \"\r\nM2=Two\r\n[Other]\r\nK=V\r\n[LCD]\r\nBL=9\r\n"));
}

void TestSettingsFile::windows1252RoundTrip()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SettingsFile ini(dir.filePath(QStringLiteral("vantel.ini")));

    QVERIFY(ini.write(QStringLiteral("MSG"), QStringLiteral("M1"),
                      QStringLiteral("caf\u00e9 \u20ac5")));
    QVERIFY(testfiles::read(ini.path())
                .contains("M1=caf\xE9 \x80"
                          "5"));
    QCOMPARE(ini.ReadINI(QStringLiteral("MSG"), QStringLiteral("M1")),
             QStringLiteral("caf\u00e9 \u20ac5"));

    // A character the file's character set lacks is stored as '?', as the platform does.
    QVERIFY(ini.write(QStringLiteral("MSG"), QStringLiteral("M2"), QStringLiteral("\u2713ok")));
    QCOMPARE(ini.ReadINI(QStringLiteral("MSG"), QStringLiteral("M2")), QStringLiteral("?ok"));
}

void TestSettingsFile::valueWithLineBreaksStaysOneLine()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SettingsFile ini(dir.filePath(QStringLiteral("vantel.ini")));

    QVERIFY(ini.write(QStringLiteral("MSG"), QStringLiteral("M1"),
                      QStringLiteral("line1\n[LCD]\nBL=0")));
    QCOMPARE(ini.ReadINI(QStringLiteral("MSG"), QStringLiteral("M1")),
             QStringLiteral("line1 [LCD] BL=0"));
    QCOMPARE(ini.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QString());
    QCOMPARE(testfiles::read(ini.path()).count('\n'), 2);
}

void TestSettingsFile::createsMissingFolder()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SettingsFile ini(dir.filePath(QStringLiteral("config/vantelapp/vantel.ini")));

    QVERIFY(ini.write(QStringLiteral("LCD"), QStringLiteral("BL"), QStringLiteral("1")));
    QCOMPARE(ini.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QStringLiteral("1"));
    // The replacement leaves no temporary file behind.
    QCOMPARE(QDir(dir.filePath(QStringLiteral("config/vantelapp"))).entryList(QDir::Files),
             QStringList{QStringLiteral("vantel.ini")});
}

void TestSettingsFile::keepsFilePermissions()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const SettingsFile ini(dir.filePath(QStringLiteral("vantel.ini")));
    QVERIFY(testfiles::write(ini.path(), "[LCD]\nBL=1\n"));
    // An unusual mode, so that a replacement created with default permissions shows.
    QVERIFY(QFile::setPermissions(ini.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ReadGroup |
                                                  QFileDevice::WriteGroup));
    const auto before = QFile::permissions(ini.path());

    QVERIFY(ini.write(QStringLiteral("LCD"), QStringLiteral("BL"), QStringLiteral("2")));
    QCOMPARE(QFile::permissions(ini.path()), before);
    QCOMPARE(testfiles::read(ini.path()), QByteArray("[LCD]\nBL=2\n"));
}

enum class Obstacle { ReadOnlyFolder, ReadOnlyFile, UnreadableFile, ParentIsFile, PathIsFolder };

void TestSettingsFile::failedWriteLeavesFileIntact_data()
{
    QTest::addColumn<Obstacle>("obstacle");
    QTest::newRow("read-only folder") << Obstacle::ReadOnlyFolder;
    QTest::newRow("read-only file") << Obstacle::ReadOnlyFile;
    QTest::newRow("unreadable file") << Obstacle::UnreadableFile;
    QTest::newRow("parent is a regular file") << Obstacle::ParentIsFile;
    QTest::newRow("path is a folder") << Obstacle::PathIsFolder;
}

void TestSettingsFile::failedWriteLeavesFileIntact()
{
    QFETCH(Obstacle, obstacle);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString folder = dir.filePath(QStringLiteral("app"));
    QVERIFY(QDir().mkpath(folder));
    QString path = folder + QStringLiteral("/vantel.ini");
    const QByteArray before = "[LCD]\nBL=100\n";
    QVERIFY(testfiles::write(path, before));
    const QString iniPath = path;
    const auto restorePermissions = [&] {
        QFile::setPermissions(folder, QFile::permissions(folder) | QFileDevice::WriteOwner);
        QFile::setPermissions(iniPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    };
    const auto restore = qScopeGuard(restorePermissions);

    switch (obstacle) {
    case Obstacle::ReadOnlyFolder:
        QVERIFY(QFile::setPermissions(folder, kReadOnlyFolder));
        if (!folderRefusesNewFiles(folder))
            QSKIP("folder permissions do not bind for this user (root)");
        break;
    case Obstacle::ReadOnlyFile:
        QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::ReadUser));
        if (!fileRefusesWrites(path))
            QSKIP("file permissions do not bind for this user (root)");
        break;
    case Obstacle::UnreadableFile:
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner | QFileDevice::WriteUser));
        if (QFile(path).open(QIODevice::ReadOnly))
            QSKIP("file permissions do not bind for this user (root)");
        break;
    case Obstacle::ParentIsFile:
        // The "folder" of this path is the existing settings file itself.
        {
            const SettingsFile blocked(path + QStringLiteral("/vantel.ini"));
            QVERIFY(
                !blocked.write(QStringLiteral("LCD"), QStringLiteral("BL"), QStringLiteral("5")));
            QCOMPARE(blocked.ReadINI(QStringLiteral("LCD"), QStringLiteral("BL")), QString());
        }
        QCOMPARE(testfiles::read(path), before);
        return;
    case Obstacle::PathIsFolder:
        path = folder;
        break;
    }

    const SettingsFile ini(path);
    QVERIFY(!ini.write(QStringLiteral("LCD"), QStringLiteral("BL"), QStringLiteral("5")));
    ini.WriteINI(QStringLiteral("MSG"), QStringLiteral("M1"), QStringLiteral("x"));
    restorePermissions();
    QCOMPARE(testfiles::read(iniPath), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("vantel.ini")});
}

void TestSettingsFile::settingsPathRule_data()
{
    QTest::addColumn<QString>("appSubfolder"); // below the temporary folder; empty: none given
    QTest::addColumn<bool>("appFolderReadOnly");
    QTest::addColumn<bool>("iniInAppFolder");
    QTest::addColumn<bool>("configGiven");
    QTest::addColumn<bool>("expectAppFolder");

    QTest::newRow("writable application folder")
        << QStringLiteral("app/") << false << false << true << true;
    QTest::newRow("folder without trailing separator")
        << QStringLiteral("app") << false << false << true << true;
    QTest::newRow("missing application folder")
        << QStringLiteral("gone/") << false << false << true << false;
    QTest::newRow("application folder is a file")
        << QStringLiteral("file/") << false << false << true << false;
    QTest::newRow("read-only application folder")
        << QStringLiteral("app/") << true << false << true << false;
    QTest::newRow("read-only folder with writable ini")
        << QStringLiteral("app/") << true << true << true << false;
    QTest::newRow("no configuration folder known")
        << QStringLiteral("gone/") << false << false << false << true;
}

void TestSettingsFile::settingsPathRule()
{
    QFETCH(QString, appSubfolder);
    QFETCH(bool, appFolderReadOnly);
    QFETCH(bool, iniInAppFolder);
    QFETCH(bool, configGiven);
    QFETCH(bool, expectAppFolder);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString root = dir.path() + QLatin1Char('/');
    QVERIFY(QDir().mkpath(root + QStringLiteral("app")));
    QVERIFY(testfiles::write(root + QStringLiteral("file"), "x"));
    if (iniInAppFolder)
        QVERIFY(testfiles::write(root + QStringLiteral("app/vantel.ini"), "[LCD]\nBL=1\n"));
    const QString app = root + QStringLiteral("app");
    const auto restore = qScopeGuard(
        [&] { QFile::setPermissions(app, QFile::permissions(app) | QFileDevice::WriteOwner); });
    if (appFolderReadOnly) {
        QVERIFY(QFile::setPermissions(app, kReadOnlyFolder));
        if (!folderRefusesNewFiles(app))
            QSKIP("folder permissions do not bind for this user (root)");
    }
    const QString config = configGiven ? root + QStringLiteral("config") : QString();

    const QString chosen = settingsPathFor(root + appSubfolder, config);

    QString appFolder = root + appSubfolder;
    if (!appFolder.endsWith(QLatin1Char('/')))
        appFolder += QLatin1Char('/');
    const QString expected = expectAppFolder ? appFolder + QStringLiteral("vantel.ini")
                                             : root + QStringLiteral("config/vantelapp/vantel.ini");
    QCOMPARE(chosen, expected);
}

void TestSettingsFile::installedCopyUsesTheConfigFolder()
{
    // Installed beside its desktop entry: even a writable bin folder (root's) is not used.
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString prefix = dir.path() + QStringLiteral("/prefix");
    QVERIFY(QDir().mkpath(prefix + QStringLiteral("/bin")));
    QVERIFY(QDir().mkpath(prefix + QStringLiteral("/share/applications")));
    const QString config = dir.path() + QStringLiteral("/config");
    QCOMPARE(settingsPathFor(prefix + QStringLiteral("/bin"), config),
             prefix + QStringLiteral("/bin/vantel.ini"));
    QVERIFY(testfiles::write(
        prefix + QStringLiteral("/share/applications/org.vantelapp.VantelApp.desktop"), "x"));
    QCOMPARE(settingsPathFor(prefix + QStringLiteral("/bin"), config),
             config + QStringLiteral("/vantelapp/vantel.ini"));
    QVERIFY(isInstalledFolder(QStringLiteral("/usr/bin")));
    QVERIFY(isInstalledFolder(QStringLiteral("/usr/local/bin/")));
    QVERIFY(!isInstalledFolder(dir.path()));
#ifdef Q_OS_WIN
    // Under Program Files, or wherever the installer left its uninstaller.
    QVERIFY(
        isInstalledFolder(qEnvironmentVariable("ProgramFiles") + QStringLiteral("\\VantelApp")));
    const QString tools = dir.path() + QStringLiteral("/tools");
    QVERIFY(QDir().mkpath(tools));
    QCOMPARE(settingsPathFor(tools, config), tools + QStringLiteral("/vantel.ini"));
    QVERIFY(testfiles::write(tools + QStringLiteral("/uninstall.exe"), "MZ"));
    QCOMPARE(settingsPathFor(tools, config), config + QStringLiteral("/vantelapp/vantel.ini"));
#endif
}

void TestSettingsFile::appFolderHoldsTheExecutable()
{
    const QString folder = AppFolder();
    QVERIFY(folder.endsWith(QLatin1Char('/')));
    QVERIFY(!folder.endsWith(QStringLiteral("//")));
    const QString executable = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    QVERIFY(QFileInfo::exists(folder + executable));
    QCOMPARE(QFileInfo(defaultSettingsPath()).fileName(), QStringLiteral("vantel.ini"));
}

QTEST_GUILESS_MAIN(TestSettingsFile)
#include "tst_settingsfile.moc"
