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

#include <vector>

#include <QString>

#include "record/timedframe.h"
#include "script/step.h"

namespace script
{

// One line per frame; with `waits`, the pause between two frames as a wait line (whole
// milliseconds, none for pauses under half a millisecond).
QString framesToScript(const std::vector<record::TimedFrame> &frames, bool waits);

enum class DryRunFormat { Hex, C, Python };

// What the steps would send: a script (Hex), a C array or a Python bytes object, each frame
// with its meaning as a comment, pauses and expected replies as comments.
QString dryRun(const std::vector<Step> &steps, DryRunFormat format);

} // namespace script
