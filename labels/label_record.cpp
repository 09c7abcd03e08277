#include "labels/label_record.h"

#include "labels/label_print.h"
#include "store/calibration.h"

#include <QFileInfo>

namespace {

const QString kFile = QStringLiteral(u"标签文件");
const QString kPage = QStringLiteral(u"页");
const QString kCell = QStringLiteral(u"第几张");
const QString kSplit = QStringLiteral(u"每页张数");
const QString kPaper = QStringLiteral(u"纸张");
const QString kThreshold = QStringLiteral(u"黑白阈值");

int positive(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value > 0 ? value : 0;
}

} // namespace

QList<PrintLogEntry> labelEntries(const LabelRun &run, int first, int count, const QString &output,
                                  const QDateTime &when)
{
    const LabelOptions &options = run.options();
    QList<PrintLogEntry> entries;
    entries.reserve(count);
    for (int k = first; k < first + count; ++k) {
        const LabelPlace &place = run.place(k);
        PrintLogEntry entry;
        entry.printedAt = when;
        entry.courier = label_record::kCode;
        entry.variant = label_record::kCode;
        entry.formName = QStringLiteral(u"电子面单 %1").arg(labelPaperName(options.paperMm));
        entry.output = output;
        entry.page = k + 1;
        entry.number = place.number;
        entry.reprintOf = place.spot.recordedEntry;
        entry.recipient = {{kFile, QFileInfo(place.spot.file).absoluteFilePath()},
                           {kPage, QString::number(place.spot.page + 1)},
                           {kCell, QString::number(place.spot.cell + 1)},
                           {kSplit, QString::number(int(options.split))},
                           {kPaper, QStringLiteral("%1x%2").arg(options.paperMm.width()).arg(options.paperMm.height())},
                           {kThreshold, QString::number(options.threshold)}};
        entries.append(std::move(entry));
    }
    return entries;
}

bool isLabelEntry(const PrintLogEntry &entry)
{
    return entry.courier == label_record::kCode;
}

std::optional<RecordedLabel> recordedLabel(const PrintLogEntry &entry)
{
    if (!isLabelEntry(entry))
        return std::nullopt;
    RecordedLabel label;
    label.spot.file = entry.recipient.value(kFile);
    const int page = positive(entry.recipient.value(kPage));
    const int cell = positive(entry.recipient.value(kCell));
    const std::optional<PageSplit> split = pageSplitOf(positive(entry.recipient.value(kSplit)));
    const std::optional<QSizeF> paper = parsePaperSize(entry.recipient.value(kPaper));
    if (label.spot.file.isEmpty() || page == 0 || cell == 0 || !split || !paper)
        return std::nullopt;
    label.spot.recordedEntry = entry.entry;
    label.spot.recordedNumber = entry.number;
    label.spot.page = page - 1;
    label.spot.cell = cell - 1;
    label.split = *split;
    label.paperMm = *paper;
    const int threshold = positive(entry.recipient.value(kThreshold));
    if (threshold > 0 && threshold < 256)
        label.threshold = threshold;
    return label;
}

std::vector<std::unique_ptr<LabelRun>> labelReprints(const QList<PrintLogEntry> &entries, Connection &connection,
                                                     const QString &printer, QString *problem)
{
    std::vector<std::unique_ptr<LabelRun>> runs;
    QList<LabelSpot> stretch;
    LabelOptions options;
    const auto flush = [&] {
        if (!stretch.isEmpty())
            runs.push_back(
                std::make_unique<LabelRun>(stretch, withSavedPosition(options, connection, printer, problem)));
        stretch.clear();
    };
    for (const PrintLogEntry &entry : entries) {
        const std::optional<RecordedLabel> label = recordedLabel(entry);
        if (!label)
            throw AppError(QStringLiteral(u"第 %1 条记录不是完整的电子面单记录，无法重打。").arg(entry.entry));
        if (label->paperMm != options.paperMm || label->split != options.split || label->threshold != options.threshold)
            flush();
        options.paperMm = label->paperMm;
        options.split = label->split;
        options.threshold = label->threshold;
        stretch.append(label->spot);
    }
    flush();
    return runs;
}
