#pragma once
// The tracking list a shop uploads for 批量发货: one row per waybill printed,
// with 运单号, 快递公司, 收件人姓名, 手机号码, 收件地址, 打印时间 and, when any
// row came from an order export that had one, 订单号. The upload refuses
// rows without a number and ships a row to whom it names, so left out are:
// an entry printed again later (the reprint carries the number that
// shipped), an entry without a number, a pending entry (the form may not
// have printed), and an earlier print of an order
// printed again later (its latest number goes in) unless every print is asked for.

#include "store/print_log.h"
#include "store/text_table.h"

// The courier as the list names it: the form's name without 快递单 (顺丰).
QString courierOfForm(const QString &formName);

// What says which order an entry shipped: its 订单号; without one, for a
// page of the imported list, its name, mobile and address; otherwise none
// (an address book's recipient is shipped to again and again).
QString orderKey(const PrintLogEntry &entry);

struct TrackingList {
    TextTable rows;           // the headings first
    int reprinted = 0;        // left out: printed again later
    int repeated = 0;         // left out: an earlier print of an order printed again later
    int pending = 0;          // left out: possibly printed (the program ended while printing)
    QList<qint64> unnumbered; // left out: entries without a number

    int exported() const { return int(rows.rowCount()) - 1; }
    // "（…）" naming what was left out and why; empty when nothing was.
    QString leftOutText() const;
};

// The list of entries; all is the whole record (which entries were printed
// again, which orders later). everyPrint keeps every print of an order.
TrackingList trackingList(const QList<PrintLogEntry> &entries, const QList<PrintLogEntry> &all,
                          bool everyPrint = false);

// Writes the rows to target: an .xlsx workbook, or a .csv file (UTF-8 with
// a byte-order mark, as spreadsheet programs here open it) for any other
// name; a .csv cell beginning with = + - @, a tab or a carriage return gets a
// leading ' so that no spreadsheet or upload takes it for a formula (the
// .xlsx holds every cell as text). Written beside the target and renamed
// into place. Throws AppError.
void saveTrackingList(const QString &target, const TextTable &rows);
