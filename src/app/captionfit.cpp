#include "app/captionfit.h"

#include "widgets/captionbutton.h"

#include <QAbstractButton>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionGroupBox>

namespace captionfit
{

namespace
{

constexpr int kWrapFlags = Qt::AlignCenter | Qt::TextWordWrap;

// Fractional advances count in full: a caption half a pixel too wide loses its last pixel.
bool wrappedTextFits(const QFontMetricsF &metrics, const QRect &box, const QString &text)
{
    const QRectF needed = metrics.boundingRect(QRectF(0, 0, box.width(), 100000), kWrapFlags, text);
    return needed.width() <= box.width() && needed.height() <= box.height();
}

bool lineFits(const QFontMetricsF &metrics, qreal width, const QString &text)
{
    return metrics.horizontalAdvance(text) <= width;
}

} // namespace

bool captionFits(const QWidget *widget)
{
    const QFontMetricsF metrics(widget->font(), widget);
    if (auto *button = qobject_cast<const CaptionButton *>(widget))
        return wrappedTextFits(metrics, button->captionRect(), button->text());
    if (auto *button = qobject_cast<const QAbstractButton *>(widget))
        return button->sizeHint().width() <= button->width();
    if (auto *label = qobject_cast<const QLabel *>(widget)) {
        if (label->text().isEmpty())
            return true;
        const QRect box = label->contentsRect();
        if (label->wordWrap())
            return wrappedTextFits(metrics, box, label->text());
        return lineFits(metrics, box.width(), label->text()) && metrics.height() <= box.height();
    }
    if (auto *group = qobject_cast<const QGroupBox *>(widget)) {
        if (group->title().isEmpty())
            return true;
        return lineFits(metrics, group->width() - metrics.height() * 2, group->title());
    }
    return true;
}

void fitCaptions(QWidget *root)
{
    const auto widgets = root->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        int guard = 0;
        while (!captionFits(widget) && guard++ < 200)
            widget->resize(widget->width() + 2, widget->height());
    }
}

} // namespace captionfit
