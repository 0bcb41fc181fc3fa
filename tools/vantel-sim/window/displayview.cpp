#include "window/displayview.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <utility>

#include "screenrenderer.h"
#include "window/glass.h"

namespace simtool
{

DisplayView::DisplayView(const sim::ModuleModel *model, QWidget *parent)
    : QWidget(parent), m_model(model), m_dots(renderDots(*model, true))
{
    setObjectName(QStringLiteral("display"));
    setAccessibleName(QStringLiteral("Display"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    m_blink.setInterval(kBlinkMs);
    connect(&m_blink, &QTimer::timeout, this, &DisplayView::flipBlink);
    setFixedSize(GlassGeometry(m_scale).size());
    updateBlinkTimer();
    updateDescription();
}

QSize DisplayView::sizeHint() const
{
    return GlassGeometry(m_scale).size();
}

void DisplayView::setScale(int scale)
{
    scale = std::clamp(scale, kMinScale, kMaxScale);
    if (scale == m_scale)
        return;
    m_scale = scale;
    m_deviceScale = 0; // paint everything again at the new size
    setFixedSize(GlassGeometry(m_scale).size());
    update();
}

QImage DisplayView::picture() const
{
    return paintGlass(m_dots, m_scale);
}

void DisplayView::refresh()
{
    updateBlinkTimer();
    const DisplayDots dots = renderDots(*m_model, m_blinkOn);
    if (dots == m_dots)
        return;
    const bool sameLight = dots.sameLight(m_dots);
    const DisplayDots before = std::exchange(m_dots, dots);
    updateDescription();
    if (m_deviceScale == 0 || !sameLight) {
        m_deviceScale = 0;
        update();
        return;
    }
    // Only the cells that changed, in the image and on the screen.
    const GlassGeometry device(m_deviceScale);
    const GlassGeometry logical(m_scale);
    const GlassColours colours = glassColours(m_dots.backlightOn, m_dots.backlightLevel);
    QPainter painter(&m_image);
    for (int row = 0; row < proto::kRows; ++row) {
        for (int column = 0; column < proto::kColumns; ++column) {
            if (before.cell(row, column) == m_dots.cell(row, column))
                continue;
            paintCell(painter, device, colours, m_dots, row, column);
            ++m_cellsPainted;
            update(logical.cellRect(row, column));
        }
    }
}

int DisplayView::wantedDeviceScale() const
{
    // Whole device pixels per dot: at a density of 1.5 and zoom 2 a dot is 9 pixels, never
    // 9.5 smoothed over two.
    return std::max(1, static_cast<int>(std::lround(m_scale * devicePixelRatioF())));
}

void DisplayView::paintAll()
{
    m_deviceScale = wantedDeviceScale();
    m_image = paintGlass(m_dots, m_deviceScale);
    m_image.setDevicePixelRatio(m_deviceScale / static_cast<qreal>(m_scale));
    m_cellsPainted += DisplayDots::kCells;
}

void DisplayView::paintEvent(QPaintEvent *)
{
    if (m_deviceScale != wantedDeviceScale())
        paintAll();
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), m_image); // clipped to the region that needs it
}

void DisplayView::flipBlink()
{
    m_blinkOn = !m_blinkOn;
    refresh();
}

void DisplayView::updateBlinkTimer()
{
    const bool blinking = m_model->settings().cursorType == sim::CursorType::Blinking;
    if (blinking && !m_blink.isActive()) {
        m_blinkOn = true;
        m_blink.start();
    } else if (!blinking && m_blink.isActive()) {
        m_blink.stop();
        m_blinkOn = true;
    }
}

void DisplayView::updateDescription()
{
    // What a screen reader reads: the four rows as text.
    const QStringList lines = plainDisplay(*m_model);
    const QString text = lines.mid(1, proto::kRows).join(QLatin1Char('\n'));
    if (text != accessibleDescription())
        setAccessibleDescription(text);
}

} // namespace simtool
