#include "store/schema.h"

#include "common/safe_file.h"
#include "store/db_error.h"
#include "store/sqlite_failure.h"
#include "store/statements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace schema {

const QStringList &senderColumns()
{
    static const QStringList columns{col::kCompany,  col::kSenderName, col::kOrigin, col::kSenderAddress,
                                     col::kPostcode, col::kPhone,      col::kMobile, col::kSignature,
                                     col::kYear,     col::kMonth,      col::kDay};
    return columns;
}

const QStringList &recipientColumns()
{
    static const QStringList columns{col::kCompany,  col::kRecipientName, col::kDestination, col::kRecipientAddress,
                                     col::kPostcode, col::kPhone,         col::kMobile,      col::kContents,
                                     col::kQuantity, col::kRemarks};
    return columns;
}

const QStringList &columnsOf(const QString &table)
{
    if (table == kSenderTable)
        return senderColumns();
    if (table == kRecipientTable || table == kImportedTable)
        return recipientColumns();
    throw DbError(QStringLiteral(u"未知的数据表：%1").arg(table));
}

const QStringList &tables()
{
    static const QStringList names{kSenderTable, kRecipientTable, kImportedTable};
    return names;
}

QString missingPart(const std::function<QStringList(const QString &table)> &columnsOfTable)
{
    for (const QString &table : tables()) {
        const QStringList columns = columnsOfTable(table);
        if (columns.isEmpty())
            return QStringLiteral(u"缺少数据表 %1").arg(table);
        for (const QString &column : columnsOf(table))
            if (!columns.contains(column))
                return QStringLiteral(u"数据表 %1 缺少字段 %2").arg(table, column);
    }
    return {};
}

namespace {

// Builds the tables into a fresh file at tempPath; a failure names
// shownAs, the file the user knows.
void buildTables(const QString &tempPath, const QString &givenName)
{
    const QString shownAs = givenName.isEmpty() ? tempPath : givenName;
    const QString name = QStringLiteral("create-") + QUuid::createUuid().toString();
    QString failure;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(tempPath);
        const auto told = [&](const QSqlError &error) {
            const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
            return sqliteFailureText(sqliteCodeOf(db, error), detail.trimmed(), shownAs);
        };
        if (!db.open()) {
            failure = told(db.lastError());
        } else {
            QSqlQuery query(db);
            for (const QString &table : tables()) {
                if (!query.exec(statements::createTable(table, columnsOf(table)))) {
                    failure = told(query.lastError());
                    break;
                }
            }
            query.finish();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (!failure.isEmpty())
        throw DbError(failure);
}

} // namespace

void createTables(const QString &freshFile, const QString &shownAs)
{
    buildTables(freshFile, shownAs);
}

void createEmptyDatabase(const QString &path)
{
    const QFileInfo target(path);
    if (target.exists())
        throw DbError(QStringLiteral(u"数据库文件已存在，未做任何改动：%1")
                          .arg(QDir::toNativeSeparators(target.absoluteFilePath())));
    try {
        SafeFile file(target.absoluteFilePath());
        buildTables(file.tempPath(), target.absoluteFilePath());
        // Never replaces a file that appeared meanwhile.
        file.commitAsNew();
    } catch (const FileError &error) {
        throw DbError(QStringLiteral(u"无法创建数据库文件：%1").arg(error.text()));
    }
}

} // namespace schema
