#include "app/keyboard.h"

#include "graphics/glyphcell.h"
#include "widgets/twips.h"

#include <QEvent>
#include <QKeyEvent>
#include <QList>
#include <QMap>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

#include <algorithm>

namespace keyboard
{

namespace
{

// A row gap at least this wide separates rows even where the columns are further apart.
constexpr int kRowGapTwips = 180;
constexpr int kCellMarkWidth = 2;

bool isTabStop(const QWidget *widget)
{
    return (widget->focusPolicy() & Qt::TabFocus) == Qt::TabFocus && !widget->focusProxy();
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
    if (isTabStop(child))
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

// Keys the widgets do not handle themselves, and the glyph editor's roving focus.
class Navigator : public QObject
{
public:
    Navigator(QWidget *window, QList<GlyphCell *> cells) : QObject(window)
    {
        m_tabs = window->findChild<QTabWidget *>();
        // The cells in rows by their position; a row lists its cells left to right.
        std::sort(cells.begin(), cells.end(), [](const GlyphCell *a, const GlyphCell *b) {
            return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
        });
        for (GlyphCell *cell : cells) {
            if (m_grid.isEmpty() || m_grid.last().first()->y() != cell->y())
                m_grid.append(QList<GlyphCell *>());
            m_grid.last().append(cell);
        }
        if (!m_grid.isEmpty())
            makeCurrent(m_grid.first().first());
    }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *widget = static_cast<QWidget *>(watched);
        auto *cell = qobject_cast<GlyphCell *>(widget);
        switch (event->type()) {
        case QEvent::KeyPress:
            return keyPress(widget, cell, static_cast<QKeyEvent *>(event));
        case QEvent::FocusIn:
            if (cell)
                makeCurrent(cell);
            break;
        case QEvent::Paint:
            if (cell && cell->hasFocus()) {
                // The cell paints its fill first; the mark goes on top.
                static_cast<QObject *>(cell)->event(event);
                markFocus(cell);
                return true;
            }
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool keyPress(QWidget *widget, GlyphCell *cell, QKeyEvent *event)
    {
        const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
        const int key = event->key();
        if (modifiers & Qt::ControlModifier) {
            if (key == Qt::Key_Tab || key == Qt::Key_PageDown)
                return switchPage(modifiers & Qt::ShiftModifier ? -1 : 1);
            if (key == Qt::Key_Backtab || key == Qt::Key_PageUp)
                return switchPage(-1);
            return false;
        }
        if (modifiers != Qt::NoModifier)
            return false;
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Outside a dialog a push button ignores Enter; the window treats it as Space.
            auto *button = qobject_cast<QPushButton *>(widget);
            if (!button || !button->isEnabled())
                return false;
            button->click();
            return true;
        }
        return cell && moveFrom(cell, key);
    }

    bool switchPage(int step)
    {
        if (!m_tabs || !m_tabs->isEnabled() || m_tabs->count() < 2)
            return false;
        const int count = m_tabs->count();
        m_tabs->setCurrentIndex((m_tabs->currentIndex() + step + count) % count);
        return true;
    }

    bool moveFrom(GlyphCell *cell, int key)
    {
        qsizetype row = 0;
        qsizetype column = -1;
        for (; row < m_grid.size(); ++row) {
            column = m_grid[row].indexOf(cell);
            if (column >= 0)
                break;
        }
        if (column < 0)
            return false;
        switch (key) {
        case Qt::Key_Left:
            --column;
            break;
        case Qt::Key_Right:
            ++column;
            break;
        case Qt::Key_Up:
            --row;
            break;
        case Qt::Key_Down:
            ++row;
            break;
        case Qt::Key_Home:
            column = 0;
            break;
        case Qt::Key_End:
            column = m_grid[row].size() - 1;
            break;
        default:
            return false;
        }
        // At an edge the focus stays put, as in a list.
        row = std::clamp<qsizetype>(row, 0, m_grid.size() - 1);
        column = std::clamp<qsizetype>(column, 0, m_grid[row].size() - 1);
        m_grid[row][column]->setFocus(Qt::OtherFocusReason);
        return true;
    }

    // Only the current cell takes Tab focus, so Tab passes the grid in one step and comes
    // back to where the user left it.
    void makeCurrent(GlyphCell *current)
    {
        for (const auto &row : std::as_const(m_grid)) {
            for (GlyphCell *cell : row)
                cell->setFocusPolicy(cell == current ? Qt::StrongFocus : Qt::ClickFocus);
        }
    }

    static void markFocus(GlyphCell *cell)
    {
        QPainter painter(cell);
        QPen pen(cell->palette().color(QPalette::Highlight), kCellMarkWidth);
        pen.setJoinStyle(Qt::MiterJoin);
        painter.setPen(pen);
        painter.setBrush(Qt::NoBrush);
        const qreal inset = kCellMarkWidth / 2.0;
        painter.drawRect(QRectF(cell->rect()).adjusted(inset, inset, -inset, -inset));
    }

    QTabWidget *m_tabs = nullptr;
    QList<QList<GlyphCell *>> m_grid;
};

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

    const QList<GlyphCell *> cells = window->findChildren<GlyphCell *>();
    auto *navigator = new Navigator(window, cells);
    for (QWidget *widget : order)
        widget->installEventFilter(navigator);
    for (GlyphCell *cell : cells)
        cell->installEventFilter(navigator);
}

} // namespace keyboard
