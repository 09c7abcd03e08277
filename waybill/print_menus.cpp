#include "waybill/print_menus.h"

#include "common/error.h"
#include "waybill/print_form.h"

#include <QAction>
#include <QMenu>

namespace {

const char *const kFormEntry = "formEntry"; // marks the entries made from the office's forms

std::array<Variant, 2> variantsOf(PrintMenuOwner owner)
{
    return owner == PrintMenuOwner::ImportedWindow ? std::array{Variant::ImportedSingle, Variant::ImportedBatch}
                                                   : std::array{Variant::Single, Variant::Batch};
}

QAction *addEntry(QMenu *menu, const Courier &courier, Variant variant, PrintMenuPlace place,
                  const PrintCommand &command)
{
    const MenuEntryNames &names = courier.entryOf(variant);
    const QString name = place == PrintMenuPlace::MainMenu ? names.mainMenu : names.popupMenu;
    const QString caption =
        place == PrintMenuPlace::PopupMenu && !names.popupCaption.isEmpty() ? names.popupCaption : courier.menuCaption;
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    const QString windowClass = courier.classOf(variant);
    QObject::connect(action, &QAction::triggered, action, [command, windowClass] { command(windowClass); });
    return action;
}

// Makes the form entries of one submenu again.
void remakeFormEntries(QMenu *menu, Variant variant, PrintMenuPlace place, const PrintCommand &command,
                       const QList<Courier> &forms)
{
    for (QAction *action : menu->actions())
        if (action->property(kFormEntry).toBool()) {
            menu->removeAction(action);
            action->deleteLater();
        }
    if (forms.isEmpty())
        return;
    menu->addSeparator()->setProperty(kFormEntry, true);
    for (const Courier &form : forms)
        addEntry(menu, form, variant, place, command)->setProperty(kFormEntry, true);
}

} // namespace

void addPrintEntries(QMenu *single, QMenu *batch, PrintMenuOwner owner, PrintMenuPlace place,
                     const PrintCommand &command)
{
    for (const Courier &courier : couriersInMenuOrder())
        for (Variant variant : variantsOf(owner))
            addEntry(isBatch(variant) ? batch : single, courier, variant, place, command);
}

void keepFormEntries(QMenu *single, QMenu *batch, PrintMenuOwner owner, PrintMenuPlace place,
                     const PrintCommand &command, Connection &connection)
{
    const auto forms = [&connection] {
        try {
            return userFormCouriers(connection);
        } catch (const AppError &) {
            return QList<Courier>(); // the built-in forms still print; the error shows where data are read
        }
    };
    for (Variant variant : variantsOf(owner)) {
        QMenu *menu = isBatch(variant) ? batch : single;
        QObject::connect(menu, &QMenu::aboutToShow, menu, [menu, variant, place, command, forms] {
            remakeFormEntries(menu, variant, place, command, forms());
        });
    }
}

QMenu *namedSubMenu(QWidget *owner, const QString &name, const QString &caption)
{
    auto *menu = new QMenu(caption, owner);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}
