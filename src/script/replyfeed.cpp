#include "script/replyfeed.h"

#include "link/serialportservice.h"

namespace script
{

ReplyFeed::ReplyFeed(SerialPortService &port, QObject *parent) : QObject(parent), m_port(port)
{
    connect(&m_port, &SerialPortService::onComm, this, [this] { feed(m_port.input()); });
}

void ReplyFeed::feed(const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    if (!m_partial.isEmpty() && m_lastBytes.isValid() && m_lastBytes.elapsed() > kStaleMs) {
        const QByteArray stale = m_partial;
        m_partial.clear();
        m_framer.reset();
        emit dropped(stale);
    }
    m_lastBytes.start();
    const std::vector<Reply> replies = m_framer.feed(bytes);
    m_partial = (m_partial + bytes).right(m_framer.pending());
    for (const Reply &r : replies)
        emit reply(r);
}

} // namespace script
