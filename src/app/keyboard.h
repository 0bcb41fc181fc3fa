#pragma once
// Keyboard use of the whole window, set up once after every control exists.
//
// - Tab order follows the layout: each frame and page is read as blocks, rows first, top to
//   bottom and left to right, so Tab moves the way the eye does; the pages' controls follow
//   the tab strip, and hidden pages are skipped.
// - Enter (and the keypad's Enter) clicks the focused button, as Space does.
// - Ctrl+Tab / Ctrl+Shift+Tab (and Ctrl+PgDown / Ctrl+PgUp) switch pages from any control.
// - The glyph editor's 40 cells are one stop on the Tab path: Tab enters at the cell last
//   used, the arrow keys (Home, End) move between cells, Space or Enter toggles the cell.
//   The focused cell carries a frame in the highlight colour.

class QWidget;

namespace keyboard
{

void install(QWidget *window);

} // namespace keyboard
