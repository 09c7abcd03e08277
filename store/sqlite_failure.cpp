#include "store/sqlite_failure.h"

#include <QDir>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QSqlError>
#include <QVariant>
#include <sqlite3.h>

namespace {

struct Failure {
    int code;
    const char16_t *meaning;
    const char16_t *advice;
};

const Failure kFailures[] = {
    {SQLITE_NOTADB, u"不是数据库文件，或文件已损坏", u"请用“数据备份与恢复”恢复最近的备份"},
    {SQLITE_CORRUPT, u"数据库文件已损坏", u"请用“数据备份与恢复”恢复最近的备份"},
    {SQLITE_BUSY, u"数据库文件正被其他程序使用，请稍后再试", nullptr},
    {SQLITE_LOCKED, u"数据库文件正被其他程序使用，请稍后再试", nullptr},
    {SQLITE_FULL, u"磁盘已满", u"修改没有保存，请腾出空间后再试"},
    {SQLITE_READONLY, u"没有写入权限", u"修改没有保存。请检查文件和文件夹的权限"},
    {SQLITE_PERM, u"没有写入权限", u"修改没有保存。请检查文件和文件夹的权限"},
    {SQLITE_CANTOPEN, u"无法打开文件（文件不存在、没有读写权限，或所在文件夹不可写）", u"请检查文件和文件夹的权限"},
    {SQLITE_IOERR, u"读写文件出错（磁盘已满或出了故障）", u"修改没有保存。请检查磁盘后再试"},
};

const Failure *failureOf(int code)
{
    for (const Failure &failure : kFailures)
        if (failure.code == (code & 0xFF))
            return &failure;
    return nullptr;
}

QString withDetail(const QString &text, const QString &detail)
{
    return detail.isEmpty() ? text : text + QStringLiteral(u"（") + detail + QStringLiteral(u"）");
}

// "数据文件的结构与本软件不符（缺少字段 X…）" for a table or column the
// program needs that is gone (the file was changed by another program);
// empty for any other failure.
QString missingStructure(int code, const QString &detail)
{
    static const QRegularExpression missing(QStringLiteral("no such (column|table): (\\S+)"));
    const QRegularExpressionMatch match = missing.match(detail);
    if ((code & 0xFF) != SQLITE_ERROR || !match.hasMatch())
        return {};
    const QString what = match.captured(1) == QStringLiteral("column") ? QStringLiteral(u"缺少字段 %1")
                                                                       : QStringLiteral(u"缺少数据表 %1");
    return QStringLiteral(u"数据文件的结构与本软件不符（%1，可能被别的程序改过）").arg(what.arg(match.captured(2)));
}

} // namespace

QString sqliteFailureText(int code, const QString &detail, const QString &file)
{
    if (const QString missing = missingStructure(code, detail); !missing.isEmpty())
        return withDetail(missing + QStringLiteral(u"。请用“数据备份与恢复”恢复最近的备份"), detail);
    const Failure *failure = failureOf(code);
    if (!failure)
        return detail;
    QString text = QString::fromUtf16(failure->meaning);
    if ((code & 0xFF) == SQLITE_FULL && !file.isEmpty())
        text += QStringLiteral(u"：") + QDir::toNativeSeparators(file);
    if (failure->advice)
        text += QStringLiteral(u"。") + QString::fromUtf16(failure->advice);
    return withDetail(text, detail);
}

QString sqliteFailureMeaning(int code, const QString &detail)
{
    if (const QString missing = missingStructure(code, detail); !missing.isEmpty())
        return withDetail(missing, detail);
    const Failure *failure = failureOf(code);
    if (!failure)
        return detail;
    // What to do about a full disk is the same whatever the file.
    const QString more = (code & 0xFF) == SQLITE_FULL ? QStringLiteral(u"，请腾出空间后再试") : QString();
    return withDetail(QString::fromUtf16(failure->meaning) + more, detail);
}

int sqliteCodeOf(const QSqlDatabase &db, const QSqlError &error)
{
    if (const int code = error.nativeErrorCode().toInt())
        return code;
    const QVariant handle = db.driver() ? db.driver()->handle() : QVariant();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return 0;
    sqlite3 *sqlite = *static_cast<sqlite3 *const *>(handle.data());
    return sqlite ? sqlite3_errcode(sqlite) : 0;
}
