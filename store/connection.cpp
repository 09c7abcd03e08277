#include "store/connection.h"

#include "store/data_file.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "store/shared_store.h"
#include "store/sqlite_failure.h"
#include "store/statements.h"
#include "store/use_marks.h"

#include <QAtomicInt>
#include <QDir>
#include <QHash>
#include <QSqlDriver>
#include <QSqlError>
#include <QUrl>
#include <sqlite3.h>

namespace {

QAtomicInt g_serial;

QString errorText(const QSqlError &error)
{
    QString text = error.databaseText();
    if (text.isEmpty())
        text = error.text();
    return text.trimmed();
}

// SQLite's result code of a failure Qt reports (0: none given).
int sqliteCode(const QSqlError &error)
{
    return error.nativeErrorCode().toInt();
}

// data.mdb files checked in this process, with why each may not be written
// (empty: sound).
QHash<QString, QString> &checkedFiles()
{
    static QHash<QString, QString> files;
    return files;
}

// The newest backup or safety copy in the folder of path, if any.
QString newestBackupBeside(const QString &path)
{
    const QFileInfoList backups =
        QFileInfo(path).absoluteDir().entryInfoList({QStringLiteral("*.bak")}, QDir::Files, QDir::Time);
    return backups.isEmpty() ? QString() : QDir::toNativeSeparators(backups.first().absoluteFilePath());
}

QString damageText(const QString &path, const QString &problem)
{
    const QString backup = newestBackupBeside(path);
    return QStringLiteral(u"数据文件 %1 已损坏，为免损坏更多数据，恢复之前不能保存任何修改。%2（%3）")
        .arg(QDir::toNativeSeparators(path),
             backup.isEmpty()
                 ? QStringLiteral(u"请用“数据备份与恢复”恢复以前做的备份（这个文件夹里没有找到备份文件）。")
                 : QStringLiteral(u"请用“数据备份与恢复”恢复最近的备份：%1。").arg(backup),
             problem);
}

// What libpq's connection failure means for the user, then its own words.
QString serverFailure(const QString &detail)
{
    QString reason;
    if (detail.contains(QStringLiteral("password authentication failed")))
        reason = QStringLiteral(u"密码错误（请检查密码文件 ~/.pgpass）");
    else if (detail.contains(QStringLiteral("no password supplied"))) {
        const QString problem = ServerAddress::passwordFileProblem();
        reason = problem.isEmpty()
            ? QStringLiteral(u"没有密码：请把密码写进密码文件 ~/.pgpass（或 PGPASSFILE 指定的文件）")
            : QStringLiteral(u"没有密码：") + problem;
    } else if (detail.contains(QStringLiteral("does not exist")))
        reason = QStringLiteral(u"服务器上没有这个数据库或用户");
    else if (detail.contains(QStringLiteral("Connection refused")) || detail.contains(QStringLiteral("timeout"))
             || detail.contains(QStringLiteral("could not connect"))
             || detail.contains(QStringLiteral("could not translate")))
        reason = QStringLiteral(u"服务器没有响应（请检查网络和服务器是否开着）");
    return reason.isEmpty() ? detail.simplified() : reason + QStringLiteral(u"。") + detail.simplified();
}

} // namespace

Connection::Connection(const QString &owner)
    : m_name(owner + QLatin1Char('#') + QString::number(g_serial.fetchAndAddRelaxed(1))),
      m_pgName(m_name + QStringLiteral("/server"))
{
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
}

Connection::~Connection()
{
    close();
    QSqlDatabase::removeDatabase(m_name);
    if (QSqlDatabase::contains(m_pgName))
        QSqlDatabase::removeDatabase(m_pgName);
}

QString Connection::currentFilePath()
{
    const QString chosen = data_file::inUse();
    return chosen.isEmpty() ? QDir::current().absoluteFilePath(schema::kDatabaseFileName) : chosen;
}

QSqlDatabase Connection::database() const
{
    return QSqlDatabase::database(m_server ? m_pgName : m_name, false);
}

bool Connection::isOpen() const
{
    return database().isOpen();
}

Backend Connection::backend()
{
    open();
    return openedBackend();
}

