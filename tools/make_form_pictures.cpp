// Draws one plausible blank form picture per courier from its layout: a
// title band with the courier's Chinese name, a sender and a recipient
// section, a labelled line for every printed field, a barcode stripe and a
// footer. Labels, frames, lines and the footer are placed where no printed
// field covers them, each field taken as wide as a long value prints (a
// year of four digits, a full split line, a mobile number); the run fails, naming the form, when that cannot be
// done. Writes waybill/pictures/<code>.jpg at the pixel size the layout
// gives.
//   make_form_pictures OUTPUT_DIR

#include "report/fonts.h"
#include "waybill/family.h"
#include "waybill/layout.h"

#include <QDir>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLineF>
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
    {"sf", u"顺丰速运", QColor(40, 40, 40)},           {"sf1", u"顺丰速运", QColor(60, 60, 60)},
    {"st", u"申通快递", QColor(230, 120, 20)},         {"yt", u"圆通速递", QColor(100, 40, 140)},
    {"yt1", u"圆通速递 详情单", QColor(100, 40, 140)}, {"yd", u"韵达快递", QColor(30, 80, 170)},
    {"tt", u"天天快递", QColor(200, 30, 40)},          {"zt", u"中通快递", QColor(20, 70, 160)},
    {"ems", u"EMS 特快专递", QColor(0, 110, 70)},      {"zjs", u"宅急送", QColor(200, 40, 40)},
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

bool isDatePart(const LayoutItem &item)
{
    return item.column == QStringLiteral(u"年") || item.column == QStringLiteral(u"月")
        || item.column == QStringLiteral(u"日");
}

bool inSection(const LayoutItem &item)
{
    return !isDatePart(item) && item.column != QStringLiteral(u"签名") && item.column != QStringLiteral(u"内件品名")
        && item.column != QStringLiteral(u"数量") && item.column != QStringLiteral(u"备注");
}

// A long but ordinary value of an item's column, as offices fill it in.
QString longValue(const LayoutItem &item)
{
    // A split item prints lines as wide as its split width allows.
    if (item.splitWidth > 2)
        return QString((item.splitWidth - 2) / 2, QChar(0x4E2D));
    static const QHash<QString, QString> values{
        {QStringLiteral(u"寄件人姓名"), QStringLiteral(u"欧阳张三丰")},
        {QStringLiteral(u"收件人姓名"), QStringLiteral(u"欧阳张三丰")},
        {QStringLiteral(u"联系电话"), QStringLiteral("0571-88886666")},
        {QStringLiteral(u"手机号码"), QStringLiteral("13812345678")},
        {QStringLiteral(u"邮政编码"), QStringLiteral("310012")},
        {QStringLiteral(u"始发地"), QStringLiteral(u"浙江杭州")},
        {QStringLiteral(u"目的地"), QStringLiteral(u"浙江杭州")},
        {QStringLiteral(u"单位名称"), QStringLiteral(u"某某贸易有限公司")},
        {QStringLiteral(u"内件品名"), QStringLiteral(u"样品（易碎）")},
        {QStringLiteral(u"数量"), QStringLiteral("100")},
        {QStringLiteral(u"签名"), QStringLiteral(u"王某某")},
        {QStringLiteral(u"备注"), QStringLiteral(u"工作日送达")},
        {QStringLiteral(u"年"), QStringLiteral("2026")},
        {QStringLiteral(u"月"), QStringLiteral("12")},
        {QStringLiteral(u"日"), QStringLiteral("31")},
    };
    return values.value(item.column, item.column);
}

// Where an item's text lies on the paper with a long value: from its
// place, as wide as the value prints in its font (the box grows with the
// text), as high as its design height (lines below are not printed).
QRectF boxOf(const LayoutItem &item)
{
    QFont font = item.font;
    font.setPixelSize(qRound(item.font.pointSizeF() * kUnitsPerPoint));
    const double width = QFontMetricsF(font).horizontalAdvance(longValue(item));
    return QRectF(item.left, item.top, std::max<double>(item.width, width), item.height);
}

// Everything drawn on a form, placed so that nothing printed covers it.
struct FormPlan {
    QList<QRectF> boxes; // every item's box
    QList<std::pair<QRectF, QString>> labels;
    QList<QLineF> lines;  // the dotted writing lines
    QRectF frames[2];     // sender, recipient (empty when none)
    double footer = 0;    // the footer rule's height
    QStringList problems; // what could not be placed cleanly
};

bool clear(const QRectF &rect, const FormPlan &plan, const QRectF &area)
{
    if (!area.contains(rect))
        return false;
    for (const QRectF &box : plan.boxes)
        if (box.adjusted(-1, -1, 1, 1).intersects(rect))
            return false;
    for (const auto &label : plan.labels)
        if (label.first.intersects(rect))
            return false;
    // Wholly inside a frame or wholly outside it, never across its border.
    for (const QRectF &frame : plan.frames)
        if (!frame.isEmpty() && frame.intersects(rect) && !frame.contains(rect))
            return false;
    return true;
}

