#include "app/groupboxstyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QImageReader>
#include <QPixmap>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QStyleOption>
#include <qdrawutil.h>

namespace groupboxstyle
{

namespace
{

const QString kFusion = QStringLiteral("fusion");
const QString kFramePicture =
    QStringLiteral(":/qt-project.org/styles/commonstyle/images/fusion_groupbox.png");
// Fusion's own figures: the frame starts this far below the title's line, and the
// picture's corners are this wide.
constexpr int kTopMargin = 3;
constexpr int kCorner = 6;

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
            // Told the format, and told not to guess, the reader asks no plugin.
            QImageReader reader(kFramePicture, "png");
            reader.setAutoDetectImageFormat(false);
            m_picture = QPixmap::fromImage(reader.read());
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
