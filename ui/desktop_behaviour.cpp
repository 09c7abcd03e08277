#include "ui/desktop_behaviour.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QPushButton>
#include <QTranslator>

namespace {

class ButtonEnterKeys : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        auto *button = qobject_cast<QPushButton *>(watched);
        if (!button || !button->hasFocus() || !button->isEnabled())
            return false;
        button->animateClick();
        return true;
    }
};

} // namespace

bool installChineseTranslations(QApplication &app)
{
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    auto *translator = new QTranslator(&app);
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    QApplication::installTranslator(translator);
    return true;
}

void installButtonEnterKeys(QApplication &app)
{
    app.installEventFilter(new ButtonEnterKeys(&app));
}
