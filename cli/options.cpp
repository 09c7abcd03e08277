#include "cli/options.h"

#include "report/fonts.h"
#include "store/calibration.h"

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

QSizeF paperOption(const QString &option, const QString &text)
{
    const std::optional<QSizeF> paper = parsePaperSize(text);
    if (!paper)
        throw UsageError(QStringLiteral(u"%1 的格式是 宽x长（毫米），例如 230x127.3：%2").arg(option, text));
    return *paper;
}

QFont fontOption(const QString &option, const QString &text)
{
    const std::optional<QFont> font = parseFontText(text);
    if (!font)
        throw UsageError(
            QStringLiteral(
                u"%1 的格式是 字体,字号[,bold][,italic]，例如 黑体,14,bold（字号 4 到 72，样式 bold、italic）：%2")
                .arg(option, text));
    return *font;
}
