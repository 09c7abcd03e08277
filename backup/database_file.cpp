#include "backup/database_file.h"

#include "common/safe_file.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "store/shared_store.h"
#include "store/sqlite_failure.h"
#include "store/statements.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <functional>
#include <sqlite3.h>

namespace {

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// One SQLite connection on a file that must exist (never created).
class SqliteFile {
public:
    SqliteFile(const QString &path, bool writable) : m_path(path)
    {
        const int flags = (writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY) | SQLITE_OPEN_NOMUTEX;
        const int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, flags, nullptr);
        if (rc != SQLITE_OK)
            fail(rc);
        sqlite3_busy_timeout(m_db, 5000);
        sqlite3_extended_result_codes(m_db, 1);
    }
    ~SqliteFile() { sqlite3_close_v2(m_db); }
    SqliteFile(const SqliteFile &) = delete;
    SqliteFile &operator=(const SqliteFile &) = delete;

    sqlite3 *handle() const { return m_db; }
    const QString &path() const { return m_path; }

    // The first column of every row of a statement.
    QStringList column(const QString &sql)
    {
        sqlite3_stmt *statement = nullptr;
        int rc = sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr);
        QStringList values;
        while (rc == SQLITE_OK || rc == SQLITE_ROW) {
            rc = sqlite3_step(statement);
            if (rc == SQLITE_ROW) {
                const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
                values << QString::fromUtf8(text ? text : "");
            }
        }
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE)
            fail(rc);
        return values;
    }

    [[noreturn]] void fail(int rc) const
    {
        const QString detail = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(rc));
        throw DbError(QStringLiteral(u"%1：%2").arg(native(m_path), sqliteFailureMeaning(rc, detail)));
    }

private:
    QString m_path;
    sqlite3 *m_db = nullptr;
};

// Copies every page of from into to, replacing to's content in one
// transaction of to's (its journal makes it atomic).
void copyPages(SqliteFile &from, SqliteFile &to)
{
    sqlite3_backup *backup = sqlite3_backup_init(to.handle(), "main", from.handle(), "main");
    if (!backup)
        to.fail(sqlite3_extended_errcode(to.handle()));
    int rc = SQLITE_OK;
    do {
        rc = sqlite3_backup_step(backup, -1);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
            break; // the busy timeout has already waited
    } while (rc == SQLITE_OK);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        // A failure reading the source names the source.
        const int sourceCode = sqlite3_extended_errcode(from.handle());
        if ((sourceCode & 0xFF) == SQLITE_NOTADB || (sourceCode & 0xFF) == SQLITE_CORRUPT)
            from.fail(sourceCode);
        to.fail(rc);
    }
}

// Copies the committed content of source into a fresh file at dest.
void copyInto(const QString &source, bool sourceWritable, const QString &dest)
{
    SqliteFile from(source, sourceWritable);
    SqliteFile to(dest, true);
    copyPages(from, to);
}

// Whether path opens as an SQLite database at all (a damaged one counts;
// random bytes, a folder or a missing file do not). A lock held by another
// program is reported, not taken for damage.
bool opensAsDatabase(const QString &path)
{
    try {
        SqliteFile file(path, true);
        file.column(statements::probe());
        return true;
    } catch (const DbError &) {
        SqliteFile probe(path, false);
        const int rc =
            sqlite3_exec(probe.handle(), statements::probe().toUtf8().constData(), nullptr, nullptr, nullptr);
        if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
            probe.fail(rc);
        return rc == SQLITE_OK;
    }
}

QString safetyCopyPath(const QString &target)
{
    const QString stamp = QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString path = target + QLatin1Char('.') + stamp + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = target + QLatin1Char('.') + stamp + QLatin1Char('-') + QString::number(n) + QStringLiteral(".bak");
    return path;
}

// Writes a new safety copy of target through fill, under a name no other
// file has: two restores at once never write over each other's copy.
QString keepSafetyCopy(const QString &target, const std::function<void(SafeFile &)> &fill)
{
    for (int attempt = 0;; ++attempt) {
        QString path = safetyCopyPath(target);
        SafeFile kept(path);
        fill(kept);
        try {
            kept.commitAsNew();
            return path;
        } catch (const FileError &) {
            if (attempt >= 20 || !QFileInfo::exists(path))
                throw;
        }
    }
}

