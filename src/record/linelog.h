#pragma once
// The line log's memory: every frame sent and every reply received, oldest first, at most
// kCapacity entries (the oldest go first, and are counted). Appending stores only the time,
// the direction and the bytes; the words come when an entry is shown (describe()), so the
// send path never formats anything.
//
// Views read the log through a filter (sent, received or both). Every entry has a serial
// number, the count of entries appended before it; a view keeps its place by serials and
// learns from removed() how many of its filter's entries have left the front since it last
// looked (dropped for room, or cleared).
//
// Times are tenths of a millisecond on a monotonic clock: `at` on the log's own clock, for
// the pauses between frames; `sinceConnect` from the last Connect, which is what the window
// shows.

#include <array>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QString>

#include "protocol/replydecoder.h"
#include "record/timedframe.h"

namespace record
{

struct LineLogEntry {
    // Note: a line of the log's own (connected, disconnected), its text in `bytes` as UTF-8.
    enum class Kind : std::uint8_t { Sent, Received, Dropped, Note };

    Kind kind = Kind::Sent;
    proto::P2Mode mode = proto::P2Mode::Gpio; // Received: how a status reply reads
    qint64 at = 0;
    qint64 sinceConnect = 0;
    QByteArray bytes;
};

// Sent: frames sent; Received: replies and dropped bytes. Notes belong to every filter.
enum class LineLogFilter { Both, Sent, Received };

class LineLog
{
public:
    static constexpr int kCapacity = 100000;
    static constexpr qint64 kTicksPerMs = 10;

    explicit LineLog(int capacity = kCapacity);

    void append(LineLogEntry entry);
    void clear();

    int count(LineLogFilter filter) const;
    const LineLogEntry &at(LineLogFilter filter, int index) const;
    // How many of the filter's entries have a serial below `serial`.
    int countBefore(LineLogFilter filter, qint64 serial) const;
    // The serial the next entry will get.
    qint64 nextSerial() const { return m_firstSerial + qint64(m_entries.size()); }
    // How many of the filter's entries ever left the front, dropped or cleared.
    qint64 removed(LineLogFilter filter) const { return m_removed[index(filter)]; }
    // Entries dropped for room since the last clear.
    qint64 dropped() const { return m_dropped; }

    // The next entry of the filter after `from` (before it, going back) among the first
    // `limit`, whose line holds `text` in any letter case; the search wraps around. A `from`
    // outside them starts at the first (the last, going back).
    std::optional<int> find(LineLogFilter filter, const QString &text, int from, bool forward,
                            int limit) const;

    // Every frame sent that the log still holds, with when it was sent, for a script.
    std::vector<TimedFrame> sentFrames() const;

    // The columns of an entry and its plain-text line: "    3.0125  to module    FE 32 03 13
    // set cursor row 3 column 19" (time since Connect in seconds, to 0.1 ms).
    static QString time(const LineLogEntry &entry);
    static QString direction(const LineLogEntry &entry);
    static QString hex(const LineLogEntry &entry);
    static QString describe(const LineLogEntry &entry);
    static QString line(const LineLogEntry &entry);

private:
    static std::size_t index(LineLogFilter filter) { return std::size_t(filter); }
    const std::deque<qint64> &serials(LineLogFilter filter) const;
    void dropOldest();

    int m_capacity;
    std::deque<LineLogEntry> m_entries;
    qint64 m_firstSerial = 0;
    std::deque<qint64> m_sent; // serials of the entries each filter shows
    std::deque<qint64> m_received;
    std::array<qint64, 3> m_removed{};
    qint64 m_dropped = 0;
};

} // namespace record
