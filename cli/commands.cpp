#include "cli/commands.h"

QList<CliCommand> allCommands()
{
    return {
        {QStringLiteral("init"), QString(),
         QStringLiteral(u"在当前目录创建空的 data.mdb（三个数据表）；文件已存在时拒绝。"), runInit},
    };
}
