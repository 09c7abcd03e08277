#include "cli/options.h"

int intOption(const QString &option, const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok)
        throw UsageError(QStringLiteral(u"%1 需要一个整数：%2").arg(option, text));
    return value;
}

double numberOption(const QString &option, const QString &text)
{
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok)
        throw UsageError(QStringLiteral(u"%1 需要一个数，例如 1.02：%2").arg(option, text));
    return value;
}
