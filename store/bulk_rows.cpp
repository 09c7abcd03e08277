#include "store/bulk_rows.h"

#include "store/connection.h"
#include "store/db_error.h"
#include "store/statements.h"

#include <cstdlib>

#include <QFile>
#include <QSqlDriver>
#include <QSqlQuery>
#include <QStringEncoder>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <vector>

QStringDecoder storedTextDecoder()
{
    // Each text on its own, and a leading U+FEFF is part of the text: the
    // decoder's default would drop it as a byte-order mark.
    return QStringDecoder(QStringConverter::Utf8,
                          QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom);
}

namespace {

struct Finalizer {
    Finalizer() = default;
    Finalizer(const Finalizer &) = delete;
    sqlite3_stmt *statement = nullptr;
    ~Finalizer() { sqlite3_finalize(statement); }
};

sqlite3 *sqliteHandle(Connection &connection)
{
    const QVariant handle = connection.database().driver()->handle();
    sqlite3 *db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0
        ? *static_cast<sqlite3 *const *>(handle.data())
        : nullptr;
    if (!db)
        throw DbError(QStringLiteral(u"数据库连接不可用"));
    return db;
}

void insertSqlite(Connection &connection, const QString &sql, const TextRows &rows,
                  const std::function<void(qsizetype done)> &progress)
{
    sqlite3 *db = sqliteHandle(connection);
    Finalizer statement;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement.statement, nullptr) != SQLITE_OK)
        connection.failWith(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
    if (sqlite3_bind_parameter_count(statement.statement) != rows.width())
        throw DbError(QStringLiteral(u"插入语句的字段数与数据不符"));
    // Each row's texts as UTF-8, the database's own encoding, in one
    // buffer that outlives the step, so SQLite neither converts nor copies.
    QStringEncoder encoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QByteArray utf8;
    for (qsizetype r = 0; r < rows.rowCount(); ++r) {
        qsizetype chars = 0;
        for (int c = 0; c < rows.width(); ++c)
            chars += rows.cell(r, c).size();
        if (utf8.size() < encoder.requiredSpace(chars))
            utf8.resize(encoder.requiredSpace(chars));
        char *out = utf8.data();
        for (int c = 0; c < rows.width(); ++c) {
            char *start = out;
            out = encoder.appendToBuffer(out, rows.cell(r, c));
            sqlite3_bind_text(statement.statement, c + 1, start, int(out - start), SQLITE_STATIC);
        }
        if (sqlite3_step(statement.statement) != SQLITE_DONE)
            connection.failWith(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(statement.statement);
        if (progress && (r + 1) % 4096 == 0)
            progress(r + 1);
    }
    if (progress)
        progress(rows.rowCount());
}

QStringList selectSqlite(Connection &connection, const QString &sql, const QStringList &params,
                         const std::function<void(const SelectedRow &row)> &onRow)
{
    sqlite3 *db = sqliteHandle(connection);
    Finalizer statement;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement.statement, nullptr) != SQLITE_OK)
        connection.failWith(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
    std::vector<QByteArray> bound;
    for (int i = 0; i < params.size(); ++i) {
        bound.push_back(params[i].toUtf8());
        sqlite3_bind_text(statement.statement, i + 1, bound.back().constData(), int(bound.back().size()),
                          SQLITE_STATIC);
    }
    const int count = sqlite3_column_count(statement.statement);
    QStringList columns;
    for (int i = 1; i < count; ++i)
        columns << QString::fromUtf8(sqlite3_column_name(statement.statement, i));
    std::vector<const char *> texts(size_t(std::max(count - 1, 0)));
    std::vector<int> lengths(texts.size());
    int status;
    while ((status = sqlite3_step(statement.statement)) == SQLITE_ROW) {
        for (int i = 1; i < count; ++i) {
            texts[size_t(i - 1)] = reinterpret_cast<const char *>(sqlite3_column_text(statement.statement, i));
            lengths[size_t(i - 1)] = sqlite3_column_bytes(statement.statement, i);
        }
        onRow({sqlite3_column_int64(statement.statement, 0), texts.data(), lengths.data(), count - 1});
    }
    if (status != SQLITE_DONE)
        connection.failWith(sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db)));
    return columns;
}

