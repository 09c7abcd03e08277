#include "cli/commands.h"

#include "store/connection.h"
#include "store/db_error.h"
#include "store/schema.h"

#include <QDir>

int runInit(const QStringList &args, CliStreams &io)
{
    if (!args.isEmpty()) {
        io.err << QStringLiteral(u"init 不接受参数：%1\n").arg(args.join(QLatin1Char(' ')));
        return exit_status::kUsage;
    }
    const QString path = Connection::currentFilePath();
    try {
        schema::createEmptyDatabase(path);
    } catch (const DbError &error) {
        io.err << error.text() << '\n';
        return exit_status::kFailure;
    }
    io.out << QStringLiteral(u"已创建空数据库：%1\n").arg(QDir::toNativeSeparators(path));
    return exit_status::kOk;
}
