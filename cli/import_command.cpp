#include "cli/commands.h"

#include "import/import_procedure.h"
#include "store/connection.h"

int runImport(const QStringList &args, CliStreams &io)
{
    if (args.size() != 1)
        throw UsageError(QStringLiteral(u"需要一个工作簿文件名"));
    // As the imported recipients window: its connection opened on
    // creation; there is no list to show.
    Connection connection(QStringLiteral("cli.import"));
    connection.open();
    const ImportResult result = importWorkbook(connection, nullptr, args.first());
    if (!result.success) {
        io.err << result.message << '\n';
        if (!result.reason.isEmpty())
            io.err << result.reason << '\n';
        return exit_status::kFailure;
    }
    io.out << result.message << '\n' << QStringLiteral(u"导入 %1 行。\n").arg(result.rows);
    return exit_status::kOk;
}
