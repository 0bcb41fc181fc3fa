#pragma once
// The words after a command's name, taken one by one, with the messages a user sees when
// one is missing, malformed or out of range. Every message names the command, the argument
// and what is allowed:
//
//   goto: missing COLUMN (usage: goto ROW COLUMN)
//   goto: ROW 7 is out of range (allowed: 0 to 3)
//   backlight: 'dim' is not allowed (allowed: on, off, level)
//
// Numbers are decimal (42), hexadecimal with 0x (0x2A) or binary with 0b (0b101010), with
// an optional minus sign so that -1 reads as a number out of range rather than as nonsense.

#include <optional>

#include <QString>
#include <QStringList>

#include "encoding/shownword.h"

namespace script
{

std::optional<long long> parseNumber(const QString &word);

class Arguments
{
public:
    Arguments(QString command, QString usage, QStringList words);

    bool atEnd() const { return m_next >= m_words.size(); }
    // The next word, not taken; empty at the end.
    QString peek() const { return atEnd() ? QString() : m_words.at(m_next); }
    // The remaining words, all taken.
    QStringList rest();
    // The next word; a message when there is none.
    std::optional<QString> word(const QString &name);
    // The next word, which must be one of `choices`.
    std::optional<QString> choice(const QString &name, const QStringList &choices);
    // The next word as a number, reported with `allowed` when it is not one.
    std::optional<int> number(const QString &name, const QString &allowed);
    // Records "NAME value is out of range" unless `ok`; returns ok.
    bool inRange(bool ok, const QString &name, long long value, const QString &allowed);
    // True when no word is left over; records the first extra word otherwise.
    bool finish();
    bool fail(const QString &message);

    bool failed() const { return !m_error.isEmpty(); }
    // "goto: ROW 7 is out of range (allowed: 0 to 3)"
    QString error() const { return m_error; }

private:
    QString m_command;
    QString m_usage;
    QStringList m_words;
    qsizetype m_next = 0;
    QString m_error;
};

// "0 to 3"
QString range(int first, int last);

// A word the user gave, fit to be quoted in a message (encoding/shownword.h).
using encoding::shownWord;

} // namespace script
