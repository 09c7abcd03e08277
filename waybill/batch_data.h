#pragma once
// The data of a batch-print window: a connection of its own and two
// datasets, ADODataSet1 over the recipients (inrxx, or excel for imported
// data) and ADODataSet2 over the Sender record. Reopened as fresh snapshots
// each time the window becomes active.

#include "store/connection.h"
#include "store/dataset.h"

class BatchData {
public:
    BatchData(const QString &owner, const QString &recipientTable);

    // Opens the connection on data.mdb of the working directory; throws DbError.
    void connect();
    // The reopen procedure: fresh snapshots of both tables, first rows current.
    void reopen();
    // Drops the snapshots (the next activation takes new ones).
    void release();

    Connection connection;
    Dataset recipients; // ADODataSet1
    Dataset sender;     // ADODataSet2

private:
    QString m_recipientTable;
};