void Connection::open()
{
    if (isOpen())
        return;
    switch (m_target) {
    case Target::Server:
        openPostgres(*m_server);
        return;
    case Target::File:
        openSqlite(m_filePath);
        return;
    case Target::CurrentFolder:
        m_server.reset();
        openSqlite(currentFilePath());
        // data.mdb may say that the folder's data live on a server. Kept
        // when the server does not answer: the folder is still shared, and
        // says so.
        checkOnce();
        std::optional<ServerAddress> server;
        try {
            server = shared_store::readPointer(*this);
        } catch (...) {
            close(); // a damaged pointer never leaves the local file open in its place
            throw;
        }
        if (server) {
            database().close();
            m_server = server;
            openPostgres(*server);
        }
        return;
    }
}

void Connection::openFile(const QString &path)
{
    close();
    m_target = Target::File;
    m_server.reset();
    m_filePath = QFileInfo(path).absoluteFilePath();
    open();
}

void Connection::openServer(const ServerAddress &server)
{
    close();
    m_target = Target::Server;
    m_server = server;
    open();
}

void Connection::openSqlite(const QString &path)
{
    m_filePath = path;
    m_damage.clear();
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    // A URI in read-write mode without create: a missing file fails instead
    // of being created empty.
    QString uri = QUrl::fromLocalFile(m_filePath).toString(QUrl::FullyEncoded);
    db.setDatabaseName(uri + QStringLiteral("?mode=rw"));
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        const QString text = sqliteFailureText(sqliteCode(db.lastError()), errorText(db.lastError()));
        db.close();
        throw DbError(QStringLiteral(u"无法打开数据库文件 %1：%2").arg(QDir::toNativeSeparators(m_filePath), text));
    }
    // A double-quoted name is always a name, never a string literal.
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0) {
        sqlite3 *sqlite = *static_cast<sqlite3 *const *>(handle.data());
        sqlite3_db_config(sqlite, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
        sqlite3_db_config(sqlite, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        // A file from outside (a backup) may carry a schema of its own:
        // nothing in it runs functions with side effects, and SQL cannot
        // corrupt the file on purpose.
        sqlite3_db_config(sqlite, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
        sqlite3_db_config(sqlite, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    }
    // SQLite reads the file lazily; read it now so that a file that is not a
    // database fails here, with the file named.
    QSqlQuery probe(db);
    if (!probe.exec(statements::probe())) {
        const QString text = sqliteFailureText(sqliteCode(probe.lastError()), errorText(probe.lastError()));
        probe.finish();
        db.close();
        throw DbError(QStringLiteral(u"无法打开数据库文件 %1：%2").arg(QDir::toNativeSeparators(m_filePath), text));
    }
    // A larger page cache and memory-mapped reads keep whole-table scans
    // (searches, reopening a long list) fast; neither writes to the file.
    for (const QString &pragma : statements::readTuning())
        probe.exec(pragma);
}

void Connection::checkOnce()
{
    const QString path = m_filePath;
    auto checked = checkedFiles().constFind(path);
    if (checked == checkedFiles().cend()) {
        // SQLite's quick check reads every page once: about 20 ms for
        // 40,000 recipients, seconds for millions. A file up to
        // kCheckedEveryStart is checked at every start; a larger one when
        // its last use did not end cleanly (a crash, a kill, a power loss:
        // when a file gets damaged), and again at every start while damaged.
        // It reads through a small cache and unmapped, so that it leaves no
        // copy of the whole file in this process's memory.
        const bool unclean = use_marks::markInUse(path);
        QString damage;
        if (unclean || QFileInfo(path).size() <= kCheckedEveryStart) {
            QSqlQuery check(database());
            for (const QString &pragma : statements::checkTuning())
                check.exec(pragma);
            QStringList problems;
            if (!check.exec(statements::quickCheck()))
                problems << errorText(check.lastError());
            while (check.next())
                problems << check.value(0).toString();
            check.finish();
            for (const QString &pragma : statements::readTuning())
                check.exec(pragma);
            if (problems != QStringList{QStringLiteral("ok")})
                damage = damageText(path, problems.mid(0, 3).join(QStringLiteral("; ")));
            use_marks::checked(path, damage.isEmpty());
        }
        checked = checkedFiles().insert(path, damage);
    }
    m_damage = *checked;
    if (!m_damage.isEmpty())
        QSqlQuery(database()).exec(statements::queryOnly());
}

void Connection::forgetCheck(const QString &path)
{
    checkedFiles().remove(QFileInfo(path).absoluteFilePath());
}

[[noreturn]] void Connection::fail(const QSqlError &error)
{
    failWith(openedBackend() == Backend::Sqlite ? sqliteCodeOf(database(), error) : 0, errorText(error));
}

[[noreturn]] void Connection::failWith(int sqliteCode, const QString &detail)
{
    if (!m_damage.isEmpty())
        throw DbError(m_damage + QStringLiteral(u"（") + detail + QStringLiteral(u"）"));
    throw DbError(openedBackend() == Backend::Sqlite ? sqliteFailureText(sqliteCode, detail, m_filePath) : detail);
}

void Connection::openPostgres(const ServerAddress &server)
{
    if (!QSqlDatabase::contains(m_pgName)) {
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            throw DbError(QStringLiteral(u"无法连接共享数据库：缺少 PostgreSQL 驱动（软件包 libqt6sql6-psql）。"));
        QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), m_pgName);
    }
    QSqlDatabase db = QSqlDatabase::database(m_pgName, false);
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setUserName(server.user);
    db.setDatabaseName(server.database);
    db.setConnectOptions(QStringLiteral("connect_timeout=5;application_name=waybill")
                         + (server.sslMode.isEmpty() ? QString() : QStringLiteral(";sslmode=") + server.sslMode));
    if (!db.open()) {
        const QString text = errorText(db.lastError());
        db.close();
        throw DbError(QStringLiteral(u"无法连接共享数据库 %1：%2").arg(server.url(), serverFailure(text)));
    }
    // A writer waits for another at most this long, as the local file's
    // busy timeout does.
    QSqlQuery settings(db);
    settings.exec(QStringLiteral("set lock_timeout = '10s'"));
}

void Connection::close()
{
    for (const QString &name : {m_name, m_pgName})
        if (QSqlDatabase::contains(name)) {
            QSqlDatabase db = QSqlDatabase::database(name, false);
            if (db.isOpen())
                db.close();
        }
}

QSqlQuery Connection::exec(const QString &sql, const QVariantList &params)
{
    open();
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (params.isEmpty()) {
        // Unprepared: the server prepares no statement that defines tables.
        if (!query.exec(sql))
            fail(query.lastError());
        return query;
    }
    if (!query.prepare(sql))
        fail(query.lastError());
    for (const QVariant &param : params)
        query.addBindValue(param);
    if (!query.exec())
        fail(query.lastError());
    return query;
}

void Connection::execMany(const QString &sql, const std::vector<QVariantList> &paramRows)
{
    open();
    QSqlQuery query(database());
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        fail(query.lastError());
    for (const QVariantList &params : paramRows) {
        for (int i = 0; i < params.size(); ++i)
            query.bindValue(i, params[i]);
        if (!query.exec())
            fail(query.lastError());
    }
}

QStringList Connection::tableColumns(const QString &table)
{
    const QString sql = statements::tableColumns(table, backend()); // chosen once the store is known
    QSqlQuery query = exec(sql);
    QStringList columns;
    while (query.next())
        columns << query.value(0).toString();
    return columns;
}

void Connection::begin()
{
    open();
    if (!m_damage.isEmpty())
        throw DbError(m_damage);
    QSqlQuery query(database());
    // Every transaction of the program writes: take the write lock at once.
    bool ok = true;
    for (const QString &statement : statements::beginWrite(backend()))
        ok = ok && query.exec(statement);
    if (!ok) {
        const QSqlError error = query.lastError();
        if (openedBackend() == Backend::Postgres)
            database().rollback();
        fail(error);
    }
}

void Connection::commit()
{
    if (!database().commit()) {
        const QSqlError error = database().lastError();
        // The code before the rollback resets it (Qt gives none for COMMIT).
        const int code = openedBackend() == Backend::Sqlite ? sqliteCodeOf(database(), error) : 0;
        database().rollback();
        failWith(code, errorText(error));
    }
}

void Connection::rollback()
{
    database().rollback();
}
