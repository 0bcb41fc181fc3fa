#pragma once
// Every frame leaves through here. A handler builds its frame (protocol.h), sendFrame()
// copies it into the shared transmit buffer TxData and SendTxData() writes it to the port
// one byte per write, building the transmit monitor's text as it goes. The way back, from
// bytes to the window, is in replyreader.h; README's "Developing" section draws both.
//
// The buffer is shared by every handler, including those that run inside a pacing wait,
// so a sender always copies its whole frame right before sending; nothing may expect
// TxData to keep its content across a wait.

#include <array>
#include <cstdint>

#include <QObject>
#include <QString>

#include "protocol/protocol.h"

namespace seriallink
{

class SerialPortService;

class Transmitter : public QObject
{
    Q_OBJECT
public:
    static constexpr int kBufferSize = 71;

    explicit Transmitter(SerialPortService &port, QObject *parent = nullptr);

    std::array<std::uint8_t, kBufferSize> TxData{};

    // Sends TxData[0..count-1]. Counts outside 0..71 send nothing. Writing stops at the
    // first byte the port refuses (a closed or vanished port), so nothing is written to a
    // closed port; the monitor then shows only the bytes that went out.
    void SendTxData(int count);

    void sendFrame(const proto::Frame &frame);
    void sendFrame(const std::optional<proto::Frame> &frame);

    // One write straight to the port, bypassing TxData and the monitors.
    bool writeDirect(const QByteArray &bytes);

    const QString &txMonitor() const { return m_txMonitor; }

signals:
    // Emitted once per SendTxData, after the bytes were written: the transmit monitor's
    // new caption. The receive monitor is emptied at the same moment.
    void monitorsChanged(const QString &txCaption);
    // What went on the wire, for the line log: the bytes of one SendTxData or one
    // writeDirect that the port took (none: no signal).
    void frameWritten(const QByteArray &bytes);

private:
    SerialPortService &m_port;
    QString m_txMonitor;
};

} // namespace seriallink
