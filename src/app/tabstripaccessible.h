#pragma once
// Qt 6.4: the tab strip's accessible interface lists its scroll buttons even while hidden.
// The feature pages' tab strip as a screen reader sees it: a list of page tabs and nothing
// else. The toolkit's own interface for a tab strip also lists its two scroll buttons, which
// this strip never shows (its tabs share its width); a listener would meet two invisible
// buttons after the eighth tab.

#include <QAccessibleWidget>
#include <QHash>

class QTabBar;

class TabStripAccessible : public QAccessibleWidget
{
public:
    explicit TabStripAccessible(QTabBar *strip);
    ~TabStripAccessible() override;

    int childCount() const override;
    QAccessibleInterface *child(int index) const override;
    int indexOfChild(const QAccessibleInterface *child) const override;
    QAccessibleInterface *childAt(int x, int y) const override;
    QString text(QAccessible::Text t) const override;

private:
    QTabBar *strip() const;

    // One interface per tab, made when first asked for and kept until the strip goes.
    mutable QHash<int, QAccessible::Id> m_tabs;
};
