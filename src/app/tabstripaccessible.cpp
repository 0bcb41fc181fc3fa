#include "app/tabstripaccessible.h"

#include <QPointer>
#include <QTabBar>

namespace
{

// A caption without its mnemonic marks, as it is read.
QString spoken(QString caption)
{
    static const QString kMark = QStringLiteral("&");
    static const QString kPlaceholder = QStringLiteral("\x01");
    return caption.replace(kMark + kMark, kPlaceholder).remove(kMark).replace(kPlaceholder, kMark);
}

// One tab: pressing it shows its page.
class PageTabAccessible : public QAccessibleInterface, public QAccessibleActionInterface
{
public:
    PageTabAccessible(QTabBar *strip, int index) : m_strip(strip), m_index(index) {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        return type == QAccessible::ActionInterface
                   ? static_cast<QAccessibleActionInterface *>(this)
                   : nullptr;
    }

    bool isValid() const override { return m_strip && m_index < m_strip->count(); }
    QObject *object() const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::PageTab; }

    QAccessible::State state() const override
    {
        QAccessible::State state;
        if (!isValid()) {
            state.invalid = true;
            return state;
        }
        const QAccessible::State strip = parent()->state();
        state.selectable = true;
        state.focusable = true;
        state.selected = m_strip->currentIndex() == m_index;
        state.focused = state.selected && strip.focused;
        state.disabled = strip.disabled || !m_strip->isTabEnabled(m_index);
        state.invisible = strip.invisible || !m_strip->isTabVisible(m_index);
        return state;
    }

    QRect rect() const override
    {
        if (!isValid())
            return {};
        const QRect tab = m_strip->tabRect(m_index);
        return {m_strip->mapToGlobal(tab.topLeft()), tab.size()};
    }

    QString text(QAccessible::Text t) const override
    {
        if (!isValid())
            return {};
        switch (t) {
        case QAccessible::Name:
            return spoken(m_strip->tabText(m_index));
        case QAccessible::Description:
            return m_strip->tabToolTip(m_index);
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString &) override {}

    QAccessibleInterface *parent() const override
    {
        return QAccessible::queryAccessibleInterface(m_strip.data());
    }
    QAccessibleInterface *child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface *) const override { return -1; }
    QAccessibleInterface *childAt(int, int) const override { return nullptr; }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &action) override
    {
        if (isValid() && action == pressAction())
            m_strip->setCurrentIndex(m_index);
    }
    QStringList keyBindingsForAction(const QString &) const override { return {}; }

private:
    QPointer<QTabBar> m_strip;
    int m_index;
};

} // namespace

TabStripAccessible::TabStripAccessible(QTabBar *strip)
    : QAccessibleWidget(strip, QAccessible::PageTabList)
{
}

TabStripAccessible::~TabStripAccessible()
{
    for (QAccessible::Id id : std::as_const(m_tabs))
        QAccessible::deleteAccessibleInterface(id);
}

QTabBar *TabStripAccessible::strip() const
{
    return static_cast<QTabBar *>(object());
}

int TabStripAccessible::childCount() const
{
    return strip()->count();
}

QAccessibleInterface *TabStripAccessible::child(int index) const
{
    if (index < 0 || index >= strip()->count())
        return nullptr;
    if (const auto known = m_tabs.constFind(index); known != m_tabs.cend())
        return QAccessible::accessibleInterface(*known);
    auto *tab = new PageTabAccessible(strip(), index);
    m_tabs.insert(index, QAccessible::registerAccessibleInterface(tab));
    return tab;
}

int TabStripAccessible::indexOfChild(const QAccessibleInterface *child) const
{
    for (auto tab = m_tabs.cbegin(); tab != m_tabs.cend(); ++tab) {
        if (QAccessible::accessibleInterface(tab.value()) == child)
            return tab.key();
    }
    return -1;
}

QAccessibleInterface *TabStripAccessible::childAt(int x, int y) const
{
    return child(strip()->tabAt(strip()->mapFromGlobal(QPoint(x, y))));
}

QString TabStripAccessible::text(QAccessible::Text t) const
{
    // Known by the page it shows, as the toolkit's own strip is.
    if (t == QAccessible::Name && strip()->accessibleName().isEmpty())
        return spoken(strip()->tabText(strip()->currentIndex()));
    return QAccessibleWidget::text(t);
}
