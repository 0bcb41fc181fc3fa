#include "widgets/wrappingtabbar.h"

#include <QStyleOptionTab>
#include <QStylePainter>

namespace
{

constexpr int kCaptionFlags = Qt::AlignCenter | Qt::TextWordWrap;
constexpr int kPadding = 4;

} // namespace

WrappingTabBar::WrappingTabBar(QWidget *parent) : QTabBar(parent)
{
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setExpanding(false);
    setDrawBase(true);
}

QSize WrappingTabBar::tabSizeHint(int index) const
{
    Q_UNUSED(index);
    const int available = parentWidget() ? parentWidget()->width() : width();
    const int tabs = qMax(1, count());
    const QFontMetrics metrics(font());
    return {qMax(1, (available - 2) / tabs), metrics.height() * 2 + kPadding * 3};
}

QSize WrappingTabBar::minimumTabSizeHint(int index) const
{
    return tabSizeHint(index);
}

QRect WrappingTabBar::captionRect(int index) const
{
    return tabRect(index).adjusted(kPadding, kPadding, -kPadding, -kPadding);
}

void WrappingTabBar::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_TabBarTabShape, option);
        painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                       QPalette::WindowText));
        painter.drawText(captionRect(i), kCaptionFlags, caption);
        if (i == currentIndex() && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = captionRect(i);
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }
}

FeatureTabWidget::FeatureTabWidget(QWidget *parent)
    : QTabWidget(parent), m_tabBar(new WrappingTabBar(this))
{
    setTabBar(m_tabBar);
}
