#include "replytext.h"

#include <QStringList>

#include "link/protocol.h"

namespace simtool
{

namespace
{

template <std::size_t N> QString numbered(const std::array<bool, N> &bits, const char *none)
{
    QStringList on;
    for (std::size_t i = 0; i < N; ++i)
        if (bits[i])
            on << QString::number(i + 1);
    return on.isEmpty() ? QString::fromLatin1(none) : on.join(QLatin1Char(' '));
}

template <std::size_t N> QString indices(const std::array<bool, N> &bits)
{
    QStringList on;
    for (std::size_t i = 0; i < N; ++i)
        if (bits[i])
            on << QString::number(i);
    return on.isEmpty() ? QStringLiteral("none") : on.join(QLatin1Char(' '));
}

} // namespace

QString replyLogLine(const Reply &reply, P2Mode mode)
{
    const DecodedReply decoded = decodeReply(reply, mode);
    QString text;
    switch (decoded.kind) {
    case DecodedReply::Kind::SaveAck:
        text = QStringLiteral("settings stored in flash");
        break;
    case DecodedReply::Kind::Analog:
        text = QStringLiteral("analog input %1 reading %2")
                   .arg(decoded.analogIndex + 1)
                   .arg(decoded.analogValue);
        break;
    case DecodedReply::Kind::InputStatus:
        text = QStringLiteral("input pins high: ") + numbered(decoded.inputs, "none");
        break;
    case DecodedReply::Kind::KeypadState:
        text = QStringLiteral("keys held: ") + indices(decoded.keys);
        break;
    case DecodedReply::Kind::Ignored:
        text = QStringLiteral("reply");
        break;
    }
    return QStringLiteral("reply ") + proto::hexCaption(reply.bytes()) + QLatin1Char(' ') + text;
}

} // namespace simtool
