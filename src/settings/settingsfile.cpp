#include "settings/settingsfile.h"

#include <optional>
#include <utility>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#include "encoding/win1252.h"
#include "files/userfile.h"
#include "settings/inifile.h"

namespace
{

constexpr QLatin1StringView kFileName("vantel.ini");
constexpr QLatin1StringView kConfigSubfolder("vantelapp");

// Nothing: the file could not be read (`problem` says why). An absent file reads as empty.
std::optional<QByteArray> readContent(const QString &path, QString *problem = nullptr)
{
    files::UserFile file = files::readUserFile(path, SettingsFile::kLargestFile);
    switch (file.state) {
    case files::UserFile::State::Missing:
        return QByteArray();
    case files::UserFile::State::Read:
        return std::move(file.content);
    case files::UserFile::State::TooLarge:
    case files::UserFile::State::Refused:
        break;
    }
    if (problem)
        *problem = QStringLiteral("%1 cannot be read: %2").arg(path, file.reason);
    return std::nullopt;
}

} // namespace

QString AppFolder()
{
    QString folder = QCoreApplication::applicationDirPath();
    if (folder.isEmpty())
        return folder;
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    return folder + QLatin1Char('/');
}

bool isInstalledFolder(const QString &appFolder)
{
    // An installed copy shares its folder with other programs (/usr/bin, or root's writable
    // /usr/local/bin) and has its desktop entry beside it; a settings file does not belong
    // there even when the folder happens to be writable.
    const QString folder = QDir::cleanPath(appFolder);
    if (folder.startsWith(QLatin1String("/usr/")) || folder.startsWith(QLatin1String("/opt/")) ||
        folder == QLatin1String("/bin"))
        return true;
#ifdef Q_OS_WIN
    // On Windows: under Program Files (which an administrator may write to), or wherever
    // the installer put the program, as its uninstaller beside it shows; the portable zip
    // has none.
    for (const char *variable : {"ProgramFiles", "ProgramW6432", "ProgramFiles(x86)"}) {
        const QString programs =
            QDir::cleanPath(QDir::fromNativeSeparators(QString::fromLocal8Bit(qgetenv(variable))));
        if (programs.size() > 1 && folder.startsWith(programs + u'/', Qt::CaseInsensitive))
            return true;
    }
    if (QFileInfo::exists(folder + QLatin1String("/uninstall.exe")))
        return true;
#endif
    return QFileInfo::exists(
        folder + QLatin1String("/../share/applications/org.vantelapp.VantelApp.desktop"));
}

QString settingsPathFor(const QString &appFolder, const QString &configFolder)
{
    QString folder = appFolder;
    if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');
    // The file is replaced by a rename, which needs the folder itself to be writable; a
    // writable file in a read-only folder is not enough.
    const QFileInfo appDir(folder);
    const bool appWritable = !folder.isEmpty() && appDir.isDir() && appDir.isWritable();
    if ((appWritable && !isInstalledFolder(folder)) || configFolder.isEmpty())
        return folder + kFileName;
    return QDir::cleanPath(configFolder + QLatin1Char('/') + kConfigSubfolder) + QLatin1Char('/') +
           kFileName;
}

QString defaultSettingsPath()
{
    return settingsPathFor(AppFolder(),
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
}

SettingsSnapshot::SettingsSnapshot(std::optional<QByteArray> content, QString problem)
    : m_content(std::move(content)), m_problem(std::move(problem))
{
}

QString SettingsSnapshot::ReadINI(const QString &section, const QString &key) const
{
    if (!m_content)
        return QString();
    const auto value =
        ini::lookup(*m_content, win1252::fromUnicode(section), win1252::fromUnicode(key));
    return value ? win1252::toUnicode(*value) : QString();
}

bool SettingsSnapshot::hasSection(const QString &section) const
{
    return m_content && ini::hasSection(*m_content, win1252::fromUnicode(section));
}

bool SettingsSnapshot::hasKey(const QString &section, const QString &key) const
{
    return m_content &&
           ini::lookup(*m_content, win1252::fromUnicode(section), win1252::fromUnicode(key));
}

SettingsFile::SettingsFile(QString path) : m_path(std::move(path)) {}

SettingsSnapshot SettingsFile::read() const
{
    QString problem;
    std::optional<QByteArray> content = readContent(m_path, &problem);
    return SettingsSnapshot(std::move(content), std::move(problem));
}

QString SettingsFile::ReadINI(const QString &section, const QString &key) const
{
    return read().ReadINI(section, key);
}

bool SettingsFile::hasSection(const QString &section) const
{
    return read().hasSection(section);
}

bool SettingsFile::hasKey(const QString &section, const QString &key) const
{
    return read().hasKey(section, key);
}

void SettingsFile::WriteINI(const QString &section, const QString &key, const QString &value) const
{
    write(section, key, value);
}

bool SettingsFile::write(const QString &section, const QString &key, const QString &value) const
{
    const QByteArray sectionBytes = win1252::fromUnicode(section);
    const QByteArray keyBytes = win1252::fromUnicode(key);
    if (!ini::isValidSection(sectionBytes) || !ini::isValidKey(keyBytes))
        return false;
    // An unreadable file must not be replaced by one holding only the new value.
    const auto content = readContent(m_path);
    if (!content)
        return false;
    const QFileInfo info(m_path);
    // Replacing the file by rename would get past its read-only flag; honour the flag.
    if (info.exists() && !info.isWritable())
        return false;
    const QByteArray updated =
        ini::update(*content, sectionBytes, keyBytes, win1252::fromUnicode(value));
    if (info.exists() && updated == *content)
        return true;
    if (!QDir().mkpath(info.absolutePath()))
        return false;
    // QSaveFile writes a temporary file beside the old one and renames it over it on commit,
    // so a crash or a full disk leaves the old file whole.
    QSaveFile file(m_path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    if (file.write(updated) != updated.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}
