#include "ui/error_boundary.h"

void showCurrentException(QWidget *parent)
{
    QString text;
    try {
        throw;
    } catch (const AppError &error) {
        text = error.text();
    } catch (const std::exception &error) {
        text = QString::fromUtf8(error.what());
    } catch (...) {
        text = QStringLiteral(u"发生未知错误。");
    }
    try {
        dialogs().error(parent, text);
    } catch (...) {
        // Nothing more can be done for the user here.
    }
}

bool GuardedApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        showCurrentException(nullptr);
        return false;
    }
}
