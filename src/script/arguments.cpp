#include "script/arguments.h"

#include <limits>
#include <utility>

namespace script
{

std::optional<long long> parseNumber(const QString &word)
{
    QString digits = word;
    const bool negative = digits.startsWith(QLatin1Char('-'));
    if (negative)
        digits.remove(0, 1);
    int base = 10;
    if (digits.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        base = 16;
        digits.remove(0, 2);
    } else if (digits.startsWith(QLatin1String("0b"), Qt::CaseInsensitive)) {
        base = 2;
        digits.remove(0, 2);
    }
    // toLongLong would accept blanks and a sign of its own; only digits count here.
    if (digits.isEmpty())
        return std::nullopt;
    for (QChar c : digits) {
        const int value = c.isDigit() && c.unicode() < 0x80 ? c.unicode() - u'0'
                          : c.isLetter() && c.unicode() < 0x80
                              ? QChar::toLower(c.unicode()) - u'a' + 10
                              : base;
        if (value >= base)
            return std::nullopt;
    }
    bool ok = false;
    const long long value = digits.toLongLong(&ok, base);
    if (!ok) // more digits than any argument allows: out of range, whatever the range
        return negative ? std::numeric_limits<long long>::min()
                        : std::numeric_limits<long long>::max();
    return negative ? -value : value;
}

QString range(int first, int last)
{
    return QStringLiteral("%1 to %2").arg(first).arg(last);
}

Arguments::Arguments(QString command, QString usage, QStringList words)
    : m_command(std::move(command)), m_usage(std::move(usage)), m_words(std::move(words))
{
}

QStringList Arguments::rest()
{
    const QStringList words = m_words.mid(m_next);
    m_next = m_words.size();
    return words;
}

bool Arguments::fail(const QString &message)
{
    if (m_error.isEmpty())
        m_error = m_command + QStringLiteral(": ") + message;
    return false;
}

std::optional<QString> Arguments::word(const QString &name)
{
    if (failed())
        return std::nullopt;
    if (atEnd()) {
        fail(QStringLiteral("missing %1 (usage: %2)").arg(name, m_usage));
        return std::nullopt;
    }
    return m_words.at(m_next++);
}

std::optional<QString> Arguments::choice(const QString &name, const QStringList &choices)
{
    const auto text = word(name);
    if (!text)
        return std::nullopt;
    if (!choices.contains(*text)) {
        fail(QStringLiteral("'%1' is not allowed for %2 (allowed: %3)")
                 .arg(shownWord(*text), name, choices.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    return text;
}

std::optional<int> Arguments::number(const QString &name, const QString &allowed)
{
    const auto text = word(name);
    if (!text)
        return std::nullopt;
    const auto value = parseNumber(*text);
    if (!value) {
        fail(QStringLiteral("%1 '%2' is not a number (allowed: %3)")
                 .arg(name, shownWord(*text), allowed));
        return std::nullopt;
    }
    if (*value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max()) {
        fail(QStringLiteral("%1 %2 is out of range (allowed: %3)").arg(name, *text, allowed));
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

bool Arguments::inRange(bool ok, const QString &name, long long value, const QString &allowed)
{
    if (ok || failed())
        return ok && !failed();
    return fail(
        QStringLiteral("%1 %2 is out of range (allowed: %3)").arg(name).arg(value).arg(allowed));
}

bool Arguments::finish()
{
    if (failed())
        return false;
    if (!atEnd())
        return fail(QStringLiteral("unexpected argument '%1' (usage: %2)")
                        .arg(shownWord(m_words.at(m_next)), m_usage));
    return true;
}

} // namespace script
