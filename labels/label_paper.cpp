#include "labels/label_paper.h"

#include <cmath>

const QList<LabelPaper> &labelPapers()
{
    static const QList<LabelPaper> papers = [] {
        QList<LabelPaper> list;
        for (const QSizeF &mm : {QSizeF(100, 150), QSizeF(76, 130), QSizeF(100, 180), QSizeF(100, 210)})
            list.append({labelPaperName(mm), mm});
        return list;
    }();
    return papers;
}

namespace {

QString millimetres(double value)
{
    return QString::number(std::round(value * 10) / 10, 'f', std::fmod(std::round(value * 10), 10) == 0 ? 0 : 1);
}

} // namespace

QString labelPaperName(const QSizeF &mm)
{
    return millimetres(mm.width()) + QChar(0x00D7) + millimetres(mm.height());
}

std::optional<PageSplit> pageSplitOf(int labelsPerPage)
{
    switch (labelsPerPage) {
    case 1:
        return PageSplit::Whole;
    case 2:
        return PageSplit::Halves;
    case 4:
        return PageSplit::Quarters;
    default:
        return std::nullopt;
    }
}

QList<QRectF> labelCells(const QSizeF &pageMm, PageSplit split)
{
    const double w = pageMm.width();
    const double h = pageMm.height();
    switch (split) {
    case PageSplit::Whole:
        return {QRectF(0, 0, w, h)};
    case PageSplit::Halves:
        // A landscape page holds its two labels side by side.
        if (w > h)
            return {QRectF(0, 0, w / 2, h), QRectF(w / 2, 0, w / 2, h)};
        return {QRectF(0, 0, w, h / 2), QRectF(0, h / 2, w, h / 2)};
    case PageSplit::Quarters:
        return {QRectF(0, 0, w / 2, h / 2), QRectF(w / 2, 0, w / 2, h / 2), QRectF(0, h / 2, w / 2, h / 2),
                QRectF(w / 2, h / 2, w / 2, h / 2)};
    }
    return {};
}

bool turnsOnPaper(const QSizeF &labelMm, const QSizeF &paperMm)
{
    const bool labelWide = labelMm.width() > labelMm.height();
    const bool paperWide = paperMm.width() > paperMm.height();
    // A square one fits either way.
    if (labelMm.width() == labelMm.height() || paperMm.width() == paperMm.height())
        return false;
    return labelWide != paperWide;
}

QString labelCalibrationCode(const QSizeF &paperMm)
{
    return QStringLiteral("label_%1x%2").arg(millimetres(paperMm.width()), millimetres(paperMm.height()));
}
