#include "common/file_name.h"

#include <QFile>
#include <QRegularExpression>

bool hasUndecodableBytes(const QString &name)
{
    return name.contains(QChar::ReplacementCharacter);
}

bool decodesExactly(const QByteArray &bytes)
{
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

QString undecodableNameText(const QString &name)
{
    return QStringLiteral(u"文件名“%1”含有无法识别的字符（不是 UTF-8 编码的文件名？），未做任何改动；"
                          u"请把文件改名（只用中文、字母和数字）后再试。")
        .arg(name);
}

namespace {

// The suffixes of a filter ("CSV 文件 (*.csv *.txt)": ".csv", ".txt").
QStringList suffixesOf(const QString &filter)
{
    static const QRegularExpression pattern(QStringLiteral("\\*(\\.[^\\s;)]+)"));
    QStringList suffixes;
    for (auto it = pattern.globalMatch(filter); it.hasNext();)
        suffixes << it.next().captured(1);
    return suffixes;
}

} // namespace

QString nameWithChosenSuffix(const QString &typed, const QString &filters, const QString &chosen)
{
    for (const QString &suffix : suffixesOf(filters))
        if (typed.endsWith(suffix, Qt::CaseInsensitive))
            return typed;
    const QStringList wanted = suffixesOf(chosen.isEmpty() ? filters.section(QStringLiteral(";;"), 0, 0) : chosen);
    return wanted.isEmpty() ? typed : typed + wanted.first();
}
