#pragma once
// Bytes from the module become replies here, and only here. The reader takes every byte the
// port notifies at once, cuts the stream into three-byte replies, decodes them against the
// P2 mode the window shows when they arrive, and hands each read's replies on in one
// repliesRead.
//
// Resynchronisation follows the reply stream's rule (protocol/replystream.h): a partial
// reply whose next byte is overdue is given up (bytesDropped). A timer watches for that; a
// byte that came in time but still waits in the port or the driver, because the event loop
// was busy, counts as having come. Opening or closing the port gives up what is pending as
// well.

#include <chrono>
#include <functional>
#include <vector>

#include <QByteArray>
#include <QObject>
#include <QTimer>

#include "link/serialportservice.h"
#include "protocol/replydecoder.h"
#include "protocol/replystream.h"

namespace seriallink
{

// The replies one read completed, oldest first.
struct ReplyBatch {
    qint64 arrivalMs = 0;                     // when they were read, milliseconds since the epoch
    proto::P2Mode mode = proto::P2Mode::Gpio; // how their status replies read
    std::vector<proto::Reply> replies;
    // The last reply of each kind except acknowledgements, decoded. Each reply overwrites
    // all it shows (one label, or every indicator of its group), so drawing only these ends
    // in the same window as drawing every reply, and a flood stays cheap.
    std::vector<proto::DecodedReply> lastOfEachKind; // analog 1, analog 2, status: those present
    bool acknowledged = false;                       // at least one FE 20 20 among the replies

    // Fills lastOfEachKind and acknowledged from the replies and the mode.
    void pickLastOfEachKind();
};

class ReplyReader : public QObject
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kPause = proto::ReplyStream::kPause;
    // The P2 mode the window shows right now.
    using ModeSource = std::function<proto::P2Mode()>;

    explicit ReplyReader(SerialPortService &port, QObject *parent = nullptr);

    // Without a source status replies read as GPIO, the list's first item.
    void setModeSource(ModeSource source) { m_modeSource = std::move(source); }
    // How long a partial reply waits for its next byte (tests shorten it).
    void setPause(std::chrono::milliseconds pause) { m_stream.setPause(pause); }
    // Bytes of a reply still waiting for the rest (0, 1 or 2).
    int pending() const { return m_stream.pending(); }

signals:
    // Every read that completes at least one reply. A line log sees each reply here in
    // order; the window draws lastOfEachKind.
    void repliesRead(const ReplyBatch &batch);
    // The bytes of a partial reply given up, and when the last of them was read.
    void bytesDropped(const QByteArray &bytes, qint64 lastArrivalMs);

private:
    void readWaiting();
    void pauseElapsed();
    void dropPartial();
    // Arms the timer for the partial reply's deadline, or stops it when nothing is pending.
    void watchPartial();

    SerialPortService &m_port;
    ModeSource m_modeSource;
    proto::ReplyStream m_stream;
    QTimer m_pauseTimer;
    qint64 m_partialArrivalMs = 0;
};

} // namespace seriallink
