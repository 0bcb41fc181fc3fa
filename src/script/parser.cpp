#include "script/parser.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include <QDir>
#include <QFileInfo>
#include <QStringDecoder>

#include "script/arguments.h"
#include "script/tokenizer.h"

namespace script
{

namespace
{

// Two hex digits per byte, any number of bytes: "FE", "fe320013".
bool isHexWord(const QString &word)
{
    const auto isHexDigit = [](QChar c) {
        return c.unicode() < 0x80 && std::isxdigit(static_cast<unsigned char>(c.unicode()));
    };
    return !word.isEmpty() && word.size() % 2 == 0 &&
           std::all_of(word.begin(), word.end(), isHexDigit);
}

} // namespace

QString Origin::where() const
{
    return source.isEmpty() ? QString() : QStringLiteral("%1:%2").arg(source).arg(line);
}

std::optional<proto::Frame> parseHexWords(const QStringList &words)
{
    proto::Frame frame;
    for (const QString &word : words) {
        if (!isHexWord(word))
            return std::nullopt;
        const QByteArray bytes = QByteArray::fromHex(word.toLatin1());
        frame.insert(frame.end(), bytes.begin(), bytes.end());
    }
    return frame;
}

Parser::Parser(ParserSetup setup) : m_setup(std::move(setup)) {}

bool Parser::fail(const Origin &origin, const QString &message)
{
    if (m_error.isEmpty())
        m_error =
            origin.where().isEmpty() ? message : origin.where() + QStringLiteral(": ") + message;
    return false;
}

bool Parser::addCommand(const QStringList &words)
{
    const Origin origin{QString(), 0, words.join(QLatin1Char(' '))};
    // A `play` only enters its script; it is read here.
    return addWords(words, false, origin) && withinRun(origin, 0) && readScripts();
}

namespace
{

// Why a line of a script is not text, or nothing. Tabs and the CR of a CRLF ending are text.
QString notScriptText(QByteArrayView line)
{
    for (const char c : line) {
        const auto code = static_cast<unsigned char>(c);
        if ((code < 0x20 && c != '\t' && c != '\r') || code == 0x7F)
            return QStringLiteral("control character \\x%1 (not script text)")
                .arg(QString::number(code, 16).toUpper().rightJustified(2, u'0'));
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString decoded = utf8(line);
    if (utf8.hasError())
        return QStringLiteral("not UTF-8 text");
    return {};
}

// The line that starts at `from`, without its LF, and where the next one starts.
QByteArrayView lineAt(const QByteArray &content, qsizetype from, qsizetype *next)
{
    qsizetype end = content.indexOf('\n', from);
    if (end < 0)
        end = content.size();
    *next = end + 1;
    return QByteArrayView(content).sliced(from, end - from);
}

} // namespace

bool Parser::addScript(const QByteArray &content, const QString &name, const QString &folder)
{
    return enterScript(content, name, folder, QString(), Origin{name, 0, QString()}) &&
           readScripts();
}

bool Parser::enterScript(const QByteArray &content, const QString &name, const QString &folder,
                         const QString &identity, const Origin &from)
{
    if (m_playing.size() >= std::size_t(kDeepestNesting))
        return fail(from, QStringLiteral("scripts nested deeper than %1").arg(kDeepestNesting));
    // A script is text: a file that is not (an image, a binary, a Latin-1 file) is refused at
    // its first bad line rather than read as garbled commands.
    int number = 0;
    for (qsizetype at = 0; at <= content.size();) {
        const QByteArrayView line = lineAt(content, at, &at);
        ++number;
        if (const QString problem = notScriptText(line); !problem.isEmpty())
            return fail(Origin{name, number, QString()}, problem);
    }
    m_playing.push_back({content, name, folder, identity, 0, 0});
    return true;
}

bool Parser::readScripts()
{
    // One line at a time from the innermost script; a `play` on it enters another, whose
    // lines come next, and a script whose lines are all read is left.
    while (!m_playing.empty()) {
        Playing &script = m_playing.back();
        if (script.next > script.content.size()) {
            m_playing.pop_back();
            continue;
        }
        const QByteArrayView raw = lineAt(script.content, script.next, &script.next);
        const QString line = QString::fromUtf8(raw);
        const Origin origin{script.name, ++script.line, line.trimmed()};
        if (!addLine(line, origin) || !withinRun(origin, raw.size() + 1)) {
            m_playing.clear();
            return false;
        }
    }
    return true;
}

bool Parser::withinRun(const Origin &origin, qint64 bytes)
{
    m_runBytes += bytes;
    if (m_runBytes > m_setup.largestRun)
        return fail(origin, QStringLiteral("the scripts of this run and the files they read add "
                                           "up to more than %1 (every play counts)")
                                .arg(files::sizeText(m_setup.largestRun)));
    if (m_steps.size() > m_setup.mostSteps)
        return fail(origin, QStringLiteral("more than %1 steps in one run").arg(m_setup.mostSteps));
    return true;
}

bool Parser::addLine(const QString &line, const Origin &origin)
{
    const TokenizedLine tokens = tokenize(line);
    if (!tokens.error.isEmpty())
        return fail(origin, tokens.error);
    if (tokens.words.empty())
        return true;
    QStringList words;
    for (const Word &word : tokens.words)
        words << word.text;
    return addWords(words, tokens.words.front().quoted, origin);
}

bool Parser::addWords(const QStringList &words, bool firstQuoted, const Origin &origin)
{
    if (words.isEmpty())
        return fail(origin, QStringLiteral("empty command"));
    m_origin = origin;
    if (!firstQuoted && isHexWord(words.first())) {
        Arguments args(QStringLiteral("frame"), QStringLiteral("FE 32 00 13"), words);
        return raw(args) || fail(origin, args.error());
    }
    for (const Command &command : commands()) {
        if (words.first() != QLatin1String(command.name))
            continue;
        Arguments args(words.first(), QString::fromLatin1(command.usage), words.mid(1));
        if ((this->*command.run)(args) && args.finish())
            return true;
        return fail(origin, args.error());
    }
    return fail(origin, QStringLiteral("unknown command '%1' (see vantelctl --help)")
                            .arg(shownWord(words.first())));
}

QString Parser::pathFor(const QString &file) const
{
    if (m_playing.empty() || m_playing.back().folder.isEmpty() || QDir::isAbsolutePath(file))
        return file;
    return QDir(m_playing.back().folder).filePath(file);
}

const files::UserFile &Parser::readFile(const QString &path, qint64 maxBytes)
{
    if (const auto known = m_files.constFind(path); known != m_files.cend())
        return *known;
    files::UserFile file =
        m_setup.readFile ? m_setup.readFile(path, maxBytes) : files::readUserFile(path, maxBytes);
    return *m_files.insert(path, std::move(file));
}

void Parser::send(proto::Frame frame)
{
    Step step;
    step.kind = Step::Kind::Send;
    step.frame = std::move(frame);
    step.origin = m_origin;
    m_steps.add(step);
}

void Parser::wait(int ms)
{
    Step step;
    step.kind = Step::Kind::Wait;
    step.ms = ms;
    step.origin = m_origin;
    m_steps.add(step);
}

void Parser::await(Step::Awaited awaited, int since, bool print)
{
    Step step;
    step.kind = Step::Kind::Await;
    step.awaited = awaited;
    step.since = since;
    step.ms = kReplyTimeoutMs;
    step.print = print;
    step.origin = m_origin;
    m_steps.add(step);
}

bool Parser::play(Arguments &args)
{
    const auto file = args.word(QStringLiteral("FILE"));
    if (!file || !args.finish())
        return false;
    if (*file != QLatin1String("-"))
        return playFile(args, *file);
    if (!m_playing.empty())
        return args.fail(
            QStringLiteral("'-' (standard input) can only be played from the command line"));
    const QByteArray content =
        m_setup.readStandardInput ? m_setup.readStandardInput() : QByteArray();
    if (content.size() > kLargestScript)
        return args.fail(QStringLiteral("standard input is larger than a script can be (%1)")
                             .arg(files::sizeText(kLargestScript)));
    return enterScript(content, QStringLiteral("standard input"), QDir::currentPath(), QString(),
                       m_origin) ||
           args.fail(m_error);
}

bool Parser::playFile(Arguments &args, const QString &file)
{
    const QString path = pathFor(file);
    const files::UserFile &read = readFile(path, kLargestScript);
    switch (read.state) {
    case files::UserFile::State::Read:
        break;
    case files::UserFile::State::TooLarge:
        return args.fail(QStringLiteral("'%1' is larger than a script can be (%2)")
                             .arg(file, files::sizeText(kLargestScript)));
    case files::UserFile::State::Missing:
    case files::UserFile::State::Refused:
        return args.fail(QStringLiteral("cannot read '%1': %2").arg(file, read.reason));
    }
    const QFileInfo info(path);
    QString identity = info.canonicalFilePath();
    if (identity.isEmpty()) // a file of the setup's own reader
        identity = QDir::cleanPath(info.absoluteFilePath());
    for (const Playing &playing : m_playing) {
        if (playing.identity == identity)
            return args.fail(QStringLiteral("'%1' is already being played: a script cannot play "
                                            "itself, directly or through others")
                                 .arg(file));
    }
    // The error names the line of the played script; the play line adds nothing to it.
    return enterScript(read.content, file, info.absolutePath(), identity, m_origin) ||
           args.fail(m_error);
}

} // namespace script
