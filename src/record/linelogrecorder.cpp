#include "record/linelogrecorder.h"

#include <algorithm>

#include <QDateTime>

#include "link/reconnector.h"
#include "link/transmitter.h"

namespace record
{

LineLogRecorder::LineLogRecorder(seriallink::SerialPortService &port, seriallink::Transmitter &tx,
                                 seriallink::ReplyReader &replies, QObject *parent)
    : QObject(parent), m_port(port)
{
    m_clock.start();
    m_open = port.isOpen();
    connect(&tx, &seriallink::Transmitter::frameWritten, this, &LineLogRecorder::recordSent);
    connect(&replies, &seriallink::ReplyReader::repliesRead, this, &LineLogRecorder::repliesRead);
    connect(&replies, &seriallink::ReplyReader::bytesDropped, this, &LineLogRecorder::bytesDropped);
    connect(&port, &seriallink::SerialPortService::stateChanged, this,
            &LineLogRecorder::portStateChanged);
}

LineLogRecorder::LineLogRecorder(seriallink::SerialPortService &port, seriallink::Transmitter &tx,
                                 seriallink::ReplyReader &replies,
                                 const seriallink::Reconnector &reconnector, QObject *parent)
    : LineLogRecorder(port, tx, replies, parent)
{
    m_reconnector = &reconnector;
    connect(&reconnector, &seriallink::Reconnector::lineLost, this,
            [this](const QString &reason) { note(QStringLiteral("line lost: ") + reason, now()); });
    connect(&reconnector, &seriallink::Reconnector::lineBack, this, [this] { m_back = true; });
}

void LineLogRecorder::add(LineLogEntry::Kind kind, const QByteArray &bytes, qint64 at,
                          proto::P2Mode mode)
{
    m_log.append({kind, mode, at, at - m_connectedAt, bytes});
}

void LineLogRecorder::recordSent(const QByteArray &bytes)
{
    add(LineLogEntry::Kind::Sent, bytes, now());
    emit appended();
}

void LineLogRecorder::portStateChanged(seriallink::SerialPortService::State state)
{
    const bool wasOpen = std::exchange(m_open, state == seriallink::SerialPortService::State::Open);
    // One reading of the clock: the connection's own note stands at 0 since Connect.
    const qint64 at = now();
    QString text;
    if (m_open && std::exchange(m_back, false)) {
        text = QStringLiteral("line back");
    } else if (m_open) {
        m_connectedAt = at;
        const QString speed = m_port.settings().section(QLatin1Char(','), 0, 0);
        text = QStringLiteral("connected to COM%1 at %2 bit/s").arg(m_port.commPort()).arg(speed);
    } else if (wasOpen && state == seriallink::SerialPortService::State::Lost) {
        // A loss the reconnector takes on is noted with its reason when it says so.
        if (!m_reconnector || !m_reconnector->isEnabled())
            text = QStringLiteral("connection lost");
    } else if (wasOpen) {
        text = QStringLiteral("disconnected");
    }
    if (!text.isEmpty())
        note(text, at);
}

void LineLogRecorder::note(const QString &text, qint64 at)
{
    add(LineLogEntry::Kind::Note, text.toUtf8(), at);
    emit appended();
}

void LineLogRecorder::repliesRead(const seriallink::ReplyBatch &batch)
{
    const qint64 at = now();
    m_lastReplyAt = at;
    for (const proto::Reply &reply : batch.replies)
        add(LineLogEntry::Kind::Received, reply.bytes(), at, batch.mode);
    emit appended();
}

void LineLogRecorder::bytesDropped(const QByteArray &bytes, qint64 lastArrivalMs)
{
    // Given up a pause after they came, they are logged at the time they came (to the
    // millisecond the reader notes): that may be before frames sent meanwhile, but never
    // before the replies read ahead of them, nor before the Connect they came after.
    const qint64 ago = std::max<qint64>(0, QDateTime::currentMSecsSinceEpoch() - lastArrivalMs);
    add(LineLogEntry::Kind::Dropped, bytes,
        std::max({m_connectedAt, m_lastReplyAt, now() - ago * LineLog::kTicksPerMs}));
    emit appended();
}

} // namespace record
