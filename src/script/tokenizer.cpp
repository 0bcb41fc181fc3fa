#include "script/tokenizer.h"

#include "encoding/win1252.h"

namespace script
{

namespace
{

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

int hexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// Reads a quoted word starting at line[i] == '"'; leaves i after the closing quote.
std::optional<QString> readQuoted(const QString &line, qsizetype &i, QString &error)
{
    QString text;
    for (++i; i < line.size(); ++i) {
        const QChar c = line.at(i);
        if (c == QLatin1Char('"')) {
            ++i;
            return text;
        }
        if (c != QLatin1Char('\\')) {
            text += c;
            continue;
        }
        if (++i >= line.size())
            break;
        const QChar escaped = line.at(i);
        if (escaped == QLatin1Char('"') || escaped == QLatin1Char('\\')) {
            text += escaped;
        } else if (escaped == QLatin1Char('x') && i + 2 < line.size() &&
                   hexDigit(line.at(i + 1)) >= 0 && hexDigit(line.at(i + 2)) >= 0) {
            const int code = hexDigit(line.at(i + 1)) * 16 + hexDigit(line.at(i + 2));
            text += QChar(win1252::decode(static_cast<std::uint8_t>(code)));
            i += 2;
        } else if (escaped == QLatin1Char('x')) {
            error = QStringLiteral("\\x needs two hex digits");
            return std::nullopt;
        } else {
            error = QStringLiteral("unknown escape \\%1 in quotes (allowed: \\\", \\\\, \\xHH)")
                        .arg(escaped);
            return std::nullopt;
        }
    }
    error = QStringLiteral("missing closing quote");
    return std::nullopt;
}

} // namespace

TokenizedLine tokenize(const QString &line)
{
    TokenizedLine result;
    qsizetype i = 0;
    while (i < line.size()) {
        if (isBlank(line.at(i))) {
            ++i;
            continue;
        }
        if (line.at(i) == QLatin1Char('#'))
            break;
        if (line.at(i) == QLatin1Char('"')) {
            auto text = readQuoted(line, i, result.error);
            if (!text)
                return result;
            if (i < line.size() && !isBlank(line.at(i))) {
                result.error = QStringLiteral("text straight after a closing quote");
                return result;
            }
            result.words.push_back({*text, true});
            continue;
        }
        const qsizetype start = i;
        while (i < line.size() && !isBlank(line.at(i)))
            ++i;
        result.words.push_back({line.mid(start, i - start), false});
    }
    return result;
}

} // namespace script
