#include "common/install_paths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

// name beside the program when it is there, else under the installed
// folder (relative to the program's own folder).
QString besideOrInstalled(const QString &name, const char *installedFolder)
{
    const QDir program(QCoreApplication::applicationDirPath());
    const QString beside = program.filePath(name);
    if (QFileInfo::exists(beside))
        return beside;
    return QDir::cleanPath(program.filePath(QString::fromUtf8(installedFolder) + QLatin1Char('/') + name));
}

} // namespace

QString readerHelperPath()
{
    return besideOrInstalled(QStringLiteral("waybill-xls-reader"), WAYBILL_LIBEXEC_FROM_BIN);
}

QString helpFolderPath()
{
    return besideOrInstalled(QStringLiteral("help"), WAYBILL_DATA_FROM_BIN);
}
