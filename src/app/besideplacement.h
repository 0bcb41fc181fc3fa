#pragma once
// Where a second window of the utility (the line log) first opens: beside the main window,
// not over it. To its right when the screen has room there, else below it, else as near
// as the screen allows. Rectangles are frames (title bar and borders included).

#include <QPoint>
#include <QRect>
#include <QSize>

QPoint besidePosition(const QRect &mainFrame, const QSize &frameSize, const QRect &screen);
