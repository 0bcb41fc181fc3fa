// Every file a person keeps for the program met as something that is no such file: the
// settings file, the port map, a glyph file and a script refuse it alike, in words, without
// waiting on it or reading it whole, and never replace it; the real window starts beside it
// with its defaults and leaves it as it was.
#include "ports/portmap.h"
#include "script/parser.h"
#include "settings/settingsfile.h"
#include "testfiles.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace
{

constexpr uid_t kNobody = 65534;
constexpr auto kEveryone = QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                           QFileDevice::ExeOwner | QFileDevice::ReadGroup |
                           QFileDevice::WriteGroup | QFileDevice::ExeGroup |
                           QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;

bool make(const QString &kind, const QString &path)
{
    if (kind == QLatin1String("regular"))
        return testfiles::write(path, "# kept as it is\n");
    if (kind == QLatin1String("directory"))
        return QDir().mkpath(path);
    if (kind == QLatin1String("FIFO"))
        return ::mkfifo(QFile::encodeName(path).constData(), 0644) == 0;
    if (kind == QLatin1String("/dev/zero link"))
        return QFile::link(QStringLiteral("/dev/zero"), path);
    if (kind == QLatin1String("dangling link"))
        return QFile::link(path + QStringLiteral(".gone"), path);
    if (kind == QLatin1String("unreadable"))
        return testfiles::write(path, "[Settings]\nCommPort=3\n") &&
               QFile::setPermissions(path, QFileDevice::Permissions());
    // Sparse: larger than any of the readers' limits, without writing 16 MiB.
    QFile file(path);
    return file.open(QIODevice::WriteOnly) &&
           file.resize(SettingsFile::kLargestFile + script::kLargestScript + 1);
}

// What is at `path`, to see it was left as it was.
QByteArray stateOf(const QString &path)
{
    const QFileInfo info(path);
    if (info.isSymLink())
        return "link to " + info.symLinkTarget().toUtf8();
    if (!info.isFile())
        return info.isDir() ? "directory" : "special";
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    return QByteArray::number(info.size()) + " " + QByteArray::number(int(info.permissions())) +
           (file.open(QIODevice::ReadOnly) && hash.addData(&file) ? hash.result().toHex() : "");
}

// Runs `check` as an ordinary user when this one is root, whom permissions do not bind.
template <typename Check> void asOrdinaryUser(Check check)
{
    if (geteuid() != 0)
        return check();
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
            _exit(77);
        check();
        _exit(QTest::currentTestFailed() ? 1 : 0);
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY(WIFEXITED(status));
    QCOMPARE(WEXITSTATUS(status), 0);
}

} // namespace

class FileKindsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void everyReaderMeetsAFileKindAlike_data();
    void everyReaderMeetsAFileKindAlike();
    void theWindowStartsBesideIt_data() { everyReaderMeetsAFileKindAlike_data(); }
    void theWindowStartsBesideIt();

private:
    void checkReaders(const QString &path, const QString &reason);

    QTemporaryDir m_app; // the program and its vantel.ini
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_path;
};

void FileKindsTest::initTestCase()
{
    QVERIFY(m_app.isValid());
    QVERIFY(
        QFile::copy(QStringLiteral(VANTEL_APP_PATH), m_app.filePath(QStringLiteral("vantelapp"))));
    // An ordinary user runs the program and reads the files there.
    QVERIFY(QFile::setPermissions(m_app.path(), kEveryone));
}

void FileKindsTest::init()
{
    QFile::remove(m_app.filePath(QStringLiteral("vantel.ini")));
    QDir(m_app.filePath(QStringLiteral("vantel.ini"))).removeRecursively();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid() && QFile::setPermissions(m_dir->path(), kEveryone));
    m_path = m_dir->filePath(QStringLiteral("file"));
}

