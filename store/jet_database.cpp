#include "store/jet_database.h"

#include "common/error.h"
#include "common/safe_file.h"
#include "common/stderr_capture.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "store/sqlite_failure.h"
#include "store/statements.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <mdbtools.h>
#include <memory>
#include <unistd.h>

namespace {

struct JetTable {
    QString name;
    bool present = false;
    unsigned declaredRows = 0; // as the table's definition says
    QStringList columns;
    std::vector<QStringList> rows;
};

// A value is read into a buffer of the bind size; one that fills it may have
// been cut, and the table is read again with a larger one. Memo values of
// the old program hold at most 65,535 characters (262,140 bytes in UTF-8).
constexpr size_t kFirstBindSize = 256 * 1024;
constexpr size_t kLargestBindSize = 16 * 1024 * 1024;

// Whether a name read from the file is text: a damaged definition gives
// control characters or bytes that are no UTF-8.
bool isReadableName(const QString &name)
{
    return !name.trimmed().isEmpty() && std::none_of(name.cbegin(), name.cend(), [](QChar c) {
        return c.category() == QChar::Other_Control || c == QChar::ReplacementCharacter || c.isSurrogate();
    });
}

// Reads every row of an open table with values of at most bindSize bytes;
// false when a value filled its buffer (it may have been cut).
bool readRows(MdbHandle *mdb, MdbTableDef *table, size_t bindSize, JetTable &into)
{
    mdb_set_bind_size(mdb, bindSize);
    if (mdb_rewind_table(table) != 0)
        throw AppError(QStringLiteral(u"旧数据文件中的表 %1 已损坏，无法读取。").arg(into.name));
    const int count = int(table->num_cols);
    std::vector<std::vector<char>> values(size_t(count), std::vector<char>(bindSize + 1));
    std::vector<int> lengths(static_cast<size_t>(count), 0);
    for (int i = 0; i < count; ++i)
        mdb_bind_column(table, i + 1, values[size_t(i)].data(), &lengths[size_t(i)]);
    into.rows.clear();
    bool whole = true;
    while (mdb_fetch_row(table)) {
        QStringList row;
        for (int i = 0; i < count; ++i) {
            whole = whole && size_t(lengths[size_t(i)]) + 1 < bindSize;
            row << QString::fromUtf8(values[size_t(i)].data(), lengths[size_t(i)]);
        }
        into.rows.push_back(row);
    }
    return whole;
}

// One table of an open Jet file, every value as text and whole.
JetTable readTable(MdbHandle *mdb, const QString &name, QStringList &findings)
{
    JetTable result;
    result.name = name;
    QByteArray utf8 = name.toUtf8();
    std::unique_ptr<MdbTableDef, void (*)(MdbTableDef *)> table(mdb_read_table_by_name(mdb, utf8.data(), MDB_TABLE),
                                                                mdb_free_tabledef);
    if (!table)
        return result;
    result.present = true;
    result.declaredRows = table->num_rows;
    if (!mdb_read_columns(table.get()))
        throw AppError(QStringLiteral(u"旧数据文件中的表 %1 已损坏，无法读取。").arg(name));
    for (int i = 0; i < int(table->num_cols); ++i)
        result.columns << QString::fromUtf8(static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i))->name);
    size_t bindSize = kFirstBindSize;
    while (!readRows(mdb, table.get(), bindSize, result)) {
        if (bindSize >= kLargestBindSize) {
            findings << QStringLiteral(u"%1：有的值超过 %2 MB，只读出了前面部分").arg(name).arg(kLargestBindSize >> 20);
            break;
        }
        bindSize *= 4;
    }
    return result;
}

// What does not add up in a table as read.
QStringList findingsOf(const JetTable &table)
{
    QStringList findings;
    const auto rows = qsizetype(table.rows.size());
    if (rows < qsizetype(table.declaredRows))
        findings
            << QStringLiteral(u"%1：表头写有 %2 行，只读出 %3 行").arg(table.name).arg(table.declaredRows).arg(rows);
    else if (rows > qsizetype(table.declaredRows))
        findings
            << QStringLiteral(u"%1：表头写有 %2 行，却读出 %3 行").arg(table.name).arg(table.declaredRows).arg(rows);
    QStringList missing;
    for (const QString &column : schema::columnsOf(table.name))
        if (!table.columns.contains(column))
            missing << column;
    if (!missing.isEmpty())
        findings << QStringLiteral(u"%1：没有“%2”列").arg(table.name, missing.join(QStringLiteral(u"”“")));
    const auto unreadable = std::count_if(table.columns.cbegin(), table.columns.cend(),
                                          [](const QString &column) { return !isReadableName(column); });
    if (unreadable > 0)
        findings << QStringLiteral(u"%1：%2 列的名称无法读取").arg(table.name).arg(unreadable);
    return findings;
}

struct JetReading {
    QList<JetTable> tables;
    QStringList findings;
};

