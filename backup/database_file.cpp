#include "backup/database_file.h"

#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUrl>
#include <QUuid>
#include <cstdio>
#include <stdexcept>
#include <unistd.h>

namespace {

[[noreturn]] void fail(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}

// Copies source into a fresh temporary file in targetDir; returns its path.
QString copyBeside(const QString &source, const QString &targetDir)
{
    const QString temp = targetDir + QStringLiteral("/.copy-") + QUuid::createUuid().toString(QUuid::WithoutBraces)
        + QStringLiteral(".tmp");
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        fail(QStringLiteral(u"无法读取 %1：%2").arg(QDir::toNativeSeparators(source), in.errorString()));
    QFile out(temp);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        fail(QStringLiteral(u"无法写入 %1：%2").arg(QDir::toNativeSeparators(targetDir), out.errorString()));
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    bool ok = true;
    while (ok) {
        const qint64 read = in.read(buffer.data(), buffer.size());
        if (read < 0)
            ok = false;
        if (read <= 0)
            break;
        ok = out.write(buffer.constData(), read) == read;
    }
    // On disk before it replaces anything: a crash must not leave a
    // half-written data.mdb or backup behind.
    ok = ok && out.flush() && ::fsync(out.handle()) == 0;
    const QString error = out.errorString();
    out.close();
    if (!ok) {
        QFile::remove(temp);
        fail(QStringLiteral(u"复制失败（磁盘已满或无写入权限）：%1").arg(error));
    }
    return temp;
}

void replaceWith(const QString &temp, const QString &target)
{
    if (std::rename(QFile::encodeName(temp).constData(), QFile::encodeName(target).constData()) != 0) {
        QFile::remove(temp);
        fail(QStringLiteral(u"无法替换 %1").arg(QDir::toNativeSeparators(target)));
    }
}

} // namespace

void backupDatabase(const QString &source, const QString &target)
{
    const QFileInfo info(target);
    if (!QFileInfo(source).isFile())
        fail(QStringLiteral(u"找不到数据库文件 %1").arg(QDir::toNativeSeparators(source)));
    if (info.isDir())
        fail(QStringLiteral(u"%1 是一个文件夹").arg(QDir::toNativeSeparators(info.absoluteFilePath())));
    replaceWith(copyBeside(source, info.absolutePath()), info.absoluteFilePath());
}

bool isProgramDatabase(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return false;
    const QString name = QStringLiteral("check-") + QUuid::createUuid().toString();
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY"));
        db.setDatabaseName(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded)
                           + QStringLiteral("?mode=ro"));
        if (db.open()) {
            ok = true;
            QSqlQuery query(db);
            for (const QString &table : {schema::kSenderTable, schema::kRecipientTable, schema::kImportedTable}) {
                QStringList columns;
                if (query.exec(QStringLiteral("pragma table_info(`%1`)").arg(table)))
                    while (query.next())
                        columns << query.value(1).toString();
                for (const QString &column : schema::columnsOf(table))
                    ok = ok && columns.contains(column);
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    return ok;
}

void restoreDatabase(const QString &source, const QString &target)
{
    if (!isProgramDatabase(source))
        fail(QStringLiteral(u"%1 不是本软件的数据库文件").arg(QDir::toNativeSeparators(source)));
    const QFileInfo info(target);
    replaceWith(copyBeside(source, info.absolutePath()), info.absoluteFilePath());
}
