#include "encoding/shownword.h"

namespace encoding
{

QString shownWord(const QString &word, qsizetype longest)
{
    QString shown;
    qsizetype characters = 0;
    for (const QChar c : word) {
        if (characters == longest)
            return shown + QStringLiteral("...");
        ++characters;
        // Control characters, and what a failed decoding left (U+FFFD), as their codes.
        if (c.isPrint() && c != QChar::ReplacementCharacter)
            shown += c;
        else if (c.unicode() < 0x100)
            shown += QStringLiteral("\\x") +
                     QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
        else
            shown += QStringLiteral("\\u") +
                     QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0');
    }
    return shown;
}

} // namespace encoding
