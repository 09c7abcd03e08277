#include "cli/commands.h"

#include "backup/database_file.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/db_error.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "xls/export.h"

#include <QDir>

namespace {

// Runs work, turning any failure into a message and exit status 1.
template <class Work> int reported(CliStreams &io, Work &&work)
{
    try {
        work();
        return exit_status::kOk;
    } catch (const DbError &error) {
        io.err << error.text() << '\n';
    } catch (const std::exception &error) {
        io.err << QString::fromUtf8(error.what()) << '\n';
    }
    return exit_status::kFailure;
}

bool oneArgument(const QStringList &args, const QString &usage, CliStreams &io)
{
    if (args.size() == 1 && !args.first().isEmpty())
        return true;
    io.err << QStringLiteral(u"用法：waybill %1\n").arg(usage);
    return false;
}

} // namespace

int runExport(const QStringList &args, CliStreams &io)
{
    if (!oneArgument(args, QStringLiteral("export FILE"), io))
        return exit_status::kUsage;
    QString target = args.first();
    if (!target.endsWith(QStringLiteral(".xls"), Qt::CaseInsensitive))
        target += QStringLiteral(".xls");
    return reported(io, [&] {
        Connection connection(QStringLiteral("cli.export"));
        Dataset sender(connection, QStringLiteral("ADOQuery1"));
        Dataset list(connection, QStringLiteral("ADOQuery2"));
        reopen(connection, {{&sender, schema::kSenderTable}, {&list, schema::kRecipientTable}});
        exportDataset(list, target);
        io.out << QStringLiteral(u"成功导出全部数据！共 %1 行：%2\n").arg(list.rowCount()).arg(QDir::toNativeSeparators(target));
    });
}

int runBackup(const QStringList &args, CliStreams &io)
{
    if (!oneArgument(args, QStringLiteral("backup NAME"), io))
        return exit_status::kUsage;
    const QString target = args.first() + QStringLiteral(".bak");
    const int status = reported(io, [&] { backupDatabase(Connection::currentFilePath(), target); });
    if (status == exit_status::kOk)
        io.out << QStringLiteral(u"数据备份成功！%1\n").arg(QDir::toNativeSeparators(target));
    else
        io.err << QStringLiteral(u"数据备份失败，请重试！\n");
    return status;
}

int runRestore(const QStringList &args, CliStreams &io)
{
    if (!oneArgument(args, QStringLiteral("restore FILE"), io))
        return exit_status::kUsage;
    const int status = reported(io, [&] { restoreDatabase(args.first(), Connection::currentFilePath()); });
    if (status == exit_status::kOk)
        io.out << QStringLiteral(u"数据恢复成功！\n");
    else
        io.err << QStringLiteral(u"数据恢复失败，请重试！\n");
    return status;
}
