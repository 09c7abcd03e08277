// Draws one plausible blank form picture per courier from its layout: a
// title band with the courier's Chinese name, a sender and a recipient
// section, a labelled line for every printed field, a barcode stripe and
// the signature and date boxes. Writes waybill/pictures/<code>.jpg at the
// pixel size the layout gives.
//   make_form_pictures OUTPUT_DIR

#include "report/fonts.h"
#include "waybill/family.h"
#include "waybill/layout.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <cstdio>

namespace {

struct Style {
    const char *code;
    const char16_t *name;
    QColor accent;
};

const Style kStyles[] = {
    {"sf", u"顺丰速运", QColor(40, 40, 40)},       {"sf1", u"顺丰速运", QColor(60, 60, 60)},
    {"st", u"申通快递", QColor(230, 120, 20)},     {"yt", u"圆通速递", QColor(100, 40, 140)},
    {"yt1", u"圆通速递 详情单", QColor(100, 40, 140)}, {"yd", u"韵达快递", QColor(30, 80, 170)},
    {"tt", u"天天快递", QColor(200, 30, 40)},      {"zt", u"中通快递", QColor(20, 70, 160)},
    {"ems", u"EMS 特快专递", QColor(0, 110, 70)},  {"zjs", u"宅急送", QColor(200, 40, 40)},
    {"ht", u"汇通快运", QColor(0, 120, 150)},
};

QString fieldLabel(const LayoutItem &item)
{
    const QString column = item.column;
    if (column == QStringLiteral(u"年") || column == QStringLiteral(u"月") || column == QStringLiteral(u"日"))
        return column;
    if (column == QStringLiteral(u"手机号码"))
        return QStringLiteral(u"手机：");
    if (column == QStringLiteral(u"联系电话"))
        return QStringLiteral(u"电话：");
    if (column == QStringLiteral(u"邮政编码"))
        return QStringLiteral(u"邮编：");
    return column + QStringLiteral(u"：");
}

QRectF sectionRect(const Layout &layout, RowSide side)
{
    QRectF rect;
    for (const LayoutItem &item : layout.items) {
        if (item.row != side || item.column == QStringLiteral(u"年") || item.column == QStringLiteral(u"月")
            || item.column == QStringLiteral(u"日") || item.column == QStringLiteral(u"签名"))
            continue;
        if (item.column == QStringLiteral(u"内件品名") || item.column == QStringLiteral(u"数量")
            || item.column == QStringLiteral(u"备注"))
            continue;
        rect = rect.united(QRectF(item.left - 40, item.top - 18, item.width * 3.2 + 50, item.height + 26));
    }
    return rect;
}

void drawForm(const Style &style, const QDir &out)
{
    const Layout &layout = layoutFor(QString::fromLatin1(style.code), Variant::Single);
    QImage image(layout.picturePixels, QImage::Format_RGB32);
    image.fill(QColor(252, 250, 244));
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(double(layout.picturePixels.width()) / layout.pictureDrawn.width(),
                  double(layout.picturePixels.height()) / layout.pictureDrawn.height());
    const QSizeF page = layout.pictureDrawn;
    const QColor ink = style.accent;
    const QColor faint = QColor(ink.red(), ink.green(), ink.blue(), 90);

    // Outer frame and title band.
    painter.setPen(QPen(ink, 2));
    painter.drawRect(QRectF(8, 8, page.width() - 16, page.height() - 16));
    painter.fillRect(QRectF(10, 10, page.width() - 20, 50), QColor(ink.red(), ink.green(), ink.blue(), 35));
    QFont title(QStringLiteral(u"宋体"));
    title.setPixelSize(30);
    title.setBold(true);
    painter.setFont(title);
    painter.setPen(ink);
    painter.drawText(QRectF(24, 14, 420, 44), Qt::AlignVCenter | Qt::AlignLeft, QString::fromUtf16(style.name));
    QFont small(QStringLiteral(u"宋体"));
    small.setPixelSize(10);
    painter.setFont(small);
    painter.drawText(QRectF(24, 62, 400, 14), Qt::AlignLeft, QStringLiteral(u"本单为样张，仅用于对位参考"));

    // Barcode stripe with a tracking-number caption.
    QRandomGenerator random(qHash(QString::fromLatin1(style.code)));
    double x = page.width() - 300;
    while (x < page.width() - 40) {
        const double w = 1 + random.bounded(3);
        painter.fillRect(QRectF(x, 16, w, 34), ink);
        x += w + 1 + random.bounded(3);
    }
    painter.drawText(QRectF(page.width() - 300, 52, 260, 14), Qt::AlignCenter, QStringLiteral(u"运单号码"));

    // Sender and recipient sections.
    QFont sectionFont(QStringLiteral(u"宋体"));
    sectionFont.setPixelSize(13);
    sectionFont.setBold(true);
    const QRectF area(12, 70, page.width() - 24, page.height() - 80);
    const QRectF recipientRect = sectionRect(layout, RowSide::Recipient).intersected(area);
    QRectF senderRect = sectionRect(layout, RowSide::Sender).intersected(area);
    if (senderRect.right() > recipientRect.left() - 6 && senderRect.left() < recipientRect.left())
        senderRect.setRight(recipientRect.left() - 6);
    for (RowSide side : {RowSide::Sender, RowSide::Recipient}) {
        const QRectF rect = side == RowSide::Sender ? senderRect : recipientRect;
        if (rect.isEmpty())
            continue;
        painter.setPen(QPen(ink, 1.2));
        painter.drawRoundedRect(rect, 4, 4);
        painter.setFont(sectionFont);
        painter.fillRect(QRectF(rect.left(), rect.top(), 22, rect.height()), faint);
        painter.setPen(Qt::white);
        const QString caption = side == RowSide::Sender ? QStringLiteral(u"寄件人") : QStringLiteral(u"收件人");
        for (int i = 0; i < caption.size(); ++i)
            painter.drawText(QRectF(rect.left(), rect.top() + 8 + i * 18, 22, 18), Qt::AlignCenter, caption.mid(i, 1));
    }

    // A labelled line for every printed field.
    QFont labelFont(QStringLiteral(u"宋体"));
    labelFont.setPixelSize(10);
    painter.setFont(labelFont);
    for (const LayoutItem &item : layout.items) {
        const QString label = fieldLabel(item);
        painter.setPen(ink);
        const bool datePart = label.size() == 1;
        if (datePart) {
            painter.drawText(QRectF(item.left + 18, item.top + 3, 14, 14), Qt::AlignLeft, label);
            continue;
        }
        painter.drawText(QRectF(item.left - 2, item.top - 13, 120, 12), Qt::AlignLeft, label);
        painter.setPen(QPen(faint, 1, Qt::DotLine));
        const double length = std::max(item.width * 2.5, 110.0);
        for (int line = 1; line * 17 <= item.height + 1; ++line)
            painter.drawLine(QPointF(item.left, item.top + line * 17), QPointF(item.left + length, item.top + line * 17));
    }

    // Footer: terms and a customer signature box.
    painter.setPen(QPen(ink, 1));
    painter.drawLine(QPointF(12, page.height() - 40), QPointF(page.width() - 12, page.height() - 40));
    painter.setFont(small);
    painter.drawText(QRectF(20, page.height() - 36, page.width() - 40, 24), Qt::AlignLeft | Qt::TextWordWrap,
                     QStringLiteral(u"寄件人确认已阅读背面契约条款。违禁物品不予收寄。收件人请当面验收。"));
    painter.end();
    const QString path = out.filePath(QString::fromLatin1(style.code) + QStringLiteral(".jpg"));
    image.save(path, "JPG", 80);
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    installFontSubstitutions();
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_form_pictures OUTPUT_DIR\n");
        return 2;
    }
    QDir out(QString::fromLocal8Bit(argv[1]));
    out.mkpath(QStringLiteral("."));
    for (const Style &style : kStyles)
        drawForm(style, out);
    return 0;
}