// Keeps the newest safety copies of target; their names sort by date.
void pruneSafetyCopies(const QString &target)
{
    const QFileInfo info(target);
    const QRegularExpression pattern(
        QStringLiteral("^%1\\.\\d{8}-\\d{6}(-\\d+)?\\.bak$").arg(QRegularExpression::escape(info.fileName())));
    QStringList copies;
    for (const QString &name : info.absoluteDir().entryList(QDir::Files))
        if (pattern.match(name).hasMatch())
            copies << name;
    std::sort(copies.begin(), copies.end(), [](const QString &a, const QString &b) {
        // "...-HHmmss.bak" before "...-HHmmss-2.bak"
        return a.size() != b.size() && a.left(a.size() - 4) == b.left(a.size() - 4) ? a.size() < b.size() : a < b;
    });
    for (qsizetype i = 0; i + kKeptSafetyCopies < copies.size(); ++i)
        QFile::remove(info.absoluteDir().filePath(copies[i]));
}

void requireFile(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw FileError(QStringLiteral(u"找不到文件：%1").arg(native(path)));
    if (!info.isFile())
        throw FileError(QStringLiteral(u"%1 不是文件").arg(native(path)));
}

// The server a data.mdb points to; none for a file that is no database
// of ours (its own checks then say why) or whose pointer is damaged (a
// restore replaces it; a backup refuses it, see backupDatabase).
std::optional<ServerAddress> sharedServerOf(const QString &dataMdb)
{
    if (!QFileInfo(dataMdb).isFile())
        return std::nullopt;
    try {
        return shared_store::serverOf(dataMdb);
    } catch (const DbError &) {
        return std::nullopt;
    }
}

// Whether a database file holds a shared-store pointer, readable or not.
bool holdsPointer(const QString &dataMdb)
{
    if (!QFileInfo(dataMdb).isFile() || !opensAsDatabase(dataMdb))
        return false;
    SqliteFile file(dataMdb, false);
    return !file.column(statements::schemaObjectKind(shared_store::kPointerTable)).isEmpty();
}

// A shared store's data into a fresh file at dest, in the format of a
// local backup (an SQLite file of the tables).
void copyServerInto(const ServerAddress &server, const QString &dest)
{
    Connection remote(QStringLiteral("backup.server"));
    remote.openServer(server);
    Connection file(QStringLiteral("backup.file"));
    file.openFile(dest); // SafeFile's empty temporary is an empty SQLite database
    shared_store::copyStore(remote, file);
}

} // namespace

void checkProgramDatabase(const QString &path)
{
    SqliteFile file(path, false);
    QStringList problems;
    try {
        problems = file.column(statements::integrityCheck());
    } catch (const DbError &error) {
        throw DbError(QStringLiteral(u"%1 已损坏或不是数据库文件：%2").arg(native(path), error.text()));
    }
    if (problems != QStringList{QStringLiteral("ok")})
        throw DbError(
            QStringLiteral(u"%1 已损坏：%2").arg(native(path), problems.mid(0, 3).join(QStringLiteral("; "))));
    const QString missing = schema::missingPart([&](const QString &table) {
        // A view of that name is no table of ours.
        if (file.column(statements::schemaObjectKind(table)) != QStringList{QStringLiteral("table")})
            return QStringList();
        return file.column(statements::tableColumns(table, Backend::Sqlite));
    });
    if (!missing.isEmpty())
        throw DbError(QStringLiteral(u"%1 不是本软件的数据库文件：%2").arg(native(path), missing));
}

BackupContents describeBackup(const QString &path)
{
    requireFile(path);
    checkProgramDatabase(path);
    SqliteFile file(path, false);
    const auto count = [&](const QString &table) {
        return int(file.column(statements::selectWhere(table, {schema::col::kRecipientName}, {})).size());
    };
    return {QFileInfo(path).lastModified(), count(schema::kRecipientTable), count(schema::kImportedTable)};
}

void backupDatabase(const QString &source, const QString &target)
{
    if (!QFileInfo(source).isFile())
        throw FileError(QStringLiteral(u"找不到数据库文件 %1").arg(native(source)));
    SafeFile out(target);
    // What fails while reading names data.mdb; what fails while writing
    // names the backup file the user chose, never the temporary beside it.
    const auto named = [&](const AppError &error, const QString &instead) {
        return QString(error.text()).replace(native(out.tempPath()), native(instead));
    };
    try {
        const std::optional<ServerAddress> server = sharedServerOf(source);
        // A pointer that is there but damaged: the folder's data are on a
        // server nobody can name and the local tables are stale; reading
        // the pointer again says why.
        if (!server && holdsPointer(source))
            shared_store::serverOf(source);
        if (server)
            copyServerInto(*server, out.tempPath());
        else
            // Opened writable (never created) so that SQLite can roll back a
            // journal left by a crashed writer before it copies.
            copyInto(source, true, out.tempPath());
    } catch (const DbError &error) {
        throw DbError(QStringLiteral(u"未做备份（原有的备份文件保持不变）：%1").arg(named(error, target)));
    }
    try {
        // The copy is what the backup holds, so the copy is checked.
        checkProgramDatabase(out.tempPath());
    } catch (const DbError &error) {
        throw DbError(QStringLiteral(u"未做备份（原有的备份文件保持不变）：%1").arg(named(error, source)));
    }
    try {
        out.commit();
    } catch (const FileError &error) {
        throw FileError(QStringLiteral(u"未做备份（原有的备份文件保持不变）：%1").arg(named(error, target)));
    }
}

