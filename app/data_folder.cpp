#include "app/data_folder.h"

#include "common/error.h"
#include "store/schema.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString userDataFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/waybill");
}

void enterDataFolder()
{
    if (QFileInfo::exists(schema::kDatabaseFileName))
        return;
    const QString folder = userDataFolder();
    if (!QDir().mkpath(folder))
        throw AppError(QStringLiteral(u"无法创建数据文件夹 %1，请检查权限或磁盘空间。").arg(folder));
    const QString database = QDir(folder).filePath(schema::kDatabaseFileName);
    if (!QFileInfo::exists(database))
        schema::createEmptyDatabase(database);
    if (!QDir::setCurrent(folder))
        throw AppError(QStringLiteral(u"无法进入数据文件夹 %1。").arg(folder));
}
