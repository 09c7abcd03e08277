#include "common/file_name.h"

#include <QFile>

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
