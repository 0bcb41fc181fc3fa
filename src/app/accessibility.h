#pragma once
// What assistive technology learns about the window.
//
// The controls say it themselves: a glyph cell (a checkable button) that it is on, an
// indicator which bit it shows and whether it is high, a hex monitor its bytes, and each page
// and the window name the controls they build, after the label beside them (the label becomes
// their buddy, which is how a list, whose own name is its current item, is known) or with the
// context a bare caption lacks ("Insert Custom Character 3").
//
// installFactory(), called before any control exists, gives the toolkit the interfaces it
// lacks: the window reads as a frame, indicators as text, and the tab strip lists its eight
// tabs and no scroll buttons it never shows. (An interface made earlier would be kept for
// the control's lifetime.)

namespace accessibility
{

void installFactory();

} // namespace accessibility
