#include "store/print_log.h"

#include "common/error.h"
#include "store/connection.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>

namespace {

const QString &kTable = schema::kPrintLogTable;
const QString kEntry = QStringLiteral("entry");
const QString kNumber = QStringLiteral("number");
const QString kCourier = QStringLiteral("courier");
const QString kState = QStringLiteral("state");
const QString kPending = QStringLiteral("pending"); // the state of a pending entry; a printed one has none
const QString kTimeFormat = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// A text as a JSON string (quotes, backslashes and control characters escaped).
void appendJsonString(QString &json, const QString &text)
{
    json += QLatin1Char('"');
    for (const QChar c : text) {
        if (c == QLatin1Char('"') || c == QLatin1Char('\\'))
            json += QLatin1Char('\\');
        if (c.unicode() < 0x20)
            json += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            json += c;
    }
    json += QLatin1Char('"');
}

// A row as a JSON object, written directly: a batch writes thousands.
QString rowJson(const RowTexts &row)
{
    QString json(QLatin1Char('{'));
    for (auto it = row.cbegin(); it != row.cend(); ++it) {
        if (it != row.cbegin())
            json += QLatin1Char(',');
        appendJsonString(json, it.key());
        json += QLatin1Char(':');
        appendJsonString(json, it.value());
    }
    return json + QLatin1Char('}');
}

RowTexts rowFromJson(const QString &text)
{
    RowTexts row;
    const QJsonObject object = QJsonDocument::fromJson(text.toUtf8()).object();
    for (auto it = object.constBegin(); it != object.constEnd(); ++it)
        row.insert(it.key(), it.value().toString());
    return row;
}

QVariantList rowValues(const PrintLogEntry &entry)
{
    return {QString::number(entry.entry),
            printTimeText(entry.printedAt),
            entry.courier,
            entry.variant,
            entry.formName,
            entry.output,
            QString::number(entry.page),
            entry.number,
            entry.recipientName(),
            entry.mobile(),
            entry.phone(),
            entry.orderNumber(),
            rowJson(entry.recipient),
            rowJson(entry.sender),
            entry.reprintOf ? QString::number(entry.reprintOf) : QString(),
            entry.pending ? kPending : QString()};
}

PrintLogEntry entryFromRow(const QSqlQuery &query)
{
    PrintLogEntry entry;
    entry.entry = query.value(0).toString().toLongLong();
    entry.printedAt = QDateTime::fromString(query.value(1).toString(), kTimeFormat);
    entry.courier = query.value(2).toString();
    entry.variant = query.value(3).toString();
    entry.formName = query.value(4).toString();
    entry.output = query.value(5).toString();
    entry.page = query.value(6).toString().toInt();
    entry.number = query.value(7).toString();
    // Columns 8 to 11 repeat texts of the recipient for other programs
    // reading the table; the entry reads them from the copy.
    entry.recipient = rowFromJson(query.value(12).toString());
    entry.sender = rowFromJson(query.value(13).toString());
    entry.reprintOf = query.value(14).toString().toLongLong();
    // A record written before entries could be pending has no state.
    entry.pending = query.value(15).toString() == kPending;
    return entry;
}

// The columns to read: those of a record written before entries could be
// pending lack the state.
QStringList presentColumns(Connection &connection)
{
    QStringList columns = PrintLog::columnNames();
    if (!connection.tableColumns(kTable).contains(kState))
        columns.removeAll(kState);
    return columns;
}

QString orderedSelect(const QStringList &columns)
{
    return statements::selectWhere(kTable, columns, {}) + QStringLiteral(" order by cast(\"entry\" as integer)");
}

// One row of parameters per entry: before, the entry's number, after.
std::vector<QVariantList> entryRows(const QList<qint64> &entries, const QVariantList &before, const QVariantList &after)
{
    std::vector<QVariantList> rows;
    rows.reserve(size_t(entries.size()));
    for (const qint64 entry : entries)
        rows.push_back(before + QVariantList{QString::number(entry)} + after);
    return rows;
}

} // namespace

QString printTimeText(const QDateTime &time)
{
    return time.toString(kTimeFormat);
}

