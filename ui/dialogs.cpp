#include "ui/dialogs.h"

#include "ui/qt_dialogs.h"

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

void installDialogs(Dialogs *implementation)
{
    g_installed = implementation;
}
