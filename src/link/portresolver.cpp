#include "link/portresolver.h"

#include <algorithm>

#include <QRegularExpression>
#include <QSerialPortInfo>

namespace ports
{

namespace
{

// USB adapters come and go, yet they are what a user of this module plugs in: list them
// first so that COM1 is the adapter on a desk machine.
int familyRank(const QString &name)
{
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 0;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 1;
    return 2;
}

// "ttyS10" sorts after "ttyS9".
bool naturalLess(const QString &a, const QString &b)
{
    static const QRegularExpression trailingNumber(QStringLiteral("^(.*?)(\\d+)$"));
    const auto ma = trailingNumber.match(a);
    const auto mb = trailingNumber.match(b);
    if (ma.hasMatch() && mb.hasMatch() && ma.captured(1) == mb.captured(1))
        return ma.captured(2).toLongLong() < mb.captured(2).toLongLong();
    return a < b;
}

} // namespace

QStringList orderedSystemPorts(QStringList portNames)
{
    std::sort(portNames.begin(), portNames.end(), [](const QString &a, const QString &b) {
        const int ra = familyRank(a);
        const int rb = familyRank(b);
        if (ra != rb)
            return ra < rb;
        return naturalLess(a, b);
    });
    portNames.erase(std::unique(portNames.begin(), portNames.end()), portNames.end());
    return portNames;
}

QString deviceForPort(int portNumber, const QProcessEnvironment &environment,
                      const QStringList &systemPorts)
{
    if (portNumber < 1)
        return {};
    const QString mapped = environment.value(QStringLiteral("VANTEL_COM%1").arg(portNumber));
    if (!mapped.isEmpty())
        return mapped;
#ifdef Q_OS_WIN
    Q_UNUSED(systemPorts);
    return QStringLiteral("COM%1").arg(portNumber);
#else
    const QStringList ordered = orderedSystemPorts(systemPorts);
    if (portNumber > ordered.size())
        return {};
    const QString &name = ordered.at(portNumber - 1);
    return name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
#endif
}

QString deviceForPort(int portNumber)
{
    QStringList names;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports)
        names << info.portName();
    return deviceForPort(portNumber, QProcessEnvironment::systemEnvironment(), names);
}

} // namespace ports
