#include "app/groupboxstyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QImage>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <qdrawutil.h>

#include <algorithm>

namespace groupboxstyle
{

namespace
{

const QString kFusion = QStringLiteral("fusion");
// Fusion's own figures: the frame starts this far below the title's line, and the
// picture's corners are this wide.
constexpr int kTopMargin = 3;
constexpr int kCorner = 6;

// The picture Fusion draws its frames from, 98 by 38 pixels (ARGB, not premultiplied): a
// transparent first row and column, a grey outline, a faint ring inside it and a fainter
// fill; a half turn maps it onto itself. Everything else is these top corners, whose
// outline and ring round off over four pixels.
constexpr int kPictureWidth = 98;
constexpr int kPictureHeight = 38;
constexpr QRgb kOutline = 0x32757575;
constexpr QRgb kRing = 0x07000000;
constexpr QRgb kFill = 0x03000000;
constexpr QRgb kTopLeft[4][4] = {{0x0d272727, 0x345d5d5d, 0x346c6c6c, kOutline},
                                 {0x39626262, 0x1f5a5a5a, 0x0a000000, 0x08000000},
                                 {0x346c6c6c, 0x09000000, kFill, kFill},
                                 {kOutline, 0x08000000, kFill, kFill}};
constexpr QRgb kTopRight[4][4] = {{kOutline, 0x346c6c6c, 0x37666666, 0x0c151515},
                                  {0x08000000, 0x0a000000, 0x1e5e5e5e, 0x355b5b5b},
                                  {kFill, kFill, 0x09000000, 0x346c6c6c},
                                  {kFill, kFill, 0x08000000, kOutline}};

QImage framePicture()
{
    QImage picture(kPictureWidth, kPictureHeight, QImage::Format_ARGB32);
    picture.fill(QColor(255, 255, 255, 0));
    const int right = kPictureWidth - 1;
    const int bottom = kPictureHeight - 1;
    for (int y = 1; y <= bottom; ++y) {
        for (int x = 1; x <= right; ++x) {
            const int fromEdge = std::min({x, y, right + 1 - x, bottom + 1 - y});
            picture.setPixel(x, y, fromEdge == 1 ? kOutline : fromEdge == 2 ? kRing : kFill);
        }
    }
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            picture.setPixel(1 + x, 1 + y, kTopLeft[y][x]);
            picture.setPixel(right - 3 + x, 1 + y, kTopRight[y][x]);
            picture.setPixel(right - x, bottom - y, kTopLeft[y][x]);
            picture.setPixel(4 - x, bottom - y, kTopRight[y][x]);
        }
    }
    return picture;
}

class GroupBoxFrameStyle : public QProxyStyle
{
public:
    explicit GroupBoxFrameStyle(QStyle *fusion) : QProxyStyle(fusion) {}

    void drawPrimitive(PrimitiveElement element, const QStyleOption *option, QPainter *painter,
                       const QWidget *widget) const override
    {
        if (element != PE_FrameGroupBox || picture().isNull()) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        // Where Fusion puts it: under the title's line, or just below the top edge of a box
        // that has neither a title nor a check box.
        int top = kTopMargin;
        const auto *box = qobject_cast<const QGroupBox *>(widget);
        if (!box || box->isCheckable() || !box->title().isEmpty())
            top += qMax(baseStyle()->pixelMetric(PM_ExclusiveIndicatorHeight),
                        option->fontMetrics.height());
        qDrawBorderPixmap(painter, option->rect.adjusted(0, top, 0, 0),
                          QMargins(kCorner, kCorner, kCorner, kCorner), picture());
    }

private:
    const QPixmap &picture() const
    {
        if (!m_pictureRead) {
            m_pictureRead = true;
            m_picture = QPixmap::fromImage(framePicture());
        }
        return m_picture;
    }

    mutable QPixmap m_picture;
    mutable bool m_pictureRead = false;
};

} // namespace

void install()
{
    QStyle *current = QApplication::style();
    if (!current || current->name().compare(kFusion, Qt::CaseInsensitive) != 0 ||
        dynamic_cast<GroupBoxFrameStyle *>(current))
        return;
    // A fresh Fusion behind the proxy: the application deletes the style it replaces.
    if (QStyle *fusion = QStyleFactory::create(kFusion))
        QApplication::setStyle(new GroupBoxFrameStyle(fusion));
}

} // namespace groupboxstyle
