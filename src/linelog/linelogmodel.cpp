#include "linelog/linelogmodel.h"

#include <QColor>
#include <QFont>

#include "record/linelogrecorder.h"

namespace linelog
{

using record::LineLog;
using record::LineLogEntry;

LineLogModel::LineLogModel(record::LineLogRecorder &recorder, QObject *parent)
    : QAbstractTableModel(parent), m_log(recorder.log())
{
    m_batch.setSingleShot(true);
    m_batch.setInterval(kBatchMs);
    connect(&m_batch, &QTimer::timeout, this, &LineLogModel::sync);
    connect(&recorder, &record::LineLogRecorder::appended, this, &LineLogModel::appended);
    m_removedSeen = m_log.removed(m_filter);
}

void LineLogModel::appended()
{
    if (m_live && !m_batch.isActive())
        m_batch.start();
}

int LineLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int LineLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

const LineLogEntry *LineLogModel::entry(int row) const
{
    // Rows keep to their entries: those the log let go of since the last sync are gone.
    const qint64 position = row - (m_log.removed(m_filter) - m_removedSeen);
    if (row < 0 || row >= m_rows || position < 0 || position >= m_log.count(m_filter))
        return nullptr;
    return &m_log.at(m_filter, int(position));
}

QVariant LineLogModel::data(const QModelIndex &index, int role) const
{
    const LineLogEntry *e = index.isValid() ? entry(index.row()) : nullptr;
    if (!e)
        return {};
    const bool dropped = e->kind == LineLogEntry::Kind::Dropped;
    const bool note = e->kind == LineLogEntry::Kind::Note;
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case Time:
            return LineLog::time(*e);
        case Direction:
            return LineLog::direction(*e);
        case Bytes:
            return LineLog::hex(*e);
        case Meaning:
            return LineLog::describe(*e);
        }
        break;
    case Qt::ToolTipRole:
        if (index.column() == Bytes)
            return LineLog::hex(*e);
        if (index.column() == Meaning)
            return LineLog::describe(*e);
        break;
    case Qt::ForegroundRole:
        if (dropped)
            return QColor(0xB0, 0x00, 0x00);
        if (note)
            return QColor(Qt::darkGray);
        break;
    case Qt::FontRole:
        if (dropped || note) {
            QFont font;
            font.setItalic(true);
            return font;
        }
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == Time)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        break;
    default:
        break;
    }
    return {};
}

QVariant LineLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case Time:
        return QStringLiteral("Time (s)");
    case Direction:
        return QStringLiteral("Direction");
    case Bytes:
        return QStringLiteral("Bytes");
    case Meaning:
        return QStringLiteral("Meaning");
    }
    return {};
}

void LineLogModel::setFilter(record::LineLogFilter filter)
{
    if (filter == m_filter)
        return;
    beginResetModel();
    m_filter = filter;
    m_removedSeen = m_log.removed(filter);
    m_rows = m_pausedAt ? m_log.countBefore(filter, *m_pausedAt) : m_log.count(filter);
    endResetModel();
    emit synced();
}

void LineLogModel::setLive(bool live)
{
    m_live = live;
    if (live)
        sync();
    else
        m_batch.stop();
}

void LineLogModel::setPaused(bool paused)
{
    if (paused == this->paused())
        return;
    if (paused) {
        sync();
        m_pausedAt = m_log.nextSerial();
        emit synced();
    } else {
        m_pausedAt.reset();
        sync();
    }
}

int LineLogModel::unshown() const
{
    const qint64 pending = m_log.removed(m_filter) - m_removedSeen;
    return int(
        std::max<qint64>(0, m_log.count(m_filter) - (m_rows - std::min<qint64>(pending, m_rows))));
}

void LineLogModel::sync()
{
    m_batch.stop();
    const qint64 removed = m_log.removed(m_filter);
    const int gone = int(std::min<qint64>(removed - m_removedSeen, m_rows));
    m_removedSeen = removed;
    if (gone > 0) {
        beginRemoveRows({}, 0, gone - 1);
        m_rows -= gone;
        endRemoveRows();
    }
    const int shown = m_pausedAt ? m_log.countBefore(m_filter, *m_pausedAt) : m_log.count(m_filter);
    if (shown > m_rows) {
        beginInsertRows({}, m_rows, shown - 1);
        m_rows = shown;
        endInsertRows();
    }
    emit synced();
}

void LineLogModel::clearLog()
{
    m_log.clear();
    sync();
}

} // namespace linelog
