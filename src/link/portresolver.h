#pragma once
// How a COM port number becomes a device the program can open.
//
// 1. VANTEL_COM<n> in the environment names the device for COMn when set and not empty:
//    any path works, such as /dev/ttyUSB0, /dev/serial/by-id/..., or a pseudo-terminal.
// 2. Otherwise the user's port map (link/portmap.h) names it, when it has a line for COMn.
// 3. Otherwise, on Linux, the system's serial ports are put in a fixed order, USB adapters
//    first (ttyUSB0, ttyUSB1, ..., then ttyACM0, ...), then every other port in natural
//    order (ttyS0, ttyS1, ...); COM1 is the first of that list, COM2 the second, and so on.
// 4. On Windows COMn is the device itself.
// A number below 1, or one with no device, resolves to an empty name.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include "link/portmap.h"

namespace ports
{

// The system's port names (as QSerialPortInfo gives them) in COM order.
QStringList orderedSystemPorts(QStringList portNames);

QString deviceForPort(int portNumber, const QProcessEnvironment &environment,
                      const QStringList &systemPorts);

// The same for the running system: its environment, the user's port map and its serial ports.
QString deviceForPort(int portNumber);

// Where a port's device came from, for a person choosing one.
enum class DeviceSource { None, Environment, Map, SystemOrder };
struct ResolvedPort {
    QString device; // empty: the port stands for nothing
    DeviceSource source = DeviceSource::None;
};

ResolvedPort resolvePort(int portNumber, const QProcessEnvironment &environment, const PortMap &map,
                         const QStringList &systemPorts);

// A serial port the system lists, and what it says of the adapter behind it.
struct SystemPort {
    QString portName; // ttyUSB0, COM3
    QString device;   // /dev/ttyUSB0, COM3: what a port is opened by
    QString description;
    QString maker;
    QString serialNumber;
};

// The system's serial ports, in the order COM numbers follow them. Lists every port: 20-30 ms.
QList<SystemPort> systemPorts();

// What the system knows of the adapter behind `device` (a path, symbolic links followed):
// its description, maker and serial number, one line each, where known. Empty for devices
// the system does not list, such as pseudo-terminals. Lists every serial port: 20-30 ms.
QStringList adapterDetails(const QString &device);

} // namespace ports
