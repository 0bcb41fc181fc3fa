#pragma once
// The files a person keeps for the program (the settings file, the port map, a glyph or
// message file, a script), read whole by one rule:
//
//   no such file                                        Missing: each reader's "empty"
//   a regular file (or a link to one) within the limit  Read
//   larger than the limit                               TooLarge
//   a directory, a FIFO, a device (a link to /dev/zero), a socket, a link to nothing, or
//   a file the system will not let us read              Refused, with the reason
//
// Only a regular file is ever opened: a FIFO would hold the program until someone writes
// to it, a device could reset what hangs on it or never end, and neither is what a person
// meant. The limit, above anything a real file of that kind reaches, keeps a wrong file (a
// disk image, a log) from filling the memory. A reader never replaces a file it could not
// read.

#include <QByteArray>
#include <QString>

namespace files
{

struct UserFile {
    enum class State { Missing, Read, TooLarge, Refused };
    State state = State::Missing;
    QByteArray content; // Read
    // Why it was not read, in words that follow "cannot read FILE: ": "no such file",
    // "is a directory", "not a regular file", "a link to a missing file", the system's own
    // words ("Permission denied"), "larger than 16 MiB".
    QString reason;

    bool isRead() const { return state == State::Read; }
};

UserFile readUserFile(const QString &path, qint64 maxBytes);

// "16 MiB", "64 KiB": a limit as a person reads it.
QString sizeText(qint64 bytes);

} // namespace files
