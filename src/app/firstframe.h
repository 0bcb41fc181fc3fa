#pragma once
// Work the first frame does not need, run as soon as that frame is up. Naming the device
// beside Connect may list every serial port of the system, which takes longer than building
// and drawing the whole window; a zero-time timer started in the constructor fires at the
// first turn of the event loop, before the window system has asked for the first frame, so
// the window would appear only after it.
//
// The window draws its first frame and hands it to the window system while it handles its
// first expose event. afterFirstFrame() lets that happen and runs the work straight after,
// in the same turn of the event loop, so whoever waits for the window to be exposed finds
// the work done too.

#include <functional>

class QWidget;

namespace firstframe
{

// Runs `work` once, right after `window` (a top-level widget) has drawn its first frame on
// being exposed. Never runs if the window is destroyed first.
void afterFirstFrame(QWidget *window, std::function<void()> work);

} // namespace firstframe
