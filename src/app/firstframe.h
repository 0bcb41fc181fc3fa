#pragma once
// Work the first frame does not need, run once that frame is up. Naming the device beside
// Connect may list every serial port of the system, which takes longer than building and
// drawing the whole window; a zero-time timer started in the constructor fires at the first
// turn of the event loop, before the window system has asked for the first frame, so the
// window would appear only after it. This waits for the window's first paint instead.

#include <functional>

class QWidget;

namespace firstframe
{

// Runs `work` once from the event loop, after `window` has painted its first frame (the
// frame is handed to the window system in the same turn, before queued work runs). Never
// runs if the window is destroyed first.
void afterFirstFrame(QWidget *window, std::function<void()> work);

} // namespace firstframe
