#pragma once
// Labels in the print record: each label printed is an entry of the form
// "label", holding its file, page and cell, its paper and the number read
// from it, so that the number list and reprints work for e-waybills as for
// the forms.

#include "labels/label_run.h"
#include "store/print_log.h"

#include <QDateTime>
#include <memory>
#include <optional>
#include <vector>

class Connection;

namespace label_record {
// The form code and variant label entries are kept under.
inline const QString kCode = QStringLiteral("label");
} // namespace label_record

// The entries of count labels of a run from label first (0-based),
// printed at when onto output.
QList<PrintLogEntry> labelEntries(const LabelRun &run, int first, int count, const QString &output,
                                  const QDateTime &when);

bool isLabelEntry(const PrintLogEntry &entry);

// What a label entry printed: where the label is and how it was cut and
// printed. None for an entry of a form or one whose texts are damaged.
struct RecordedLabel {
    LabelSpot spot;
    QSizeF paperMm;
    PageSplit split = PageSplit::Whole;
    int threshold = kDefaultThreshold;
};
std::optional<RecordedLabel> recordedLabel(const PrintLogEntry &entry);

// Runs that print label entries again, one per stretch of entries with the
// same paper and cut, with the position saved for printer (a damaged one is
// told in *problem). Each reprinted label keeps its entry's number and is
// recorded as printing it again. Throws FileError naming a label whose
// file is gone or changed, AppError for an entry that is no label's.
std::vector<std::unique_ptr<LabelRun>> labelReprints(const QList<PrintLogEntry> &entries, Connection &connection,
                                                     const QString &printer, QString *problem = nullptr);
