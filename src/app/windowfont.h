#pragma once
// The window's font: Tahoma 8.25 pt where the system has it. Otherwise DejaVu Sans, the
// face closest to Tahoma in design (both are humanist sans faces with a large x-height),
// in its semi-condensed width when that face is installed, because Tahoma is the narrow
// member of its family and the plain DejaVu Sans sets text about a sixth wider. A
// condensed width is never synthesised by squeezing the regular face. Without DejaVu Sans
// the system's own sans-serif is used. Captions that still do not fit are widened by
// captionfit.

#include <QFont>

QFont windowFont();
