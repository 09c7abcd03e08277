#include "store/connection.h"

#include "store/db_error.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QAtomicInt>
#include <QDir>
#include <QSqlError>
#include <QUrl>

namespace {

QAtomicInt g_serial;

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return text.trimmed();
}

} // namespace

Connection::Connection(const QString &owner)
    : m_name(owner + QLatin1Char('#') + QString::number(g_serial.fetchAndAddRelaxed(1)))
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
}

Connection::~Connection()
{
    close();
    QSqlDatabase::removeDatabase(m_name);
}

QString Connection::currentFilePath()
{
    return QDir::current().absoluteFilePath(schema::kDatabaseFileName);
}

QSqlDatabase Connection::database() const
{
    return QSqlDatabase::database(m_name, false);
}

bool Connection::isOpen() const
{
    return database().isOpen();
}

void Connection::open()
{
    if (isOpen())
        return;
    m_filePath = currentFilePath();
    QSqlDatabase db = database();
    // A URI in read-write mode without create: a missing file fails instead
    // of being created empty.
    QString uri = QUrl::fromLocalFile(m_filePath).toString(QUrl::FullyEncoded);
    db.setDatabaseName(uri + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString text = errorText(db.lastError());
        db.close();
        throw DbError(QStringLiteral(u"无法打开数据库文件 %1：%2")
                          .arg(QDir::toNativeSeparators(m_filePath), text));
    }
    // SQLite reads the file lazily; read it now so that a file that is not a
    // database fails here, with the file named.
    QSqlQuery probe(db);
    if (!probe.exec(statements::probe())) {
        const QString text = errorText(probe.lastError());
        probe.finish();
        db.close();
        throw DbError(QStringLiteral(u"无法打开数据库文件 %1：%2")
                          .arg(QDir::toNativeSeparators(m_filePath), text));
    }
    // A larger page cache and memory-mapped reads keep whole-table scans
    // (searches, reopening a long list) fast; neither writes to the file.
    probe.exec(QStringLiteral("pragma cache_size = -65536"));
    probe.exec(QStringLiteral("pragma mmap_size = 268435456"));
}

void Connection::close()
{
    QSqlDatabase db = database();
    if (db.isOpen())
        db.close();
}

QSqlQuery Connection::exec(const QString &sql, const QVariantList &params)
{
    open();
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw DbError(errorText(query.lastError()));
    for (const QVariant &param : params)
        query.addBindValue(param);
    if (!query.exec())
        throw DbError(errorText(query.lastError()));
    return query;
}

void Connection::execMany(const QString &sql, const std::vector<QVariantList> &paramRows)
{
    open();
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw DbError(errorText(query.lastError()));
    for (const QVariantList &params : paramRows) {
        for (int i = 0; i < params.size(); ++i)
            query.bindValue(i, params[i]);
        if (!query.exec())
            throw DbError(errorText(query.lastError()));
    }
}

void Connection::begin()
{
    open();
    // Every transaction of the program writes: take the write lock at once,
    // so that two writers queue instead of interleaving their statements.
    QSqlQuery query(database());
    if (!query.exec(QStringLiteral("begin immediate")))
        throw DbError(errorText(query.lastError()));
}

void Connection::commit()
{
    if (!database().commit()) {
        const QString text = errorText(database().lastError());
        database().rollback();
        throw DbError(text);
    }
}

void Connection::rollback()
{
    database().rollback();
}
