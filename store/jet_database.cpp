#include "store/jet_database.h"

#include "common/error.h"
#include "common/safe_file.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <mdbtools.h>
#include <memory>

namespace {

struct JetTable {
    QString name;
    bool present = false;
    QStringList columns;
    std::vector<QStringList> rows;
};

// One table of an open Jet file, every value as text.
JetTable readTable(MdbHandle *mdb, const QString &name)
{
    JetTable result;
    result.name = name;
    QByteArray utf8 = name.toUtf8();
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef *)> table(mdb_read_table_by_name(mdb, utf8.data(), MDB_TABLE),
                                                                mdb_free_tabledef);
    if (!table)
        return result;
    result.present = true;
    if (!mdb_read_columns(table.get()) || mdb_rewind_table(table.get()) != 0)
        throw AppError(QStringLiteral(u"旧数据文件中的表 %1 已损坏，无法读取。").arg(name));
    const int count = int(table->num_cols);
    std::vector<std::vector<char>> values(size_t(count), std::vector<char>(MDB_BIND_SIZE + 1));
    std::vector<int> lengths(static_cast<size_t>(count), 0);
    for (int i = 0; i < count; ++i) {
        const auto *column = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        result.columns << QString::fromUtf8(column->name);
        mdb_bind_column(table.get(), i + 1, values[size_t(i)].data(), &lengths[size_t(i)]);
    }
    while (mdb_fetch_row(table.get())) {
        QStringList row;
        for (int i = 0; i < count; ++i)
            row << QString::fromUtf8(values[size_t(i)].data(), lengths[size_t(i)]);
        result.rows.push_back(row);
    }
    return result;
}

QList<JetTable> readJet(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    std::unique_ptr<MdbHandle, void (*)(MdbHandle *)> mdb(mdb_open(name.constData(), MDB_NOFLAGS), mdb_close);
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE))
        throw AppError(QStringLiteral(u"旧数据文件 %1 已损坏，无法读取，未做任何改动。").arg(path));
    mdb_set_bind_size(mdb.get(), MDB_BIND_SIZE);
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    QList<JetTable> tables;
    for (const QString &table : schema::tables())
        tables << readTable(mdb.get(), table);
    return tables;
}

} // namespace

bool isJetDatabase(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB";
}

JetMigration migrateJetDatabase(const QString &path)
{
    if (!isJetDatabase(path))
        throw AppError(QStringLiteral(u"%1 不是旧版（Windows 版）的数据文件，未做任何改动。").arg(path));
    const QList<JetTable> tables = readJet(path); // everything read before anything changes
    JetMigration migration;
    SafeFile target(QFileInfo(path).absoluteFilePath());
    schema::createTables(target.tempPath());
    {
        const QString connection = QStringLiteral("jet-migration-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(target.tempPath());
            if (!db.open() || !db.transaction())
                throw AppError(QStringLiteral(u"无法写入新的数据文件：%1").arg(db.lastError().text()));
            QSqlQuery query(db);
            const auto run = [&](const QString &sql, const QVariantList &values = {}) {
                query.prepare(sql);
                for (const QVariant &value : values)
                    query.addBindValue(value);
                if (!query.exec())
                    throw AppError(QStringLiteral(u"无法写入新的数据文件：%1").arg(query.lastError().text()));
            };
            for (const JetTable &table : tables) {
                if (!table.present) {
                    migration.missing << table.name;
                    continue;
                }
                // The described columns first, then the file's own others.
                QStringList columns = schema::columnsOf(table.name);
                for (const QString &column : table.columns)
                    if (!columns.contains(column)) {
                        run(statements::addTextColumn(table.name, column));
                        columns << column;
                        migration.extraColumns << table.name + QLatin1Char('.') + column;
                    }
                QList<int> from;
                for (const QString &column : columns)
                    from << int(table.columns.indexOf(column));
                const QString insert = statements::insertRow(table.name, columns);
                for (const QStringList &row : table.rows) {
                    QVariantList values;
                    for (int at : from)
                        values << (at < 0 ? QVariant(QString()) : QVariant(row.value(at)));
                    run(insert, values);
                }
                migration.rows << QPair{table.name, int(table.rows.size())};
            }
            if (!db.commit())
                throw AppError(QStringLiteral(u"无法写入新的数据文件：%1").arg(db.lastError().text()));
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    // The original stays beside the new file, then the new one takes its name in one step.
    migration.backup = path + QStringLiteral(".jet-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".bak");
    if (!QFile::copy(path, migration.backup))
        throw AppError(QStringLiteral(u"无法保留原文件为 %1，未做任何改动。").arg(migration.backup));
    target.commit();
    return migration;
}

QString migrationText(const JetMigration &migration)
{
    QStringList counts;
    for (const auto &[table, rows] : migration.rows)
        counts << QStringLiteral(u"%1 %2 行").arg(table).arg(rows);
    QString text = QStringLiteral(u"已把旧数据文件转换为本软件的格式：%1。").arg(counts.join(QStringLiteral(u"，")));
    if (!migration.missing.isEmpty())
        text += QStringLiteral(u"旧文件中没有的表已建为空表：%1。").arg(migration.missing.join(QStringLiteral(u"、")));
    if (!migration.extraColumns.isEmpty())
        text += QStringLiteral(u"另外保留的列：%1。").arg(migration.extraColumns.join(QStringLiteral(u"、")));
    text += QStringLiteral(u"原文件保留为 %1。").arg(migration.backup);
    return text;
}
