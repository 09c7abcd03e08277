#include "labels/label_run.h"

#include "labels/label_number.h"

#include <QFileInfo>
#include <QPainter>
#include <QTransform>

namespace {

constexpr double kMmPerInch = 25.4;
// Ink is looked for at this resolution: enough for a 0.5 mm margin.
constexpr double kLookDpi = 72;
// Barcodes are read at a thermal printer's resolution.
constexpr double kReadDpi = 203;
// A cell this much larger than the paper still prints whole.
constexpr double kToleranceMm = 1.0;
// Kept around the ink when a cell is cropped.
constexpr double kMarginMm = 1.0;

QSizeF oriented(const QSizeF &mm, bool turned)
{
    return turned ? mm.transposed() : mm;
}

bool fits(const QSizeF &mm, const QSizeF &paper)
{
    return mm.width() <= paper.width() + kToleranceMm && mm.height() <= paper.height() + kToleranceMm;
}

} // namespace

LabelRun::LabelRun(const QStringList &files, const LabelOptions &options, const LabelProgress &progress)
    : m_options(options)
{
    // Pages are counted first so that progress knows its total.
    QList<int> pages;
    int total = 0;
    for (const QString &file : files) {
        pages << document(file).pageCount();
        total += pages.last();
    }
    int done = 0;
    for (qsizetype f = 0; f < files.size(); ++f) {
        const LabelDocument &doc = document(files[f]);
        for (int page = 0; page < pages[f]; ++page) {
            const int cells = int(labelCells(doc.pageMm(page), options.split).size());
            for (int cell = 0; cell < cells; ++cell)
                look({files[f], page, cell, 0, QString()}, doc, false);
            if (progress && !progress(++done, total))
                return;
        }
    }
}

LabelRun::LabelRun(const QList<LabelSpot> &spots, const LabelOptions &options) : m_options(options)
{
    for (const LabelSpot &spot : spots) {
        const LabelDocument &doc = document(spot.file);
        if (spot.page >= doc.pageCount() || spot.cell >= labelCells(doc.pageMm(spot.page), options.split).size())
            throw FileError(QStringLiteral(u"%1 中已没有%2。")
                                .arg(QFileInfo(spot.file).fileName(), labelSpotText(spot, options.split)));
        look(spot, doc, true);
    }
}

const LabelDocument &LabelRun::document(const QString &file) const
{
    // One file open at a time: labels are taken file by file.
    if (!m_open || m_openFile != file) {
        m_open = LabelDocument::open(file);
        m_openFile = file;
    }
    return *m_open;
}

void LabelRun::look(const LabelSpot &spot, const LabelDocument &doc, bool keepBlank)
{
    const QSizeF paper = m_options.paperMm;
    const QRectF cell = labelCells(doc.pageMm(spot.page), m_options.split).value(spot.cell);
    const QImage look = doc.render(spot.page, cell, kLookDpi, kLookDpi);
    const QRect ink = inkBounds(look, m_options.threshold);
    if (ink.isEmpty()) {
        if (keepBlank)
            throw FileError(QStringLiteral(u"%1 的%2是空白的。")
                                .arg(QFileInfo(spot.file).fileName(), labelSpotText(spot, m_options.split)));
        return;
    }
    LabelPlace place;
    place.spot = spot;
    place.areaMm = cell;
    place.turned = turnsOnPaper(cell.size(), paper);
    if (!fits(oriented(cell.size(), place.turned), paper)) {
        // A label on a larger sheet: its printed part is what goes.
        const double toMm = kMmPerInch / kLookDpi;
        const QRectF inkMm(cell.x() + ink.x() * toMm, cell.y() + ink.y() * toMm, (ink.width() + 1) * toMm,
                           (ink.height() + 1) * toMm);
        place.areaMm = inkMm.adjusted(-kMarginMm, -kMarginMm, kMarginMm, kMarginMm).intersected(cell);
        place.turned = turnsOnPaper(place.areaMm.size(), paper);
        const QSizeF size = oriented(place.areaMm.size(), place.turned);
        if (!fits(size, paper))
            place.fit = std::min(paper.width() / size.width(), paper.height() / size.height());
    }
    const QSizeF printed = oriented(place.areaMm.size(), place.turned) * place.fit;
    // Centred on the paper (a label as large as the paper starts at its corner).
    place.offsetMm = QPointF(std::max(0.0, (paper.width() - printed.width()) / 2),
                             std::max(0.0, (paper.height() - printed.height()) / 2));
    if (spot.recordedEntry) {
        place.number = spot.recordedNumber;
        m_places.append(place);
        return;
    }
    const QString text = doc.text(spot.page, place.areaMm);
    QString code;
    if (labelledWaybillNumber(text).isEmpty())
        code = readCode128(doc.render(spot.page, place.areaMm, kReadDpi, kReadDpi));
    place.number = labelNumber(text, code);
    m_places.append(place);
}

QStringList LabelRun::notes() const
{
    QStringList notes;
    for (const LabelPlace &place : m_places)
        if (place.fit < 1)
            notes << QStringLiteral(u"%1 比纸张大，已缩小到 %2 % 打印。")
                         .arg(QFileInfo(place.spot.file).fileName() + QLatin1Char(' ')
                                  + labelSpotText(place.spot, m_options.split),
                              QString::number(place.fit * 100, 'f', 0));
    return notes;
}

QImage LabelRun::picture(int label, double dotsPerInch) const
{
    const LabelPlace &place = m_places[label];
    // Rendered with the stretch in it, so that it is drawn dot for dot.
    const double across = dotsPerInch * place.fit * (place.turned ? m_options.scaleY : m_options.scaleX);
    const double down = dotsPerInch * place.fit * (place.turned ? m_options.scaleX : m_options.scaleY);
    const QImage grey = document(place.spot.file).render(place.spot.page, place.areaMm, across, down);
    QImage mono = binarised(grey, m_options.threshold);
    if (place.turned)
        mono = mono.transformed(QTransform().rotate(90));
    return mono;
}

void LabelRun::paint(QPainter &painter, int label, double deviceDpi, double pictureDpi) const
{
    const LabelPlace &place = m_places[label];
    const QImage image = picture(label, pictureDpi);
    const double dots = deviceDpi / kMmPerInch;
    const QPointF at((place.offsetMm.x() + m_options.shiftXmm) * dots,
                     (place.offsetMm.y() + m_options.shiftYmm) * dots);
    const double toDevice = deviceDpi / pictureDpi;
    painter.save();
    // Dot for dot: no smoothing between the picture's dots and the device's.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRectF(at, QSizeF(image.width() * toDevice, image.height() * toDevice)), image);
    painter.restore();
}

QString labelSpotText(const LabelSpot &spot, PageSplit split)
{
    if (split == PageSplit::Whole)
        return QStringLiteral(u"第 %1 页").arg(spot.page + 1);
    return QStringLiteral(u"第 %1 页第 %2 张").arg(spot.page + 1).arg(spot.cell + 1);
}
