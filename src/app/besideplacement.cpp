#include "app/besideplacement.h"

#include <algorithm>

namespace
{

constexpr int kGap = 8;

} // namespace

QPoint besidePosition(const QRect &mainFrame, const QSize &frameSize, const QRect &screen)
{
    const QPoint right(mainFrame.right() + 1 + kGap, mainFrame.top());
    if (screen.contains(QRect(right, frameSize)))
        return right;
    const QPoint below(mainFrame.left(), mainFrame.bottom() + 1 + kGap);
    if (screen.contains(QRect(below, frameSize)))
        return below;
    // Neither fits whole: to the right, pushed back onto the screen.
    return {std::clamp(right.x(), screen.left(),
                       std::max(screen.left(), screen.right() + 1 - frameSize.width())),
            std::clamp(right.y(), screen.top(),
                       std::max(screen.top(), screen.bottom() + 1 - frameSize.height()))};
}
