#include "script/replyline.h"

#include <cmath>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include "protocol/framedescriber.h"
#include "protocol/protocol.h"

namespace script
{

namespace
{

QString hex(const QByteArray &bytes)
{
    return proto::hexCaption(bytes).trimmed();
}

QJsonArray numbers(const std::vector<int> &values)
{
    QJsonArray array;
    for (int value : values)
        array.append(value);
    return array;
}

QString line(QJsonObject object, const QByteArray &bytes, double ms, const std::string &text)
{
    object.insert(QStringLiteral("ms"), std::round(ms * 10) / 10);
    object.insert(QStringLiteral("bytes"), hex(bytes));
    object.insert(QStringLiteral("text"), QString::fromStdString(text));
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

} // namespace

QString replyText(const proto::Reply &reply, proto::P2Mode mode)
{
    return hex(reply.bytes()) + QStringLiteral("  ") +
           QString::fromStdString(proto::describeReply(reply, mode));
}

QString replyJson(const proto::Reply &reply, proto::P2Mode mode, double ms)
{
    const proto::DecodedReply decoded = proto::decodeReply(reply, mode);
    QJsonObject object;
    switch (decoded.kind) {
    case proto::DecodedReply::Kind::SaveAck:
        object.insert(QStringLiteral("kind"), QStringLiteral("save-ack"));
        break;
    case proto::DecodedReply::Kind::Analog:
        object.insert(QStringLiteral("kind"), QStringLiteral("analog"));
        object.insert(QStringLiteral("input"), decoded.analogIndex + 1);
        object.insert(QStringLiteral("value"), decoded.analogValue);
        break;
    case proto::DecodedReply::Kind::InputStatus:
        object.insert(QStringLiteral("kind"), QStringLiteral("inputs"));
        object.insert(QStringLiteral("high"), numbers(proto::pinsHigh(reply)));
        break;
    case proto::DecodedReply::Kind::KeypadState:
        object.insert(QStringLiteral("kind"), QStringLiteral("keypad"));
        object.insert(QStringLiteral("down"), numbers(proto::keysDown(reply)));
        break;
    case proto::DecodedReply::Kind::Ignored:
        object.insert(QStringLiteral("kind"), QStringLiteral("unknown"));
        break;
    }
    return line(object, reply.bytes(), ms, proto::describeReply(reply, mode));
}

QString droppedText(const QByteArray &bytes)
{
    return QString::fromStdString(proto::describeDropped(bytes));
}

QString eventJson(const QString &event, const QString &reason, double ms)
{
    QJsonObject object;
    object.insert(QStringLiteral("event"), event);
    object.insert(QStringLiteral("ms"), std::round(ms * 10) / 10);
    if (!reason.isEmpty())
        object.insert(QStringLiteral("reason"), reason);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

QString droppedJson(const QByteArray &bytes, double ms)
{
    QJsonObject object;
    object.insert(QStringLiteral("kind"), QStringLiteral("dropped"));
    return line(object, bytes, ms, proto::describeDropped(bytes));
}

} // namespace script
