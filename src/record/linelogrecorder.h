#pragma once
// Feeds the line log from the link, whether or not the log's window is open: every frame
// the transmitter wrote (TxData frames and direct writes alike), every reply the reply
// reader completed, in order, with the P2 mode it was read by, the bytes its framing gave
// up, and a note when the port opens or closes. Each entry costs a clock read and a copy
// of its bytes; appended() lets a view know, and the view decides when to look.
//
// With a reconnector beside the port, a loss it takes on is noted "line lost: REASON" and
// the return "line back"; times keep counting from the Connect, as no one connected again.

#include <QElapsedTimer>
#include <QObject>

#include "link/replyreader.h"
#include "link/serialportservice.h"
#include "record/linelog.h"

namespace seriallink
{
class Reconnector;
class Transmitter;
} // namespace seriallink

namespace record
{

class LineLogRecorder : public QObject
{
    Q_OBJECT
public:
    LineLogRecorder(seriallink::SerialPortService &port, seriallink::Transmitter &tx,
                    seriallink::ReplyReader &replies, QObject *parent = nullptr);
    // The reconnector is made first, so it has heard of each change of the port's state
    // before the recorder does: its lineBack comes before the Open it brought.
    LineLogRecorder(seriallink::SerialPortService &port, seriallink::Transmitter &tx,
                    seriallink::ReplyReader &replies, const seriallink::Reconnector &reconnector,
                    QObject *parent = nullptr);

    LineLog &log() { return m_log; }
    const LineLog &log() const { return m_log; }

    // Bytes that went on the wire: the transmitter's frameWritten ends here.
    void recordSent(const QByteArray &bytes);

signals:
    // One or more entries were appended.
    void appended();

private:
    // Tenths of a millisecond on the log's clock.
    qint64 now() const { return m_clock.nsecsElapsed() / (1000000 / LineLog::kTicksPerMs); }
    void add(LineLogEntry::Kind kind, const QByteArray &bytes, qint64 at,
             proto::P2Mode mode = proto::P2Mode::Gpio);
    void portStateChanged(seriallink::SerialPortService::State state);
    void note(const QString &text, qint64 at);
    void repliesRead(const seriallink::ReplyBatch &batch);
    void bytesDropped(const QByteArray &bytes, qint64 lastArrivalMs);

    seriallink::SerialPortService &m_port;
    LineLog m_log;
    QElapsedTimer m_clock;
    qint64 m_connectedAt = 0;
    qint64 m_lastReplyAt = 0;
    bool m_open = false;
    const seriallink::Reconnector *m_reconnector = nullptr;
    bool m_back = false; // the reconnector said lineBack: the Open that follows is its
};

} // namespace record
