#include "ports/portmap.h"

#include "files/userfile.h"
#include "ports/comname.h"
#include "ports/devicename.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>

namespace ports
{

namespace
{

// A map of twenty ports is well under a kilobyte; anything this big is some other file
// (or a device) put there by mistake, and reading it whole would only cost time.
constexpr qint64 kMaxFileBytes = 64 * 1024;

struct Line {
    // NoDevice: a port named with nothing after its '=' ("COM9 = "), as a person may leave
    // a line to fill in later.
    enum class Kind { Note, Entry, NoDevice, Malformed };
    Kind kind = Kind::Note;
    int port = 0;
    QString device;
    QString problem; // an Entry whose device no port can have
};

Line readLine(const QByteArray &raw)
{
    const QString text = QString::fromUtf8(raw).trimmed();
    if (text.isEmpty() || text.startsWith(QLatin1Char('#')))
        return {};
    Line line;
    line.kind = Line::Kind::Malformed;
    const qsizetype equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return line;
    const ComName name = readComName(QStringView(text).first(equals).trimmed());
    line.device = text.sliced(equals + 1).trimmed();
    if (name.kind != ComName::Kind::Port)
        return line;
    line.kind = line.device.isEmpty() ? Line::Kind::NoDevice : Line::Kind::Entry;
    line.port = name.number;
    line.problem = deviceNameProblem(line.device);
    return line;
}

QByteArray entryLine(int port, const QString &device)
{
    return QStringLiteral("COM%1 = %2").arg(port).arg(device).toUtf8();
}

QList<QByteArray> splitLines(const QByteArray &text)
{
    QList<QByteArray> lines = text.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast(); // the newline that ends the last line starts no line of its own
    return lines;
}

} // namespace

ParsedPortMap parsePortMap(const QByteArray &text)
{
    ParsedPortMap parsed;
    const QList<QByteArray> lines = splitLines(text);
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const Line line = readLine(lines.at(i));
        if (line.kind == Line::Kind::Malformed)
            parsed.malformedLines << static_cast<int>(i + 1);
        else if (line.kind == Line::Kind::NoDevice)
            parsed.noDeviceLines << static_cast<int>(i + 1);
        if (line.kind != Line::Kind::Entry || parsed.devices.contains(line.port) ||
            parsed.refused.contains(line.port))
            continue;
        if (line.problem.isEmpty())
            parsed.devices.insert(line.port, line.device);
        else
            parsed.refused.insert(line.port,
                                  QStringLiteral("line %1: %2").arg(i + 1).arg(line.problem));
    }
    return parsed;
}

QByteArray updatePortMap(const QByteArray &text, const PortMap &changes)
{
    QByteArray result;
    QSet<int> written;
    for (const QByteArray &raw : splitLines(text)) {
        const Line line = readLine(raw);
        const bool namesPort = line.kind == Line::Kind::Entry || line.kind == Line::Kind::NoDevice;
        if (!namesPort || !changes.contains(line.port)) {
            result += raw + '\n';
            continue;
        }
        const QString device = changes.value(line.port).trimmed();
        if (device.isEmpty() || written.contains(line.port))
            continue;
        result += entryLine(line.port, device) + '\n';
        written.insert(line.port);
    }
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        const QString device = it.value().trimmed();
        if (!device.isEmpty() && !written.contains(it.key()))
            result += entryLine(it.key(), device) + '\n';
    }
    return result;
}

QString portMapPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/vantelapp/ports.conf");
}

namespace
{

struct RawFile {
    LoadedPortMap::State state = LoadedPortMap::State::Missing;
    QByteArray text;
    QString problem;
};

RawFile readRaw(const QString &path)
{
    RawFile raw;
    files::UserFile file = files::readUserFile(path, kMaxFileBytes);
    switch (file.state) {
    case files::UserFile::State::Missing:
        break;
    case files::UserFile::State::Read:
        raw.state = LoadedPortMap::State::Read;
        raw.text = std::move(file.content);
        break;
    case files::UserFile::State::TooLarge:
        raw.state = LoadedPortMap::State::Unreadable;
        raw.problem = QStringLiteral("%1 is larger than a port map can be").arg(path);
        break;
    case files::UserFile::State::Refused:
        raw.state = LoadedPortMap::State::Unreadable;
        raw.problem = QStringLiteral("%1 cannot be read: %2").arg(path, file.reason);
        break;
    }
    return raw;
}

} // namespace

LoadedPortMap loadPortMap(const QString &path)
{
    const RawFile raw = readRaw(path);
    LoadedPortMap loaded;
    loaded.state = raw.state;
    loaded.problem = raw.problem;
    if (raw.state == LoadedPortMap::State::Read) {
        ParsedPortMap parsed = parsePortMap(raw.text);
        loaded.devices = std::move(parsed.devices);
        loaded.malformedLines = std::move(parsed.malformedLines);
        loaded.refused = std::move(parsed.refused);
        loaded.noDeviceLines = std::move(parsed.noDeviceLines);
    }
    return loaded;
}

std::optional<QString> savePortMap(const QString &path, const PortMap &changes)
{
    for (auto it = changes.cbegin(); it != changes.cend(); ++it) {
        if (it.key() < 1 || it.key() > kLastPort)
            return QStringLiteral("COM%1 is no port").arg(it.key());
        if (it.value().contains(QLatin1Char('\n')) || it.value().contains(QLatin1Char('\r')))
            return QStringLiteral("the device for COM%1 spans more than one line").arg(it.key());
        if (const QString problem = deviceNameProblem(it.value()); !problem.isEmpty())
            return QStringLiteral("the device for COM%1: %2").arg(it.key()).arg(problem);
    }
    const RawFile raw = readRaw(path);
    if (raw.state == LoadedPortMap::State::Unreadable)
        return raw.problem + QStringLiteral("; it is left as it is");
    const QByteArray text = updatePortMap(raw.text, changes);
    if (raw.state == LoadedPortMap::State::Read && text == raw.text)
        return std::nullopt;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return QStringLiteral("cannot make the folder %1").arg(QFileInfo(path).absolutePath());
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return std::nullopt;
}

} // namespace ports
