#pragma once
// Text on a fixed fill colour gets a fixed text colour that stays legible on it, so a dark or
// high-contrast desktop palette cannot put white text on the green typed-text box or the
// white analog values. Text colours fixed together with their fill (the monitors' dark blue)
// stay as they are.

class QWidget;

namespace legibility
{

void keepTextLegibleOnFills(QWidget &window);

} // namespace legibility
