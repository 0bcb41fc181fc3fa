#pragma once
// Tahoma is missing on most Linux desktops and its stand-ins are wider, so captions laid
// out for it may not fit. fitCaptions() widens (never narrows) every control whose caption
// would be cut, keeping its left edge; captionFits() tells whether one control shows its
// whole caption.

class QWidget;

namespace captionfit
{

bool captionFits(const QWidget *widget);
void fitCaptions(QWidget *root);

} // namespace captionfit
