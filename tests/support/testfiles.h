#pragma once
// Files a test lays out before the program reads them, and reads back after it wrote them.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

#include <cstdio>

namespace testfiles
{

// Writes `bytes` to `path`, making its folder first; false when any of it fails.
inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && file.open(QIODevice::WriteOnly) &&
           file.write(bytes) == bytes.size();
}

// The whole file, or "<unreadable>" so that a comparison shows why it failed.
inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

// Points the link at `target` in one step, as udev re-points a by-id link: it never dangles.
inline bool pointLink(const QString &link, const QString &target)
{
    const QString fresh = link + QStringLiteral(".new");
    QFile::remove(fresh);
    return QFile::link(target, fresh) && std::rename(qPrintable(fresh), qPrintable(link)) == 0;
}

} // namespace testfiles