QString possiblyPrintedText()
{
    return QStringLiteral(u"可能已打印（打印时程序中断，请核对快递单）");
}

QString shortTimeText(const QDateTime &time)
{
    return time.toString(QStringLiteral("MM-dd HH:mm"));
}

QString PrintLogEntry::recipientName() const
{
    return recipient.value(schema::col::kRecipientName);
}

QString PrintLogEntry::mobile() const
{
    return recipient.value(schema::col::kMobile);
}

QString PrintLogEntry::phone() const
{
    return recipient.value(schema::col::kPhone);
}

QString PrintLogEntry::address() const
{
    return recipient.value(schema::col::kRecipientAddress);
}

QString PrintLogEntry::orderNumber() const
{
    return recipient.value(schema::col::kOrderNumber);
}

bool PrintLogEntry::imported() const
{
    return variant.startsWith(QStringLiteral("imported-"));
}

QString recipientKey(const RowTexts &row)
{
    using namespace schema::col;
    return QStringList{row.value(kRecipientName), row.value(kMobile), row.value(kRecipientAddress)}.join(QChar(0x1f));
}

QSet<qint64> reprintedEntries(const QList<PrintLogEntry> &all)
{
    QSet<qint64> reprinted;
    for (const PrintLogEntry &entry : all)
        if (entry.reprintOf)
            reprinted.insert(entry.reprintOf);
    return reprinted;
}

namespace {

QString numberKey(const QString &courier, const QString &number)
{
    return courier + QChar(0x1f) + number;
}

} // namespace

NumberHolders::NumberHolders(QList<PrintLogEntry> record) : m_record(std::move(record))
{
    const QSet<qint64> reprinted = reprintedEntries(m_record);
    for (qsizetype k = 0; k < m_record.size(); ++k) {
        const PrintLogEntry &entry = m_record[k];
        if (!entry.number.isEmpty() && !reprinted.contains(entry.entry))
            m_live.insert(numberKey(entry.courier, entry.number), k);
    }
}

const PrintLogEntry *NumberHolders::holder(const QString &courier, const QString &number,
                                           const QSet<qint64> &except) const
{
    if (number.isEmpty())
        return nullptr;
    const PrintLogEntry *found = nullptr;
    for (const qsizetype k : m_live.values(numberKey(courier, number))) {
        const PrintLogEntry &entry = m_record[k];
        if (!except.contains(entry.entry) && (!found || entry.entry < found->entry))
            found = &entry;
    }
    return found;
}

QString numberTakenText(const QString &number, const PrintLogEntry &holder)
{
    return QStringLiteral(u"运单号 %1 已用于第 %2 条（%3，%4）")
        .arg(number)
        .arg(holder.entry)
        .arg(holder.recipientName(), shortTimeText(holder.printedAt));
}

bool PrintLogFilter::matches(const PrintLogEntry &entry) const
{
    const QDate day = entry.printedAt.date();
    if ((from.isValid() && day < from) || (to.isValid() && day > to))
        return false;
    if (!courier.isEmpty() && entry.courier != courier)
        return false;
    const QString wanted = text.trimmed();
    if (wanted.isEmpty())
        return true;
    for (const QString &field : {entry.recipientName(), entry.mobile(), entry.phone(), entry.number})
        if (field.contains(wanted, Qt::CaseInsensitive))
            return true;
    return false;
}

const QStringList &PrintLog::columnNames()
{
    static const QStringList names{kEntry,
                                   QStringLiteral("printed_at"),
                                   kCourier,
                                   QStringLiteral("variant"),
                                   QStringLiteral("form_name"),
                                   QStringLiteral("output"),
                                   QStringLiteral("page"),
                                   kNumber,
                                   QStringLiteral("recipient_name"),
                                   QStringLiteral("mobile"),
                                   QStringLiteral("phone"),
                                   QStringLiteral("order_number"),
                                   QStringLiteral("recipient"),
                                   QStringLiteral("sender"),
                                   QStringLiteral("reprint_of"),
                                   kState};
    return names;
}

