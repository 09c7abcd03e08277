#pragma once
// Shared helpers for the tests: a temporary working directory holding a
// fresh data.mdb, and direct SQL access that bypasses the code under test.

#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QTemporaryDir>
#include <QUuid>
#include <QVariant>

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
    explicit RawDb(const QString &path)
        : m_name(QStringLiteral("raw-") + QUuid::createUuid().toString())
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
