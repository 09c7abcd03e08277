#include "store/statements.h"

#include "store/print_log_statements.h"

#include "store/schema.h"

namespace statements {

QString quoted(const QString &identifier)
{
    QString escaped = identifier;
    escaped.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

} // namespace statements

namespace {

using statements::quoted;

QString placeholders(qsizetype count)
{
    QStringList marks;
    for (qsizetype i = 0; i < count; ++i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

QString quotedList(const QStringList &columns)
{
    QStringList list;
    for (const QString &column : columns)
        list << quoted(column);
    return list.join(QStringLiteral(", "));
}

} // namespace

namespace statements {

QString selectWithRowid(const Select &select, Backend backend)
{
    if (backend == Backend::Sqlite) {
        QString sql = QStringLiteral("select rowid, * from ") + quoted(select.table);
        if (select.isSearch())
            sql += QStringLiteral(" where ") + quoted(select.likeColumn) + QStringLiteral(" like ?");
        return sql;
    }
    // The key is the table's first column; rows in the order they were added.
    // ILIKE under the C collation folds ASCII letters only, as SQLite's LIKE.
    QString sql = QStringLiteral("select * from ") + quoted(select.table);
    if (select.isSearch())
        sql += QStringLiteral(" where %1 ilike ? collate \"C\" escape ''").arg(quoted(select.likeColumn));
    return sql + QStringLiteral(" order by rowid");
}

namespace {

// The condition of a search, with " and " before it (empty: the whole table).
QString searchCondition(const Select &select, Backend backend)
{
    if (!select.isSearch())
        return {};
    if (backend == Backend::Sqlite)
        return QStringLiteral(" and ") + quoted(select.likeColumn) + QStringLiteral(" like ?");
    return QStringLiteral(" and %1 ilike ? collate \"C\" escape ''").arg(quoted(select.likeColumn));
}

} // namespace

QString selectWindow(const Select &select, Backend backend, const WindowRead &window)
{
    // Keys, limit and offset are the program's own integers.
    return QStringLiteral("%1 from %2 where rowid > %3 and rowid < %4%5 order by rowid%6 limit %7 offset %8")
        .arg(backend == Backend::Sqlite ? QStringLiteral("select rowid, *") : QStringLiteral("select *"),
             quoted(select.table))
        .arg(window.afterKey)
        .arg(window.beforeKey)
        .arg(searchCondition(select, backend), window.descending ? QStringLiteral(" desc") : QString())
        .arg(window.limit)
        .arg(window.offset);
}

QString countBelow(const Select &select, Backend backend, qint64 beforeKey)
{
    return QStringLiteral("select count(*) from %1 where rowid < %2%3")
        .arg(quoted(select.table))
        .arg(beforeKey)
        .arg(searchCondition(select, backend));
}

QString deleteBelow(const Select &select, Backend backend, qint64 beforeKey)
{
    return QStringLiteral("delete from %1 where rowid < %2%3")
        .arg(quoted(select.table))
        .arg(beforeKey)
        .arg(searchCondition(select, backend));
}

QString maxKey(const QString &table)
{
    return QStringLiteral("select max(rowid) from ") + quoted(table);
}

QString likePattern(const QString &text)
{
    return QLatin1Char('%') + text + QLatin1Char('%');
}

QString insertRow(const QString &table, const QStringList &columns, Backend backend)
{
    QString sql = columns.isEmpty() ? QStringLiteral("insert into ") + quoted(table) + QStringLiteral(" default values")
                                    : QStringLiteral("insert into ") + quoted(table) + QStringLiteral(" (")
            + quotedList(columns) + QStringLiteral(") values (") + placeholders(columns.size()) + QLatin1Char(')');
    if (backend == Backend::Postgres)
        sql += QStringLiteral(" returning rowid");
    return sql;
}

QString updateRow(const QString &table, const QStringList &columns)
{
    QStringList sets;
    for (const QString &column : columns)
        sets << quoted(column) + QStringLiteral(" = ?");
    return QStringLiteral("update ") + quoted(table) + QStringLiteral(" set ") + sets.join(QStringLiteral(", "))
        + QStringLiteral(" where rowid = ?");
}

QString deleteRow(const QString &table)
{
    return QStringLiteral("delete from ") + quoted(table) + QStringLiteral(" where rowid = ?");
}

namespace {

QString unchanged(const QStringList &snapshotColumns)
{
    QString conditions;
    for (const QString &column : snapshotColumns)
        conditions += QStringLiteral(" and coalesce(%1, '') = ?").arg(quoted(column));
    return conditions;
}

} // namespace

QString updateUnchangedRow(const QString &table, const QStringList &columns, const QStringList &snapshotColumns)
{
    return updateRow(table, columns) + unchanged(snapshotColumns);
}

QString deleteUnchangedRow(const QString &table, const QStringList &snapshotColumns)
{
    return deleteRow(table) + unchanged(snapshotColumns);
}

QString selectRowByKey(const QString &table, Backend backend)
{
    return (backend == Backend::Sqlite ? QStringLiteral("select rowid, * from ") : QStringLiteral("select * from "))
        + quoted(table) + QStringLiteral(" where rowid = ?");
}

QString literal(const QString &text)
{
    QString escaped = text;
    escaped.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + escaped + QLatin1Char('\'');
}

QString tableColumns(const QString &table, Backend backend)
{
    if (backend == Backend::Sqlite)
        return QStringLiteral("select name from pragma_table_info(%1)").arg(literal(table));
    return QStringLiteral("select column_name from information_schema.columns where table_schema = current_schema() "
                          "and table_name = %1 and column_name <> 'rowid' order by ordinal_position")
        .arg(literal(table));
}

QString deleteAllImported()
{
    // The statement's text as the import has always issued it.
    return QStringLiteral("Delete From ") + schema::kImportedTable;
}

QString selectAllInOrder(const QString &table, const QStringList &columns)
{
    return QStringLiteral("select rowid, %1 from %2 order by rowid").arg(quotedList(columns), quoted(table));
}

namespace {

QString whereEqual(const QStringList &whereColumns)
{
    QStringList conditions;
    for (const QString &column : whereColumns)
        conditions << quoted(column) + QStringLiteral(" = ?");
    return conditions.isEmpty() ? QString() : QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
}

} // namespace

QString selectWhere(const QString &table, const QStringList &columns, const QStringList &whereColumns,
                    const QStringList &orderColumns)
{
    QString sql = QStringLiteral("select ") + quotedList(columns) + QStringLiteral(" from ") + quoted(table)
        + whereEqual(whereColumns);
    if (!orderColumns.isEmpty())
        sql += QStringLiteral(" order by ") + quotedList(orderColumns);
    return sql;
}

QString countAnyWhere(const QString &table, const QStringList &whereColumns)
{
    return QStringLiteral("select count(*) from (select 1 from ") + quoted(table) + whereEqual(whereColumns)
        + QStringLiteral(" limit 1) as found");
}

QString deleteWhere(const QString &table, const QStringList &whereColumns)
{
    return QStringLiteral("delete from ") + quoted(table) + whereEqual(whereColumns);
}

QString updateWhere(const QString &table, const QStringList &columns, const QStringList &whereColumns)
{
    QStringList sets;
    for (const QString &column : columns)
        sets << quoted(column) + QStringLiteral(" = ?");
    return QStringLiteral("update ") + quoted(table) + QStringLiteral(" set ") + sets.join(QStringLiteral(", "))
        + whereEqual(whereColumns);
}

QString maxInteger(const QString &table, const QString &column)
{
    return QStringLiteral("select max(cast(%1 as integer)) from %2").arg(quoted(column), quoted(table));
}

QString lastNonEmpty(const QString &table, const QString &column, const QString &whereColumn,
                     const QString &orderColumn)
{
    return QStringLiteral("select %1 from %2 where %3 = ? and %1 <> '' order by cast(%4 as integer) desc limit 1")
        .arg(quoted(column), quoted(table), quoted(whereColumn), quoted(orderColumn));
}

QString deleteAll(const QString &table)
{
    return deleteWhere(table, {});
}

QString createTable(const QString &table, const QStringList &columns, Backend backend, const QStringList &uniqueColumns)
{
    QStringList defs;
    if (backend == Backend::Postgres)
        defs << QStringLiteral("rowid bigserial primary key");
    for (const QString &column : columns)
        defs << quoted(column) + QStringLiteral(" TEXT");
    if (!uniqueColumns.isEmpty())
        defs << QStringLiteral("unique (") + quotedList(uniqueColumns) + QLatin1Char(')');
    return QStringLiteral("create table ") + quoted(table) + QStringLiteral(" (") + defs.join(QStringLiteral(", "))
        + QLatin1Char(')');
}

QString addTextColumn(const QString &table, const QString &column)
{
    return QStringLiteral("alter table %1 add column %2 TEXT").arg(quoted(table), quoted(column));
}

QString dropTableIfThere(const QString &table)
{
    return QStringLiteral("drop table if exists ") + quoted(table);
}

QString schemaObjectKind(const QString &name)
{
    return QStringLiteral("select type from sqlite_master where name = %1").arg(literal(name));
}

QString sqliteTableNames()
{
    return QStringLiteral("select name from sqlite_master where type = 'table' and name not like 'sqlite\\_%' "
                          "escape '\\' order by name");
}

QStringList beginWrite(Backend backend)
{
    if (backend == Backend::Sqlite)
        return {QStringLiteral("begin immediate")};
    return {QStringLiteral("begin"), QStringLiteral("select pg_advisory_xact_lock(%1)").arg(kServerWriteLockKey)};
}

QStringList readTuning()
{
    return {QStringLiteral("pragma cache_size = -65536"), QStringLiteral("pragma mmap_size = 268435456")};
}

QStringList checkTuning()
{
    return {QStringLiteral("pragma mmap_size = 0"), QStringLiteral("pragma cache_size = -2048")};
}

QString quickCheck()
{
    return QStringLiteral("pragma quick_check");
}

QString integrityCheck()
{
    return QStringLiteral("pragma integrity_check");
}

QString queryOnly()
{
    return QStringLiteral("pragma query_only = 1");
}

QString probe(Backend backend)
{
    return backend == Backend::Sqlite ? QStringLiteral("select count(*) from sqlite_master")
                                      : QStringLiteral("select 1");
}

} // namespace statements

namespace {

using statements::PrintLogWhere;

QString logTable()
{
    return quoted(schema::kPrintLogTable);
}
const QString kEntryNumber = QStringLiteral("cast(\"entry\" as integer)");

// Text compared byte by byte on the server too (as SQLite does).
QString textCompare(Backend backend)
{
    return backend == Backend::Postgres ? QStringLiteral(" collate \"C\"") : QString();
}

QString stateOf(bool stateColumn)
{
    return stateColumn ? QStringLiteral("coalesce(\"state\", '')") : QStringLiteral("''");
}

// A live entry: it has a number, was confirmed and was not printed again.
QString liveEntry(bool stateColumn)
{
    return QStringLiteral("\"number\" > '' and %1 <> 'pending' and \"entry\" not in "
                          "(select \"reprint_of\" from %2 where \"reprint_of\" > '')")
        .arg(stateOf(stateColumn), logTable());
}

QString importedWithoutOrder(bool stateColumn)
{
    return QStringLiteral("coalesce(\"order_number\", '') = '' and \"variant\" like 'imported-%' and ")
        + liveEntry(stateColumn);
}

QString printLogConditions(const PrintLogWhere &where, Backend backend)
{
    QStringList conditions;
    const QString compare = textCompare(backend);
    if (where.from)
        conditions << QStringLiteral("\"printed_at\"%1 >= ?").arg(compare);
    if (where.before)
        conditions << QStringLiteral("\"printed_at\"%1 < ?").arg(compare);
    if (where.courier)
        conditions << QStringLiteral("\"courier\" = ?");
    if (where.text) {
        // As SQLite's LIKE: ASCII letters without case, on both stores.
        const QString like = backend == Backend::Postgres ? QStringLiteral(" ilike ? collate \"C\" escape '\\'")
                                                          : QStringLiteral(" like ? escape '\\'");
        QStringList any;
        for (const char *column : {"recipient_name", "mobile", "phone", "number"})
            any << QStringLiteral("coalesce(\"%1\", '')").arg(QLatin1String(column)) + like;
        conditions << QLatin1Char('(') + any.join(QStringLiteral(" or ")) + QLatin1Char(')');
    }
    if (where.after)
        conditions << kEntryNumber + QStringLiteral(" > ?");
    if (where.orderNumber)
        conditions << QStringLiteral("\"order_number\" > ''");
    return conditions.isEmpty() ? QString() : QStringLiteral(" where ") + conditions.join(QStringLiteral(" and "));
}

} // namespace

namespace statements {

QString selectPrintLog(const QStringList &columns, const PrintLogWhere &where, Backend backend, int limit)
{
    QString sql = QStringLiteral("select ") + quotedList(columns) + QStringLiteral(" from ") + logTable()
        + printLogConditions(where, backend) + QStringLiteral(" order by ") + kEntryNumber;
    if (limit > 0)
        sql += QStringLiteral(" limit %1").arg(limit);
    return sql;
}

QString countPrintLog(const PrintLogWhere &where, Backend backend)
{
    return QStringLiteral("select count(*) from ") + logTable() + printLogConditions(where, backend);
}

QString containsPattern(const QString &text)
{
    QString escaped;
    escaped.reserve(text.size() + 2);
    for (const QChar c : text) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            escaped += QLatin1Char('\\');
        escaped += c;
    }
    return QLatin1Char('%') + escaped + QLatin1Char('%');
}

QStringList printLogIndexNames()
{
    return {QStringLiteral("print_log_by_entry"), QStringLiteral("print_log_by_time"),
            QStringLiteral("print_log_by_form"), QStringLiteral("print_log_by_reprint")};
}

QStringList createPrintLogIndexes()
{
    // Expressions in parentheses, as PostgreSQL wants them; SQLite uses
    // the index for the same expression in a query.
    const QStringList names = printLogIndexNames();
    const QStringList keys{QStringLiteral("(%1)").arg(kEntryNumber), QStringLiteral("\"printed_at\""),
                           QStringLiteral("\"courier\", (%1)").arg(kEntryNumber), QStringLiteral("\"reprint_of\"")};
    QStringList made;
    for (qsizetype k = 0; k < names.size(); ++k)
        made << QStringLiteral("create index if not exists %1 on %2 (%3)").arg(quoted(names[k]), logTable(), keys[k]);
    return made;
}

QString hasIndex(const QString &name, Backend backend)
{
    if (backend == Backend::Sqlite)
        return QStringLiteral("select count(*) from sqlite_master where type = 'index' and name = %1")
            .arg(literal(name));
    return QStringLiteral("select count(*) from pg_indexes where schemaname = current_schema() and indexname = %1")
        .arg(literal(name));
}

QString selectReprintedEntries()
{
    return QStringLiteral("select distinct \"reprint_of\" from %1 where \"reprint_of\" > ''").arg(logTable());
}

QString updatePrintLogStateRange()
{
    return QStringLiteral("update %1 set \"state\" = ? where %2 between ? and ? and \"state\" = ?")
        .arg(logTable(), kEntryNumber);
}

QString deletePendingPrintLogRange()
{
    return QStringLiteral("delete from %1 where %2 between ? and ? and \"state\" = ?").arg(logTable(), kEntryNumber);
}

QString selectRepeatedOrders(bool stateColumn)
{
    return QStringLiteral("select \"order_number\", max(%1) from %2 where \"order_number\" > '' and %3 "
                          "group by \"order_number\" having count(*) > 1")
        .arg(kEntryNumber, logTable(), liveEntry(stateColumn));
}

QString selectRepeatedRecipients(bool stateColumn)
{
    const QString pair = QStringLiteral("coalesce(\"recipient_name\", ''), coalesce(\"mobile\", '')");
    return QStringLiteral("select %1, \"recipient_name\", \"mobile\", \"recipient\" from %2 where %3 and (%4) in "
                          "(select %4 from %2 where %3 group by %4 having count(*) > 1)")
        .arg(kEntryNumber, logTable(), importedWithoutOrder(stateColumn), pair);
}

QString selectPrintLogForms()
{
    return QStringLiteral("select \"courier\", min(%1) from %2 group by \"courier\" order by 2")
        .arg(kEntryNumber, logTable());
}

} // namespace statements
