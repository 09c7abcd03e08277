#pragma once
// What the print record says about a run before it prints: a waybill number
// another live entry of the same form holds (refused: the shop would ship
// two parcels on one number), recipients of the imported list printed on
// the form before (asked: the same orders shipped twice), and a form last
// printed with numbers printed without one (reminded).

#include "store/print_log.h"

#include <QStringList>

class Connection;
class WaybillRun;

struct PrintChecks {
    // Why the run's numbers may not print ("运单号 X 已用于第 1 条（…）…"); empty: they may.
    QString numberTaken;
    // "这 3 张已于 12-10 10:02 打印过（运单号 A–C）"; empty: none was printed before.
    QString printedBefore;
    // The pages printed before, one line each ("第 2 张 王芳（订单号 …）：12-10 10:02，运单号 …").
    QStringList printedBeforePages;
    // The run has no numbers while the form's last print had them.
    bool numberForgotten = false;
};

// The checks of count pages of run from page first (0-based) on, against
// the record. Throws AppError (DbError) when the record cannot be read.
PrintChecks checkBeforePrint(Connection &connection, const WaybillRun &run, int first, int count);

// The same against a record already read (in the order written).
PrintChecks checkBeforePrint(const QList<PrintLogEntry> &record, const QList<PrintLogEntry> &pages);

// The questions a window asks (No the default).
QString printAgainQuestion(const PrintChecks &checks);
QString numberForgottenQuestion();
