#pragma once
// One grammar for the command line and for scripts: a command is its name and its words,
// whether the shell split them (vantelctl goto 0 19) or a script line did (goto 0 19).
// A script line may instead be a frame in hex (FE 32 00 13), two digits per byte, any
// number of bytes per word. Comments, blank lines and quoting: tokenizer.h.
//
// Everything is checked before anything is sent: the parser turns commands and whole
// scripts (with every script they play) into steps (steps.h) and stops at the first error,
// which names the line or the command, the argument and what is allowed. A list of steps
// from a parser without an error is whole.
//
// Whatever the scripts hold, a parse stays bounded in depth, time and memory: files are
// read by the rule of files/userfile.h (a regular file, a script up to kLargestScript,
// standard input no larger), scripts nest at most kDeepestNesting deep (a script being
// played is read line by line from a list of its own, never by the parser calling itself),
// one run reads at most kLargestRun of lines and files however often a script is played,
// and makes at most kMostSteps steps. Each file is read once per run.
//
// The parser keeps what later commands depend on:
//   - the glyph table: `glyph` changes one slot of it and uploads all eight; it starts as
//     the settings file's section UDC, or the table of the last `glyphs FILE`;
//   - the P2 mode: `gpio-mode keypad` makes a later `listen` read status replies as keys.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include "files/userfile.h"
#include "protocol/protocol.h"
#include "script/steps.h"

namespace script
{

class Arguments;

// Waits and timeouts the commands use. Stored messages are paced by the window's tick
// (PacingClock::kIntervalMs), and a frame must fit its transmit buffer (Transmitter::
// kBufferSize), so that any script can be played from the window.
constexpr int kReplyTimeoutMs = 1000; // for read-analog and save-flash
constexpr int kLongestWaitMs = 3600 * 1000;

// Longer than any script a person writes; keeps a wrong file (a disk image) from filling
// the memory before it is refused.
constexpr qint64 kLargestScript = 16 * 1024 * 1024;
constexpr int kDeepestNesting = 64;
// Every line read, each time its script is played, and every file read, once.
constexpr qint64 kLargestRun = 64 * 1024 * 1024;
constexpr std::size_t kMostSteps = 8 * 1024 * 1024;

struct ParserSetup {
    // The settings file whose glyph table `glyph` starts from.
    QString settingsPath;
    // Standard input, for `play -` on the command line; more than kLargestScript bytes of
    // it are refused, so reading one byte more than that is enough.
    std::function<QByteArray()> readStandardInput;
    // How a file a script names is read; files::readUserFile when not given (a fuzzer gives
    // a file system of its own).
    std::function<files::UserFile(const QString &path, qint64 maxBytes)> readFile = {};
    // What one run may read and make (a fuzzer sets them small, to reach them quickly).
    qint64 largestRun = kLargestRun;
    std::size_t mostSteps = kMostSteps;
};

class Parser
{
public:
    explicit Parser(ParserSetup setup);

    // One command of the command line, as the shell split it. False on an error.
    bool addCommand(const QStringList &words);
    // A whole script; `name` appears in messages, `folder` anchors the files it names.
    bool addScript(const QByteArray &content, const QString &name, const QString &folder);

    const Steps &steps() const { return m_steps; }
    // The first error: "show.vtl:4: goto: ROW 7 is out of range (allowed: 0 to 3)".
    const QString &error() const { return m_error; }

    // "goto ROW COLUMN" and one line of help for every command, for --help.
    static QStringList commandHelp();

private:
    struct Command {
        const char *name;
        const char *usage;
        const char *help;
        bool (Parser::*run)(Arguments &);
    };
    static const std::vector<Command> &commands();

    // A script being read: the innermost is the last.
    struct Playing {
        QByteArray content;
        QString name;     // as given, for messages
        QString folder;   // that the files it names are found from
        QString identity; // its file, to refuse a script that plays itself
        qsizetype next = 0;
        int line = 0; // the number of the line last read
    };

    // Starts reading a script (after its text is checked); its lines are read by
    // readScripts(), which the outermost caller runs.
    bool enterScript(const QByteArray &content, const QString &name, const QString &folder,
                     const QString &identity, const Origin &from);
    bool readScripts();
    bool addLine(const QString &line, const Origin &origin);
    bool addWords(const QStringList &words, bool firstQuoted, const Origin &origin);
    bool fail(const Origin &origin, const QString &message);
    // Counts what a run reads against kLargestRun, and its steps against kMostSteps.
    bool withinRun(const Origin &origin, qint64 bytes);
    QString pathFor(const QString &file) const;
    // Reads a file once per run, by the setup's reader.
    const files::UserFile &readFile(const QString &path, qint64 maxBytes);

    void send(proto::Frame frame);
    // Reads a number and sends the frame `build` makes of it; a number it makes no frame of
    // is out of range (`allowed`). The number, or nothing after an error.
    using FrameOf = std::function<std::optional<proto::Frame>(int)>;
    std::optional<int> sendNumbered(Arguments &args, const QString &name, const QString &allowed,
                                    const FrameOf &build);
    void wait(int ms);
    void await(Step::Awaited awaited, int since, bool print);
    bool addText(Arguments &args, const QString &text);
    // The glyph table of a settings file's section UDC, read as the window reads it.
    bool glyphTableFrom(Arguments &args, const QString &path, bool mustExist);
    using Glyphs = std::array<std::uint8_t, proto::kGlyphTableSize>;
    using MessageText = std::array<std::uint8_t, proto::kMessageLength>;
    bool playFile(Arguments &args, const QString &file);

    // The commands.
    bool clear(Arguments &args);
    bool home(Arguments &args);
    bool nextLine(Arguments &args);
    bool backspace(Arguments &args);
    bool text(Arguments &args);
    bool character(Arguments &args);
    bool goTo(Arguments &args);
    bool cursor(Arguments &args);
    bool clearRow(Arguments &args);
    bool clearColumn(Arguments &args);
    bool backlight(Arguments &args);
    bool glyph(Arguments &args);
    bool glyphs(Arguments &args);
    bool loadGlyphs(Arguments &args);
    bool hbar(Arguments &args);
    bool vbar(Arguments &args);
    bool bignum(Arguments &args);
    bool message(Arguments &args);
    bool storeMessages(Arguments &args);
    bool saveFlash(Arguments &args);
    bool moduleSpeed(Arguments &args);
    bool gpioMode(Arguments &args);
    bool pinDirections(Arguments &args);
    bool readAnalog(Arguments &args);
    bool listen(Arguments &args);
    bool raw(Arguments &args);
    bool waitCommand(Arguments &args);
    bool play(Arguments &args);

    ParserSetup m_setup;
    Steps m_steps;
    QString m_error;
    Origin m_origin; // of the command being read
    std::optional<Glyphs> m_glyphs;
    proto::P2Mode m_mode = proto::P2Mode::Gpio;
    std::vector<Playing> m_playing; // outermost first
    qint64 m_runBytes = 0;
    QHash<QString, files::UserFile> m_files;             // by path, as read
    QHash<QString, Glyphs> m_glyphFiles;                 // by path, a table already read
    QHash<QString, std::vector<MessageText>> m_messages; // by path, a message file's texts
};

// Frames in hex as a script writes them, two digits per byte: nothing when a word is not.
std::optional<proto::Frame> parseHexWords(const QStringList &words);

} // namespace script
