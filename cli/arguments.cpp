#include "cli/arguments.h"

#include "cli/command_line.h"

namespace {

const QString kData = QStringLiteral("--data");

// Every option of the sub-commands that takes a value.
bool takesValue(const QString &option)
{
    static const QStringList options{
        kData,
        QStringLiteral("--row"),
        QStringLiteral("--pages"),
        QStringLiteral("--date"),
        QStringLiteral("--shift-x"),
        QStringLiteral("--shift-y"),
        QStringLiteral("--scale-x"),
        QStringLiteral("--scale-y"),
        QStringLiteral("--font"),
        QStringLiteral("--paper"),
        QStringLiteral("--pdf"),
        QStringLiteral("--printer"),
        QStringLiteral("--number"),
        QStringLiteral("--from"),
        QStringLiteral("--to"),
        QStringLiteral("--courier"),
        QStringLiteral("--find"),
        QStringLiteral("--map"),
        QStringLiteral("--paste"),
        QStringLiteral("--field"),
        QStringLiteral("--name"),
    };
    return options.contains(option);
}

} // namespace

SplitArguments splitArguments(const QStringList &args)
{
    SplitArguments split;
    bool dataGiven = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString option = args[i];
        QString value;
        bool hasValue = false;
        if (takesValue(option)) {
            // The next argument is the value, whatever it looks like.
            if (i + 1 < args.size()) {
                value = args[++i];
                hasValue = true;
            }
        } else if (const qsizetype equals = option.indexOf(QLatin1Char('='));
                   option.startsWith(QStringLiteral("--")) && equals > 2 && takesValue(option.left(equals))) {
            value = option.mid(equals + 1);
            option.truncate(equals);
            hasValue = true;
        } else {
            split.args << option; // a name, a flag, or what the sub-command refuses
            continue;
        }
        if (option != kData) {
            split.args << option;
            if (hasValue)
                split.args << value; // a missing value is the sub-command's to tell
            continue;
        }
        if (!hasValue || value.isEmpty())
            throw UsageError(QStringLiteral(u"--data 后面缺少数据文件名"));
        if (dataGiven)
            throw UsageError(QStringLiteral(u"--data 只能给一次"));
        dataGiven = true;
        split.dataFile = value;
    }
    return split;
}
