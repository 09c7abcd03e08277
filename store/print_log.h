#pragma once
// The print record: one entry per waybill printed onto paper or into a PDF
// (never for a preview, never for a print that failed), kept in data.mdb in
// a table of its own (print_log) so that backup, restore and a shared
// server carry it. An entry holds what was printed as it was then: the
// recipient's and the sender's texts are copied, so later edits of the
// recipient do not change it. A print's entries are written as pending
// before its pages go out and confirmed after (waybill/print_record.h), so
// that a crash while printing leaves them, pending. A database without the
// table has no record; the table is made when the first entry is written
// (and gains the state column a record written before it lacks).

#include <QDateTime>
#include <QList>
#include <QMap>
#include <QMultiHash>
#include <QSet>
#include <QString>
#include <QStringList>

class Connection;

// A row's texts by column name.
using RowTexts = QMap<QString, QString>;

struct PrintLogEntry {
    qint64 entry = 0; // 1, 2, ... in the order written
    QDateTime printedAt;
    QString courier;      // the form's code: sf, ems, form1
    QString variant;      // single, batch, imported-single, imported-batch
    QString formName;     // 顺丰快递单
    QString output;       // the printer's name, or "PDF：path"
    int page = 0;         // the page of its run (1-based)
    QString number;       // 运单号; empty: not known
    RowTexts recipient;   // as printed
    RowTexts sender;      // as printed (the ship date included)
    qint64 reprintOf = 0; // the entry this one printed again (0: none)
    // Written before its page went out and not confirmed after: the program
    // ended while printing, so the form may have printed. Its number is
    // taken all the same.
    bool pending = false;

    QString recipientName() const;
    QString mobile() const;
    QString phone() const;
    QString address() const;
    QString orderNumber() const;
    // Whether the page came from the imported list (excel).
    bool imported() const;
};

// The texts that say who a row is for (收件人姓名, 手机号码, 收件地址), as one key.
QString recipientKey(const RowTexts &row);

// The entries another entry printed again: spoiled forms, the reprint is
// the one that shipped. The others are the record's live entries.
QSet<qint64> reprintedEntries(const QList<PrintLogEntry> &all);

// Which live entry holds a waybill number on a form: a number is given to
// one form (courier code) once, a spoiled form's number may go again.
class NumberHolders {
public:
    explicit NumberHolders(QList<PrintLogEntry> record);
    // The live entry of the form holding number, other than those in
    // except; nullptr when there is none (or the number is empty).
    const PrintLogEntry *holder(const QString &courier, const QString &number, const QSet<qint64> &except = {}) const;

private:
    QList<PrintLogEntry> m_record;
    QMultiHash<QString, qsizetype> m_live; // courier and number -> entry in m_record
};

// Why a number may not be given: "运单号 X 已用于第 1 条（林晓丽，12-10 10:02）".
QString numberTakenText(const QString &number, const PrintLogEntry &holder);

// What the record window and `waybill log list` select by; empty parts
// select everything.
struct PrintLogFilter {
    QDate from;      // printed on or after
    QDate to;        // printed on or before
    QString courier; // a form's code
    QString text;    // in the recipient's name, mobile, telephone or the number

    bool matches(const PrintLogEntry &entry) const;
};

class PrintLog {
public:
    explicit PrintLog(Connection &connection) : m_connection(connection) {}

    // Writes the entries in one transaction, numbering them after the last
    // one (their entry fields are set).
    void append(QList<PrintLogEntry> &entries);
    // Pending entries whose pages went out: printed now.
    void confirm(const QList<qint64> &entries);
    // Removes pending entries whose pages did not go out (others are kept).
    void removePending(const QList<qint64> &entries);
    // The entries a filter selects, in the order written.
    QList<PrintLogEntry> list(const PrintLogFilter &filter = {});
    // The entries of these numbers, in the order asked; throws AppError
    // naming one that is not in the record.
    QList<PrintLogEntry> find(const QList<qint64> &entries);
    // Corrects the waybill number of an entry; throws AppError when there
    // is no such entry, or when another live entry of its form holds the
    // number (checked in the write transaction: two PCs giving the same
    // number at once, one is refused).
    void setNumber(qint64 entry, const QString &number);
    // The same for several entries at once, all or none: entries[k] gets numbers[k].
    void setNumbers(const QList<qint64> &entries, const QStringList &numbers);
    // The last waybill number printed on a form (empty: none yet).
    QString lastNumber(const QString &courier);

    void ensureTable();
    static const QStringList &columnNames();

private:
    Connection &m_connection;
};

// What the record window and `waybill log list` say of a pending entry.
QString possiblyPrintedText();

// The text a printing time is kept and shown as ("2026-12-09 14:05:31").
QString printTimeText(const QDateTime &time);
// A printing time as messages name it ("12-09 14:05").
QString shortTimeText(const QDateTime &time);
