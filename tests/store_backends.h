#pragma once
// Cases that run once on each store: the local data.mdb and a shared
// database on the suite's PostgreSQL server (tests/server_support.h).

#include "server_support.h"
#include "store/shared_store.h"
#include "test_support.h"

#include <QtTest>
#include <optional>

// A working folder with an empty store: data.mdb itself, or a fresh
// database on the test server that data.mdb points to.
struct Store {
    explicit Store(const QString &backend)
    {
        if (backend == QStringLiteral("postgresql")) {
            server = TestServer::freshDatabase();
            shared_store::share(dir.dbPath(), *server);
        }
    }
    TempWorkdir dir;
    std::optional<ServerAddress> server;
};

inline void addBackends()
{
    QTest::addColumn<QString>("backend");
    QTest::newRow("sqlite") << QStringLiteral("sqlite");
    QTest::newRow("postgresql") << QStringLiteral("postgresql");
}

#define REQUIRE_SERVER()                                                                                               \
    if (!TestServer::available())                                                                                      \
        QSKIP("no PostgreSQL test server (run through ctest)");
#define REQUIRE_BACKEND(backend)                                                                                       \
    if ((backend) == QStringLiteral("postgresql"))                                                                     \
        REQUIRE_SERVER();