PGconn *postgresHandle(Connection &connection)
{
    const QVariant handle = connection.database().driver()->handle();
    PGconn *pg =
        handle.isValid() && (qstrcmp(handle.typeName(), "PGconn*") == 0 || qstrcmp(handle.typeName(), "pg_conn*") == 0)
        ? *static_cast<PGconn *const *>(handle.data())
        : nullptr;
    if (!pg)
        throw DbError(QStringLiteral(u"数据库连接不可用 (%1)").arg(QString::fromLatin1(handle.typeName())));
    return pg;
}

struct ResultHolder {
    PGresult *result = nullptr;
    ~ResultHolder() { PQclear(result); }
};

QString postgresError(PGconn *pg, PGresult *result = nullptr)
{
    const char *text = result ? PQresultErrorMessage(result) : PQerrorMessage(pg);
    return QString::fromUtf8(text && *text ? text : PQerrorMessage(pg)).trimmed();
}

// Our statements mark parameters with ?; libpq numbers them ($1, $2, ...).
// None of our statements has a ? inside a literal.
QByteArray numberedParameters(const QString &sql)
{
    QString numbered;
    int n = 0;
    for (const QChar c : sql) {
        if (c == QLatin1Char('?'))
            numbered += QLatin1Char('$') + QString::number(++n);
        else
            numbered += c;
    }
    return numbered.toUtf8();
}

QStringList selectPostgres(Connection &connection, const QString &sql, const QStringList &params,
                           const std::function<void(const SelectedRow &row)> &onRow)
{
    PGconn *pg = postgresHandle(connection);
    std::vector<QByteArray> bound;
    std::vector<const char *> values;
    std::vector<int> lengths;
    for (const QString &param : params) {
        bound.push_back(param.toUtf8());
        values.push_back(bound.back().constData());
        lengths.push_back(int(bound.back().size()));
    }
    ResultHolder holder;
    holder.result = PQexecParams(pg, numberedParameters(sql).constData(), int(values.size()), nullptr, values.data(),
                                 lengths.data(), nullptr, 0);
    if (PQresultStatus(holder.result) != PGRES_TUPLES_OK)
        throw DbError(postgresError(pg, holder.result));
    const int count = PQnfields(holder.result);
    QStringList columns;
    for (int i = 1; i < count; ++i)
        columns << QString::fromUtf8(PQfname(holder.result, i));
    std::vector<const char *> texts(size_t(std::max(count - 1, 0)));
    std::vector<int> sizes(texts.size());
    const int rows = PQntuples(holder.result);
    for (int r = 0; r < rows; ++r) {
        for (int i = 1; i < count; ++i) {
            texts[size_t(i - 1)] = PQgetisnull(holder.result, r, i) ? nullptr : PQgetvalue(holder.result, r, i);
            sizes[size_t(i - 1)] = PQgetlength(holder.result, r, i);
        }
        onRow({std::strtoll(PQgetvalue(holder.result, r, 0), nullptr, 10), texts.data(), sizes.data(), count - 1});
    }
    return columns;
}