FormPlan planForm(const Layout &layout, const QFontMetricsF &labelMetrics)
{
    FormPlan plan;
    const QSizeF page = layout.pictureDrawn;
    // Below the title band and its captions.
    const QRectF area(12, 75, page.width() - 24, page.height() - 85);
    for (const LayoutItem &item : layout.items)
        plan.boxes << boxOf(item);

    // The two sections around their items, kept apart.
    QRectF fields[2]; // each section's fields without margins
    for (RowSide side : {RowSide::Sender, RowSide::Recipient}) {
        QRectF rect;
        for (const LayoutItem &item : layout.items)
            if (item.row == side && inSection(item)) {
                rect = rect.united(boxOf(item).adjusted(-30, -16, 44, 6)); // room for a label after the text
                fields[side == RowSide::Sender ? 0 : 1] |= boxOf(item);
            }
        plan.frames[side == RowSide::Sender ? 0 : 1] = rect.intersected(area);
    }
    QRectF &sender = plan.frames[0];
    QRectF &recipient = plan.frames[1];
    if (!sender.isEmpty() && !recipient.isEmpty() && sender.intersects(recipient)) {
        // Side by side or one above the other: the boundary halfway
        // between the two sections' fields.
        if (sender.left() < recipient.left()) {
            const double middle = (fields[0].right() + fields[1].left()) / 2;
            sender.setRight(middle - 3);
            recipient.setLeft(middle + 3);
        } else {
            const double middle = (fields[0].bottom() + fields[1].top()) / 2;
            sender.setBottom(middle - 3);
            recipient.setTop(middle + 3);
        }
    }

    // A field of neither section that the margin of a frame reaches moves
    // that edge of the frame clear of it.
    for (QRectF &frame : plan.frames) {
        for (const LayoutItem &item : layout.items) {
            const QRectF box = boxOf(item);
            if (inSection(item) || frame.isEmpty() || !frame.intersects(box) || frame.contains(box))
                continue;
            if (box.center().y() < frame.top())
                frame.setTop(box.bottom() + 1);
            else if (box.center().y() > frame.bottom())
                frame.setBottom(box.top() - 1);
            else if (box.center().x() < frame.left())
                frame.setLeft(box.right() + 1);
            else if (box.center().x() > frame.right())
                frame.setRight(box.left() - 1);
        }
    }

    // A label for every field: above its box, else to its left, else to
    // its right, wherever nothing printed covers it.
    for (const LayoutItem &item : layout.items) {
        const QString label = fieldLabel(item);
        const double width = labelMetrics.horizontalAdvance(label) + 2;
        const QRectF box = boxOf(item);
        const QList<QRectF> candidates = isDatePart(item)
            ? QList<QRectF>{QRectF(box.right() + 1, box.top() + 3, width, 12),
                            QRectF(box.left() - width - 1, box.top() + 3, width, 12),
                            QRectF(box.left(), box.top() - 13, width, 12),
                            QRectF(box.left(), box.bottom() + 1, width, 12)}
            // After the text last: a longer value than planned would cover it.
            : QList<QRectF>{QRectF(box.left(), box.top() - 13, width, 12),
                            QRectF(box.left() - width - 2, box.top() + 3, width, 12),
                            QRectF(box.left() + 24, box.top() - 13, width, 12),
                            QRectF(box.left(), box.bottom() + 1, width, 12),
                            QRectF(box.left() + 24, box.bottom() + 1, width, 12),
                            QRectF(box.left() - width - 2, box.top() - 13, width, 12),
                            QRectF(box.right() + 2, box.top() + 3, width, 12),
                            QRectF(box.right() + 2, box.bottom() - 12, width, 12)};
        bool placed = false;
        for (const QRectF &candidate : candidates) {
            if (clear(candidate, plan, area)) {
                plan.labels.append({candidate, label});
                placed = true;
                break;
            }
        }
        if (!placed)
            plan.problems << QStringLiteral(u"%1 %2: no room for its label").arg(layout.code, item.name);
    }

    // Writing lines under each field, up to the next box or frame border.
    for (const LayoutItem &item : layout.items) {
        if (isDatePart(item))
            continue;
        const QRectF box = boxOf(item);
        QRectF frame = area;
        for (const QRectF &f : plan.frames)
            if (!f.isEmpty() && f.contains(box))
                frame = f.adjusted(2, 2, -2, -2);
        for (int line = 1; line * 17 <= item.height + 1; ++line) {
            const double y = item.top + line * 17;
            double end = std::min(item.left + std::max(item.width * 2.5, 110.0), frame.right());
            for (const QRectF &other : plan.boxes)
                if (other != box && other.top() <= y + 1 && other.bottom() >= y - 1 && other.left() > item.left)
                    end = std::min(end, other.left() - 3);
            for (const auto &label : plan.labels)
                if (label.first.top() <= y + 1 && label.first.bottom() >= y - 1 && label.first.left() > item.left)
                    end = std::min(end, label.first.left() - 3);
            if (end > item.left + 8)
                plan.lines << QLineF(item.left, y, end, y);
        }
    }

    // The footer rule below everything printed, where there is room.
    double lowest = 0;
    for (const QRectF &box : plan.boxes)
        lowest = std::max(lowest, box.bottom());
    for (const auto &label : plan.labels)
        lowest = std::max(lowest, label.first.bottom());
    plan.footer = std::max(page.height() - 40, lowest + 4);
    if (plan.footer > page.height() - 14)
        plan.footer = 0; // no room: no footer

    // The checks: every label clear of every box, every box inside its
    // frame and clear of the other, no line across a box or a frame border.
    for (const auto &label : plan.labels)
        for (const QRectF &box : plan.boxes)
            if (label.first.intersects(box))
                plan.problems << QStringLiteral(u"%1: label %2 lies under a field").arg(layout.code, label.second);
    for (const LayoutItem &item : layout.items) {
        const QRectF box = boxOf(item);
        const int own = item.row == RowSide::Sender ? 0 : 1;
        for (int side = 0; side < 2; ++side) {
            const QRectF &frame = plan.frames[side];
            if (frame.isEmpty())
                continue;
            // A field may stand inside a frame (the ship date in the
            // sender's), never across its border; a section's own fields
            // stand inside it and not in the other.
            const bool inside = frame.contains(box);
            const bool crosses = frame.intersects(box) && !inside;
            if (crosses || (inSection(item) && inside != (side == own)))
                plan.problems << QStringLiteral(u"%1 %2: box and section frame overlap").arg(layout.code, item.name);
        }
        if (plan.footer > 0 && box.top() <= plan.footer && box.bottom() >= plan.footer)
            plan.problems << QStringLiteral(u"%1 %2: the footer rule crosses it").arg(layout.code, item.name);
    }
    for (const QLineF &line : plan.lines) {
        for (const QRectF &box : plan.boxes)
            if (box.adjusted(0, 0.5, 0, -0.5).contains(line.center()) && !qFuzzyCompare(box.left(), line.x1()))
                plan.problems << QStringLiteral(u"%1: a writing line crosses a field").arg(layout.code);
        for (const QRectF &frame : plan.frames)
            if (!frame.isEmpty() && frame.contains(line.p1()) != frame.contains(line.p2()))
                plan.problems << QStringLiteral(u"%1: a writing line crosses a frame").arg(layout.code);
    }
    return plan;
}

