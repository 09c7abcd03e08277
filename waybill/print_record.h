#pragma once
// What a finished print leaves in the print record (store/print_log.h):
// one entry per page printed, with the texts the page printed, its form
// and its waybill number; and the runs that print recorded entries again.

#include "store/print_log.h"
#include "waybill/family.h"
#include "waybill/print_source.h"

#include <QSet>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Connection;
class WaybillRun;

// How a variant is kept in the record.
QString variantName(Variant variant);
std::optional<Variant> variantNamed(const QString &name);

// The name of a form by its code: a built-in courier's (顺丰快递单) or one of
// the office's own.
QString formNameOf(const QString &code, Connection &connection);

// Where a run went, as the record keeps it: "PDF：path" for a file, the
// printer's name otherwise.
QString pdfOutput(const QString &path);

// The entries of count pages of a run just printed, from page first
// (0-based) on, printed at when onto output; the run's first number goes
// to the first of them and the next numbers to the rest. Without a first
// number a reprinted page keeps the number its entry had.
QList<PrintLogEntry> printedEntries(const WaybillRun &run, const QString &formName, int first, int count,
                                    const QString &output, const QDateTime &when);
// The entry of one page (0-based) printed on number (a run without a first
// number: the page keeps its recorded number).
PrintLogEntry printedEntry(const WaybillRun &run, const QString &formName, int page, const QString &number,
                           const QString &output, const QDateTime &when);

// "（运单号 A–B）" (one number: "（运单号 A）"); empty without numbers.
QString numbersText(const QList<PrintLogEntry> &entries);

// What a print left in the record.
struct PrintedRun {
    int pages = 0;
    QString lastNumber; // the number of the last page printed (empty: none)
    QString numbers;    // numbersText of the pages
    QString summary;    // "已打印 N 张（运单号 A–B）", or "已打印 N 张" without numbers
    QString problem;    // why the record could not be written (the pages did print)
};

// The record of one print, written as its pages go so that a crash while
// printing never leaves printed forms without entries, and a long run never
// holds its entries in memory: as a page is about to be composed to go out,
// the entries of the pages up to a thousand ahead are written as pending
// (their numbers taken); finish() confirms the pages that went out and
// removes the others. Destroyed unfinished (the print failed), it removes
// them all. When the pending entries cannot be written the print still
// goes, and finish() tries to write the printed ones.
class PrintRecording {
public:
    PrintRecording(Connection &connection, const WaybillRun &run, int first, int count, const QString &output);
    // The same for entries made elsewhere (labels printed from files):
    // entryOf(k) makes the entry of the k-th page (0-based), in order.
    using EntryOf = std::function<PrintLogEntry(int k)>;
    PrintRecording(Connection &connection, int count, EntryOf entryOf);
    ~PrintRecording();
    PrintRecording(const PrintRecording &) = delete;
    PrintRecording &operator=(const PrintRecording &) = delete;

    // Page k (0-based among the recorded ones) is about to be composed to go out.
    void pageGoing(int page);
    // The first printed pages of the count went out.
    PrintedRun finish(int printed);

private:
    void make(int upTo);
    QList<QPair<qint64, qint64>> pendingOf(int from, int to) const;
    qint64 entryOfPage(int page) const;

    Connection &m_connection;
    int m_count = 0;
    EntryOf m_entryOf;
    int m_made = 0;                              // pages whose entries are made
    int m_pending = 0;                           // pages whose entries are written pending
    int m_confirmed = 0;                         // pages confirmed as printed
    std::vector<QPair<qint64, qint64>> m_ranges; // the pending entries, first and last of each batch
    std::vector<bool> m_numbered;                // whether each page made has a number
    QString m_firstNumber;
    QString m_problem; // why the pending entries could not be written
};

// The pages of recorded entries, as they printed: page k carries entry k's
// texts. A reprint of them records which entry each page printed again.
class RecordedSource : public PrintSource {
public:
    explicit RecordedSource(QList<PrintLogEntry> entries) : m_entries(std::move(entries)) {}
    int pageCount() const override { return int(m_entries.size()); }
    QString value(int page, RowSide row, const QString &column) const override;
    qint64 recordedEntry(int page) const override { return m_entries[page].entry; }
    QString recordedNumber(int page) const override { return m_entries[page].number; }

private:
    QList<PrintLogEntry> m_entries;
};

// A run that prints recorded entries again, on their form as it is now,
// with the calibration saved for the printer.
struct Reprint {
    QString formName;
    std::unique_ptr<WaybillRun> run;
};
// Runs for entries, one per stretch of entries printed on the same form,
// in the order given. Throws AppError naming an entry whose form is gone.
// A damaged saved calibration is told in *problem and not applied.
std::vector<Reprint> reprintsOf(const QList<PrintLogEntry> &entries, Connection &connection, const QString &printer,
                                QString *problem = nullptr);

// Prints the reprints one after the other through print (which prints a
// run and records it), the first on firstNumber and each next one on the
// number after the last it printed; empty: every page keeps its entry's
// number. Stops at a run that printed nothing (the user cancelled).
// Returns "FORM 已打印 N 张（运单号 A–B）" per run printed.
QStringList printReprints(std::vector<Reprint> &reprints, const QString &firstNumber,
                          const std::function<PrintedRun(WaybillRun &run)> &print);

// Which recipient rows the print record holds an entry for: a row with an
// order number (订单号) when an entry printed that number, a row without one
// when an entry printed its 收件人姓名, 手机号码 and 收件地址.
class PrintedRows {
public:
    explicit PrintedRows(const QList<PrintLogEntry> &entries);
    bool printed(const RowTexts &row) const { return latest(row) != nullptr; }
    // The latest entry that printed the row; nullptr: none.
    const PrintLogEntry *latest(const RowTexts &row) const;

private:
    QHash<QString, PrintLogEntry> m_byOrder;
    QHash<QString, PrintLogEntry> m_byRecipient; // name, mobile and address joined
};

// The entries of prints from the imported list (single or batch).
QList<PrintLogEntry> importedEntries(QList<PrintLogEntry> entries);

// The rows of the imported table and how many of them no imported print
// (single or batch from the imported list) has recorded. Throws DbError.
struct ImportedRowCount {
    int rows = 0;
    int unprinted = 0;
};
ImportedRowCount importedRowCount(Connection &connection);
