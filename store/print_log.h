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
#include <QHash>
#include <QList>
#include <QMap>
#include <QMultiHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

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
QString recipientKey(const QString &name, const QString &mobile, const QString &address);

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
// select everything. The record's reads select in SQL.
struct PrintLogFilter {
    QDate from;      // printed on or after
    QDate to;        // printed on or before
    QString courier; // a form's code
    QString text;    // in the recipient's name, mobile, telephone or the number (ASCII letters without case)
};

// What a list, a page or an export shows of an entry, read without its
// snapshots being parsed: the recipient's texts come from the record's
// columns, the address from the snapshot's text.
struct PrintLogRow {
    qint64 entry = 0;
    QString printedAt; // as kept: "2026-12-09 14:05:31"
    QString courier;
    QString variant;
    QString formName;
    QString output;
    QString number;
    QString recipientName;
    QString mobile;
    QString phone;
    QString address;
    QString orderNumber;
    qint64 reprintOf = 0;
    bool pending = false;

    bool imported() const { return variant.startsWith(QLatin1String("imported-")); }
    static PrintLogRow of(const PrintLogEntry &entry);
};

// What says which order an entry shipped: its 订单号; without one, for a
// page of the imported list, its name, mobile and address; otherwise none
// (an address book's recipient is shipped to again and again).
QString orderKey(const PrintLogRow &row);

// The text of one key of a snapshot as the record keeps it (a JSON object
// of texts), read without parsing the rest; empty when it has none.
QString snapshotText(QStringView json, QStringView key);

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
    // The same for the pending entries from one entry to another (inclusive).
    void confirmRange(qint64 from, qint64 to);
    void removePendingRange(qint64 from, qint64 to);
    // The entries a filter selects, in the order written.
    QList<PrintLogEntry> list(const PrintLogFilter &filter = {});
    // Calls each with every entry the filter selects (only those with an
    // order number when asked), in the order written, as one SQL cursor
    // reads them; none is kept. each returns false to stop.
    void forEachRow(const PrintLogFilter &filter, const std::function<bool(const PrintLogRow &)> &each,
                    bool withOrderNumber = false);
    // A page of what a filter selects: at most limit entries after entry
    // after (0: from the first), in the order written.
    QList<PrintLogEntry> page(const PrintLogFilter &filter, qint64 after, int limit);
    // How many entries a filter selects.
    qint64 count(const PrintLogFilter &filter);
    // The entries another entry printed again (spoiled forms).
    QSet<qint64> reprinted();
    // Of each order (orderKey) two or more live entries printed (numbered,
    // confirmed, not printed again), the latest of them.
    QHash<QString, qint64> latestOfRepeatedOrders();
    // The forms the record holds, code and the name of its first entry, in
    // the order first printed.
    QList<QPair<QString, QString>> forms();
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

    // Makes the table (and what a table of an earlier version lacks: the
    // state column, the indexes the reads use).
    void ensureTable();
    static const QStringList &columnNames();

private:
    // Before a read: gives a table of an earlier version what ensureTable()
    // adds, where the store can be written (a damaged file cannot: it is
    // read as it is). Whether the table exists.
    bool prepareRead();
    bool hasStateColumn();

    Connection &m_connection;
    std::optional<bool> m_stateColumn;
};

// What the record window and `waybill log list` say of a pending entry.
QString possiblyPrintedText();

// The text a printing time is kept and shown as ("2026-12-09 14:05:31").
QString printTimeText(const QDateTime &time);
// A printing time from that text (read digit by digit: a record is long).
QDateTime printTimeFromText(QStringView text);
// A printing time as messages name it ("12-09 14:05").
QString shortTimeText(const QDateTime &time);
