#pragma once
// The per-user port map: which device or network address a COM port stands for, kept in
// the user's configuration folder ($XDG_CONFIG_HOME/vantelapp/ports.conf, by default
// ~/.config/vantelapp/ports.conf), never in the program's settings file. The window's
// "Port Devices" dialog writes it; the window and vantelctl read it (ports/portresolver.h).
//
// The file is plain UTF-8 text, one port a line:
//
//     # the adapter on the bench
//     COM1 = /dev/serial/by-id/usb-FTDI_FT232R_A1B2C3-if00-port0
//     COM3 = socket://lab-pi:4001
//
// A name is COM1 to COM9999 as ports/comname.h reads it (COM01 is none); the device runs
// from the first '=' to the end of the line, spaces around it trimmed. A port named twice is
// its first device's; a line such as "COM9 = " names no device and puts nothing in the map.
// A device holding a control character (ports/devicename.h) is refused: the port then
// stands for no device, with the line's number and why. Blank lines, '#' comments and lines
// that are neither (a typo) are kept as they stand when the map is saved, so a person's
// notes survive the dialog; only the lines of the ports it changes move.

#include <optional>

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

namespace ports
{

// COM number to device; an empty device in a set of changes removes the port's line.
using PortMap = QMap<int, QString>;

struct ParsedPortMap {
    PortMap devices;
    QList<int> malformedLines; // 1-based numbers of the lines that name no port
    QList<int> noDeviceLines;  // and of those that name a port but no device ("COM9 = ")
    // Ports whose line names a device no port can have: "line 2: 'a\x00b' holds ...".
    QMap<int, QString> refused;
};

ParsedPortMap parsePortMap(const QByteArray &text);

// `text` with `changes` applied: a port's first line, one that names no device included,
// takes its new device (later lines of the same port go), a port not yet named is added at
// the end, an empty device removes the port's lines. Every other line stays byte for byte.
QByteArray updatePortMap(const QByteArray &text, const PortMap &changes);

// The running user's map file.
QString portMapPath();

struct LoadedPortMap {
    enum class State { Missing, Read, Unreadable };
    State state = State::Missing;
    PortMap devices;
    QList<int> malformedLines;
    QList<int> noDeviceLines;
    QMap<int, QString> refused;
    QString problem; // why an Unreadable file could not be read: "PATH cannot be read: ..."
};

// A missing file is an empty map. A file that cannot be read, is no regular file or is far
// larger than any map is Unreadable (files/userfile.h): the map is then empty, it names no
// device for any port, and the file is never replaced.
LoadedPortMap loadPortMap(const QString &path);

// Applies `changes` to the file at `path` (made, with its folder, when missing) and
// replaces it whole or not at all. Returns why it could not, or nothing on success. A file
// that cannot be read is left alone, as is a device that would span lines or holds another
// control character.
std::optional<QString> savePortMap(const QString &path, const PortMap &changes);

} // namespace ports