RestoreResult restoreDatabase(const QString &source, const QString &target)
{
    requireFile(source);
    RestoreResult result;
    // A private copy of the source is checked, so that neither a change to
    // the source meanwhile nor a source that is data.mdb itself can matter.
    SafeFile copied(target);
    copyInto(source, false, copied.tempPath());
    try {
        checkProgramDatabase(copied.tempPath());
    } catch (const DbError &error) {
        throw DbError(QString(error.text()).replace(native(copied.tempPath()), native(source)));
    }
    // What is loaded is a fresh file holding only the program's tables,
    // filled from the copy row by row as data.
    SafeFile staged(target);
    schema::createTables(staged.tempPath(), target);
    {
        Connection from(QStringLiteral("restore.backup"));
        from.openFile(copied.tempPath());
        result.sharedBackup = from.hasTable(shared_store::kPointerTable);
        result.leftOut = shared_store::unknownParts(from);
        Connection clean(QStringLiteral("restore.clean"));
        clean.openFile(staged.tempPath());
        try {
            shared_store::copyStore(from, clean);
        } catch (const DbError &error) {
            throw DbError(
                QStringLiteral(u"备份文件 %1 无法恢复，当前的数据没有改动：%2")
                    .arg(native(source), QString(error.text()).replace(native(copied.tempPath()), native(source))));
        }
    }

    QString safety;
    if (const std::optional<ServerAddress> server = sharedServerOf(target)) {
        // Shared: the server's data are kept beside data.mdb first, then
        // replaced by the checked copy's in one transaction of the server.
        safety = keepSafetyCopy(target, [&](SafeFile &kept) { copyServerInto(*server, kept.tempPath()); });
        Connection file(QStringLiteral("restore.file"));
        file.openFile(staged.tempPath());
        Connection remote(QStringLiteral("restore.server"));
        remote.openServer(*server);
        shared_store::copyStore(file, remote);
    } else if (!QFileInfo::exists(target)) {
        staged.commit();
    } else if (opensAsDatabase(target)) {
        safety = keepSafetyCopy(target, [&](SafeFile &kept) { copyInto(target, true, kept.tempPath()); });
        SqliteFile from(staged.tempPath(), false);
        SqliteFile into(target, true);
        copyPages(from, into);
    } else {
        // data.mdb is no database at all: keep its bytes, set any journal
        // beside it aside so that it can never be played into the restored
        // file, and put the checked copy in its place.
        QFile damaged(target);
        if (!damaged.open(QIODevice::ReadOnly))
            throw FileError(QStringLiteral(u"无法读取 %1：%2").arg(native(target), damaged.errorString()));
        const QByteArray bytes = damaged.readAll(); // once: a second name is tried with the same bytes
        safety = keepSafetyCopy(target, [&](SafeFile &kept) { kept.write(bytes); });
        const QString journal = target + QStringLiteral("-journal");
        if (QFileInfo::exists(journal) && !QFile::rename(journal, safety + QStringLiteral("-journal")))
            throw FileError(QStringLiteral(u"无法移开日志文件 %1").arg(native(journal)));
        staged.commit();
    }
    pruneSafetyCopies(target);
    Connection::forgetCheck(target); // its content is the checked copy's now
    result.safetyCopy = safety;
    return result;
}

QString restoreNotes(const RestoreResult &result)
{
    QString notes;
    if (!result.safetyCopy.isEmpty())
        notes += QStringLiteral(u"\n\n恢复前的数据已另存为 %1，如恢复错了可以用它再恢复回来。")
                     .arg(native(result.safetyCopy));
    if (!result.leftOut.isEmpty())
        notes +=
            QStringLiteral(u"\n\n备份中有本版本不认识的内容，没有恢复：%1%2。这个备份可能是较新版本的软件做的"
                           u"（或被别的程序改过）；要保留这些内容，请用较新的版本恢复。")
                .arg(QStringList(result.leftOut.mid(0, 10)).join(QStringLiteral(u"、")),
                     result.leftOut.size() > 10 ? QStringLiteral(u" 等 %1 项").arg(result.leftOut.size()) : QString());
    if (result.sharedBackup)
        notes += QStringLiteral(u"\n\n这个备份是在几台电脑共用数据时做的，已恢复为本机数据；"
                                u"要再次共用，请按说明运行 waybill share。");
    return notes;
}
