#include "app/keyboard.h"

#include "widgets/twips.h"

#include <QList>
#include <QRadioButton>
#include <QShortcut>
#include <QTabWidget>

#include <algorithm>

namespace keyboard
{

namespace
{

// A row gap at least this wide separates rows even where the columns are further apart.
constexpr int kRowGapTwips = 180;

// Any control that takes the focus, by Tab or by click, has its place in the order.
bool takesFocus(const QWidget *widget)
{
    return widget->focusPolicy() != Qt::NoFocus && !widget->focusProxy();
}

// A direct child of a container with the tab stops it holds, in order.
struct Block {
    QRect rect;
    QList<QWidget *> stops;
};

QList<QWidget *> tabStopsIn(QWidget *container);

QList<QWidget *> tabStopsOf(QWidget *child)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(child)) {
        QList<QWidget *> stops{tabs};
        for (int i = 0; i < tabs->count(); ++i)
            stops += tabStopsIn(tabs->widget(i));
        return stops;
    }
    if (takesFocus(child))
        return {child};
    return tabStopsIn(child);
}

int start(const QRect &rect, Qt::Orientation along)
{
    return along == Qt::Horizontal ? rect.left() : rect.top();
}

int end(const QRect &rect, Qt::Orientation along)
{
    return along == Qt::Horizontal ? rect.left() + rect.width() : rect.top() + rect.height();
}

// The widest strip along `along` that no block covers: its width and where it ends.
struct Gap {
    int size = 0;
    int at = 0;
};

Gap widestGap(QList<Block> blocks, Qt::Orientation along)
{
    std::sort(blocks.begin(), blocks.end(), [along](const Block &a, const Block &b) {
        return start(a.rect, along) < start(b.rect, along);
    });
    Gap widest;
    int covered = end(blocks.first().rect, along);
    for (const Block &block : blocks) {
        const int gap = start(block.rect, along) - covered;
        if (gap > widest.size)
            widest = {gap, start(block.rect, along)};
        covered = std::max(covered, end(block.rect, along));
    }
    return widest;
}

void appendInReadingOrder(const QList<Block> &blocks, QList<QWidget *> &order)
{
    if (blocks.size() == 1) {
        order += blocks.first().stops;
        return;
    }
    // Rows first, as one reads. A narrow row gap inside blocks set out in columns (text
    // boxes numbered down their columns) gives way to the wider gap between the columns.
    const Gap rows = widestGap(blocks, Qt::Vertical);
    const Gap columns = widestGap(blocks, Qt::Horizontal);
    Qt::Orientation cut = Qt::Vertical;
    Gap gap = rows;
    if (rows.size == 0 || (rows.size < columns.size && rows.size < twips::toPixels(kRowGapTwips))) {
        cut = Qt::Horizontal;
        gap = columns;
    }
    if (gap.size == 0) {
        // Overlapping blocks (the glyph cells touch): plain top-to-bottom, left-to-right.
        QList<Block> sorted = blocks;
        std::stable_sort(sorted.begin(), sorted.end(), [](const Block &a, const Block &b) {
            return std::pair(a.rect.top(), a.rect.left()) < std::pair(b.rect.top(), b.rect.left());
        });
        for (const Block &block : sorted)
            order += block.stops;
        return;
    }
    QList<Block> before;
    QList<Block> after;
    for (const Block &block : blocks)
        (start(block.rect, cut) < gap.at ? before : after) << block;
    appendInReadingOrder(before, order);
    appendInReadingOrder(after, order);
}

QList<QWidget *> tabStopsIn(QWidget *container)
{
    QList<Block> blocks;
    const auto children = container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
    for (QWidget *child : children) {
        if (child->isWindow())
            continue;
        QList<QWidget *> stops = tabStopsOf(child);
        if (!stops.isEmpty())
            blocks << Block{child->geometry(), stops};
    }
    QList<QWidget *> order;
    if (!blocks.isEmpty())
        appendInReadingOrder(blocks, order);
    return order;
}

// Steps the tab control `step` pages on, wrapping, while it can be used.
void switchPage(QTabWidget *tabs, int step)
{
    if (!tabs->isEnabled() || tabs->count() < 2)
        return;
    const int count = tabs->count();
    tabs->setCurrentIndex((tabs->currentIndex() + step + count) % count);
}

void addPageShortcuts(QWidget *window)
{
    auto *tabs = window->findChild<QTabWidget *>();
    if (!tabs)
        return;
    // Shift+Tab arrives as Backtab on X11; the shortcut for Ctrl+Shift+Tab takes both.
    const std::pair<QKeyCombination, int> keys[] = {
        {Qt::CTRL | Qt::Key_Tab, 1},
        {Qt::CTRL | Qt::Key_PageDown, 1},
        {Qt::CTRL | Qt::SHIFT | Qt::Key_Tab, -1},
        {Qt::CTRL | Qt::Key_PageUp, -1},
    };
    for (const auto &[key, step] : keys) {
        auto *shortcut = new QShortcut(QKeySequence(key), window);
        QObject::connect(shortcut, &QShortcut::activated, tabs,
                         [tabs, step = step] { switchPage(tabs, step); });
    }
}

} // namespace

void install(QWidget *window)
{
    const QList<QWidget *> order = tabStopsIn(window);
    for (qsizetype i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    // An exclusive pair of options is one stop, entered at the option chosen; the arrow
    // keys move between the options (Qt then keeps the stop on the one last focused).
    const auto options = window->findChildren<QRadioButton *>();
    for (QRadioButton *option : options) {
        if (!option->autoExclusive() || option->isChecked())
            continue;
        const auto siblings =
            option->parentWidget()->findChildren<QRadioButton *>(Qt::FindDirectChildrenOnly);
        if (std::any_of(siblings.begin(), siblings.end(), [](const QRadioButton *sibling) {
                return sibling->autoExclusive() && sibling->isChecked();
            }))
            option->setFocusPolicy(Qt::FocusPolicy(option->focusPolicy() & ~Qt::TabFocus));
    }

    addPageShortcuts(window);
}

} // namespace keyboard
