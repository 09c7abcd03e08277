#include "cli/command_line.h"

#include "cli/commands.h"

namespace {

// "name usage", without a trailing space for a command without arguments.
QString synopsis(const CliCommand &command)
{
    return command.usage.isEmpty() ? command.name : command.name + QLatin1Char(' ') + command.usage;
}

void printUsage(QTextStream &stream)
{
    stream << QStringLiteral(u"用法：waybill [子命令 参数...]\n")
           << QStringLiteral(u"不带参数时启动桌面程序。子命令在当前目录的 data.mdb 上工作：\n");
    for (const CliCommand &command : cliCommands())
        stream << QStringLiteral("  %1\n      %2\n").arg(synopsis(command), command.summary);
    stream << QStringLiteral(u"每个子命令都可以加 --help 查看用法。\n");
    stream.flush();
}

} // namespace

const QList<CliCommand> &cliCommands()
{
    static const QList<CliCommand> commands = allCommands();
    return commands;
}

int runCommandLine(const QStringList &args, CliStreams &io)
{
    if (args == QStringList{QStringLiteral("--version")}) {
        io.out << QStringLiteral("waybill %1\n").arg(QStringLiteral(WAYBILL_VERSION));
        io.out.flush();
        return exit_status::kOk;
    }
    if (args.isEmpty() || args.first() == QStringLiteral("--help") || args.first() == QStringLiteral("-h")
        || args.first() == QStringLiteral("help")) {
        printUsage(io.out);
        return args.isEmpty() ? exit_status::kUsage : exit_status::kOk;
    }
    for (const CliCommand &command : cliCommands()) {
        if (command.name != args.first())
            continue;
        const QStringList rest = args.mid(1);
        if (rest.contains(QStringLiteral("--help")) || rest.contains(QStringLiteral("-h"))) {
            io.out << QStringLiteral(u"用法：waybill %1\n%2\n").arg(synopsis(command), command.summary);
            io.out.flush();
            return exit_status::kOk;
        }
        int status = exit_status::kFailure;
        try {
            status = command.run(rest, io);
        } catch (const UsageError &error) {
            io.err << error.text() << '\n' << QStringLiteral(u"用法：waybill %1\n").arg(synopsis(command));
            status = exit_status::kUsage;
        } catch (const AppError &error) {
            io.err << error.text() << '\n';
        } catch (const std::exception &error) {
            io.err << QString::fromUtf8(error.what()) << '\n';
        }
        io.out.flush();
        io.err.flush();
        return status;
    }
    io.err << QStringLiteral(u"未知的子命令：%1\n").arg(args.first());
    printUsage(io.err);
    return exit_status::kUsage;
}