// COPY's text format: backslash, tab, newline and carriage return escaped.
// The server's texts cannot hold NUL (a damaged workbook's cells may): it
// is left out rather than failing the whole import.
void appendCopyText(QByteArray &out, QStringView text)
{
    const QByteArray utf8 = text.toUtf8();
    for (const char c : utf8) {
        switch (c) {
        case '\0':
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
}

void insertPostgres(Connection &connection, const QString &table, const QStringList &columns, const TextRows &rows,
                    const std::function<void(qsizetype done)> &progress)
{
    PGconn *pg = postgresHandle(connection);
    QStringList names;
    for (const QString &column : columns)
        names << statements::quoted(column);
    const QByteArray copy = QStringLiteral("copy %1 (%2) from stdin")
                                .arg(statements::quoted(table), names.join(QStringLiteral(", ")))
                                .toUtf8();
    {
        ResultHolder start;
        start.result = PQexec(pg, copy.constData());
        if (PQresultStatus(start.result) != PGRES_COPY_IN)
            throw DbError(postgresError(pg, start.result));
    }
    QByteArray chunk;
    const auto flush = [&] {
        if (!chunk.isEmpty() && PQputCopyData(pg, chunk.constData(), int(chunk.size())) != 1)
            throw DbError(postgresError(pg));
        chunk.clear();
    };
    try {
        for (qsizetype r = 0; r < rows.rowCount(); ++r) {
            for (int c = 0; c < rows.width(); ++c) {
                if (c > 0)
                    chunk += '\t';
                appendCopyText(chunk, rows.cell(r, c));
            }
            chunk += '\n';
            if (chunk.size() > (1 << 20))
                flush();
            if (progress && (r + 1) % 4096 == 0)
                progress(r + 1);
        }
        flush();
    } catch (const DbError &) {
        PQputCopyEnd(pg, "stopped");
        while (PGresult *rest = PQgetResult(pg))
            PQclear(rest);
        throw;
    }
    if (PQputCopyEnd(pg, nullptr) != 1)
        throw DbError(postgresError(pg));
    QString failure;
    while (PGresult *result = PQgetResult(pg)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK && failure.isEmpty())
            failure = postgresError(pg, result);
        PQclear(result);
    }
    if (!failure.isEmpty())
        throw DbError(failure);
    if (progress)
        progress(rows.rowCount());
}

} // namespace

QStringList selectRows(Connection &connection, const QString &sql, const QStringList &params,
                       const std::function<void(const SelectedRow &row)> &onRow)
{
    connection.open();
    return connection.backend() == Backend::Sqlite ? selectSqlite(connection, sql, params, onRow)
                                                   : selectPostgres(connection, sql, params, onRow);
}

qint64 countRows(Connection &connection, const QString &sql, const QStringList &params)
{
    connection.open();
    if (connection.backend() == Backend::Postgres) {
        QVariantList values;
        for (const QString &param : params)
            values << param;
        QSqlQuery query = connection.exec(sql, values);
        return query.next() ? query.value(0).toLongLong() : 0;
    }
    // The file's own connection maps it into memory and keeps a large page
    // cache: a count read through it would leave the whole table resident.
    struct Side {
        sqlite3 *db = nullptr;
        ~Side() { sqlite3_close(db); }
    } side;
    const auto fail = [&] {
        connection.failWith(side.db ? sqlite3_extended_errcode(side.db) : SQLITE_CANTOPEN,
                            QString::fromUtf8(side.db ? sqlite3_errmsg(side.db) : "out of memory"));
    };
    if (sqlite3_open_v2(QFile::encodeName(connection.filePath()).constData(), &side.db, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK)
        fail();
    sqlite3_busy_timeout(side.db, 5000);
    sqlite3_db_config(side.db, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(side.db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    Finalizer statement;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(side.db, text.constData(), int(text.size()), &statement.statement, nullptr) != SQLITE_OK)
        fail();
    std::vector<QByteArray> bound;
    for (int i = 0; i < params.size(); ++i) {
        bound.push_back(params[i].toUtf8());
        sqlite3_bind_text(statement.statement, i + 1, bound.back().constData(), int(bound.back().size()),
                          SQLITE_STATIC);
    }
    if (sqlite3_step(statement.statement) != SQLITE_ROW)
        fail();
    return sqlite3_column_int64(statement.statement, 0);
}

void insertTextRows(Connection &connection, const QString &table, const QStringList &columns, const TextRows &rows,
                    const std::function<void(qsizetype done)> &progress)
{
    connection.open();
    if (columns.size() != rows.width())
        throw DbError(QStringLiteral(u"插入语句的字段数与数据不符"));
    if (connection.backend() == Backend::Sqlite)
        insertSqlite(connection, statements::insertRow(table, columns), rows, progress);
    else
        insertPostgres(connection, table, columns, rows, progress);
}
