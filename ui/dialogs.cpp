#include "ui/dialogs.h"

#include "ui/qt_dialogs.h"

#include "common/error.h"

namespace {

Dialogs *g_installed = nullptr;

} // namespace

QString applicationTitle()
{
    return QStringLiteral(u"快递单打印软件");
}

Dialogs &dialogs()
{
    static QtDialogs real;
    return g_installed ? *g_installed : real;
}

void showWindowModally(QWidget *window, const QString &windowClass)
{
    if (!window)
        throw AppError(QStringLiteral(u"窗口 %1 不在本版本中。").arg(windowClass));
    dialogs().showModal(window);
}

void installDialogs(Dialogs *implementation)
{
    g_installed = implementation;
}
