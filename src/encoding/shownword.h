#pragma once
// A word from outside (what the user typed, what a server said), fit to be quoted in a
// message: at most `longest` characters (then "..."), and any character that is not printable
// written as \xHH (\uHHHH above FF), so a message never carries raw bytes to a terminal or
// a dialog:
//
//   "\x1b[2J"          \x1B[2J
//   fifty 'z'          forty of them, then ...

#include <QString>

namespace encoding
{

QString shownWord(const QString &word, qsizetype longest = 40);

} // namespace encoding
