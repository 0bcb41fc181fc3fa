#pragma once
// What assistive technology learns about the window, set up once after every control exists.
//
// - Controls without a caption of their own take their name from the label beside them
//   ("Row", "Adjust Brightness", "Message 3", "Pin 5 direction"); buttons whose caption alone
//   says little get the context ("Insert Custom Character 3", "Draw Left to Right Horizontal
//   Graph").
// - The indicators and glyph cells carry their state in their name and keep it current as
//   their colour changes: "Input 3: high", "Key 5: pressed" (keys numbered as read on the
//   drawn keypad, row by row), "Row 2, column 16: on". Cells are check boxes that a screen
//   reader can toggle; indicators read as text.
// - The hex monitors and the analog values are named after their captions and describe what
//   they show, updated whenever it changes.
// - Text on a fixed fill colour gets a fixed text colour that stays legible on it, so a dark
//   or high-contrast desktop palette cannot put white text on the light yellow monitors or
//   the green typed-text box.

class frmMain;

namespace accessibility
{

void install(frmMain &window);

} // namespace accessibility
