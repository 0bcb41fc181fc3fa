// Draws the application icon as PNG files of the usual sizes, or as one Windows icon file
// holding them. The drawing follows the SVG icon in packaging/ shape for shape, so the two
// look the same without an SVG renderer.
//
// Usage: make-icons <output folder> <size>...   writes <folder>/<size>x<size>/<id>.png
//        make-icons <file>.ico <size>...        writes one .ico with every size
#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QtEndian>

#include <algorithm>

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

QImage iconImage(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / 256.0, size / 256.0);
    drawIcon(painter);
    painter.end();
    return image;
}

template <typename T> void append(QByteArray &bytes, T value)
{
    char little[sizeof(T)];
    qToLittleEndian(value, little);
    bytes.append(little, sizeof(T));
}

// An .ico file: a six-byte header, a sixteen-byte entry per image (its size, 32 bits a
// pixel, where its data lies), then the images, here as PNG files, which Windows reads in
// icons of every size. A width or height of 256 is written as 0.
QByteArray icoFile(const QList<int> &sizes)
{
    QList<QByteArray> images;
    for (int size : sizes) {
        QBuffer png;
        png.open(QIODevice::WriteOnly);
        iconImage(size).save(&png, "PNG");
        images << png.data();
    }
    QByteArray file;
    append<quint16>(file, 0); // reserved
    append<quint16>(file, 1); // an icon, not a cursor
    append<quint16>(file, quint16(sizes.size()));
    quint32 offset = 6 + 16 * quint32(sizes.size());
    for (qsizetype i = 0; i < sizes.size(); ++i) {
        const auto side = quint8(sizes[i] >= 256 ? 0 : sizes[i]);
        append<quint8>(file, side);
        append<quint8>(file, side);
        append<quint8>(file, 0); // no palette
        append<quint8>(file, 0);
        append<quint16>(file, 1);  // colour planes
        append<quint16>(file, 32); // bits a pixel
        append<quint32>(file, quint32(images[i].size()));
        append<quint32>(file, offset);
        offset += quint32(images[i].size());
    }
    for (const QByteArray &image : images)
        file += image;
    return file;
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 3)
        return 2;
    const QString output = QString::fromLocal8Bit(argv[1]);
    QList<int> sizes;
    for (int i = 2; i < argc; ++i) {
        const int size = QString::fromLocal8Bit(argv[i]).toInt();
        if (size <= 0)
            return 2;
        sizes << size;
    }
    if (output.endsWith(QLatin1String(".ico"))) {
        if (std::any_of(sizes.begin(), sizes.end(), [](int size) { return size > 256; }))
            return 2;
        QFile file(output);
        const QByteArray bytes = icoFile(sizes);
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() ? 0 : 1;
    }
    for (int size : sizes) {
        const QString dir = QStringLiteral("%1/%2x%2").arg(output).arg(size);
        if (!QDir().mkpath(dir) ||
            !iconImage(size).save(dir + QStringLiteral("/org.vantelapp.VantelApp.png")))
            return 1;
    }
    return 0;
}
