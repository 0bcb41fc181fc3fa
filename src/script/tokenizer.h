#pragma once
// One line of a script cut into words:
//
//   - words are separated by blanks (spaces and tabs);
//   - "#" at the start of a word starts a comment that runs to the end of the line;
//   - a word in double quotes may hold blanks and "#"; inside the quotes \" is a quote,
//     \\ a backslash and \xHH the character with that Windows-1252 code; any other
//     backslash, a missing closing quote, or text straight after the closing quote is
//     an error.
//
// A quote inside an unquoted word is part of the word. Single quotes have no meaning.

#include <optional>
#include <vector>

#include <QString>

namespace script
{

struct Word {
    QString text;
    bool quoted = false;
};

struct TokenizedLine {
    std::vector<Word> words;
    QString error; // empty when the line could be read
};

TokenizedLine tokenize(const QString &line);

} // namespace script
