#include "store/sqlite_select.h"

#include "store/connection.h"
#include "store/db_error.h"

#include <QSqlDriver>
#include <sqlite3.h>
#include <vector>

namespace {

struct Finalizer {
    sqlite3_stmt *statement = nullptr;
    ~Finalizer() { sqlite3_finalize(statement); }
};

} // namespace

QStringList selectRows(Connection &connection, const QString &sql, const QStringList &params,
                       const std::function<void(const SelectedRow &row)> &onRow)
{
    connection.open();
    const QVariant handle = connection.database().driver()->handle();
    sqlite3 *db = handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3 *const *>(handle.data())
                                                                                  : nullptr;
    if (!db)
        throw DbError(QStringLiteral(u"数据库连接不可用"));
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
