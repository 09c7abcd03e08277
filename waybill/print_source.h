#pragma once
// Where the values of a print run come from: the Sender record and, per
// page, the Recipient record. A single print has one page (the current
// recipient row); a batch has one page per recipient row, at least one.

#include "waybill/layout.h"

class Dataset;

class PrintSource {
public:
    virtual ~PrintSource() = default;
    virtual int pageCount() const = 0;
    // The text of a column for page (0-based); throws DbError for a column
    // the table lacks.
    virtual QString value(int page, RowSide row, const QString &column) const = 0;
    // The print record's entry a page prints again (0: a page of new data).
    virtual qint64 recordedEntry(int) const { return 0; }
    // The waybill number that entry had (empty: none, or new data).
    virtual QString recordedNumber(int) const { return {}; }
};

// The current row of a recipient dataset, with the Sender record.
class CurrentRowSource : public PrintSource {
public:
    CurrentRowSource(const Dataset &sender, const Dataset &recipients) : m_sender(sender), m_recipients(recipients) {}
    int pageCount() const override { return 1; }
    QString value(int page, RowSide row, const QString &column) const override;

private:
    const Dataset &m_sender;
    const Dataset &m_recipients;
};

// Every row of a recipient dataset, page k carrying row k; with no rows one
// page with the sender items only.
class AllRowsSource : public PrintSource {
public:
    AllRowsSource(const Dataset &sender, const Dataset &recipients) : m_sender(sender), m_recipients(recipients) {}
    int pageCount() const override;
    QString value(int page, RowSide row, const QString &column) const override;

private:
    const Dataset &m_sender;
    const Dataset &m_recipients;
};
