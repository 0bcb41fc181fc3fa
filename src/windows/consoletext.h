#pragma once
// Text to and from the console in characters the console shows as they are. A console
// takes a program's bytes in its own code page (850, 437, ...), not in the ANSI code page
// of QString::toLocal8Bit (1252, ...), so "é" or "°" written as bytes would show as other
// letters.
//
// - To a console: UTF-16 as it stands (WriteConsoleW), right whatever its code page.
// - To a file or a pipe: bytes in the console's output code page, which what reads them
//   (cmd's type and more, PowerShell) expects; with no console at all, the ANSI code page.
// - From a console: the characters typed (ReadConsoleW), until Ctrl+Z, as UTF-8, the
//   script's own encoding. A file or a pipe is read as its bytes stand, as anywhere.

#include <QByteArray>
#include <QString>

namespace consoletext
{

enum class Stream { Output, Error };

// False when the text could not be written (the reader went away).
bool write(Stream stream, const QString &text);

// Whether standard input is a console that a person types into.
bool inputIsConsole();
// What is typed there, as UTF-8: to Ctrl+Z, or until it holds more than `limit` bytes.
QByteArray readConsole(qsizetype limit);

// A program without a console of its own (the window) answering on the command line: its
// standard output and error go to the console of the program that started it, unless they
// lead somewhere already (a file, a pipe). False when they lead nowhere.
bool useParentConsole();

} // namespace consoletext
