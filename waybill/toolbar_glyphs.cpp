#include "waybill/toolbar_glyphs.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

// The glyphs of the tool bar, drawn in a 32 x 32 square.
QIcon toolbarGlyph(int button)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(30, 90, 170), dark(60, 60, 60);
    p.setPen(QPen(dark, 1.6));
    const auto page = [&](QRectF r) {
        p.setBrush(Qt::white);
        p.drawRect(r);
        p.setBrush(Qt::NoBrush);
    };
    // A filled triangle with its tip at (tip, 16), pointing left or right.
    const auto triangle = [&](double tip, bool pointsLeft) {
        const double base = pointsLeft ? tip + 9 : tip - 9;
        QPainterPath path;
        path.moveTo(tip, 16);
        path.lineTo(base, 8);
        path.lineTo(base, 24);
        path.closeSubpath();
        p.fillPath(path, blue);
    };
    switch (button) {
    case 1: // fit page
        page({8, 4, 16, 24});
        p.setPen(QPen(blue, 1.6));
        p.drawRect(QRectF(4, 2, 24, 28));
        break;
    case 2: // fit width
        page({9, 6, 14, 20});
        p.setPen(QPen(blue, 2));
        p.drawLine(QPointF(2, 16), QPointF(30, 16));
        p.drawLine(QPointF(2, 16), QPointF(6, 12));
        p.drawLine(QPointF(2, 16), QPointF(6, 20));
        p.drawLine(QPointF(30, 16), QPointF(26, 12));
        p.drawLine(QPointF(30, 16), QPointF(26, 20));
        break;
    case 3: { // 100 %
        p.setPen(QPen(blue, 2.4));
        p.drawEllipse(QRectF(4, 4, 17, 17));
        p.drawLine(QPointF(19, 19), QPointF(28, 28));
        QFont font = p.font();
        font.setPixelSize(8);
        font.setBold(true);
        p.setFont(font);
        p.setPen(dark);
        p.drawText(QRectF(4, 4, 17, 17), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case 4: // first
        p.fillRect(QRectF(7, 8, 3, 16), blue);
        triangle(11, true);
        triangle(20, true);
        break;
    case 5: // previous
        triangle(11, true);
        break;
    case 6: // next
        triangle(21, false);
        break;
    case 7: // last
        triangle(21, false);
        triangle(12, false);
        p.fillRect(QRectF(22, 8, 3, 16), blue);
        break;
    case 8:   // printer setup
    case 9: { // print
        p.setBrush(QColor(220, 220, 220));
        p.drawRect(QRectF(4, 12, 24, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.drawRect(QRectF(9, 20, 14, 9));
        if (button == 8) {
            p.setPen(QPen(blue, 2.4));
            p.drawEllipse(QRectF(19, 17, 10, 10));
        } else {
            p.setPen(QPen(dark, 1));
            p.drawLine(QPointF(11, 23), QPointF(21, 23));
            p.drawLine(QPointF(11, 26), QPointF(19, 26));
        }
        break;
    }
    default: // close
        p.setPen(QPen(QColor(190, 30, 30), 3.2));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    }
    return QIcon(pixmap);
}
