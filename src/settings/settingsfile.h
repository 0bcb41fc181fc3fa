#pragma once
// The settings file "vantel.ini": ReadINI, WriteINI and AppFolder. Every call opens, reads
// or updates, and closes the file by itself; nothing is cached between calls.
//
// A write never leaves a torn file: the new content goes to a temporary file in the same
// folder, which then replaces the old one in one rename. A failed write is silent and
// leaves the old file as it was.
//
// The file is read by the rule of every file a person keeps (files/userfile.h), up to
// kLargestFile: a FIFO, a device, a folder or a huge file there reads as no settings at
// all (every value empty, so the program starts with its defaults), and is never replaced.

#include <optional>

#include <QByteArray>
#include <QString>

// The folder of the running executable, ending with exactly one separator.
QString AppFolder();

// Where vantel.ini lives: the application folder when it is writable and not an installed
// program folder (see isInstalledFolder); otherwise the per-user
// configuration folder (~/.config/vantelapp/vantel.ini on Linux, the user's local
// application-data folder on Windows), created by the first write.
// A writable vantel.ini in a read-only folder does not count: the file is replaced by a
// rename, which the folder has to allow.
QString defaultSettingsPath();
// The same rule for a given application folder and configuration folder (the
// GenericConfigLocation); with no configuration folder the application folder is used.
QString settingsPathFor(const QString &appFolder, const QString &configFolder);
// True for a folder the program was installed into: under /usr or /opt, or with the
// program's desktop entry in ../share/applications; on Windows also under Program Files, or
// with the installer's uninstall.exe beside the program.
bool isInstalledFolder(const QString &appFolder);

// The file read once, for many lookups (the glyph table's 64 keys, the twenty messages);
// each lookup reads as SettingsFile's own.
class SettingsSnapshot
{
public:
    // Content read from somewhere else (a script's own files); nothing: it could not be.
    explicit SettingsSnapshot(std::optional<QByteArray> content, QString problem = {});

    bool isReadable() const { return m_content.has_value(); }
    // Why it could not be read: "PATH cannot be read: not a regular file"; empty otherwise.
    const QString &problem() const { return m_problem; }

    QString ReadINI(const QString &section, const QString &key) const;
    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;

private:
    std::optional<QByteArray> m_content;
    QString m_problem;
};

class SettingsFile
{
public:
    // Far above any settings file the program writes (a few kilobytes), and above files
    // people keep their own notes in.
    static constexpr qint64 kLargestFile = 16 * 1024 * 1024;

    explicit SettingsFile(QString path);

    // The whole file, read once; a missing file reads as empty.
    SettingsSnapshot read() const;

    const QString &path() const { return m_path; }

    // The value as text, or "" when the file, section or key is missing or empty.
    QString ReadINI(const QString &section, const QString &key) const;
    // False also when the file cannot be read. A key present with an empty value is there.
    bool hasSection(const QString &section) const;
    bool hasKey(const QString &section, const QString &key) const;
    void WriteINI(const QString &section, const QString &key, const QString &value) const;
    // The same write, telling whether the file now holds the value. A missing folder is
    // created. An existing file that cannot be read or is read-only is left alone (false),
    // as are names that could not be read back (see ini::isValidSection, ini::isValidKey).
    bool write(const QString &section, const QString &key, const QString &value) const;

private:
    QString m_path;
};