// Draws a courier's form; returns what could not be placed cleanly.
QStringList drawForm(const Style &style, const QDir &out)
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
    QFont labelFont(QStringLiteral(u"宋体"));
    labelFont.setPixelSize(10);
    const FormPlan plan = planForm(layout, QFontMetricsF(labelFont));

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

    // Sender and recipient sections, with their side captions where the
    // frame has room left of its fields.
    QFont sectionFont(QStringLiteral(u"宋体"));
    sectionFont.setPixelSize(13);
    sectionFont.setBold(true);
    for (int side = 0; side < 2; ++side) {
        const QRectF rect = plan.frames[side];
        if (rect.isEmpty())
            continue;
        painter.setPen(QPen(ink, 1.2));
        painter.drawRoundedRect(rect, 4, 4);
        const QRectF band(rect.left(), rect.top(), 18, rect.height());
        if (clear(band.adjusted(1, 1, -1, -1), plan, QRectF(0, 0, page.width(), page.height()))) {
            painter.fillRect(band, faint);
            painter.setFont(sectionFont);
            painter.setPen(Qt::white);
            const QString caption = side == 0 ? QStringLiteral(u"寄件人") : QStringLiteral(u"收件人");
            for (int i = 0; i < caption.size(); ++i)
                painter.drawText(QRectF(band.left(), band.top() + 8 + i * 18, 18, 18), Qt::AlignCenter,
                                 caption.mid(i, 1));
        }
    }

    painter.setFont(labelFont);
    painter.setPen(ink);
    for (const auto &[rect, label] : plan.labels)
        painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter, label);
    painter.setPen(QPen(faint, 1, Qt::DotLine));
    for (const QLineF &line : plan.lines)
        painter.drawLine(line);

    // Footer: terms below everything printed.
    if (plan.footer > 0) {
        painter.setPen(QPen(ink, 1));
        painter.drawLine(QPointF(12, plan.footer), QPointF(page.width() - 12, plan.footer));
        painter.setFont(small);
        painter.drawText(QRectF(20, plan.footer + 4, page.width() - 40, page.height() - plan.footer - 12),
                         Qt::AlignLeft | Qt::TextWordWrap,
                         QStringLiteral(u"寄件人确认已阅读背面契约条款。违禁物品不予收寄。收件人请当面验收。"));
    }
    painter.end();
    const QString path = out.filePath(QString::fromLatin1(style.code) + QStringLiteral(".jpg"));
    image.save(path, "JPG", 80);
    std::printf("%s %dx%d\n", qPrintable(path), image.width(), image.height());
    return plan.problems;
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
    // Nothing printed may cover a label, cross a frame or a rule: a form
    // that cannot be drawn so fails the run.
    QStringList problems;
    for (const Style &style : kStyles)
        problems << drawForm(style, out);
    for (const QString &problem : problems)
        std::fprintf(stderr, "%s\n", qPrintable(problem));
    return problems.isEmpty() ? 0 : 1;
}
