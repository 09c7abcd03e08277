#pragma once
// Where a shared store lives: a PostgreSQL database given as
// postgresql://USER@HOST[:PORT]/DBNAME. The password is never part of it:
// libpq finds it in its own places (the password file ~/.pgpass or
// PGPASSFILE, a service file), so that neither data.mdb nor the command
// line ever holds it. The one option accepted is ?sslmode=require or
// ?sslmode=verify-full, to require an encrypted connection.

#include <QString>

struct ServerAddress {
    QString user;
    QString host;
    int port = 5432;
    QString database;
    QString sslMode; // empty, "require" or "verify-full" (?sslmode=… after the name)

    // Throws AppError saying what is wrong with the text.
    static ServerAddress parse(const QString &url);
    // The address as the user writes it.
    QString url() const;
    // What is wrong with libpq's password file (~/.pgpass or PGPASSFILE)
    // that makes libpq ignore it, and how to mend it; empty when nothing is.
    static QString passwordFileProblem();
    bool operator==(const ServerAddress &other) const = default;
};
