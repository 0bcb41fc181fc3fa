#pragma once
// Frames back into text: the line log saves what was sent as a script, and --dry-run shows
// what a command would send, as a script, a C array or a Python bytes object.
//
// A script written here reads back into the same frames: each frame is one line of hex,
// with its meaning after "#"; pauses become `wait` lines when asked for.
//
//   FE 32 00 13  # set cursor row 0 column 19
//   wait 200
//   48 69  # write "Hi"

#include <functional>
#include <vector>

#include <QString>

#include "record/timedframe.h"
#include "script/steps.h"

namespace script
{

// One line per frame; with `waits`, the pause between two frames as a wait line (whole
// milliseconds, none for pauses under half a millisecond).
QString framesToScript(const std::vector<record::TimedFrame> &frames, bool waits);

enum class DryRunFormat { Hex, C, Python };

// What the steps would send: a script (Hex), a C array or a Python bytes object, each frame
// with its meaning as a comment, pauses and expected replies as comments. Every line ends
// with a newline.
QString dryRun(const Steps &steps, DryRunFormat format);
// The same in pieces of whole lines as they are made, for millions of steps: `write` gets
// each piece without its last newline.
void dryRun(const Steps &steps, DryRunFormat format,
            const std::function<void(const QString &)> &write);

} // namespace script
