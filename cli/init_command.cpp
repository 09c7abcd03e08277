#include "cli/commands.h"

#include "store/connection.h"
#include "store/schema.h"

#include <QDir>

// The target is chosen before the command runs (DataUse::Create).

int runInit(const QStringList &args, CliStreams &io)
{
    if (!args.isEmpty())
        throw UsageError(QStringLiteral(u"init 不接受参数：%1").arg(args.join(QLatin1Char(' '))));
    const QString path = Connection::currentFilePath();
    schema::createEmptyDatabase(path);
    io.out << QStringLiteral(u"已创建空数据库：%1\n").arg(QDir::toNativeSeparators(path));
    return exit_status::kOk;
}