void FileKindsTest::everyReaderMeetsAFileKindAlike_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason"); // empty: read
    QTest::newRow("regular") << "regular"
                             << "";
    QTest::newRow("directory") << "directory"
                               << "is a directory";
    QTest::newRow("FIFO") << "FIFO"
                          << "not a regular file";
    QTest::newRow("/dev/zero link") << "/dev/zero link"
                                    << "not a regular file";
    QTest::newRow("dangling link") << "dangling link"
                                   << "a link to a missing file";
    QTest::newRow("unreadable") << "unreadable"
                                << "Permission denied";
    QTest::newRow("oversized") << "oversized"
                               << "larger than";
}

void FileKindsTest::checkReaders(const QString &path, const QString &reason)
{
    const QByteArray before = stateOf(path);
    const bool read = reason.isEmpty();

    const SettingsFile settings(path);
    const SettingsSnapshot saved = settings.read();
    QCOMPARE(saved.isReadable(), read);
    QVERIFY2(saved.problem().contains(reason), qPrintable(saved.problem()));

    const ports::LoadedPortMap map = ports::loadPortMap(path);
    QCOMPARE(map.state == ports::LoadedPortMap::State::Read, read);
    QVERIFY2(map.problem.contains(reason), qPrintable(map.problem));

    script::Parser glyphs({QString(), {}});
    QVERIFY(!glyphs.addCommand({QStringLiteral("glyphs"), path}));
    QVERIFY2(glyphs.error().contains(read ? QStringLiteral("has no [UDC] section") : reason),
             qPrintable(glyphs.error()));

    script::Parser play({QString(), {}});
    QCOMPARE(play.addCommand({QStringLiteral("play"), path}), read);
    QVERIFY2(play.error().contains(reason), qPrintable(play.error()));

    if (!read) {
        QVERIFY(!settings.write(QStringLiteral("Settings"), QStringLiteral("CommPort"),
                                QStringLiteral("3")));
        QVERIFY(ports::savePortMap(path, {{1, QStringLiteral("/dev/ttyS0")}}).has_value());
    }
    QCOMPARE(stateOf(path), before);
}

void FileKindsTest::everyReaderMeetsAFileKindAlike()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QVERIFY(make(kind, m_path));
    if (kind == QLatin1String("unreadable"))
        asOrdinaryUser([&] { checkReaders(m_path, reason); });
    else
        checkReaders(m_path, reason);
}

void FileKindsTest::theWindowStartsBesideIt()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    const QString ini = m_app.filePath(QStringLiteral("vantel.ini"));
    QVERIFY(make(kind, ini));
    const QByteArray before = stateOf(ini);

    QProcess window;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir->path());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("VANTEL_REPORT_SHOWN"), QStringLiteral("1"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    window.setProcessEnvironment(environment);
    if (kind == QLatin1String("unreadable") && geteuid() == 0)
        window.setChildProcessModifier([] {
            if (setgid(kNobody) != 0 || setuid(kNobody) != 0)
                _exit(77);
        });
    window.start(m_app.filePath(QStringLiteral("vantelapp")), {});
    QVERIFY(window.waitForStarted());
    QByteArray output;
    const QDeadlineTimer deadline(20000);
    while (!output.contains("shown") && window.state() == QProcess::Running &&
           !deadline.hasExpired()) {
        window.waitForReadyRead(100);
        output += window.readAllStandardOutput();
    }
    QVERIFY(output.contains("shown"));
    window.terminate(); // closes the window, which saves its settings
    QVERIFY(window.waitForFinished(20000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    if (reason.isEmpty()) {
        QVERIFY(testfiles::read(ini).startsWith("# kept as it is\n[Settings]"));
    } else {
        QCOMPARE(stateOf(ini), before);
        const QByteArray said = window.readAllStandardError();
        QVERIFY2(said.contains(reason.toUtf8()), said.constData());
    }
}

QTEST_GUILESS_MAIN(FileKindsTest)
#include "tst_filekinds.moc"
