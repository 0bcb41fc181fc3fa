#include "ports/portresolver.h"

#include <algorithm>
#include <optional>

#include "ports/comname.h"
#include "ports/devicename.h"

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

// "ttyS10" sorts after "ttyS9": names compare by their stem, then by the number they end in.
// Every name gets the same kind of key, so names with and without a number still form one
// consistent order and the COM numbers do not depend on the order the system lists ports in.
struct NameKey {
    QStringView stem;
    QStringView digits; // trailing digits without leading zeros; empty for none or zero
};

NameKey nameKey(const QString &name)
{
    qsizetype start = name.size();
    while (start > 0 && name.at(start - 1).isDigit())
        --start;
    qsizetype significant = start;
    while (significant < name.size() && name.at(significant) == QLatin1Char('0'))
        ++significant;
    const QStringView view(name);
    return {view.first(start), view.sliced(significant)};
}

bool naturalLess(const QString &a, const QString &b)
{
    const NameKey ka = nameKey(a);
    const NameKey kb = nameKey(b);
    if (const int stem = ka.stem.compare(kb.stem); stem != 0)
        return stem < 0;
    if (ka.digits.size() != kb.digits.size())
        return ka.digits.size() < kb.digits.size();
    if (const int number = ka.digits.compare(kb.digits); number != 0)
        return number < 0;
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

QString windowsDeviceName(const QString &name)
{
    // Without the \\.\ prefix Windows knows COM1 to COM9 only, as names from DOS.
    const ComName com = readComName(name);
    return com.kind == ComName::Kind::Port ? QStringLiteral("\\\\.\\COM%1").arg(com.number) : name;
}

namespace
{

ResolvedPort none(const QString &problem)
{
    return {QString(), DeviceSource::None, problem};
}

QString opened(const QString &device, SystemNaming naming)
{
    return naming == SystemNaming::Windows ? windowsDeviceName(device) : device;
}

// Steps 1 and 2; nothing when neither decides.
std::optional<ResolvedPort> namedPort(int portNumber, const QProcessEnvironment &environment,
                                      const LoadedPortMap &map, SystemNaming naming)
{
    const QString variable = QStringLiteral("VANTEL_COM%1").arg(portNumber);
    if (const QString named = environment.value(variable); !named.isEmpty()) {
        if (const QString problem = deviceNameProblem(named); !problem.isEmpty())
            return none(variable + QStringLiteral(": ") + problem);
        return ResolvedPort{opened(named, naming), DeviceSource::Environment, {}};
    }
    if (map.state == LoadedPortMap::State::Unreadable)
        return none(QStringLiteral("the port map ") + map.problem);
    if (const auto refused = map.refused.constFind(portNumber); refused != map.refused.cend())
        return none(QStringLiteral("the port map's ") + *refused);
    if (const QString mapped = map.devices.value(portNumber); !mapped.isEmpty()) {
        if (const QString problem = deviceNameProblem(mapped); !problem.isEmpty())
            return none(QStringLiteral("the port map: ") + problem);
        return ResolvedPort{opened(mapped, naming), DeviceSource::Map, {}};
    }
    return std::nullopt;
}

ResolvedPort systemOrderPort(int portNumber, const QStringList &systemPorts, SystemNaming naming)
{
    if (naming == SystemNaming::Windows) {
        const QString port = QStringLiteral("COM%1").arg(portNumber);
        if (!systemPorts.contains(port, Qt::CaseInsensitive))
            return {};
        return {windowsDeviceName(port), DeviceSource::SystemOrder, {}};
    }
    const QStringList ordered = orderedSystemPorts(systemPorts);
    if (portNumber > ordered.size())
        return {};
    const QString &name = ordered.at(portNumber - 1);
    return {name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name,
            DeviceSource::SystemOrder,
            {}};
}

} // namespace

ResolvedPort resolvePortFromFile(int portNumber, const QProcessEnvironment &environment,
                                 const LoadedPortMap &map, const QStringList &systemPorts,
                                 SystemNaming naming)
{
    if (portNumber < 1)
        return {};
    if (std::optional<ResolvedPort> named = namedPort(portNumber, environment, map, naming))
        return *named;
    return systemOrderPort(portNumber, systemPorts, naming);
}

ResolvedPort resolvePort(int portNumber, const QProcessEnvironment &environment, const PortMap &map,
                         const QStringList &systemPorts, SystemNaming naming)
{
    LoadedPortMap loaded;
    loaded.state = LoadedPortMap::State::Read;
    loaded.devices = map;
    return resolvePortFromFile(portNumber, environment, loaded, systemPorts, naming);
}

ResolvedPort resolveDevice(int portNumber, const SystemPortLister &listSystemPorts)
{
    if (portNumber < 1)
        return {};
    // Listing the system's ports asks udev about every tty: skip it when the environment or
    // the map already decides (and the map's file when the environment does).
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.value(QStringLiteral("VANTEL_COM%1").arg(portNumber)).isEmpty())
        return resolvePortFromFile(portNumber, environment, {}, {});
    const LoadedPortMap map = loadPortMap(portMapPath());
    if (std::optional<ResolvedPort> named = namedPort(portNumber, environment, map, kSystemNaming))
        return *named;
    return systemOrderPort(portNumber, listSystemPorts ? listSystemPorts() : QStringList{},
                           kSystemNaming);
}

QString deviceForPort(int portNumber, const SystemPortLister &listSystemPorts)
{
    return resolveDevice(portNumber, listSystemPorts).device;
}

} // namespace ports
