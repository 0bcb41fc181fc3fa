#pragma once
// The settings file "vantel.ini": ReadINI, WriteINI and AppFolder. Every call opens, reads
// or updates, and closes the file by itself; nothing is cached between calls.
//
// A write never leaves a torn file: the new content goes to a temporary file in the same
// folder, which then replaces the old one in one rename. A failed write is silent and
// leaves the old file as it was.

#include <QString>

// The folder of the running executable, ending with exactly one separator.
QString AppFolder();

// Where vantel.ini lives: the application folder when it is writable and not an installed
// program folder (see isInstalledFolder); otherwise the per-user
// configuration folder (~/.config/vantelapp/vantel.ini on Linux), created by the first write.
// A writable vantel.ini in a read-only folder does not count: the file is replaced by a
// rename, which the folder has to allow.
QString defaultSettingsPath();
// The same rule for a given application folder and configuration folder (the
// GenericConfigLocation); with no configuration folder the application folder is used.
QString settingsPathFor(const QString &appFolder, const QString &configFolder);
// True for a folder the program was installed into: under /usr or /opt, or with the
// program's desktop entry in ../share/applications.
bool isInstalledFolder(const QString &appFolder);

class SettingsFile
{
public:
    explicit SettingsFile(QString path);

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
