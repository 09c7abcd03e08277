#pragma once
// The PostgreSQL server the test suite starts (tools/pg_test_server.sh, a
// CTest fixture): its folder comes in WAYBILL_TEST_PG_DIR. Each test gets
// a fresh database of its own on it.

#include "store/server_address.h"

#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

class TestServer {
public:
    // Whether the suite's server runs (false when a test program is run by
    // hand without it).
    static bool available() { return QFile::exists(folder() + QStringLiteral("/port")); }

    static QString folder() { return qEnvironmentVariable("WAYBILL_TEST_PG_DIR"); }
    static int port()
    {
        QFile file(folder() + QStringLiteral("/port"));
        file.open(QIODevice::ReadOnly);
        return file.readAll().trimmed().toInt();
    }
    // Lets libpq (here and in the programs the tests start) find the password.
    static void usePasswordFile() { qputenv("PGPASSFILE", QFile::encodeName(folder() + QStringLiteral("/pgpass"))); }

    static ServerAddress address(const QString &database)
    {
        return {QStringLiteral("waybill_test"), QStringLiteral("127.0.0.1"), port(), database, {}};
    }

    // A new, empty database on the server.
    static ServerAddress freshDatabase()
    {
        const QString name = QStringLiteral("t_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
        admin(QStringLiteral("create database %1").arg(name));
        return address(name);
    }

    // Runs a statement on the server's maintenance database.
    static bool admin(const QString &sql)
    {
        usePasswordFile();
        const QString connection = QStringLiteral("admin-") + QUuid::createUuid().toString();
        bool ok = false;
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
            db.setHostName(QStringLiteral("127.0.0.1"));
            db.setPort(port());
            db.setUserName(QStringLiteral("waybill_test"));
            db.setDatabaseName(QStringLiteral("postgres"));
            if (db.open()) {
                QSqlQuery query(db);
                ok = query.exec(sql);
                if (!ok)
                    qWarning("%s", qPrintable(query.lastError().text()));
            } else {
                qWarning("%s", qPrintable(db.lastError().text()));
            }
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
        return ok;
    }
};
