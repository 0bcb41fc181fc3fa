#pragma once
// LCDd's bars, big digits and icons drawn into a Screen, with the module's solid block (FF)
// for full cells and its own ellipsis (85); partial bar cells, big-digit pieces and the
// other icons are shapes in the glyph slots. Positions are LCDd's: 1-based.

#include "screen.h"

namespace lcdd
{

// Partial bar cells: `columns` (1-4) dot columns lit from the left, `rows` (1-7) dot rows
// lit from the bottom.
Glyph leftColumns(int columns);
Glyph bottomRows(int rows);

// From (x, y) rightwards over `length` cells, filled to promille / 1000.
void drawHorizontalBar(Screen &screen, int x, int y, int length, int promille);
// From (x, y) upwards over `length` cells.
void drawVerticalBar(Screen &screen, int x, int y, int length, int promille);
// A digit 0-9 three columns wide, or 10 for a colon one column wide, over all four rows.
void drawBigNumber(Screen &screen, int x, int number);
// LCDd's heartbeat in the top right cell, `frame` counting LCDd's frames: a filled heart
// that turns open twice a second. The open heart only takes a slot that costs no other
// shape its place, and the filled one keeps its slot from beat to beat, so the beat never
// uploads the glyph table again; without an open heart the cell shows what LCDd drew
// there, without any slot the filled heart is LCDd's own stand-in '#'.
void drawHeartbeat(Screen &screen, unsigned frame);
// False for an icon this driver does not draw, or when no slot is left: LCDd then draws
// a stand-in character of its own.
bool drawIcon(Screen &screen, int x, int y, int icon);

} // namespace lcdd
