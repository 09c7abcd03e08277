#include "cli/commands.h"

#include "import/import_procedure.h"
#include "store/connection.h"
#include "store/schema.h"

int runImport(const QStringList &args, CliStreams &io)
{
    // FILE [--map "收件人姓名=收货人姓名,..."]
    std::optional<ColumnMapping> mapping;
    if (args.size() == 3 && args[1] == QStringLiteral("--map"))
        mapping = parseMapping(args[2]);
    else if (args.size() != 1)
        throw UsageError(QStringLiteral(u"用法：import FILE [--map \"收件人姓名=收货人姓名,手机号码=联系手机,...\"]"));
    // As the imported recipients window: its connection opened on
    // creation; there is no list to show.
    Connection connection(QStringLiteral("cli.import"));
    connection.open();
    const ImportResult result = importWorkbook(connection, nullptr, args.first(), {}, mapping);
    if (!result.success) {
        io.err << result.message << '\n';
        if (!result.reason.isEmpty())
            io.err << result.reason << '\n';
        if (result.needsMapping)
            io.err << QStringLiteral(u"用 --map 指定各列对应的标题，例如：--map \"收件人姓名=%1,收件地址=%2\"\n")
                          .arg(result.guesses.value(schema::col::kRecipientName, QStringLiteral(u"某标题")),
                               result.guesses.value(schema::col::kRecipientAddress, QStringLiteral(u"某标题")));
        return exit_status::kFailure;
    }
    io.out << result.message << '\n' << QStringLiteral(u"导入 %1 行。\n").arg(result.rows);
    return exit_status::kOk;
}