JetReading readJet(const QString &path)
{
    StderrCapture warnings;
    const QByteArray name = QFile::encodeName(path);
    std::unique_ptr<MdbHandle, void (*)(MdbHandle *)> mdb(mdb_open(name.constData(), MDB_NOFLAGS), mdb_close);
    if (!mdb || !mdb_read_catalog(mdb.get(), MDB_TABLE)) {
        const QStringList said = warnings.lines();
        throw AppError(QStringLiteral(u"旧数据文件 %1 已损坏，无法读取，未做任何改动。%2")
                           .arg(path,
                                said.isEmpty()
                                    ? QString()
                                    : QStringLiteral(u"（%1）").arg(said.mid(0, 3).join(QStringLiteral(u"；")))));
    }
    mdb_set_date_fmt(mdb.get(), "%Y-%m-%d %H:%M:%S");
    JetReading reading;
    for (const QString &table : schema::tables())
        reading.tables << readTable(mdb.get(), table, reading.findings);
    QStringList found;
    for (const JetTable &table : reading.tables)
        if (table.present)
            found << findingsOf(table);
    reading.findings = found + reading.findings;
    if (std::none_of(reading.tables.cbegin(), reading.tables.cend(),
                     [](const JetTable &table) { return table.present; }))
        reading.findings
            << QStringLiteral(u"找不到 %1 中的任何一个表").arg(schema::tables().join(QStringLiteral(u"、")));
    mdb.reset();
    const QStringList said = warnings.lines();
    if (!said.isEmpty())
        reading.findings << QStringLiteral(u"读取时的警告：%1").arg(said.mid(0, 5).join(QStringLiteral(u"；")));
    return reading;
}

// The original kept beside the new file, readable by the user only.
QString keepOriginal(const QString &path)
{
    const QString backup = path + QStringLiteral(".jet-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".bak");
    QFile original(path);
    if (!original.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral(u"无法读取 %1，未做任何改动。").arg(path));
    try {
        SafeFile copy(backup);
        while (!original.atEnd())
            copy.write(original.read(1 << 20));
        if (original.error() != QFileDevice::NoError)
            throw FileError(original.errorString());
        copy.commitAsNew();
    } catch (const FileError &error) {
        throw AppError(QStringLiteral(u"无法保留原文件为 %1（%2），未做任何改动。").arg(backup, error.text()));
    }
    return backup;
}

} // namespace

JetDamage::JetDamage(const QString &path, const QStringList &findings)
    : AppError(QStringLiteral(u"旧数据文件 %1 读出的内容对不上，可能已损坏，未做任何改动：\n%2")
                   .arg(path, findings.join(QLatin1Char('\n')))),
      m_findings(findings)
{
}

bool isJetDatabase(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(20);
    return head.mid(4, 15) == "Standard Jet DB" || head.mid(4, 15) == "Standard ACE DB";
}

JetMigration migrateJetDatabase(const QString &path, JetCarry carry)
{
    if (!isJetDatabase(path))
        throw AppError(QStringLiteral(u"%1 不是旧版（Windows 版）的数据文件，未做任何改动。").arg(path));
    const JetReading reading = readJet(path); // everything read before anything changes
    if (!reading.findings.isEmpty() && carry == JetCarry::Whole)
        throw JetDamage(path, reading.findings);
    const QList<JetTable> &tables = reading.tables;
    JetMigration migration;
    migration.findings = reading.findings;
    SafeFile target(QFileInfo(path).absoluteFilePath());
    try {
        schema::createTables(target.tempPath(), target.target());
    } catch (const DbError &error) {
        throw AppError(QStringLiteral(u"未转换，原文件没有改动：%1").arg(error.text()));
    }
    {
        const QString connection = QStringLiteral("jet-migration-") + QUuid::createUuid().toString();
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
            db.setDatabaseName(target.tempPath());
            // What fails names data.mdb, the file the user knows, never the
            // temporary beside it; the original is not changed yet.
            const auto failed = [&](const QSqlError &error) {
                return AppError(QStringLiteral(u"未转换，原文件没有改动：%1")
                                    .arg(sqliteFailureText(sqliteCodeOf(db, error), error.databaseText().trimmed(),
                                                           target.target())));
            };
            if (!db.open() || !db.transaction())
                throw failed(db.lastError());
            QSqlQuery query(db);
            const auto run = [&](const QString &sql, const QVariantList &values = {}) {
                query.prepare(sql);
                for (const QVariant &value : values)
                    query.addBindValue(value);
                if (!query.exec())
                    throw failed(query.lastError());
            };
            for (const JetTable &table : tables) {
                if (!table.present) {
                    migration.missing << table.name;
                    continue;
                }
                // The described columns first, then the file's own others.
                QStringList columns = schema::columnsOf(table.name);
                for (const QString &column : table.columns)
                    if (!columns.contains(column) && isReadableName(column)) {
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
                throw failed(db.lastError());
            db.close();
        }
        QSqlDatabase::removeDatabase(connection);
    }
    // The original stays beside the new file, then the new one takes its name
    // in one step, as the user's own file (not with the old file's mode).
    migration.backup = keepOriginal(path);
    target.commit(SafeFile::Mode::Private);
    return migration;
}

QString migrationText(const JetMigration &migration)
{
    QStringList counts;
    for (const auto &[table, rows] : migration.rows)
        counts << QStringLiteral(u"%1 %2 行").arg(table).arg(rows);
    QString text = migration.findings.isEmpty()
        ? QStringLiteral(u"已把旧数据文件转换为本软件的格式：%1。").arg(counts.join(QStringLiteral(u"，")))
        : QStringLiteral(u"已把旧数据文件中能读出的内容转换为本软件的格式：%1。读出的内容对不上的地方：%2。")
              .arg(counts.join(QStringLiteral(u"，")), migration.findings.join(QStringLiteral(u"；")));
    if (!migration.missing.isEmpty())
        text += (migration.findings.isEmpty() ? QStringLiteral(u"旧文件中没有的表已建为空表：%1。")
                                              : QStringLiteral(u"没有读出的表已建为空表：%1。"))
                    .arg(migration.missing.join(QStringLiteral(u"、")));
    if (!migration.extraColumns.isEmpty())
        text += QStringLiteral(u"另外保留的列：%1。").arg(migration.extraColumns.join(QStringLiteral(u"、")));
    text += QStringLiteral(u"原文件保留为 %1。").arg(migration.backup);
    return text;
}
