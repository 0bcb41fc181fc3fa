#pragma once
// What vantel-sim is asked to do, read from its command line on plain values so that a test
// can check every answer; main() only acts on it.
//
// A window needs an application object made for it, and that needs a display, so the
// arguments are read before there is one. Every usage error ends with status 2 and one line
// on standard error; --help prints the help on standard output with status 0.

#include <QString>
#include <QStringList>

#include <optional>

namespace simtool
{

enum class Face { Window, Terminal, Plain };

// What main() learns about the world before reading the arguments.
struct Surroundings {
    bool displayPresent = false;   // DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM set
    bool outputIsTerminal = false; // standard output is a terminal
    QString defaultLink;           // where the link goes without --link
};

struct Options {
    Face face = Face::Plain;
    QString link;
    int zoom = 0; // 0: the window's own default scale
    int analog1 = 0;
    int analog2 = 0;
    qint64 exitWith = 0; // 0: no partner process to follow
    QString listen;      // HOST:PORT to serve the module on over TCP too; empty: none
};

// Text for the terminal and the exit status: standard output for status 0, standard error
// for any other.
struct OptionsAnswer {
    int exitStatus = 0;
    QString text;
};

struct ParsedOptions {
    Options options;
    std::optional<OptionsAnswer> answer; // set: print it and end instead of running
};

// Whether main() should make a window application before reading the options: a display
// is there and nothing asks for another face or for help. That application takes Qt's own
// options (-platform, -style, ...) out of the arguments; parseOptions then reads the rest.
bool wantsWindowApplication(const QStringList &arguments, const Surroundings &surroundings);

// arguments: the whole command line, the program's name first.
ParsedOptions parseOptions(const QStringList &arguments, const Surroundings &surroundings);

} // namespace simtool
