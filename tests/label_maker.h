#pragma once
// E-waybill files made at test time, as a courier's portal hands them out
// (frames, Code 128 numbers, text), and printed PDFs read back as a
// thermal printer would see them (203 dpi).

#include "labels/label_image.h"

#include <BitMatrix.h>
#include <MultiFormatWriter.h>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>
#include <memory>
#include <poppler-qt6.h>

namespace label_maker {

constexpr double kMmPerInch = 25.4;

// One label as the maker draws it: its frame (millimetres on its page),
// its number, and whether the number is also printed as text.
struct LabelDrawing {
    QRectF frameMm;
    QString number;
    bool withText = true;
};

inline QImage code128(const QString &text)
{
    const ZXing::BitMatrix bits =
        ZXing::MultiFormatWriter(ZXing::BarcodeFormat::Code128).setMargin(0).encode(text.toStdString(), 0, 1);
    QImage image(bits.width(), 1, QImage::Format_Grayscale8);
    for (int x = 0; x < bits.width(); ++x)
        image.setPixel(x, 0, bits.get(x, 0) ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return image;
}

// Paints a label with the painter in millimetres.
inline void paintLabel(QPainter &painter, const LabelDrawing &label)
{
    painter.setPen(QPen(Qt::black, 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(label.frameMm.adjusted(0.25, 0.25, -0.25, -0.25));
    const QRectF bars(label.frameMm.x() + 10, label.frameMm.y() + 20, 70, 18);
    painter.drawImage(bars, code128(label.number));
    if (label.withText) {
        QFont font = painter.font();
        font.setPixelSize(4);
        painter.setFont(font);
        painter.drawText(QPointF(label.frameMm.x() + 10, label.frameMm.y() + 45),
                         QStringLiteral(u"运单号：%1").arg(label.number));
        painter.drawText(QPointF(label.frameMm.x() + 10, label.frameMm.y() + 55),
                         QStringLiteral(u"收件人 林晓丽 13812345678"));
    }
}

inline void writePdf(const QString &path, const QSizeF &pageMm, const QList<QList<LabelDrawing>> &pages)
{
    QPdfWriter writer(path);
    writer.setResolution(600);
    writer.setPageSize(QPageSize(pageMm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    QPainter painter(&writer);
    painter.scale(600 / kMmPerInch, 600 / kMmPerInch);
    for (qsizetype p = 0; p < pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        for (const LabelDrawing &label : pages[p])
            paintLabel(painter, label);
    }
}

inline bool writePng(const QString &path, const QSizeF &pageMm, const LabelDrawing &label, double dpi)
{
    QImage image(qRound(pageMm.width() * dpi / kMmPerInch), qRound(pageMm.height() * dpi / kMmPerInch),
                 QImage::Format_RGB32);
    image.fill(Qt::white);
    image.setDotsPerMeterX(qRound(dpi / 0.0254));
    image.setDotsPerMeterY(qRound(dpi / 0.0254));
    {
        QPainter painter(&image);
        painter.scale(dpi / kMmPerInch, dpi / kMmPerInch);
        paintLabel(painter, label);
    }
    return image.save(path);
}

// The quarters of an A4 page, each with a 95×140 label in its middle.
inline QList<LabelDrawing> fourOnA4(const QStringList &numbers)
{
    QList<LabelDrawing> labels;
    for (int k = 0; k < numbers.size(); ++k)
        labels.append({QRectF((k % 2) * 105 + 5, (k / 2) * 148.5 + 4.25, 95, 140), numbers[k]});
    return labels;
}

struct PrintedPage {
    QSizeF mm;
    QRectF frameMm; // the outermost ink
    QString code;
};

inline QList<PrintedPage> readPrinted(const QString &pdf)
{
    QList<PrintedPage> pages;
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::load(pdf);
    if (!document)
        return pages;
    for (int p = 0; p < document->numPages(); ++p) {
        const std::unique_ptr<Poppler::Page> page = document->page(p);
        const QImage raster = page->renderToImage(203, 203).convertToFormat(QImage::Format_Grayscale8);
        const QRect ink = inkBounds(raster);
        const double toMm = kMmPerInch / 203;
        pages.append({page->pageSizeF() * (kMmPerInch / 72),
                      QRectF(ink.x() * toMm, ink.y() * toMm, (ink.width() + 1) * toMm, (ink.height() + 1) * toMm),
                      readCode128(raster)});
    }
    return pages;
}

} // namespace label_maker
