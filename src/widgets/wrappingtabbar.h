#pragma once
// The tab strip of the feature pages: eight tabs of equal width sharing the strip, their
// captions wrapped onto two lines where they are too long for one, so no caption is cut
// and no tab hides behind scroll buttons.

#include <QTabBar>
#include <QTabWidget>

class WrappingTabBar : public QTabBar
{
    Q_OBJECT
public:
    explicit WrappingTabBar(QWidget *parent = nullptr);

    // The rectangle of tab `index` its caption may use.
    QRect captionRect(int index) const;

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent *event) override;
};

// The feature pages' tab control, using the wrapping tab strip.
class FeatureTabWidget : public QTabWidget
{
    Q_OBJECT
public:
    explicit FeatureTabWidget(QWidget *parent = nullptr);
    WrappingTabBar *wrappingTabBar() const { return m_tabBar; }

private:
    WrappingTabBar *m_tabBar = nullptr;
};
