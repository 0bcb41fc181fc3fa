// Plays scripts that play scripts, on a file system of the fuzzer's own: the input is up to
// eight files cut at NUL bytes (a NUL is never script text). File N is f<N>.vtl, and so is
// every f<M>.vtl with M = N modulo the number of files, up to f9999.vtl, so that chains
// run deep; in its text NEXT names the file after it (f<M+1>.vtl) and SELF the file itself.
// A file's first byte may say what it is instead of a regular file: 'L' one larger than a
// script can be, 'F' a FIFO. Other names are missing. The limits of a run are set small so
// that they are reached quickly. Beyond not crashing or hanging, for any input:
// - the reader is asked for each file once in a run;
// - a parse that fails says why; one that succeeds gives frames that fit the transmit
//   buffer, and no more steps than a run may make (and one line's worth);
// - the same files give the same steps.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QSet>

#include "link/transmitter.h"
#include "script/parser.h"

namespace
{

constexpr std::size_t kMostSteps = 4096;
constexpr qint64 kLargestRun = 256 * 1024;
constexpr std::size_t kLongestLineSteps = 40; // store-messages: twenty frames and waits

void check(bool condition)
{
    if (!condition)
        std::abort();
}

class FuzzFiles
{
public:
    explicit FuzzFiles(const QByteArray &input)
    {
        m_files = input.split('\0');
        if (m_files.size() > 8)
            m_files.resize(8);
    }

    files::UserFile read(const QString &path, qint64 maxBytes)
    {
        check(!m_asked.contains(path)); // once per run
        m_asked.insert(path);
        files::UserFile file;
        file.reason = QStringLiteral("no such file");
        const QString name = path.section(QLatin1Char('/'), -1);
        bool ok = false;
        const int number = name.mid(1, name.size() - 5).toInt(&ok);
        if (!name.startsWith(QLatin1Char('f')) || !name.endsWith(QLatin1String(".vtl")) || !ok ||
            number < 0 || number > 9999)
            return file;
        QByteArray content = m_files.at(number % m_files.size());
        if (content.startsWith('L') || content.size() > maxBytes) {
            file.state = files::UserFile::State::TooLarge;
            file.reason = QStringLiteral("larger than the limit");
            return file;
        }
        if (content.startsWith('F')) {
            file.state = files::UserFile::State::Refused;
            file.reason = QStringLiteral("not a regular file");
            return file;
        }
        content.replace("NEXT", QByteArray("f") + QByteArray::number(number + 1) + ".vtl");
        content.replace("SELF", name.toUtf8());
        file.state = files::UserFile::State::Read;
        file.content = content;
        file.reason.clear();
        return file;
    }

private:
    QList<QByteArray> m_files;
    QSet<QString> m_asked;
};

std::vector<proto::Frame> play(const QByteArray &input, QString *error)
{
    FuzzFiles files(input);
    script::ParserSetup setup{QStringLiteral("/fuzz/vantel.ini"), [] { return QByteArray(); }};
    setup.readFile = [&files](const QString &path, qint64 maxBytes) {
        return files.read(path, maxBytes);
    };
    setup.largestRun = kLargestRun;
    setup.mostSteps = kMostSteps;
    script::Parser parser(setup);
    std::vector<proto::Frame> frames;
    if (!parser.addCommand({QStringLiteral("play"), QStringLiteral("/fuzz/f0.vtl")})) {
        *error = parser.error();
        check(!error->isEmpty());
        return frames;
    }
    const script::Steps &steps = parser.steps();
    check(steps.size() <= kMostSteps + kLongestLineSteps);
    for (std::size_t index = 0; index < steps.size(); ++index) {
        if (steps.kind(index) != script::Step::Kind::Send)
            continue;
        frames.push_back(steps[index].frame);
        check(!frames.back().empty() &&
              frames.back().size() <= std::size_t(seriallink::Transmitter::kBufferSize));
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), qsizetype(size));
    QString firstError;
    const std::vector<proto::Frame> first = play(input, &firstError);
    QString secondError;
    check(play(input, &secondError) == first && secondError == firstError);
    return 0;
}
