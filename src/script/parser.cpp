#include "script/parser.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include "script/arguments.h"
#include "script/tokenizer.h"

namespace script
{

namespace
{

// Longer than any script a person writes; keeps a wrong file (a disk image) from filling
// the memory before it is refused.
constexpr qint64 kLargestScript = 16 * 1024 * 1024;

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
    return addWords(words, false, origin);
}

namespace
{

// Why a line of a script is not text, or nothing. Tabs and the CR of a CRLF ending are text.
QString notScriptText(const QByteArray &line)
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

} // namespace

bool Parser::addScript(const QByteArray &content, const QString &name, const QString &folder)
{
    // A script is text: a file that is not (an image, a binary, a Latin-1 file) is refused at
    // its first bad line rather than read as garbled commands.
    const QList<QByteArray> rawLines = content.split('\n');
    for (qsizetype i = 0; i < rawLines.size(); ++i) {
        if (const QString problem = notScriptText(rawLines.at(i)); !problem.isEmpty())
            return fail(Origin{name, static_cast<int>(i + 1), QString()}, problem);
    }
    const QString savedFolder = std::exchange(m_folder, folder);
    ++m_scriptDepth;
    const QStringList lines = QString::fromUtf8(content).split(QLatin1Char('\n'));
    bool ok = true;
    for (qsizetype i = 0; ok && i < lines.size(); ++i)
        ok = addLine(lines.at(i), Origin{name, static_cast<int>(i + 1), lines.at(i).trimmed()});
    --m_scriptDepth;
    m_folder = savedFolder;
    return ok;
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
    if (m_folder.isEmpty() || QDir::isAbsolutePath(file))
        return file;
    return QDir(m_folder).filePath(file);
}

void Parser::send(proto::Frame frame)
{
    Step step;
    step.kind = Step::Kind::Send;
    step.frame = std::move(frame);
    step.origin = m_origin;
    m_steps.push_back(std::move(step));
}

void Parser::wait(int ms)
{
    Step step;
    step.kind = Step::Kind::Wait;
    step.ms = ms;
    step.origin = m_origin;
    m_steps.push_back(std::move(step));
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
    m_steps.push_back(std::move(step));
}

bool Parser::play(Arguments &args)
{
    const auto file = args.word(QStringLiteral("FILE"));
    if (!file || !args.finish())
        return false;
    if (*file == QLatin1String("-")) {
        if (m_scriptDepth > 0)
            return args.fail(
                QStringLiteral("'-' (standard input) can only be played from the command line"));
        const QByteArray content =
            m_setup.readStandardInput ? m_setup.readStandardInput() : QByteArray();
        return addScript(content, QStringLiteral("standard input"), QDir::currentPath()) ||
               args.fail(m_error);
    }
    return playFile(args, *file);
}

bool Parser::playFile(Arguments &args, const QString &file)
{
    const QString path = pathFor(file);
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    if (info.isDir())
        return args.fail(QStringLiteral("cannot read '%1': is a directory").arg(file));
    if (canonical.isEmpty() || !info.isFile())
        return args.fail(QStringLiteral("cannot read '%1': no such file").arg(file));
    if (m_playing.contains(canonical))
        return args.fail(QStringLiteral("'%1' is already being played: a script cannot play "
                                        "itself, directly or through others")
                             .arg(file));
    QFile input(path);
    if (!input.open(QIODevice::ReadOnly))
        return args.fail(QStringLiteral("cannot read '%1': %2").arg(file, input.errorString()));
    if (input.size() > kLargestScript)
        return args.fail(QStringLiteral("'%1' is larger than a script can be (%2 MiB)")
                             .arg(file)
                             .arg(kLargestScript / 1024 / 1024));
    const QByteArray content = input.readAll();
    m_playing << canonical;
    const bool ok = addScript(content, file, info.absolutePath());
    m_playing.removeLast();
    // The error names the line of the played script; the play line adds nothing to it.
    return ok || args.fail(m_error);
}

} // namespace script
