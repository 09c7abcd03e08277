#include "ui/app_icon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

// Drawn on a 256 x 256 canvas; packaging/waybill.svg repeats these shapes.
void drawIcon(QPainter &p)
{
    const auto rounded = [&](QRectF rect, qreal radius, const QColor &fill) {
        QPainterPath path;
        path.addRoundedRect(rect, radius, radius);
        p.fillPath(path, fill);
    };
    rounded({20, 56, 216, 168}, 14, QColor(0xc8, 0x92, 0x4f));
    rounded({20, 56, 216, 40}, 14, QColor(0xb0, 0x7a, 0x3a));
    p.fillRect(QRectF(112, 56, 32, 168), QColor(0xe0, 0xb7, 0x7c));
    QPainterPath form;
    form.addRoundedRect(QRectF(44, 28, 168, 120), 8, 8);
    p.fillPath(form, Qt::white);
    p.setPen(QPen(QColor(0x1f, 0x4e, 0x9c), 6));
    p.drawPath(form);
    rounded({44, 28, 168, 26}, 8, QColor(0x1f, 0x4e, 0x9c));
    rounded({60, 70, 64, 8}, 3, QColor(0xd2, 0x2b, 0x2b));
    for (const QRectF &line : {QRectF(60, 90, 136, 8), QRectF(60, 110, 112, 8), QRectF(60, 128, 80, 8)})
        rounded(line, 3, QColor(0x55, 0x55, 0x55));
}

} // namespace

QImage appIconImage(int size)
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

QIcon appIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(appIconImage(size)));
    return icon;
}
