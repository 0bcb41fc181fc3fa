#pragma once
// The serial ports the system lists, as the serial port library sees them: their names for
// the COM order (ports/portresolver.h) and what they say of the adapter behind them.

#include <QList>
#include <QString>
#include <QStringList>

#include "ports/portresolver.h"

namespace seriallink
{

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

// The names of the system's serial ports, in the order the system gives them.
QStringList systemPortNames();

// The device COMn stands for on the running system (ports::deviceForPort with this
// system's ports).
QString deviceForPort(int portNumber);
// The same with its source, or why it stands for none (ports::resolveDevice).
ports::ResolvedPort resolveDevice(int portNumber);

// What the system knows of the adapter behind `device` (a path, symbolic links followed):
// its description, maker and serial number, one line each, where known. Empty for devices
// the system does not list, such as pseudo-terminals. Lists every serial port: 20-30 ms.
QStringList adapterDetails(const QString &device);

} // namespace seriallink
