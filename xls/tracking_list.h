#pragma once
// The tracking list a shop uploads for 批量发货: one row per waybill printed,
// with 运单号, 快递公司, 收件人姓名, 手机号码, 收件地址, 打印时间 and, when any
// row came from an order export that had one, 订单号. An entry printed
// again later is left out: the reprint carries the number that shipped.

#include "store/print_log.h"
#include "store/text_table.h"

#include <QSet>

// The entries another entry printed again.
QSet<qint64> reprintedEntries(const QList<PrintLogEntry> &all);

// The courier as the list names it: the form's name without 快递单 (顺丰).
QString courierOfForm(const QString &formName);

// The rows of the list (headings first) for the entries, leaving out those
// in reprinted; *leftOut counts them.
TextTable trackingRows(const QList<PrintLogEntry> &entries, const QSet<qint64> &reprinted, int *leftOut = nullptr);

// Writes the rows to target: an .xlsx workbook, or a .csv file (UTF-8 with
// a byte-order mark, as spreadsheet programs here open it) for any other
// name. Written beside the target and renamed into place. Throws AppError.
void saveTrackingList(const QString &target, const TextTable &rows);
