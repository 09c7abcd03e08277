#pragma once
// The data of a print run over a connection of its own: two datasets,
// ADODataSet1 over the recipients (inrxx, or excel for imported data) and
// ADODataSet2 over the Sender record, and the source a run reads them by.
// The batch-print windows reopen them as fresh snapshots each time they
// become active; the command line and the benchmarks print from them once.

#include "store/connection.h"
#include "store/dataset.h"
#include "waybill/family.h"
#include "waybill/print_source.h"

#include <memory>

class PrintData {
public:
    PrintData(const QString &owner, Variant variant);

    // Opens the connection on data.mdb of the working directory; throws DbError.
    void connect();
    // The reopen procedure: fresh snapshots of both tables, first rows current.
    void reopen();
    // Drops the snapshots (the next activation takes new ones).
    void release();
    // What a run of the variant reads: every recipient row for a batch, the
    // current row for a single print.
    std::unique_ptr<PrintSource> source() const;

    const QString &recipientTable() const { return m_recipientTable; }

    Connection connection;
    Dataset recipients; // ADODataSet1
    Dataset sender;     // ADODataSet2

private:
    Variant m_variant;
    QString m_recipientTable;
};

// The table a variant's recipients come from.
const QString &recipientTableOf(Variant variant);