void PrintLog::ensureTable()
{
    if (!m_connection.hasTable(kTable))
        m_connection.exec(statements::createTable(kTable, columnNames(), m_connection.backend(), {kEntry}));
    else if (!m_connection.tableColumns(kTable).contains(kState))
        m_connection.exec(statements::addTextColumn(kTable, kState));
}

void PrintLog::append(QList<PrintLogEntry> &entries)
{
    if (entries.isEmpty())
        return;
    m_connection.inTransaction([&] {
        ensureTable();
        QSqlQuery last = m_connection.exec(statements::maxInteger(kTable, kEntry));
        qint64 next = last.next() ? last.value(0).toLongLong() + 1 : 1;
        std::vector<QVariantList> rows;
        rows.reserve(size_t(entries.size()));
        for (PrintLogEntry &entry : entries) {
            entry.entry = next++;
            rows.push_back(rowValues(entry));
        }
        m_connection.execMany(statements::insertRow(kTable, columnNames()), rows);
    });
}

void PrintLog::confirm(const QList<qint64> &entries)
{
    if (!entries.isEmpty())
        m_connection.inTransaction([&] {
            m_connection.execMany(statements::updateWhere(kTable, {kState}, {kEntry}),
                                  entryRows(entries, {QString()}, {}));
        });
}

void PrintLog::removePending(const QList<qint64> &entries)
{
    if (!entries.isEmpty())
        m_connection.inTransaction([&] {
            m_connection.execMany(statements::deleteWhere(kTable, {kEntry, kState}),
                                  entryRows(entries, {}, {kPending}));
        });
}

QList<PrintLogEntry> PrintLog::list(const PrintLogFilter &filter)
{
    QList<PrintLogEntry> entries;
    if (!m_connection.hasTable(kTable))
        return entries;
    QSqlQuery query = m_connection.exec(orderedSelect(presentColumns(m_connection)));
    while (query.next()) {
        PrintLogEntry entry = entryFromRow(query);
        if (filter.matches(entry))
            entries.append(std::move(entry));
    }
    return entries;
}

QList<PrintLogEntry> PrintLog::find(const QList<qint64> &wanted)
{
    QList<PrintLogEntry> found;
    const bool table = m_connection.hasTable(kTable);
    const QStringList columns = table ? presentColumns(m_connection) : QStringList();
    for (const qint64 entry : wanted) {
        if (table) {
            QSqlQuery query =
                m_connection.exec(statements::selectWhere(kTable, columns, {kEntry}), {QString::number(entry)});
            if (query.next()) {
                found.append(entryFromRow(query));
                continue;
            }
        }
        throw AppError(QStringLiteral(u"打印记录中没有第 %1 条").arg(entry));
    }
    return found;
}

void PrintLog::setNumber(qint64 entry, const QString &number)
{
    setNumbers({entry}, {number});
}

void PrintLog::setNumbers(const QList<qint64> &entries, const QStringList &numbers)
{
    find(entries); // throws when one is not there
    m_connection.inTransaction([&] {
        // Read under the write lock: what another PC numbered is seen.
        const QList<PrintLogEntry> record = list();
        const NumberHolders holders(record);
        const QSet<qint64> renumbered(entries.cbegin(), entries.cend());
        QHash<qint64, QString> courierOf;
        for (const PrintLogEntry &each : record)
            courierOf.insert(each.entry, each.courier);
        std::vector<QVariantList> rows;
        for (qsizetype k = 0; k < entries.size(); ++k) {
            const QString &number = numbers.value(k);
            if (const PrintLogEntry *holder = holders.holder(courierOf.value(entries[k]), number, renumbered))
                throw AppError(numberTakenText(number, *holder)
                               + QStringLiteral(u"，不能再给第 %1 条。").arg(entries[k]));
            rows.push_back({number, QString::number(entries[k])});
        }
        m_connection.execMany(statements::updateWhere(kTable, {kNumber}, {kEntry}), rows);
    });
}

QString PrintLog::lastNumber(const QString &courier)
{
    if (!m_connection.hasTable(kTable))
        return {};
    QSqlQuery query = m_connection.exec(statements::lastNonEmpty(kTable, kNumber, kCourier, kEntry), {courier});
    return query.next() ? query.value(0).toString() : QString();
}
