// Draws the application icon as PNG files of the usual sizes. The drawing follows the SVG
// icon in packaging/ shape for shape, so the two look the same without an SVG renderer.
//
// Usage: make-icons <output folder> <size>...   writes <folder>/<size>/vantelapp.png
#include <QColor>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

namespace
{

void drawIcon(QPainter &p)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x3a, 0x4d));
    p.drawRoundedRect(QRectF(12, 40, 232, 176), 20, 20);
    p.setBrush(QColor(0x9f, 0xd3, 0x56));
    p.drawRoundedRect(QRectF(28, 56, 200, 144), 8, 8);
    const QColor ink(0x24, 0x42, 0x1a);
    auto cell = [&](double x, double y, double opacity) {
        p.setOpacity(opacity);
        p.setBrush(ink);
        p.drawRoundedRect(QRectF(x, y, 22, 30), 2, 2);
        p.setOpacity(1.0);
    };
    for (double x : {44.0, 72.0, 100.0, 128.0})
        cell(x, 72, 1.0);
    cell(44, 114, 0.35);
    cell(72, 114, 0.35);
    cell(44, 156, 0.35);
    cell(156, 72, 0.85);
    p.setBrush(ink);
    p.drawRect(QRectF(184, 98, 22, 4));
    p.setBrush(QColor(0xf2, 0xb1, 0x34));
    p.drawEllipse(QPointF(228, 28), 16, 16);
    QPainterPath arrow;
    arrow.moveTo(222, 20);
    arrow.lineTo(236, 28);
    arrow.lineTo(222, 36);
    arrow.closeSubpath();
    p.setBrush(QColor(0x1f, 0x3a, 0x4d));
    p.drawPath(arrow);
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0)
            return 2;
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.scale(size / 256.0, size / 256.0);
        drawIcon(painter);
        painter.end();
        const QString dir = QStringLiteral("%1/%2x%2").arg(folder).arg(size);
        if (!QDir().mkpath(dir) ||
            !image.save(dir + QStringLiteral("/org.vantelapp.VantelApp.png")))
            return 1;
    }
    return 0;
}
