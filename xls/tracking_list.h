#pragma once
// The tracking list a shop uploads for 批量发货: one row per waybill printed,
// with 运单号, 快递公司, 收件人姓名, 手机号码, 收件地址, 打印时间 and, when any
// row came from an order export that had one, 订单号. The upload refuses
// rows without a number and ships a row to whom it names, so left out are:
// an entry printed again later (the reprint carries the number that
// shipped), an entry without a number, a pending entry (the form may not
// have printed), and an earlier print of an order
// printed again later (its latest number goes in) unless every print is asked for.
//
// The list is written as its rows are read from the record (one SQL
// cursor; nothing of the record is held), so that a record of years
// exports in seconds.

#include "store/print_log.h"

#include <optional>

// The courier as the list names it: the form's name without 快递单 (顺丰).
QString courierOfForm(const QString &formName);

// What was written, and what was left out and why.
struct TrackingList {
    int exported = 0;
    int reprinted = 0;             // left out: printed again later
    int repeated = 0;              // left out: an earlier print of an order printed again later
    int pending = 0;               // left out: possibly printed (the program ended while printing)
    int unnumbered = 0;            // left out: entries without a number
    QList<qint64> firstUnnumbered; // the first of them (up to 11), to name them

    // "（…）" naming what was left out and why; empty when nothing was.
    QString leftOutText() const;
};

// The rows of a tracking list: what a filter selects of the record, or
// entries given (a selection), in order.
class TrackingRows {
public:
    static TrackingRows selectedBy(const PrintLogFilter &filter);
    static TrackingRows of(const QList<PrintLogEntry> &entries);
    // Calls each with every row (only those with an order number when
    // asked); each returns false to stop.
    void read(PrintLog &log, bool withOrderNumber, const std::function<bool(const PrintLogRow &)> &each) const;

private:
    std::optional<PrintLogFilter> m_filter;
    QList<PrintLogRow> m_rows;
};

// Writes the tracking list of rows to target: an .xlsx workbook, or a .csv
// file (UTF-8 with a byte-order mark, as spreadsheet programs here open it)
// for any other name; a .csv cell beginning with = + - @, a tab or a
// carriage return gets a leading ' so that no spreadsheet or upload takes
// it for a formula (the .xlsx holds every cell as text). Written beside the
// target and renamed into place; when no row is kept and evenEmpty is not
// set, nothing is written. everyPrint keeps every print of an order.
// Throws AppError.
TrackingList exportTrackingList(PrintLog &log, const TrackingRows &rows, const QString &target, bool everyPrint,
                                bool evenEmpty = true);
