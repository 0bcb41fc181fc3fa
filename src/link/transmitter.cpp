#include "link/transmitter.h"

#include "link/serialportservice.h"

#include <QByteArray>

namespace seriallink
{

Transmitter::Transmitter(SerialPortService &port, QObject *parent) : QObject(parent), m_port(port)
{
}

void Transmitter::SendTxData(int count)
{
    if (count < 0 || count > kBufferSize)
        return;
    m_txMonitor.clear();
    int sent = 0;
    for (int i = 0; i != count; ++i) {
        if (!m_port.output(TxData[static_cast<std::size_t>(i)]))
            break;
        ++sent;
    }
    m_txMonitor = proto::hexCaption(
        std::span<const std::uint8_t>(TxData.data(), static_cast<std::size_t>(sent)));
    emit monitorsChanged(m_txMonitor);
    if (sent > 0)
        emit frameWritten(QByteArray(reinterpret_cast<const char *>(TxData.data()), sent));
}

void Transmitter::sendFrame(const proto::Frame &frame)
{
    const std::size_t count = std::min(frame.size(), TxData.size());
    std::copy_n(frame.begin(), count, TxData.begin());
    SendTxData(static_cast<int>(count));
}

void Transmitter::sendFrame(const std::optional<proto::Frame> &frame)
{
    if (frame)
        sendFrame(*frame);
}

bool Transmitter::writeDirect(const QByteArray &bytes)
{
    if (!m_port.output(bytes))
        return false;
    emit frameWritten(bytes);
    return true;
}

} // namespace seriallink
