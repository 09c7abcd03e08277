#include "store/statements.h"

#include "store/schema.h"

namespace {

// Back-quoted identifier: unlike a double-quoted one, SQLite never takes it
// for a string literal when the column does not exist.
QString quoted(const QString &identifier)
{
    QString escaped = identifier;
    escaped.replace(QLatin1Char('`'), QStringLiteral("``"));
    return QLatin1Char('`') + escaped + QLatin1Char('`');
}

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

QString selectWithRowid(const Select &select)
{
    QString sql = QStringLiteral("select rowid, * from ") + quoted(select.table);
    if (select.isSearch())
        sql += QStringLiteral(" where ") + quoted(select.likeColumn) + QStringLiteral(" like ?");
    return sql;
}

QString likePattern(const QString &text)
{
    return QLatin1Char('%') + text + QLatin1Char('%');
}

QString insertRow(const QString &table, const QStringList &columns)
{
    if (columns.isEmpty())
        return QStringLiteral("insert into ") + quoted(table) + QStringLiteral(" default values");
    return QStringLiteral("insert into ") + quoted(table) + QStringLiteral(" (")
        + quotedList(columns) + QStringLiteral(") values (") + placeholders(columns.size())
        + QLatin1Char(')');
}

QString updateRow(const QString &table, const QStringList &columns)
{
    QStringList sets;
    for (const QString &column : columns)
        sets << quoted(column) + QStringLiteral(" = ?");
    return QStringLiteral("update ") + quoted(table) + QStringLiteral(" set ")
        + sets.join(QStringLiteral(", ")) + QStringLiteral(" where rowid = ?");
}

QString deleteRow(const QString &table)
{
    return QStringLiteral("delete from ") + quoted(table) + QStringLiteral(" where rowid = ?");
}

QString deleteAllImported()
{
    return QStringLiteral("Delete From excel");
}

QString insertImported()
{
    return insertRow(schema::kImportedTable, schema::recipientColumns());
}

QString createTable(const QString &table, const QStringList &columns)
{
    QStringList defs;
    for (const QString &column : columns)
        defs << quoted(column) + QStringLiteral(" TEXT");
    return QStringLiteral("create table ") + quoted(table) + QStringLiteral(" (")
        + defs.join(QStringLiteral(", ")) + QLatin1Char(')');
}

QString probe()
{
    return QStringLiteral("select count(*) from sqlite_master");
}

} // namespace statements
