#include "cli/commands.h"

#include "import/paste_parser.h"
#include "store/connection.h"
#include "store/schema.h"
#include "store/search.h"
#include "store/statements.h"

using namespace schema::col;

int runRecipients(const QStringList &args, CliStreams &io)
{
    // add (--paste TEXT | --field 列=值 ...) [--duplicate]
    if (args.value(0) != QStringLiteral("add") || args.size() < 3)
        throw UsageError(QStringLiteral(u"用法：recipients add (--paste 文字 | --field 列=值 ...) [--duplicate]"));
    QList<QPair<QString, QString>> fields;
    bool duplicate = false;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args[i];
        if (arg == QStringLiteral("--duplicate")) {
            duplicate = true;
        } else if (arg == QStringLiteral("--paste") && i + 1 < args.size()) {
            fields << pastedColumns(parsePastedRecipient(args[++i]));
        } else if (arg == QStringLiteral("--field") && i + 1 < args.size()) {
            const QString pair = args[++i];
            const QString column = pair.section(QLatin1Char('='), 0, 0).trimmed();
            if (!pair.contains(QLatin1Char('=')) || !schema::recipientColumns().contains(column))
                throw UsageError(QStringLiteral(u"--field 的格式是 列=值，列是：%1")
                                     .arg(schema::recipientColumns().join(QStringLiteral(u"、"))));
            fields << QPair{column, pair.section(QLatin1Char('='), 1)};
        } else {
            throw UsageError(QStringLiteral(u"不认识的参数：%1").arg(arg));
        }
    }
    const auto valueOf = [&](const QString &column) {
        QString value;
        for (const auto &[name, text] : fields)
            if (name == column && !text.isEmpty())
                value = text; // the last one given wins
        return value;
    };
    for (const auto &[column, message] : {QPair{kRecipientName, QStringLiteral(u"收件人姓名不能为空！")},
                                          QPair{kRecipientAddress, QStringLiteral(u"收件地址不能为空！")},
                                          QPair{kMobile, QStringLiteral(u"手机号码不能为空！")}})
        if (valueOf(column).isEmpty())
            throw AppError(message + QStringLiteral(u"（未新增）"));

    Connection connection(QStringLiteral("cli.recipients"));
    connection.open();
    if (!duplicate && isListed(connection, valueOf(kRecipientName), valueOf(kMobile)))
        throw AppError(QStringLiteral(u"名单中已有收件人“%1”（手机号码 %2），未新增；仍要新增请加 --duplicate。")
                           .arg(valueOf(kRecipientName), valueOf(kMobile)));
    // One row added at the end of the list, without reading the list.
    QStringList columns;
    QVariantList values;
    for (const QString &column : schema::recipientColumns())
        if (const QString value = valueOf(column); !value.isEmpty()) {
            columns << column;
            values << value;
        }
    connection.exec(statements::insertRow(schema::kRecipientTable, columns, connection.backend()), values);
    io.out << QStringLiteral(u"新增记录成功！\n");
    for (const QString &column : schema::recipientColumns())
        if (const QString value = valueOf(column); !value.isEmpty())
            io.out << column << QStringLiteral(u"：") << value << '\n';
    return exit_status::kOk;
}
