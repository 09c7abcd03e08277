#include "cli/commands.h"
#include "store/jet_database.h"
#include <QFileInfo>

#include "backup/database_file.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/db_error.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "xls/export.h"

#include <QDir>

namespace {

// The one argument of a file command: a name, never an option.
QString oneName(const QStringList &args)
{
    if (args.size() != 1 || args.first().isEmpty())
        throw UsageError(QStringLiteral(u"需要一个文件名"));
    if (args.first().startsWith(QLatin1Char('-')))
        throw UsageError(QStringLiteral(u"无法识别的参数：%1").arg(args.first()));
    return args.first();
}

} // namespace

int runExport(const QStringList &args, CliStreams &io)
{
    const QString target = exportFileName(oneName(args));
    Connection connection(QStringLiteral("cli.export"));
    Dataset sender(connection, QStringLiteral("ADOQuery1"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&sender, schema::kSenderTable}, {&list, schema::kRecipientTable}});
    const QString replaced = replacedCharactersText(exportDataset(list, target));
    io.out << QStringLiteral(u"成功导出全部数据！共 %1 行：%2\n")
                  .arg(list.rowCount())
                  .arg(QDir::toNativeSeparators(target));
    if (!replaced.isEmpty())
        io.out << replaced << '\n';
    return exit_status::kOk;
}

int runBackup(const QStringList &args, CliStreams &io)
{
    const QString target = oneName(args) + QStringLiteral(".bak");
    try {
        backupDatabase(Connection::currentFilePath(), target);
    } catch (const AppError &error) {
        io.err << QStringLiteral(u"数据备份失败，请重试！\n");
        throw;
    }
    io.out << QStringLiteral(u"数据备份成功！%1\n").arg(QDir::toNativeSeparators(target));
    return exit_status::kOk;
}

int runRestore(const QStringList &args, CliStreams &io)
{
    const QString source = oneName(args);
    RestoreResult restored;
    try {
        restored = restoreDatabase(source, Connection::currentFilePath());
    } catch (const AppError &error) {
        io.err << QStringLiteral(u"数据恢复失败，请重试！\n");
        throw;
    }
    io.out << QStringLiteral(u"数据恢复成功！")
           << restoreNotes(restored).replace(QStringLiteral("\n\n"), QStringLiteral("\n")) << '\n';
    return exit_status::kOk;
}

int runMigrate(const QStringList &args, CliStreams &io)
{
    const bool partial = args == QStringList{QStringLiteral("--partial")};
    if (!args.isEmpty() && !partial)
        throw UsageError(QStringLiteral(u"migrate 只接受 --partial：转换数据文件（或 --data 给出的文件）"));
    const QString path = Connection::currentFilePath(); // exists (DataUse::Existing)
    try {
        io.out << migrationText(migrateJetDatabase(path, partial ? JetCarry::WhatCanBeRead : JetCarry::Whole)) << '\n';
    } catch (const JetDamage &damage) {
        throw AppError(damage.text()
                       + QStringLiteral(u"\n要只转换能读出的内容（读不出的行不会找回，原文件照样保留），"
                                        u"请运行 waybill migrate --partial。"));
    }
    return exit_status::kOk;
}
