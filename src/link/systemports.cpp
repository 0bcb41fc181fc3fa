#include "link/systemports.h"

#include <algorithm>

#include <QFileInfo>
#include <QSerialPortInfo>

namespace seriallink
{

QList<SystemPort> systemPorts()
{
    QList<SystemPort> found;
    QStringList names;
    const auto infos = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : infos) {
        found.append({info.portName(), info.systemLocation(), info.description(),
                      info.manufacturer(), info.serialNumber()});
        names << info.portName();
    }
    const QStringList order = ports::orderedSystemPorts(names);
    std::sort(found.begin(), found.end(), [&order](const SystemPort &a, const SystemPort &b) {
        return order.indexOf(a.portName) < order.indexOf(b.portName);
    });
    return found;
}

QStringList systemPortNames()
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names << info.portName();
    return names;
}

QString deviceForPort(int portNumber)
{
    return ports::deviceForPort(portNumber, systemPortNames);
}

ports::ResolvedPort resolveDevice(int portNumber)
{
    return ports::resolveDevice(portNumber, systemPortNames);
}

QStringList adapterDetails(const QString &device)
{
    if (device.isEmpty())
        return {};
    const QString target = QFileInfo(device).canonicalFilePath();
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        if (info.systemLocation() != device && info.systemLocation() != target)
            continue;
        QStringList details;
        if (!info.description().isEmpty())
            details << info.description();
        if (!info.manufacturer().isEmpty())
            details << QStringLiteral("Maker: %1").arg(info.manufacturer());
        if (!info.serialNumber().isEmpty())
            details << QStringLiteral("Serial number: %1").arg(info.serialNumber());
        return details;
    }
    return {};
}

} // namespace seriallink
