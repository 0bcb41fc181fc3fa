#include "app/captionfit.h"

#include "app/captionbutton.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionGroupBox>

namespace captionfit
{

namespace
{

constexpr int kWrapFlags = Qt::AlignCenter | Qt::TextWordWrap;

bool wrappedTextFits(const QFontMetrics &metrics, const QRect &box, const QString &text)
{
    const QRect needed = metrics.boundingRect(QRect(0, 0, box.width(), 100000), kWrapFlags, text);
    return needed.width() <= box.width() && needed.height() <= box.height();
}

} // namespace

bool captionFits(const QWidget *widget)
{
    const QFontMetrics metrics(widget->font());
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
        return metrics.horizontalAdvance(label->text()) <= box.width() &&
               metrics.height() <= box.height();
    }
    if (auto *group = qobject_cast<const QGroupBox *>(widget)) {
        if (group->title().isEmpty())
            return true;
        const int needed = metrics.horizontalAdvance(group->title()) + metrics.height() * 2;
        return needed <= group->width();
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
