#pragma once
// The line log as table rows: time since Connect, direction, bytes in hex, meaning. The
// rows are the log's entries (record/linelog.h) through a filter; each cell is worked out
// when the view asks for it, so only the rows on screen are ever described.
//
// While live (its window shown) the model takes in what was appended at most every
// kBatchMs, as one insertion, and the rows that left the log's front as one removal. A
// paused model takes in no new rows but still lets go of those the log dropped; resuming
// shows everything recorded meanwhile.

#include <optional>

#include <QAbstractTableModel>
#include <QTimer>

#include "record/linelog.h"

namespace record
{
class LineLogRecorder;
}

namespace linelog
{

class LineLogModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { Time, Direction, Bytes, Meaning, ColumnCount };
    static constexpr int kBatchMs = 100;

    explicit LineLogModel(record::LineLogRecorder &recorder, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The entry a row shows, or none when the log has let go of it since the last sync.
    const record::LineLogEntry *entry(int row) const;
    const record::LineLog &log() const { return m_log; }

    record::LineLogFilter filter() const { return m_filter; }
    void setFilter(record::LineLogFilter filter);
    void setLive(bool live);
    void setPaused(bool paused);
    bool paused() const { return m_pausedAt.has_value(); }
    // Entries of the filter recorded but not shown because of the pause.
    int unshown() const;

    // Takes in what the log holds now.
    void sync();
    // Empties the log (for every view of it) and this model.
    void clearLog();

signals:
    // After every sync, whether or not rows changed.
    void synced();

private:
    void appended();

    record::LineLog &m_log;
    QTimer m_batch;
    record::LineLogFilter m_filter = record::LineLogFilter::Both;
    int m_rows = 0;
    qint64 m_removedSeen = 0;         // the log's removed() count at the last sync
    std::optional<qint64> m_pausedAt; // while paused: the first serial not to show
    bool m_live = false;
};

} // namespace linelog
