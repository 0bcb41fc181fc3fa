#include "commands.h"

#include <QRegularExpression>
#include <QStringDecoder>

#include "encoding/win1252.h"
#include "protocol/messagetext.h"

namespace mqttbridge
{

namespace
{

constexpr qsizetype kLongestQuote = 40;

// Plain decimal digits, spaces around them allowed; nothing for anything else or a number
// far beyond every range here.
std::optional<int> plainNumber(QByteArrayView payload)
{
    const QByteArray text = payload.toByteArray().trimmed();
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,6}$"));
    if (!digits.match(QString::fromLatin1(text)).hasMatch())
        return std::nullopt;
    return text.toInt();
}

std::variant<Command, QString> rowCommand(int row, QByteArrayView payload)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString decoded = utf8(payload);
    if (utf8.hasError())
        return QStringLiteral("the text is not UTF-8");
    // Composed, so that "e" and a combining accent show as the one character they are.
    const QString text = decoded.normalized(QString::NormalizationForm_C);
    for (const char32_t character : text.toUcs4()) {
        if (character < 0x20 || (character >= 0x7F && character <= 0x9F))
            return QStringLiteral("the text holds the control character U+%1")
                .arg(QString::number(character, 16).toUpper().rightJustified(4, u'0'));
    }
    SetRow command{row, proto::messageBytes(text)};
    for (std::uint8_t &code : command.text) {
        if (code == proto::kPrefix)
            code = '?';
    }
    return command;
}

} // namespace

std::variant<Command, QString> parseCommand(QStringView topic, QByteArrayView payload)
{
    if (topic == u"clear/set")
        return ClearDisplay{};
    if (topic == u"backlight/set") {
        const QByteArray word = payload.toByteArray().trimmed().toUpper();
        if (word == "ON" || word == "OFF")
            return SetBacklight{word == "ON"};
        return QStringLiteral("the backlight is ON or OFF");
    }
    if (topic == u"backlight/brightness/set") {
        const auto level = plainNumber(payload);
        if (!level || *level > proto::kMaxBacklightLevel)
            return QStringLiteral("the brightness is a number 0-%1").arg(proto::kMaxBacklightLevel);
        return SetBrightness{*level};
    }
    if (topic == u"message/set") {
        const auto number = plainNumber(payload);
        if (!number || *number < 1 || *number > proto::kMessageCount)
            return QStringLiteral("the message is a number 1-%1").arg(proto::kMessageCount);
        return ShowMessage{*number};
    }
    static const QRegularExpression rowTopic(QStringLiteral("^row/([^/]*)/set$"));
    const QRegularExpressionMatch match = rowTopic.match(topic);
    if (match.hasMatch()) {
        const QString number = match.captured(1);
        if (number.size() != 1 || number[0] < u'1' || number[0].unicode() > u'0' + proto::kRows)
            return QStringLiteral("there is no row %1 (rows 1-%2)").arg(number).arg(proto::kRows);
        return rowCommand(number.toInt() - 1, payload);
    }
    return QStringLiteral("the bridge takes no commands on this topic");
}

std::vector<proto::Frame> framesFor(const Command &command)
{
    // Every value was checked when the command was read, so every builder gives its frame.
    std::vector<proto::Frame> frames;
    const auto add = [&frames](const std::optional<proto::Frame> &frame) {
        if (frame)
            frames.push_back(*frame);
    };
    if (const auto *row = std::get_if<SetRow>(&command)) {
        add(proto::setPosition(row->row, 0));
        for (const std::uint8_t code : row->text)
            add(proto::typedCharacter(code));
    } else if (std::holds_alternative<ClearDisplay>(command)) {
        add(proto::controlByte(proto::kClearDisplay));
    } else if (const auto *light = std::get_if<SetBacklight>(&command)) {
        add(proto::backlight(light->on ? 0 : 1));
    } else if (const auto *level = std::get_if<SetBrightness>(&command)) {
        add(proto::backlightLevel(level->level));
    } else if (const auto *message = std::get_if<ShowMessage>(&command)) {
        add(proto::showMessage(0, message->number));
    }
    return frames;
}

QString rowText(const RowBytes &row)
{
    QString text = win1252::toUnicode(
        QByteArray(reinterpret_cast<const char *>(row.data()), static_cast<qsizetype>(row.size())));
    while (text.endsWith(QLatin1Char(' ')))
        text.chop(1);
    return text;
}

QString quotedPayload(QByteArrayView payload)
{
    QString quoted = QStringLiteral("\"");
    for (const char c : payload.first(std::min(payload.size(), kLongestQuote))) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\')
            quoted += QLatin1Char(c);
        else
            quoted += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
    }
    quoted += QLatin1Char('"');
    if (payload.size() > kLongestQuote)
        quoted += QStringLiteral(" (%1 bytes)").arg(payload.size());
    return quoted;
}

} // namespace mqttbridge
