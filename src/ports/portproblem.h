#pragma once
// Why a serial device could not be opened, in a few words a user can act on. The window
// shows it beside Connect after "Com Error!", the command-line tool prints it.
//
//   no device for COMn        the port number names no device at all
//   no such device            the path does not exist (adapter unplugged, wrong name)
//   held by another program   it exists and may be opened, but a lock or an exclusive
//                             open by someone else stands in the way
//   no permission             the user may not open it; the fix names the group that
//                             owns the device: join it, then log in again
//   not a serial device       a regular file, a folder, /dev/null: nothing a line runs to
//
// and for network ports (rfc2217:// and socket://):
//
//   connection refused by HOST:PORT               nothing listens there
//   no such host HOST                             the name does not resolve
//   network unreachable                           no route to any network (no network at all)
//   no route to HOST                              the network is there, the host is not
//   no answer from HOST:PORT within 5 s           no connection, or a server that stays silent
//   the server does not let the line speed be set it refuses COM-PORT-OPTION or answers
//                                                 another speed: never used at a wrong speed
//   the server ...                                it said no in its own way (ServerRefused):
//                                                 "closed the connection: Port already in use",
//                                                 "does not pass 8-bit data", "set parity to even"

#include <QString>

#include "ports/portaddress.h"

namespace ports
{

struct OpenProblem {
    enum class Kind {
        NoDevice,
        NotFound,
        NotSerial,
        Held,
        NoPermission,
        Other,
        ConnectionRefused,
        NoSuchHost,
        NoAnswer,
        NetworkUnreachable,
        HostUnreachable,
        LineNotSettable,
        ServerRefused, // detail: what the server did or said
    };
    Kind kind = Kind::Other;
    QString device;
    QString where;  // network problems: HOST:PORT (NoSuchHost, HostUnreachable: HOST)
    QString group;  // NoPermission: the device's group, when the system names it
    QString detail; // Other: the system's own words; ServerRefused: the server's;
                    // NoAnswer: a hint, in brackets after it

    // One short line: "no such device", "held by another program", ...
    QString summary() const;
    // The summary and, for a permission problem, what to do about it.
    QString advice() const;

    // A network port's problem, placed as its kind needs: the host alone for a name that
    // does not resolve or a host out of reach, HOST:PORT for everything else.
    static OpenProblem onNetwork(Kind kind, const QString &device, const NetworkAddress &address,
                                 const QString &detail = {});
};

// What a failed open of a local device reported, in the terms every line shares.
enum class OpenError {
    NotFound, // no such device
    Refused,  // a permission error: no permission, a lock file or an exclusive open
    Other,
};

// `error` is what the failed open reported; the device is looked at again to tell a lock
// from a permission problem, since both arrive as a permission error.
OpenProblem explainOpenFailure(const QString &device, OpenError error, const QString &errorString);

} // namespace ports
