// Feeds arbitrary text to the script parser. Beyond not crashing or hanging:
// - an accepted script sends only frames that fit the transmit buffer, never an empty one;
// - what the line log would save of its frames reads back into exactly the same frames, so
//   a conversation saved as a script replays byte for byte.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QDir>

#include "link/transmitter.h"
#include "script/parser.h"
#include "script/scriptwriter.h"

namespace
{

void check(bool condition)
{
    if (!condition)
        std::abort();
}

std::vector<proto::Frame> framesSent(const script::Steps &steps)
{
    std::vector<proto::Frame> frames;
    for (std::size_t index = 0; index < steps.size(); ++index) {
        if (steps.kind(index) == script::Step::Kind::Send)
            frames.push_back(steps[index].frame);
    }
    return frames;
}

script::Parser parser()
{
    // No settings file and no standard input: a glyph command starts from blank glyphs.
    return script::Parser({QStringLiteral("/nonexistent/vantel.ini"), [] { return QByteArray(); }});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray content(reinterpret_cast<const char *>(data), qsizetype(size));
    script::Parser first = parser();
    if (!first.addScript(content, QStringLiteral("fuzz.vtl"), QDir::tempPath())) {
        check(!first.error().isEmpty());
        return 0;
    }
    const std::vector<proto::Frame> frames = framesSent(first.steps());
    std::vector<record::TimedFrame> timed;
    for (const proto::Frame &frame : frames) {
        check(!frame.empty() && frame.size() <= std::size_t(seriallink::Transmitter::kBufferSize));
        timed.push_back({frame, 0});
    }

    script::Parser again = parser();
    check(again.addScript(script::framesToScript(timed, false).toUtf8(), QStringLiteral("saved"),
                          QDir::tempPath()));
    check(framesSent(again.steps()) == frames);
    return 0;
}
