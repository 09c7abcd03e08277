#include "store/print_log.h"

#include "common/error.h"
#include "store/connection.h"
#include "store/print_log_statements.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlQuery>
#include <algorithm>

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
    entry.printedAt = printTimeFromText(query.value(1).toString());
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

// The columns a row is read from, in the order rowFromQuery reads them.
QStringList rowColumns(bool stateColumn)
{
    QStringList columns{kEntry,
                        QStringLiteral("printed_at"),
                        kCourier,
                        QStringLiteral("variant"),
                        QStringLiteral("form_name"),
                        QStringLiteral("output"),
                        kNumber,
                        QStringLiteral("recipient_name"),
                        QStringLiteral("mobile"),
                        QStringLiteral("phone"),
                        QStringLiteral("order_number"),
                        QStringLiteral("recipient"),
                        QStringLiteral("reprint_of")};
    if (stateColumn)
        columns << kState;
    return columns;
}

PrintLogRow rowFromQuery(const QSqlQuery &query)
{
    PrintLogRow row;
    row.entry = query.value(0).toLongLong();
    row.printedAt = query.value(1).toString();
    row.courier = query.value(2).toString();
    row.variant = query.value(3).toString();
    row.formName = query.value(4).toString();
    row.output = query.value(5).toString();
    row.number = query.value(6).toString();
    row.recipientName = query.value(7).toString();
    row.mobile = query.value(8).toString();
    row.phone = query.value(9).toString();
    row.orderNumber = query.value(10).toString();
    row.address = snapshotText(query.value(11).toString(), schema::col::kRecipientAddress);
    row.reprintOf = query.value(12).toLongLong();
    row.pending = query.value(13).toString() == kPending;
    return row;
}

// The conditions of a filter and the texts they bind, in order.
struct BoundWhere {
    statements::PrintLogWhere where;
    QVariantList params;
};

BoundWhere boundWhere(const PrintLogFilter &filter, bool stateColumn)
{
    BoundWhere bound;
    bound.where.stateColumn = stateColumn;
    const QString day = QStringLiteral("yyyy-MM-dd");
    if (filter.from.isValid()) {
        bound.where.from = true;
        bound.params << filter.from.toString(day);
    }
    if (filter.to.isValid()) {
        bound.where.before = true;
        bound.params << filter.to.addDays(1).toString(day);
    }
    if (!filter.courier.isEmpty()) {
        bound.where.courier = true;
        bound.params << filter.courier;
    }
    if (const QString text = filter.text.trimmed(); !text.isEmpty()) {
        bound.where.text = true;
        const QString pattern = statements::containsPattern(text);
        bound.params << pattern << pattern << pattern << pattern;
    }
    return bound;
}

// Reads a JSON string starting at its quote, json[at]; leaves at after it.
// text (when given) gets its characters. False when it is malformed.
bool readJsonString(QStringView json, qsizetype &at, QString *text)
{
    if (at >= json.size() || json[at] != QLatin1Char('"'))
        return false;
    ++at;
    while (at < json.size()) {
        const QChar c = json[at++];
        if (c == QLatin1Char('"'))
            return true;
        if (c != QLatin1Char('\\')) {
            if (text)
                text->append(c);
            continue;
        }
        if (at >= json.size())
            return false;
        QChar decoded;
        switch (json[at++].unicode()) {
        case '"':
        case '\\':
        case '/':
            decoded = json[at - 1];
            break;
        case 'b':
            decoded = QLatin1Char('\b');
            break;
        case 'f':
            decoded = QLatin1Char('\f');
            break;
        case 'n':
            decoded = QLatin1Char('\n');
            break;
        case 'r':
            decoded = QLatin1Char('\r');
            break;
        case 't':
            decoded = QLatin1Char('\t');
            break;
        case 'u': {
            bool ok = false;
            decoded = QChar(at + 4 <= json.size() ? json.mid(at, 4).toUShort(&ok, 16) : 0);
            if (!ok)
                return false;
            at += 4;
            break;
        }
        default:
            return false;
        }
        if (text)
            text->append(decoded);
    }
    return false;
}

void skipJsonSpace(QStringView json, qsizetype &at)
{
    while (at < json.size()
           && (json[at] == QLatin1Char(' ') || json[at] == QLatin1Char('\t') || json[at] == QLatin1Char('\n')
               || json[at] == QLatin1Char('\r')))
        ++at;
}

