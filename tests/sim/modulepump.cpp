#include "modulepump.h"

#include <span>

namespace
{

constexpr int kPumpIntervalMs = 2;

} // namespace

ModulePump::ModulePump(PtyPeer &peer, QObject *parent) : QObject(parent), m_peer(peer)
{
    m_timer.setInterval(kPumpIntervalMs);
    connect(&m_timer, &QTimer::timeout, this, &ModulePump::pump);
    m_timer.start();
}

void ModulePump::pump()
{
    const QByteArray bytes = m_peer.takeReceived();
    if (bytes.isEmpty())
        return;
    m_heard += bytes;
    const std::vector<std::uint8_t> replies =
        m_model.feed(std::span(reinterpret_cast<const std::uint8_t *>(bytes.constData()),
                               static_cast<std::size_t>(bytes.size())));
    if (!replies.empty())
        m_peer.send(QByteArray(reinterpret_cast<const char *>(replies.data()),
                               static_cast<qsizetype>(replies.size())));
}

void ModulePump::send(const std::optional<proto::Reply> &reply)
{
    if (reply)
        m_peer.send(reply->bytes());
}

QByteArray ModulePump::heardHex() const
{
    return m_heard.toHex(' ').toUpper();
}

QStringList ModulePump::screen() const
{
    QStringList rows;
    for (int row = 0; row < proto::kRows; ++row)
        rows << rowText(row);
    return rows;
}

QString ModulePump::rowText(int row) const
{
    QString text;
    for (std::uint8_t code : m_model.display().row(row))
        text += QChar(static_cast<char16_t>(code <= proto::kLastCustomChar ? u'0' + code : code));
    return text;
}
