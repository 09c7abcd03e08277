#pragma once
// Shared helpers for the tests: a temporary working directory holding a
// fresh data.mdb, and direct SQL access that bypasses the code under test.

#include "store/schema.h"
#include "store/text_table.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>
#include <QXmlStreamReader>
#include <sqlite3.h>

class TempWorkdir {
public:
    explicit TempWorkdir(bool withDatabase = true) : m_previous(QDir::currentPath())
    {
        QDir::setCurrent(m_dir.path());
        if (withDatabase)
            schema::createEmptyDatabase(dbPath());
    }
    ~TempWorkdir() { QDir::setCurrent(m_previous); }

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }
    QString dbPath() const { return file(schema::kDatabaseFileName); }

private:
    QTemporaryDir m_dir;
    QString m_previous;
};

// Runs statements on a database file through a connection of its own.
class RawDb {
public:
    explicit RawDb(const QString &path) : m_name(QStringLiteral("raw-") + QUuid::createUuid().toString())
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(path);
        db.open();
    }
    ~RawDb()
    {
        QSqlDatabase::database(m_name).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    bool exec(const QString &sql, const QVariantList &params = {})
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        query.prepare(sql);
        for (const QVariant &param : params)
            query.addBindValue(param);
        return query.exec();
    }
    // All rows of a query, each row's columns joined by '|'.
    QStringList rows(const QString &sql)
    {
        QSqlQuery query(QSqlDatabase::database(m_name));
        QStringList result;
        if (!query.exec(sql))
            return {QStringLiteral("ERROR")};
        while (query.next()) {
            QStringList values;
            for (int i = 0; i < query.record().count(); ++i)
                values << query.value(i).toString();
            result << values.join(QLatin1Char('|'));
        }
        return result;
    }
    // Adds a recipient row with the given name and mobile number.
    void addRecipient(const QString &table, const QString &name, const QString &mobile,
                      const QString &address = QStringLiteral(u"地址"))
    {
        exec(QStringLiteral("insert into %1 (收件人姓名, 收件地址, 手机号码) values (?, ?, ?)").arg(table),
             {name, address, mobile});
    }

private:
    QString m_name;
};

// What a run of the program's command line printed and returned.
struct Run {
    int status;
    QString out;
    QString err;
};

// The texts of one row of a table.
inline QStringList rowOf(const TextTable &table, qsizetype r)
{
    QStringList texts;
    for (int c = 0; c < table.width(); ++c)
        texts << table.cell(r, c).toString();
    return texts;
}

// Runs the program's command line in a working directory and waits for it.
inline Run runWaybill(const QStringList &args, const QString &workdir,
                      const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setWorkingDirectory(workdir);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(WAYBILL_BINARY), args);
    process.waitForFinished(120000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// A home folder of its own for the program: its user's data folder
// (XDG_DATA_HOME) and config folder (XDG_CONFIG_HOME) are empty folders of
// a temporary directory.
class ScratchHome {
public:
    ScratchHome()
    {
        m_environment.insert(QStringLiteral("HOME"), m_dir.path());
        m_environment.insert(QStringLiteral("XDG_DATA_HOME"), m_dir.filePath(QStringLiteral("share")));
        m_environment.insert(QStringLiteral("XDG_CONFIG_HOME"), m_dir.filePath(QStringLiteral("config")));
    }
    QString path() const { return m_dir.path(); }
    // data.mdb of the user's data folder.
    QString userDataFile() const { return m_dir.filePath(QStringLiteral("share/waybill/data.mdb")); }
    const QProcessEnvironment &environment() const { return m_environment; }

private:
    QTemporaryDir m_dir;
    QProcessEnvironment m_environment = QProcessEnvironment::systemEnvironment();
};

// A word of a PDF page as pdftotext -bbox places it, millimetres from the
// page's top-left corner.
struct Word {
    QString text;
    double left;
    double top;
    double right = 0;
};

// The words of every page of a PDF.
inline QList<QList<Word>> pdfWords(const QString &pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    process.waitForFinished(60000);
    QXmlStreamReader xml(process.readAllStandardOutput());
    QList<QList<Word>> pages;
    constexpr double mmPerPoint = 25.4 / 72;
    const auto mm = [&](const char *name) {
        return xml.attributes().value(QLatin1String(name)).toDouble() * mmPerPoint;
    };
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == QLatin1String("page")) {
            pages.append(QList<Word>());
        } else if (xml.name() == QLatin1String("word")) {
            const double left = mm("xMin");
            const double top = mm("yMin");
            const double right = mm("xMax");
            pages.last().append({xml.readElementText(), left, top, right});
        }
    }
    return pages;
}

