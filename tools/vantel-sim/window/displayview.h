#pragma once
// The module's display in the window, drawn dot for dot (glass.h) at a whole-number zoom.
//
// Drawing is kept cheap: the picture lives in an image at the screen's own pixel density,
// and refresh() paints into it only the cells whose dots or light changed, then asks the
// window to repaint those cells alone. A blinking cursor flips its one cell twice a
// second; with any other cursor no timer runs, so a display at rest costs nothing.

#include <QImage>
#include <QTimer>
#include <QWidget>

#include "window/displaydots.h"

namespace simtool
{

class DisplayView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int kMinScale = 1;
    static constexpr int kMaxScale = 8;
    static constexpr int kBlinkMs = 500;

    explicit DisplayView(const sim::ModuleModel *model, QWidget *parent = nullptr);

    // The model changed: draws what differs.
    void refresh();
    int scale() const { return m_scale; }
    void setScale(int scale);
    const DisplayDots &dots() const { return m_dots; }
    // The display as it is now at the present zoom, one pixel per pixel.
    QImage picture() const;
    // Cells drawn since the view was made: what the changes so far cost.
    int cellsPainted() const { return m_cellsPainted; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void flipBlink();
    int wantedDeviceScale() const;
    void paintAll();
    void updateBlinkTimer();
    void updateDescription();

    const sim::ModuleModel *m_model;
    DisplayDots m_dots;
    bool m_blinkOn = true;
    int m_scale = 2;
    int m_deviceScale = 0; // device pixels per pixel at scale 1 in m_image; 0: none yet
    QImage m_image;
    int m_cellsPainted = 0;
    QTimer m_blink;
};

} // namespace simtool
