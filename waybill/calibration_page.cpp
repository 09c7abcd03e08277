#include "waybill/calibration_page.h"

#include "waybill/family.h"
#include "waybill/layout.h"
#include "waybill/page_composer.h"
#include "waybill/waybill_run.h"

#include <QFont>
#include <QPainter>
#include <QPen>

QString calibrationSummary(const Calibration &calibration)
{
    QString text = QStringLiteral(u"右移 %1、下移 %2（%3、%4 毫米）")
                       .arg(calibration.shiftX)
                       .arg(calibration.shiftY)
                       .arg(calibration.shiftX * kMmPerUnit, 0, 'f', 1)
                       .arg(calibration.shiftY * kMmPerUnit, 0, 'f', 1);
    if (calibration.scaleX != 1.0 || calibration.scaleY != 1.0)
        text += QStringLiteral(u"，缩放 %1 × %2").arg(calibration.scaleX, 0, 'f', 3).arg(calibration.scaleY, 0, 'f', 3);
    if (calibration.paperWidth > 0)
        text += QStringLiteral(u"，纸张 %1 × %2 毫米")
                    .arg(calibration.paperWidth, 0, 'f', 1)
                    .arg(calibration.paperHeight, 0, 'f', 1);
    return text;
}

CalibrationSheet calibrationSheet(const WaybillRun &run, const QString &formName, const QString &printer)
{
    CalibrationSheet sheet;
    sheet.paperMm = run.paperMm();
    sheet.caption = QStringLiteral(u"校准页：%1  %2%3")
                        .arg(formName, calibrationSummary(run.calibration(printer)),
                             printer.isEmpty() ? QString() : QStringLiteral(u"  打印机 ") + printer);
    for (const LayoutItem &item : run.layout().items)
        sheet.frames << QRectF(item.left, item.top, item.width, item.height);
    for (const LayoutItem &item : run.placedItems())
        sheet.crosses << CalibrationCross{QPointF(item.left, item.top), itemLabel(item)};
    return sheet;
}

namespace {

constexpr double kUnitsPerMm = 1.0 / kMmPerUnit;

QPen hairline(const QColor &color, qreal width)
{
    QPen pen(color);
    pen.setWidthF(width);
    pen.setCosmetic(false);
    return pen;
}

// Lines every millimetre, darker every 5 and 10, numbered every 10 along
// the top and the left edge.
void paintGrid(QPainter &painter, const QSizeF &paper, qreal dot)
{
    const int acrossMm = int(paper.width() * kMmPerUnit);
    const int downMm = int(paper.height() * kMmPerUnit);
    const auto penFor = [&](int mm) {
        if (mm % 10 == 0)
            return hairline(QColor(96, 96, 96), 1.2 * dot);
        if (mm % 5 == 0)
            return hairline(QColor(160, 160, 160), 0.9 * dot);
        return hairline(QColor(215, 215, 215), 0.6 * dot);
    };
    for (int mm = 0; mm <= acrossMm; ++mm) {
        painter.setPen(penFor(mm));
        const qreal x = mm * kUnitsPerMm * dot;
        painter.drawLine(QPointF(x, 0), QPointF(x, paper.height() * dot));
    }
    for (int mm = 0; mm <= downMm; ++mm) {
        painter.setPen(penFor(mm));
        const qreal y = mm * kUnitsPerMm * dot;
        painter.drawLine(QPointF(0, y), QPointF(paper.width() * dot, y));
    }
    QFont numbers(QStringLiteral("Liberation Sans"));
    numbers.setPixelSize(std::max(1, int(7 * dot)));
    painter.setFont(numbers);
    painter.setPen(QColor(64, 64, 64));
    for (int mm = 10; mm < acrossMm; mm += 10)
        painter.drawText(QPointF(mm * kUnitsPerMm * dot + dot, 8 * dot), QString::number(mm));
    for (int mm = 10; mm < downMm; mm += 10)
        painter.drawText(QPointF(dot, mm * kUnitsPerMm * dot - dot), QString::number(mm));
}

// A ruler down the page's length near its right edge, ticks every
// millimetre and numbers every 10, ending in the length the page was
// printed with: on continuous forms its 0 should meet each form's top
// edge, and how far it does not, form after form, is the drift.
void paintLengthRuler(QPainter &painter, const QSizeF &paperMm, qreal dot)
{
    const qreal x = (paperMm.width() - 12) * kUnitsPerMm * dot;
    const qreal bottom = paperMm.height() * kUnitsPerMm * dot;
    painter.setPen(hairline(QColor(160, 0, 160), 1.0 * dot));
    painter.drawLine(QPointF(x, 0), QPointF(x, bottom));
    QFont numbers(QStringLiteral("Liberation Sans"));
    numbers.setPixelSize(std::max(1, int(7 * dot)));
    painter.setFont(numbers);
    for (int mm = 0; mm <= int(paperMm.height()); ++mm) {
        const qreal y = mm * kUnitsPerMm * dot;
        const qreal tick = (mm % 10 == 0 ? 5 : mm % 5 == 0 ? 3.5 : 2) * kUnitsPerMm * dot;
        painter.drawLine(QPointF(x - tick, y), QPointF(x, y));
        if (mm % 10 == 0 && mm > 0)
            painter.drawText(QPointF(x + dot, y + 3 * dot), QString::number(mm));
    }
    QFont label(QStringLiteral(u"宋体"));
    label.setPixelSize(std::max(1, int(8 * dot)));
    painter.setFont(label);
    painter.drawText(
        QRectF(QPointF(x - 66 * kUnitsPerMm * dot, bottom - 26 * dot), QSizeF(60 * kUnitsPerMm * dot, 9 * dot)),
        Qt::AlignRight | Qt::AlignTop | Qt::TextSingleLine,
        QStringLiteral(u"纸长 %1 毫米").arg(paperMm.height(), 0, 'f', 1));
}

} // namespace

void paintCalibrationSheet(QPainter &painter, const CalibrationSheet &sheet, qreal dot)
{
    painter.save();
    const QSizeF paper(sheet.paperMm.width() * kUnitsPerMm, sheet.paperMm.height() * kUnitsPerMm);
    paintGrid(painter, paper, dot);
    paintLengthRuler(painter, sheet.paperMm, dot);

    painter.setPen(hairline(QColor(0, 90, 200), 1.0 * dot));
    painter.setBrush(Qt::NoBrush);
    for (const QRectF &frame : sheet.frames)
        painter.drawRect(QRectF(frame.topLeft() * dot, frame.size() * dot));

    QFont labels(QStringLiteral("AR PL UMing CN"));
    labels.setPixelSize(std::max(1, int(9 * dot)));
    painter.setFont(labels);
    const qreal arm = 3 * kUnitsPerMm * dot; // 3 mm each way
    for (const CalibrationCross &cross : sheet.crosses) {
        const QPointF at = cross.at * dot;
        painter.setPen(hairline(Qt::red, 1.2 * dot));
        painter.drawLine(at - QPointF(arm, 0), at + QPointF(arm, 0));
        painter.drawLine(at - QPointF(0, arm), at + QPointF(0, arm));
        painter.setPen(Qt::black);
        const QPointF labelAt = at + QPointF(kCrossLabelOffset, kCrossLabelOffset) * dot;
        painter.drawText(QRectF(labelAt, QSizeF(400 * dot, 12 * dot)),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, cross.label);
    }

    painter.setPen(Qt::black);
    painter.drawText(QRectF(QPointF(12 * dot, paper.height() * dot - 16 * dot), QSizeF(paper.width() * dot, 14 * dot)),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, sheet.caption);
    painter.restore();
}
