#include "script/steps.h"

#include <algorithm>
#include <iterator>

namespace script
{

namespace
{

constexpr std::uint8_t kFormatJson = 1 << 2;
constexpr std::uint8_t kModeKeypad = 1 << 3;
constexpr std::uint8_t kPrint = 1 << 4;
constexpr std::uint8_t kReconnect = 1 << 5;
constexpr std::uint8_t kAwaitedMask = 0x3;

} // namespace

QByteArrayView Steps::textOf(std::size_t line) const
{
    const std::uint32_t end =
        line + 1 < m_lines.size() ? m_lines[line + 1].textAt : std::uint32_t(m_text.size());
    return QByteArrayView(m_text).sliced(m_lines[line].textAt, end - m_lines[line].textAt);
}

std::uint32_t Steps::lineOf(const Origin &origin)
{
    // The steps of one line come one after the other: only the last line can be theirs.
    const QByteArray text = origin.text.toUtf8();
    if (!m_lines.empty() && m_lines.back().number == std::uint32_t(origin.line) &&
        m_sources.back().source == origin.source && textOf(m_lines.size() - 1) == text)
        return std::uint32_t(m_lines.size() - 1);
    if (m_sources.empty() || m_sources.back().source != origin.source)
        m_sources.push_back({std::uint32_t(m_lines.size()), origin.source});
    m_lines.push_back({std::uint32_t(origin.line), std::uint32_t(m_text.size())});
    m_text += text;
    return std::uint32_t(m_lines.size() - 1);
}

void Steps::add(const Step &step)
{
    Packed packed;
    packed.kind = std::uint8_t(step.kind);
    packed.flags = std::uint8_t(std::uint8_t(step.awaited) & kAwaitedMask) |
                   (step.format == Step::Format::Json ? kFormatJson : 0) |
                   (step.mode == proto::P2Mode::Keypad ? kModeKeypad : 0) |
                   (step.print ? kPrint : 0) | (step.reconnect ? kReconnect : 0);
    packed.value = step.kind == Step::Kind::Listen ? step.count : step.ms;
    if (step.kind == Step::Kind::Await)
        packed.frameAt = std::uint32_t(step.since);
    if (step.kind == Step::Kind::Send) {
        packed.frameAt = std::uint32_t(m_bytes.size());
        packed.frameSize = std::uint16_t(step.frame.size());
        m_bytes.insert(m_bytes.end(), step.frame.begin(), step.frame.end());
    }
    packed.line = lineOf(step.origin);
    m_steps.push_back(packed);
}

Step::Kind Steps::kind(std::size_t index) const
{
    return Step::Kind(m_steps[index].kind);
}

Step Steps::operator[](std::size_t index) const
{
    const Packed &packed = m_steps[index];
    Step step;
    step.kind = Step::Kind(packed.kind);
    step.awaited = Step::Awaited(packed.flags & kAwaitedMask);
    step.format = packed.flags & kFormatJson ? Step::Format::Json : Step::Format::Text;
    step.mode = packed.flags & kModeKeypad ? proto::P2Mode::Keypad : proto::P2Mode::Gpio;
    step.print = packed.flags & kPrint;
    step.reconnect = packed.flags & kReconnect;
    if (step.kind == Step::Kind::Listen)
        step.count = packed.value;
    else
        step.ms = packed.value;
    if (step.kind == Step::Kind::Await)
        step.since = int(packed.frameAt);
    if (step.kind == Step::Kind::Send) {
        const auto first = m_bytes.begin() + std::ptrdiff_t(packed.frameAt);
        step.frame.assign(first, first + packed.frameSize);
    }
    // The last run of lines from one script that begins at or before this line.
    const auto run = std::upper_bound(
        m_sources.begin(), m_sources.end(), packed.line,
        [](std::uint32_t line, const SourceRun &source) { return line < source.firstLine; });
    step.origin = {std::prev(run)->source, int(m_lines[packed.line].number),
                   QString::fromUtf8(textOf(packed.line))};
    return step;
}

} // namespace script
