#include "cli/command_line.h"

#include "cli/arguments.h"
#include "cli/commands.h"
#include "store/data_file.h"

#include <QDir>

namespace {

// "name usage", without a trailing space for a command without arguments.
QString synopsis(const CliCommand &command)
{
    return command.usage.isEmpty() ? command.name : command.name + QLatin1Char(' ') + command.usage;
}

void printUsage(QTextStream &stream)
{
    stream << QStringLiteral(u"用法：waybill [--data 数据文件] [子命令 参数...]\n")
           << QStringLiteral(u"不带子命令时启动桌面程序。桌面程序和每个子命令用同一个数据文件：--data 给出的文件；"
                             u"没有给出时，当前目录有 data.mdb 就用它，否则用本人的数据文件夹里的 %1。\n"
                             u"选项的值可以写在后面，也可以用等号连着写（--row 2 或 --row=2）。子命令：\n")
                  .arg(QDir::toNativeSeparators(data_file::userFile()));
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

namespace {

// The data file a sub-command works on, from --data or the rule.
QString dataFileFor(const CliCommand &command, const QString &given)
{
    switch (command.data) {
    case DataUse::Create:
        return data_file::newFileTarget(given);
    case DataUse::Existing:
        return data_file::prepare(given, data_file::Missing::Refuse);
    case DataUse::Open:
        break;
    }
    return data_file::prepare(given);
}

// The data file of the sub-command while it runs, none again after it.
class DataFileInUse {
public:
    explicit DataFileInUse(const QString &path) { data_file::use(path); }
    ~DataFileInUse() { data_file::use({}); }
    DataFileInUse(const DataFileInUse &) = delete;
    DataFileInUse &operator=(const DataFileInUse &) = delete;
};

} // namespace

int runCommandLine(const QStringList &given, CliStreams &io)
{
    SplitArguments split;
    try {
        split = splitArguments(given);
    } catch (const UsageError &error) {
        io.err << error.text() << '\n';
        printUsage(io.err);
        return exit_status::kUsage;
    }
    const QStringList &args = split.args;
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
            io.out << QStringLiteral(u"用法：waybill %1\n%2\n%3\n")
                          .arg(synopsis(command), command.summary,
                               QStringLiteral(u"加 --data 数据文件 时用那个文件（见 waybill --help）。"));
            io.out.flush();
            return exit_status::kOk;
        }
        int status = exit_status::kFailure;
        try {
            const DataFileInUse data(dataFileFor(command, split.dataFile));
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
