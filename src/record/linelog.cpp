#include "record/linelog.h"

#include <algorithm>

#include "protocol/framedescriber.h"
#include "protocol/protocol.h"

namespace record
{

namespace
{

bool showsWhenSent(LineLogEntry::Kind kind)
{
    return kind == LineLogEntry::Kind::Sent || kind == LineLogEntry::Kind::Note;
}

bool showsWhenReceived(LineLogEntry::Kind kind)
{
    return kind != LineLogEntry::Kind::Sent;
}

std::span<const std::uint8_t> span(const QByteArray &bytes)
{
    return {reinterpret_cast<const std::uint8_t *>(bytes.constData()), std::size_t(bytes.size())};
}

} // namespace

LineLog::LineLog(int capacity) : m_capacity(std::max(1, capacity)) {}

void LineLog::append(LineLogEntry entry)
{
    const qint64 serial = nextSerial();
    if (showsWhenSent(entry.kind))
        m_sent.push_back(serial);
    if (showsWhenReceived(entry.kind))
        m_received.push_back(serial);
    m_entries.push_back(std::move(entry));
    if (m_entries.size() > std::size_t(m_capacity)) {
        dropOldest();
        ++m_dropped;
    }
}

void LineLog::dropOldest()
{
    const qint64 serial = m_firstSerial;
    for (auto *serials : {&m_sent, &m_received}) {
        if (!serials->empty() && serials->front() == serial) {
            serials->pop_front();
            ++m_removed[serials == &m_sent ? index(LineLogFilter::Sent)
                                           : index(LineLogFilter::Received)];
        }
    }
    m_entries.pop_front();
    ++m_removed[index(LineLogFilter::Both)];
    ++m_firstSerial;
}

void LineLog::clear()
{
    m_removed[index(LineLogFilter::Both)] += qint64(m_entries.size());
    m_removed[index(LineLogFilter::Sent)] += qint64(m_sent.size());
    m_removed[index(LineLogFilter::Received)] += qint64(m_received.size());
    m_firstSerial = nextSerial();
    m_entries.clear();
    m_sent.clear();
    m_received.clear();
    m_dropped = 0;
}

const std::deque<qint64> &LineLog::serials(LineLogFilter filter) const
{
    return filter == LineLogFilter::Sent ? m_sent : m_received;
}

int LineLog::count(LineLogFilter filter) const
{
    return int(filter == LineLogFilter::Both ? m_entries.size() : serials(filter).size());
}

const LineLogEntry &LineLog::at(LineLogFilter filter, int index) const
{
    if (filter == LineLogFilter::Both)
        return m_entries[std::size_t(index)];
    return m_entries[std::size_t(serials(filter)[std::size_t(index)] - m_firstSerial)];
}

int LineLog::countBefore(LineLogFilter filter, qint64 serial) const
{
    if (filter == LineLogFilter::Both)
        return int(std::clamp<qint64>(serial - m_firstSerial, 0, qint64(m_entries.size())));
    const auto &list = serials(filter);
    return int(std::lower_bound(list.begin(), list.end(), serial) - list.begin());
}

std::optional<int> LineLog::find(LineLogFilter filter, const QString &text, int from, bool forward,
                                 int limit) const
{
    const int n = std::min(limit, count(filter));
    if (text.isEmpty() || n <= 0)
        return std::nullopt;
    if (from < 0 || from >= n)
        from = forward ? -1 : n;
    for (int k = 1; k <= n; ++k) {
        const int i = ((forward ? from + k : from - k) % n + n) % n;
        if (line(at(filter, i)).contains(text, Qt::CaseInsensitive))
            return i;
    }
    return std::nullopt;
}

std::vector<TimedFrame> LineLog::sentFrames() const
{
    std::vector<TimedFrame> frames;
    frames.reserve(m_sent.size());
    for (qint64 serial : m_sent) {
        const LineLogEntry &entry = m_entries[std::size_t(serial - m_firstSerial)];
        if (entry.kind != LineLogEntry::Kind::Sent)
            continue;
        frames.push_back({proto::Frame(entry.bytes.begin(), entry.bytes.end()),
                          double(entry.at) / double(kTicksPerMs)});
    }
    return frames;
}

QString LineLog::time(const LineLogEntry &entry)
{
    constexpr qint64 kTicksPerSecond = 1000 * kTicksPerMs;
    const qint64 ticks = std::max<qint64>(0, entry.sinceConnect);
    return QStringLiteral("%1.%2")
        .arg(ticks / kTicksPerSecond)
        .arg(ticks % kTicksPerSecond, 4, 10, QLatin1Char('0'));
}

QString LineLog::direction(const LineLogEntry &entry)
{
    switch (entry.kind) {
    case LineLogEntry::Kind::Sent:
        return QStringLiteral("to module");
    case LineLogEntry::Kind::Received:
    case LineLogEntry::Kind::Dropped:
        return QStringLiteral("from module");
    case LineLogEntry::Kind::Note:
        break;
    }
    return {};
}

QString LineLog::hex(const LineLogEntry &entry)
{
    if (entry.kind == LineLogEntry::Kind::Note)
        return {};
    return proto::hexCaption(entry.bytes).trimmed();
}

QString LineLog::describe(const LineLogEntry &entry)
{
    switch (entry.kind) {
    case LineLogEntry::Kind::Sent:
        return QString::fromStdString(proto::describeBytes(span(entry.bytes)));
    case LineLogEntry::Kind::Received:
        if (entry.bytes.size() == 3) {
            const auto b = span(entry.bytes);
            return QString::fromStdString(proto::describeReply({b[0], b[1], b[2]}, entry.mode));
        }
        break;
    case LineLogEntry::Kind::Dropped:
        return QString::fromStdString(proto::describeDropped(entry.bytes));
    case LineLogEntry::Kind::Note:
        return QString::fromUtf8(entry.bytes);
    }
    return {};
}

QString LineLog::line(const LineLogEntry &entry)
{
    QString text = time(entry).rightJustified(10) + QStringLiteral("  ") +
                   direction(entry).leftJustified(11) + QStringLiteral("  ");
    const QString bytes = hex(entry);
    if (!bytes.isEmpty())
        text += bytes + QStringLiteral("  ");
    return text + describe(entry);
}

} // namespace record
