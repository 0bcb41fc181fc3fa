#pragma once
// How a COM port number becomes a device the program can open.
//
// 1. VANTEL_COM<n> in the environment names the device for COMn when set and not empty:
//    any path works, such as /dev/ttyUSB0, /dev/serial/by-id/..., or a pseudo-terminal.
// 2. Otherwise the user's port map (ports/portmap.h) names it, when it has a line for COMn.
//    A map that cannot be read names no device for any port: which one it meant is not
//    known, and the next port in the system's order may be another device altogether.
// 3. Otherwise, on Linux, the system's serial ports are put in a fixed order, USB adapters
//    first (ttyUSB0, ttyUSB1, ..., then ttyACM0, ...), then every other port in natural
//    order (ttyS0, ttyS1, ...); COM1 is the first of that list, COM2 the second, and so on.
// 4. On Windows COMn is the port itself when the system lists it, opened as \\.\COMn: the
//    one name every port answers to (COM10 and above have no other). A port the environment
//    or the map names as COMm, in any case, is opened the same way.
// A number below 1, or one with no device, resolves to an empty name. A name holding a
// control character (ports/devicename.h), in the environment or the map, is refused: the
// port then stands for no device, and the resolution says why.

#include <functional>

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "ports/portmap.h"

namespace ports
{

// Which of the rules in 3. and 4. above names the system's ports. Each can be asked for on
// any system; the running one's is the default.
enum class SystemNaming { Linux, Windows };
#ifdef Q_OS_WIN
constexpr SystemNaming kSystemNaming = SystemNaming::Windows;
#else
constexpr SystemNaming kSystemNaming = SystemNaming::Linux;
#endif

// The system's port names (ttyUSB0, ttyS0, COM3) in COM order.
QStringList orderedSystemPorts(QStringList portNames);

// "COM12" or "com3" as the device Windows opens it by (\\.\COM12); any other name as it stands.
QString windowsDeviceName(const QString &name);

// Where a port's device came from, for a person choosing one.
enum class DeviceSource { None, Environment, Map, SystemOrder };
struct ResolvedPort {
    QString device; // empty: the port stands for nothing
    DeviceSource source = DeviceSource::None;
    // Why it stands for nothing, when something stood in the way: "the port map PATH cannot
    // be read: ...", "VANTEL_COM3: 'a\x01' holds the control character \x01".
    QString problem;
};

ResolvedPort resolvePort(int portNumber, const QProcessEnvironment &environment, const PortMap &map,
                         const QStringList &systemPorts, SystemNaming naming = kSystemNaming);
// The same with the map as its file was read (loadPortMap).
ResolvedPort resolvePortFromFile(int portNumber, const QProcessEnvironment &environment,
                                 const LoadedPortMap &map, const QStringList &systemPorts,
                                 SystemNaming naming = kSystemNaming);

// The system's serial port names, in any order. Asked for only when needed: listing them
// can take tens of milliseconds.
using SystemPortLister = std::function<QStringList()>;

// What COMn stands for on the running system: its environment, the user's port map, then
// its serial ports as `listSystemPorts` gives them (not asked when the first two decide).
ResolvedPort resolveDevice(int portNumber, const SystemPortLister &listSystemPorts);
// Its device alone.
QString deviceForPort(int portNumber, const SystemPortLister &listSystemPorts);

} // namespace ports
