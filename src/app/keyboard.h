#pragma once
// Keyboard use of the whole window, set up once after every control exists. The controls
// handle their own keys (buttons take Enter as Space, the glyph page moves across its grid
// with the arrow keys); the window adds what belongs to no one control:
//
// - Tab order follows the layout: each frame and page is read as blocks, rows first, top to
//   bottom and left to right, so Tab moves the way the eye does; the pages' controls follow
//   the tab strip, and hidden pages are skipped. Controls that take focus only by click
//   (the glyph cells other than the one last used) keep their place in that order, so a
//   control that hands the Tab stop around keeps it where it belongs.
// - An exclusive pair of options is one stop, entered at the option chosen.
// - Ctrl+Tab / Ctrl+Shift+Tab (and Ctrl+PgDown / Ctrl+PgUp) switch pages from any control
//   while the pages can be used.

class QWidget;

namespace keyboard
{

void install(QWidget *window);

} // namespace keyboard
