#pragma once
// What the whole application installs once, after the application object exists and before
// the first control does: the accessibility interfaces the toolkit lacks (accessibility.h)
// and the style the controls are drawn with. The program's main() calls it, and so does
// every test that builds the window, so both see the same window.

void setUpApplication();
