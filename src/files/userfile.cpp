#include "files/userfile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace files
{

namespace
{

UserFile refused(UserFile::State state, const QString &reason)
{
    UserFile file;
    file.state = state;
    file.reason = reason;
    return file;
}

// Opens what was looked at: on Unix without waiting (a FIFO put there since the look would
// otherwise block the open), and looked at again once open, so nothing but a regular file
// is read.
bool openRegular(QFile &file, const QString &path, QString *why)
{
#ifdef Q_OS_UNIX
    const int fd =
        ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        *why = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    struct stat info {
    };
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *why = QStringLiteral("not a regular file");
        return false;
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *why = file.errorString();
        return false;
    }
    return true;
#else
    Q_UNUSED(path); // the file knows its name
    if (!file.open(QIODevice::ReadOnly)) {
        *why = file.errorString();
        return false;
    }
    return true;
#endif
}

} // namespace

QString sizeText(qint64 bytes)
{
    if (bytes >= 1024 * 1024 && bytes % (1024 * 1024) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (1024 * 1024));
    if (bytes >= 1024 && bytes % 1024 == 0)
        return QStringLiteral("%1 KiB").arg(bytes / 1024);
    return QStringLiteral("%1 bytes").arg(bytes);
}

UserFile readUserFile(const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        if (info.isSymLink())
            return refused(UserFile::State::Refused, QStringLiteral("a link to a missing file"));
        return refused(UserFile::State::Missing, QStringLiteral("no such file"));
    }
    if (info.isDir())
        return refused(UserFile::State::Refused, QStringLiteral("is a directory"));
    if (!info.isFile())
        return refused(UserFile::State::Refused, QStringLiteral("not a regular file"));
    if (info.size() > maxBytes)
        return refused(UserFile::State::TooLarge,
                       QStringLiteral("larger than %1").arg(sizeText(maxBytes)));
    QFile file(path);
    if (QString why; !openRegular(file, path, &why))
        return refused(UserFile::State::Refused, why);
    // A file that grew since it was looked at is still read no further than the limit.
    UserFile read;
    read.content = file.read(maxBytes + 1);
    if (file.error() != QFileDevice::NoError)
        return refused(UserFile::State::Refused, file.errorString());
    if (read.content.size() > maxBytes)
        return refused(UserFile::State::TooLarge,
                       QStringLiteral("larger than %1").arg(sizeText(maxBytes)));
    read.state = UserFile::State::Read;
    return read;
}

} // namespace files
