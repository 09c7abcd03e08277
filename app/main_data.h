#pragma once
// The main window's connection and its two datasets: the Sender record
// (ADOQuery1 over outrxx) and the recipient list (ADOQuery2 over inrxx).
// The single-print windows of the main data read the same datasets.

#include "store/connection.h"
#include "store/dataset.h"

class MainData {
public:
    MainData();

    // The reopen procedure over the connection and both datasets.
    void reopen();
    // Writes the ship date texts into 年, 月, 日 of the Sender record (a new
    // row when outrxx is empty) and posts it.
    void writeShipDate(const QString &year, const QString &month, const QString &day);
    // Closes the connection and both datasets (before a restore).
    void disconnect();

    Connection connection;
    Dataset sender;     // ADOQuery1
    Dataset recipients; // ADOQuery2
};
