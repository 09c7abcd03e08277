#include "cli/commands.h"

#include "store/connection.h"
#include "store/server_address.h"
#include "store/shared_store.h"

namespace {

ServerAddress addressArgument(const QString &text)
{
    try {
        return ServerAddress::parse(text);
    } catch (const AppError &error) {
        throw UsageError(error.text());
    }
}

} // namespace

int runShare(const QStringList &args, CliStreams &io)
{
    const bool join = !args.isEmpty() && args.first() == QStringLiteral("--join");
    const QStringList rest = join ? args.mid(1) : args;
    if (rest.size() != 1 || rest.first().startsWith(QLatin1Char('-')))
        throw UsageError(
            QStringLiteral(u"用法：share postgresql://用户名@服务器[:端口]/数据库名，或 share --join 地址"));
    const ServerAddress server = addressArgument(rest.first());
    if (join) {
        shared_store::join(Connection::currentFilePath(), server);
        io.out << QStringLiteral(u"已加入共享数据：%1。这台电脑从现在起使用服务器上的数据。\n").arg(server.url());
    } else {
        shared_store::share(Connection::currentFilePath(), server);
        io.out << QStringLiteral(u"已把数据复制到 %1 并开始共享。其他电脑请用 waybill share --join %1。\n")
                      .arg(server.url());
    }
    return exit_status::kOk;
}

int runUnshare(const QStringList &args, CliStreams &io)
{
    if (args == QStringList{QStringLiteral("--local")}) {
        const QString url = shared_store::leaveWithoutServer(Connection::currentFilePath());
        io.out << QStringLiteral(u"已取消共享，没有连接服务器 %1。\n").arg(url);
        io.err << QStringLiteral(u"注意：这台电脑从现在起使用 data.mdb 里的数据，那是开始共享以前的数据；"
                                 u"共享期间在服务器上做的修改都不在其中。\n");
        return exit_status::kOk;
    }
    if (!args.isEmpty())
        throw UsageError(QStringLiteral(u"unshare 只接受 --local（服务器连不上时，不复制数据就取消共享）"));
    const ServerAddress server = shared_store::unshare(Connection::currentFilePath());
    io.out << QStringLiteral(u"已取消共享：服务器 %1 上的数据已复制回 data.mdb，这台电脑从现在起使用 data.mdb。\n")
                  .arg(server.url());
    return exit_status::kOk;
}