inline QByteArray readAll(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

inline void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
}

// Every row of the three tables, each as "table|col|col|...", in order.
inline QStringList databaseContent(const QString &path)
{
    RawDb raw(path);
    QStringList rows;
    for (const QString &table : {schema::kSenderTable, schema::kRecipientTable, schema::kImportedTable})
        for (const QString &row : raw.rows(QStringLiteral("select * from %1 order by rowid").arg(table)))
            rows << table + QLatin1Char('|') + row;
    return rows;
}

// Fills data.mdb with 400 recipients, then zeroes one page of the list as
// a failing disk leaves it; returns the damaged file's bytes.
inline QByteArray damageDatabase(const QString &path)
{
    {
        RawDb raw(path);
        raw.exec(QStringLiteral("begin"));
        for (int i = 0; i < 400; ++i)
            raw.addRecipient(schema::kRecipientTable, QString(100, QLatin1Char('x')), QString::number(i));
        raw.exec(QStringLiteral("commit"));
    }
    QByteArray bytes = readAll(path);
    bytes.replace(4096 * 3, 4096, QByteArray(4096, '\0'));
    writeAll(path, bytes);
    return bytes;
}

// The result of SQLite's integrity check ("ok" for a sound file).
inline QString integrityOf(const QString &path)
{
    return RawDb(path).rows(QStringLiteral("pragma integrity_check")).join(QLatin1Char(';'));
}

// Fills a recipient table with count rows named prefix1, prefix2, ...
inline void fillRecipients(const QString &path, const QString &table, int count, const QString &prefix)
{
    RawDb raw(path);
    raw.exec(QStringLiteral("begin"));
    for (int i = 1; i <= count; ++i)
        raw.exec(QStringLiteral("insert into %1 (收件人姓名, 收件地址, 手机号码, 备注) values (?, ?, ?, ?)").arg(table),
                 {prefix + QString::number(i), QStringLiteral(u"北京市朝阳区建国路88号"), QStringLiteral("13800000000"),
                  QString(40, QLatin1Char('x'))});
    raw.exec(QStringLiteral("commit"));
}

// Leaves in toDir the files a writer killed in the middle of a transaction
// leaves: data.mdb holding uncommitted pages and the hot journal beside it
// holding the committed ones. The source database is left as it was.
inline void makeCrashImage(const QString &dbPath, const QString &toDir)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(dbPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    // A tiny page cache makes SQLite write changed pages into the file
    // before the commit, as a long import does.
    sqlite3_exec(db, "pragma cache_size = 2; begin; update inrxx set 备注 = hex(randomblob(60)); delete from excel;",
                 nullptr, nullptr, nullptr);
    const QString target = QDir(toDir).filePath(schema::kDatabaseFileName);
    QFile::remove(target);
    QFile::remove(target + QStringLiteral("-journal"));
    QFile::copy(dbPath, target);
    QFile::copy(dbPath + QStringLiteral("-journal"), target + QStringLiteral("-journal"));
    sqlite3_exec(db, "rollback", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Overwrites the pages after the first with zeros: the header still reads
// as a database, its tables are unreadable.
inline void zeroDataPages(const QString &path)
{
    QByteArray bytes = readAll(path);
    const int pageSize =
        (quint8(bytes[16]) << 8 | quint8(bytes[17])) == 1 ? 65536 : (quint8(bytes[16]) << 8 | quint8(bytes[17]));
    for (qsizetype i = pageSize; i < bytes.size(); ++i)
        bytes[i] = 0;
    writeAll(path, bytes);
}
