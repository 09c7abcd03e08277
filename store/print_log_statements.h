#pragma once
// The statements of the print record's reads (store/print_log.h), built
// here as the others are in statements.h (their text in statements.cpp).

#include "store/statements.h"

namespace statements {

// The print record's reads (store/print_log.h). Entries are kept as text
// and ordered as integers; times as "yyyy-MM-dd HH:mm:ss", so that a day
// compares as text.
struct PrintLogWhere {
    bool from = false;        // printed_at >= the bound day
    bool before = false;      // printed_at < the bound day (the day after the last one)
    bool courier = false;     // courier = the bound code
    bool text = false;        // name, mobile, telephone or number contains the bound pattern (bound four times)
    bool after = false;       // entry > the bound entry
    bool orderNumber = false; // only entries with an order number
    bool stateColumn = true;  // the record has the state column (one written before pending entries lacks it)
};
// Selects columns of the entries the conditions select, in the order
// written; at most limit rows (0: all).
QString selectPrintLog(const QStringList &columns, const PrintLogWhere &where, Backend backend, int limit = 0);
QString countPrintLog(const PrintLogWhere &where, Backend backend);
// The LIKE pattern of a text matched as it is: "%" + text + "%", its % _
// and \ escaped (the statements above say escape '\').
QString containsPattern(const QString &text);
// The indexes the reads use: the order written, the day, the form and
// the entries printed again.
QStringList createPrintLogIndexes();
// Their names, in the order made.
QStringList printLogIndexNames();
// Selects 1 when the store has an index of that name, 0 otherwise.
QString hasIndex(const QString &name, Backend backend);
// The entries other entries printed again.
QString selectReprintedEntries();
// The latest live entry (numbered, confirmed, not printed again) of each
// order number that two or more live entries printed.
QString selectRepeatedOrders(bool stateColumn);
// The entry, name, mobile and recipient snapshot of the live imported
// entries without an order number whose name and mobile another such entry
// shares.
QString selectRepeatedRecipients(bool stateColumn);
// Sets the state (bound first) of the pending entries from one entry to
// another (bound next, inclusive; the pending state bound last).
QString updatePrintLogStateRange();
// Removes the pending entries from one entry to another (inclusive; the
// pending state bound last).
QString deletePendingPrintLogRange();
// Each form the record holds with its first entry, in the order first printed.
QString selectPrintLogForms();

} // namespace statements
