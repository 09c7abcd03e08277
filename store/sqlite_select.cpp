#include "store/sqlite_select.h"

#include "store/connection.h"
#include "store/db_error.h"

#include <QSqlDriver>
#include <QStringEncoder>
#include <sqlite3.h>
#include <vector>

namespace {

struct Finalizer {
    Finalizer() = default;
    Finalizer(const Finalizer &) = delete;
    sqlite3_stmt *statement = nullptr;
    ~Finalizer() { sqlite3_finalize(statement); }
};

} // namespace

sqlite3 *sqliteHandle(Connection &connection)
{
    connection.open();
    const QVariant handle = connection.database().driver()->handle();
    sqlite3 *db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3 *const *>(handle.data())
                                                                                  : nullptr;
    if (!db)
        throw DbError(QStringLiteral(u"数据库连接不可用"));
    return db;
}

void insertTextRows(Connection &connection, const QString &sql, const TextTable &rows,
                    const std::function<void(qsizetype done)> &progress)
{
    sqlite3 *db = sqliteHandle(connection);
    Finalizer statement;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement.statement, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
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
            throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
        sqlite3_reset(statement.statement);
        if (progress && (r + 1) % 4096 == 0)
            progress(r + 1);
    }
    if (progress)
        progress(rows.rowCount());
}

QStringList selectRows(Connection &connection, const QString &sql, const QStringList &params,
                       const std::function<void(const SelectedRow &row)> &onRow)
{
    sqlite3 *db = sqliteHandle(connection);
    Finalizer statement;
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement.statement, nullptr) != SQLITE_OK)
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
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
        throw DbError(QString::fromUtf8(sqlite3_errmsg(db)));
    return columns;
}
