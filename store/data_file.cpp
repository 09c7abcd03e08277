#include "store/data_file.h"

#include "common/error.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace data_file {

namespace {

QString &fileInUse()
{
    static QString path;
    return path;
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A file given with --data; a folder stands for its data.mdb.
QString givenFile(const QString &given)
{
    const QFileInfo info(given);
    return info.isDir() ? QDir(info.absoluteFilePath()).filePath(schema::kDatabaseFileName) : info.absoluteFilePath();
}

QString workingFolderFile()
{
    return QDir::current().absoluteFilePath(schema::kDatabaseFileName);
}

// The folder the program was installed into with its bin/ (program/ of
// start.sh, or the build folder), which is where its own data.mdb goes.
bool workingFolderIsTheProgramsOwn()
{
    const QDir bin(QCoreApplication::applicationDirPath());
    if (bin.dirName() != QStringLiteral("bin"))
        return false;
    const QString own = QFileInfo(bin.absoluteFilePath(QStringLiteral(".."))).canonicalFilePath();
    return !own.isEmpty() && own == QDir::current().canonicalPath();
}

QString madeUserFolder()
{
    const QString folder = userFolder();
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral(u"无法创建数据文件夹 %1，请检查权限或磁盘空间。").arg(native(folder)));
    return folder;
}

} // namespace

QString userFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/waybill");
}

QString userFile()
{
    return QDir(userFolder()).filePath(schema::kDatabaseFileName);
}

QString chosen(const QString &given)
{
    if (!given.isEmpty())
        return givenFile(given);
    const QString here = workingFolderFile();
    return QFileInfo::exists(here) ? here : userFile();
}

QString newFileTarget(const QString &given)
{
    if (!given.isEmpty())
        return givenFile(given);
    const QString here = workingFolderFile();
    if (QFileInfo::exists(here) || workingFolderIsTheProgramsOwn())
        return here;
    madeUserFolder();
    return userFile();
}

QString prepare(const QString &given, Missing missing)
{
    const QString file = chosen(given);
    if (QFileInfo::exists(file))
        return file;
    if (!given.isEmpty())
        throw AppError(QStringLiteral(u"找不到数据文件 %1（--data 给出的）。要在那里新建一个空的数据文件，"
                                      u"请运行：waybill init --data %1")
                           .arg(native(file)));
    if (missing == Missing::Refuse)
        throw AppError(
            QStringLiteral(u"没有数据文件：当前目录没有 data.mdb，本人的数据文件夹里也没有 %1。").arg(native(file)));
    madeUserFolder();
    schema::createEmptyDatabase(file);
    return file;
}

void use(const QString &path)
{
    fileInUse() = path;
}

QString inUse()
{
    return fileInUse();
}

} // namespace data_file
