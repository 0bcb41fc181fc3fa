#include "script/scriptwriter.h"

#include <cmath>
#include <utility>

#include <QStringList>

#include "protocol/framedescriber.h"
#include "script/parser.h"

namespace script
{

namespace
{

constexpr int kBytesPerArrayLine = 16;

QString meaning(const proto::Frame &frame)
{
    return QString::fromStdString(proto::describeBytes(frame));
}

QString hexLine(const proto::Frame &frame)
{
    return proto::hexCaption(frame).trimmed() + QStringLiteral("  # ") + meaning(frame);
}

QString awaitedText(Step::Awaited awaited)
{
    switch (awaited) {
    case Step::Awaited::Analog1:
        return QStringLiteral("the module answers FA with the reading of analog input 1");
    case Step::Awaited::Analog2:
        return QStringLiteral("the module answers FB with the reading of analog input 2");
    case Step::Awaited::SaveAck:
        return QStringLiteral("the module answers FE 20 20 once its flash is written");
    }
    return {};
}

// Everything but the frames, in words.
QString note(const Step &step)
{
    switch (step.kind) {
    case Step::Kind::Send:
        break;
    case Step::Kind::Wait:
        return QStringLiteral("wait %1 ms").arg(step.ms);
    case Step::Kind::Await:
        return awaitedText(step.awaited);
    case Step::Kind::Listen:
        return QStringLiteral("listen: the module's replies arrive whenever it sends them");
    }
    return {};
}

// Lines handed on in pieces of many, so that a run of millions of steps is never held as
// text whole.
class LineSink
{
public:
    explicit LineSink(const std::function<void(const QString &)> &write) : m_write(write) {}
    // No line at all still ends as one empty line, as a list of lines joined would.
    ~LineSink()
    {
        if (!m_written || m_pieceHasLines)
            m_write(m_piece);
    }

    void operator<<(const QString &line)
    {
        if (std::exchange(m_pieceHasLines, true))
            m_piece += QLatin1Char('\n');
        m_piece += line;
        if (m_piece.size() >= kPieceSize)
            flush();
    }

private:
    static constexpr qsizetype kPieceSize = 64 * 1024;
    void flush()
    {
        m_write(std::exchange(m_piece, QString()));
        m_written = true;
        m_pieceHasLines = false;
    }

    const std::function<void(const QString &)> &m_write;
    QString m_piece;
    bool m_pieceHasLines = false;
    bool m_written = false;
};

// The bytes of every frame, each frame under its meaning; `end` closes a comment, and a
// meaning that holds it (write "*/") is kept from closing it early.
void arrayBody(const Steps &steps, const QString &comment, const QString &end, LineSink &lines)
{
    const auto commentLine = [&](QString text) {
        if (!end.isEmpty())
            text.replace(end.trimmed(), QStringLiteral("* /"));
        lines << QStringLiteral("    ") + comment + text + end;
    };
    for (std::size_t index = 0; index < steps.size(); ++index) {
        const Step step = steps[index];
        if (step.kind != Step::Kind::Send) {
            commentLine(note(step));
            continue;
        }
        commentLine(meaning(step.frame));
        for (std::size_t at = 0; at < step.frame.size(); at += kBytesPerArrayLine) {
            QStringList bytes;
            for (std::size_t i = at; i < std::min(step.frame.size(), at + kBytesPerArrayLine); ++i)
                bytes << QStringLiteral("0x") +
                             QString::number(step.frame[i], 16).rightJustified(2, u'0').toUpper();
            lines << QStringLiteral("    ") + bytes.join(QStringLiteral(", ")) + QLatin1Char(',');
        }
    }
}

} // namespace

QString framesToScript(const std::vector<record::TimedFrame> &frames, bool waits)
{
    QStringList lines;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        if (waits && i > 0) {
            // A wait longer than a script allows becomes several, so the script still plays.
            for (auto pause = std::lround(frames[i].atMs - frames[i - 1].atMs); pause > 0;
                 pause -= kLongestWaitMs)
                lines << QStringLiteral("wait %1").arg(std::min<long>(pause, kLongestWaitMs));
        }
        lines << hexLine(frames[i].bytes);
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

void dryRun(const Steps &steps, DryRunFormat format,
            const std::function<void(const QString &)> &write)
{
    bool sends = false;
    for (std::size_t index = 0; index < steps.size() && !sends; ++index)
        sends = steps.kind(index) == Step::Kind::Send;
    LineSink lines(write);
    switch (format) {
    case DryRunFormat::Hex:
        for (std::size_t index = 0; index < steps.size(); ++index) {
            const Step step = steps[index];
            lines << (step.kind == Step::Kind::Send   ? hexLine(step.frame)
                      : step.kind == Step::Kind::Wait ? QStringLiteral("wait %1").arg(step.ms)
                                                      : QStringLiteral("# ") + note(step));
        }
        break;
    case DryRunFormat::C:
        if (!sends) {
            lines << QStringLiteral("/* nothing to send */");
            break;
        }
        lines << QStringLiteral("static const unsigned char vantel_bytes[] = {");
        arrayBody(steps, QStringLiteral("/* "), QStringLiteral(" */"), lines);
        lines << QStringLiteral("};");
        break;
    case DryRunFormat::Python:
        lines << QStringLiteral("vantel_bytes = bytes([");
        arrayBody(steps, QStringLiteral("# "), QString(), lines);
        lines << QStringLiteral("])");
        break;
    }
}

QString dryRun(const Steps &steps, DryRunFormat format)
{
    QString text;
    dryRun(steps, format, [&text](const QString &piece) { text += piece + QLatin1Char('\n'); });
    return text;
}

} // namespace script
