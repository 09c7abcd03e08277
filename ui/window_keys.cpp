#include "ui/window_keys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMainWindow>
#include <QMenuBar>

QAction *addKeys(QWidget *owner, const QString &name, const QList<QKeySequence> &keys, std::function<void()> handler,
                 Qt::ShortcutContext context)
{
    auto *action = new QAction(owner);
    action->setObjectName(name);
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    QObject::connect(action, &QAction::triggered, owner, [handler = std::move(handler)] { handler(); });
    owner->addAction(action);
    return action;
}

void closeOnEscape(QWidget *window)
{
    addKeys(window, QStringLiteral("CloseOnEscape"), {QKeySequence(Qt::Key_Escape)}, [window] { window->close(); });
}

namespace {

class MenuBarKey : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::NoModifier)
            return false;
        auto *widget = static_cast<QWidget *>(watched);
        const auto *window = qobject_cast<QMainWindow *>(widget->window());
        if (!window || !window->menuWidget() || !window->menuWidget()->isVisible())
            return false;
        // The menu bar watches the window for Alt pressed and released alone.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_Alt, Qt::NoModifier);
        QApplication::sendEvent(widget, &release);
        return true;
    }
};

} // namespace

void installMenuBarKey(QApplication &app)
{
    app.installEventFilter(new MenuBarKey(&app));
}