// What the quick reading of snapshotText() returns for a snapshot it does
// not take apart itself; nullopt: read it as JSON.
std::optional<QString> quickSnapshotText(QStringView json, QStringView key)
{
    qsizetype at = 0;
    skipJsonSpace(json, at);
    if (at >= json.size() || json[at] != QLatin1Char('{'))
        return std::nullopt;
    ++at;
    skipJsonSpace(json, at);
    if (at < json.size() && json[at] == QLatin1Char('}'))
        return QString();
    QString name;
    for (;;) {
        skipJsonSpace(json, at);
        name.clear();
        if (!readJsonString(json, at, &name))
            return std::nullopt;
        skipJsonSpace(json, at);
        if (at >= json.size() || json[at] != QLatin1Char(':'))
            return std::nullopt;
        ++at;
        skipJsonSpace(json, at);
        if (name == key) {
            QString value;
            if (!readJsonString(json, at, &value))
                return std::nullopt;
            return value;
        }
        if (!readJsonString(json, at, nullptr))
            return std::nullopt; // malformed, or a value that is no text
        skipJsonSpace(json, at);
        if (at < json.size() && json[at] == QLatin1Char(','))
            ++at;
        else if (at < json.size() && json[at] == QLatin1Char('}'))
            return QString();
        else
            return std::nullopt;
    }
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

QDateTime printTimeFromText(QStringView text)
{
    // "yyyy-MM-dd HH:mm:ss": QDateTime::fromString would look the time zone
    // up again for every entry.
    const auto number = [&](qsizetype from, qsizetype length) {
        int value = 0;
        for (qsizetype k = from; k < from + length; ++k) {
            if (!text[k].isDigit())
                return -1;
            value = value * 10 + text[k].digitValue();
        }
        return value;
    };
    if (text.size() == 19 && text[4] == QLatin1Char('-') && text[7] == QLatin1Char('-') && text[10] == QLatin1Char(' ')
        && text[13] == QLatin1Char(':') && text[16] == QLatin1Char(':')) {
        const QDate date(number(0, 4), number(5, 2), number(8, 2));
        const QTime time(number(11, 2), number(14, 2), number(17, 2));
        if (date.isValid() && time.isValid())
            return QDateTime(date, time);
    }
    return QDateTime::fromString(text.toString(), kTimeFormat);
}

QString snapshotText(QStringView json, QStringView key)
{
    if (const std::optional<QString> quick = quickSnapshotText(json, key))
        return *quick;
    return QJsonDocument::fromJson(json.toUtf8()).object().value(key).toString();
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
    return recipientKey(row.value(kRecipientName), row.value(kMobile), row.value(kRecipientAddress));
}

QString recipientKey(const QString &name, const QString &mobile, const QString &address)
{
    return name + QChar(0x1f) + mobile + QChar(0x1f) + address;
}

PrintLogRow PrintLogRow::of(const PrintLogEntry &entry)
{
    PrintLogRow row;
    row.entry = entry.entry;
    row.printedAt = printTimeText(entry.printedAt);
    row.courier = entry.courier;
    row.variant = entry.variant;
    row.formName = entry.formName;
    row.output = entry.output;
    row.number = entry.number;
    row.recipientName = entry.recipientName();
    row.mobile = entry.mobile();
    row.phone = entry.phone();
    row.address = entry.address();
    row.orderNumber = entry.orderNumber();
    row.reprintOf = entry.reprintOf;
    row.pending = entry.pending;
    return row;
}

QString orderKey(const PrintLogRow &row)
{
    if (!row.orderNumber.isEmpty())
        return QStringLiteral("order:") + row.orderNumber;
    return row.imported() ? QStringLiteral("recipient:") + recipientKey(row.recipientName, row.mobile, row.address)
                          : QString();
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
    for (const QString &index : statements::createPrintLogIndexes())
        m_connection.exec(index);
    m_stateColumn = true;
}

bool PrintLog::prepareRead()
{
    if (m_stateColumn)
        return true;
    const QStringList columns = m_connection.tableColumns(kTable);
    if (columns.isEmpty())
        return false;
    const auto indexed = [&] {
        QSqlQuery query =
            m_connection.exec(statements::hasIndex(statements::printLogIndexNames().last(), m_connection.backend()));
        return query.next() && query.value(0).toInt() > 0;
    };
    if (columns.contains(kState) && indexed()) {
        m_stateColumn = true;
        return true;
    }
    if (m_connection.damage().isEmpty()) {
        try {
            m_connection.inTransaction([&] { ensureTable(); });
        } catch (const AppError &) {
            // Another program holds the write lock, or the store refuses
            // writes: read the table as it is (without the indexes, slower).
        }
    }
    if (!m_stateColumn)
        m_stateColumn = m_connection.tableColumns(kTable).contains(kState);
    return true;
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

void PrintLog::confirmRange(qint64 from, qint64 to)
{
    if (from <= to)
        m_connection.inTransaction([&] {
            m_connection.exec(statements::updatePrintLogStateRange(), {QString(), from, to, kPending});
        });
}

void PrintLog::removePendingRange(qint64 from, qint64 to)
{
    if (from <= to)
        m_connection.inTransaction([&] {
            m_connection.exec(statements::deletePendingPrintLogRange(), {from, to, kPending});
        });
}

QList<PrintLogEntry> PrintLog::list(const PrintLogFilter &filter)
{
    return page(filter, 0, 0);
}

QList<PrintLogEntry> PrintLog::page(const PrintLogFilter &filter, qint64 after, int limit)
{
    QList<PrintLogEntry> entries;
    if (!prepareRead())
        return entries;
    BoundWhere bound = boundWhere(filter, *m_stateColumn);
    if (after > 0) {
        bound.where.after = true;
        bound.params << after;
    }
    QSqlQuery query = m_connection.exec(
        statements::selectPrintLog(presentColumns(m_connection), bound.where, m_connection.backend(), limit),
        bound.params);
    while (query.next())
        entries.append(entryFromRow(query));
    return entries;
}

void PrintLog::forEachRow(const PrintLogFilter &filter, const std::function<bool(const PrintLogRow &)> &each,
                          bool withOrderNumber)
{
    if (!prepareRead())
        return;
    BoundWhere bound = boundWhere(filter, *m_stateColumn);
    bound.where.orderNumber = withOrderNumber;
    QSqlQuery query = m_connection.exec(
        statements::selectPrintLog(rowColumns(*m_stateColumn), bound.where, m_connection.backend()), bound.params);
    while (query.next())
        if (!each(rowFromQuery(query)))
            return;
}

qint64 PrintLog::count(const PrintLogFilter &filter)
{
    if (!prepareRead())
        return 0;
    const BoundWhere bound = boundWhere(filter, *m_stateColumn);
    QSqlQuery query = m_connection.exec(statements::countPrintLog(bound.where, m_connection.backend()), bound.params);
    return query.next() ? query.value(0).toLongLong() : 0;
}

QSet<qint64> PrintLog::reprinted()
{
    QSet<qint64> entries;
    if (!prepareRead())
        return entries;
    QSqlQuery query = m_connection.exec(statements::selectReprintedEntries());
    while (query.next())
        entries.insert(query.value(0).toLongLong());
    return entries;
}

QHash<QString, qint64> PrintLog::latestOfRepeatedOrders()
{
    QHash<QString, qint64> latest;
    if (!prepareRead())
        return latest;
    QSqlQuery orders = m_connection.exec(statements::selectRepeatedOrders(*m_stateColumn));
    while (orders.next())
        latest.insert(QStringLiteral("order:") + orders.value(0).toString(), orders.value(1).toLongLong());
    // Pages of the imported list without an order number: the same name
    // and mobile found in SQL, the address read from their snapshots.
    QSqlQuery recipients = m_connection.exec(statements::selectRepeatedRecipients(*m_stateColumn));
    while (recipients.next()) {
        PrintLogRow row;
        row.variant = QStringLiteral("imported-");
        row.recipientName = recipients.value(1).toString();
        row.mobile = recipients.value(2).toString();
        row.address = snapshotText(recipients.value(3).toString(), schema::col::kRecipientAddress);
        qint64 &last = latest[orderKey(row)];
        last = std::max(last, recipients.value(0).toLongLong());
    }
    return latest;
}

QList<QPair<QString, QString>> PrintLog::forms()
{
    QList<QPair<QString, QString>> forms;
    if (!prepareRead())
        return forms;
    QSqlQuery first = m_connection.exec(statements::selectPrintLogForms());
    QList<QPair<QString, qint64>> firsts;
    while (first.next())
        firsts.append({first.value(0).toString(), first.value(1).toLongLong()});
    for (const auto &[courier, entry] : firsts) {
        QSqlQuery name = m_connection.exec(statements::selectWhere(kTable, {QStringLiteral("form_name")}, {kEntry}),
                                           {QString::number(entry)});
        forms.append({courier, name.next() ? name.value(0).toString() : courier});
    }
    return forms;
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
