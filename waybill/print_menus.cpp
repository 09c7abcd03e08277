#include "waybill/print_menus.h"

#include "waybill/family.h"

#include <QAction>
#include <QMenu>

void addPrintEntries(QMenu *single, QMenu *batch, PrintMenuOwner owner, PrintMenuPlace place,
                     const std::function<void(const QString &windowClass)> &command)
{
    const bool imported = owner == PrintMenuOwner::ImportedWindow;
    for (const Courier &courier : couriersInMenuOrder()) {
        for (Variant variant : imported ? std::array{Variant::ImportedSingle, Variant::ImportedBatch}
                                        : std::array{Variant::Single, Variant::Batch}) {
            const MenuEntryNames &names = courier.entryOf(variant);
            const QString name = place == PrintMenuPlace::MainMenu ? names.mainMenu : names.popupMenu;
            const QString caption = place == PrintMenuPlace::PopupMenu && !names.popupCaption.isEmpty()
                ? names.popupCaption
                : courier.menuCaption;
            QAction *action = (isBatch(variant) ? batch : single)->addAction(caption);
            action->setObjectName(name);
            const QString windowClass = courier.classOf(variant);
            QObject::connect(action, &QAction::triggered, action, [command, windowClass] { command(windowClass); });
        }
    }
}

QMenu *namedSubMenu(QWidget *owner, const QString &name, const QString &caption)
{
    auto *menu = new QMenu(caption, owner);
    menu->setObjectName(name);
    menu->menuAction()->setObjectName(name);
    return menu;
}
