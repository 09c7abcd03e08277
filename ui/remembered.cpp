#include "ui/remembered.h"

#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace remembered {

namespace {

const QString kWorkbooks = QStringLiteral("import/recentWorkbooks");
const QString kLastFolder = QStringLiteral("fileDialog/lastFolder");

QString placeKey(const QString &window)
{
    return QStringLiteral("windows/") + window;
}

} // namespace

QString settingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/waybill/waybill.conf");
}

std::optional<WindowPlace> windowPlace(const QString &window)
{
    const QRect rect = QSettings(settingsFile(), QSettings::IniFormat).value(placeKey(window)).toRect();
    if (!rect.isValid())
        return std::nullopt;
    return WindowPlace{rect.topLeft(), rect.size()};
}

void setWindowPlace(const QString &window, const WindowPlace &place)
{
    QSettings(settingsFile(), QSettings::IniFormat).setValue(placeKey(window), QRect(place.framePos, place.size));
}

QStringList recentWorkbooks()
{
    QStringList present;
    for (const QString &path : QSettings(settingsFile(), QSettings::IniFormat).value(kWorkbooks).toStringList())
        if (QFileInfo(path).isFile())
            present << path;
    return present;
}

void addRecentWorkbook(const QString &path)
{
    QSettings settings(settingsFile(), QSettings::IniFormat);
    QStringList workbooks = settings.value(kWorkbooks).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    workbooks.removeAll(absolute);
    workbooks.prepend(absolute);
    settings.setValue(kWorkbooks, QStringList(workbooks.mid(0, kRecentWorkbooks)));
}

QString lastFolder()
{
    return QSettings(settingsFile(), QSettings::IniFormat).value(kLastFolder).toString();
}

void setLastFolder(const QString &folder)
{
    QSettings(settingsFile(), QSettings::IniFormat).setValue(kLastFolder, folder);
}

} // namespace remembered
