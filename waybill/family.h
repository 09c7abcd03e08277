#pragma once
// The waybill window family: 11 courier layouts, each in four variants
// (single or batch print, main or imported data), with the window class
// names, captions and the menu entries that open them, as each courier's
// form file states them. They drive the 44 windows, the menus of the two
// recipient windows and start-up.

#include <QList>
#include <QString>
#include <array>
#include <optional>
#include <utility>

enum class Variant { Single = 0, Batch = 1, ImportedSingle = 2, ImportedBatch = 3 };

inline constexpr std::array<Variant, 4> kVariants{Variant::Single, Variant::Batch, Variant::ImportedSingle,
                                                  Variant::ImportedBatch};

inline bool isBatch(Variant variant)
{
    return variant == Variant::Batch || variant == Variant::ImportedBatch;
}
inline bool isImported(Variant variant)
{
    return variant == Variant::ImportedSingle || variant == Variant::ImportedBatch;
}

// The two names of a print entry: in the window's main menu and in its
// list's context menu.
struct MenuEntryNames {
    QString mainMenu;
    QString popupMenu;
    QString popupCaption = {}; // when the context menu entry reads otherwise than the courier's
};

struct Courier {
    QString code;                          // sf, sf1, st, ...
    QString menuCaption;                   // 顺丰快递单打印（版本一）, ...
    QString captionTail;                   // 顺丰快递单, ...
    std::array<QString, 4> windowClass;    // per Variant
    std::array<MenuEntryNames, 4> entries; // per Variant: Single and Batch in TForm1,
                                           // the imported ones in TDrForm
    // Per Variant: the window brings the imported recipients window to the
    // front before its run.
    std::array<bool, 4> bringsListForward{};

    const QString &classOf(Variant variant) const { return windowClass[size_t(variant)]; }
    const MenuEntryNames &entryOf(Variant variant) const { return entries[size_t(variant)]; }
};

// The couriers in the order every print menu lists them.
const QList<Courier> &couriersInMenuOrder();
// The couriers in the order their windows are created at start-up.
const QList<Courier> &couriersInCreationOrder();
// The courier with the given code, or nullptr.
const Courier *courierByCode(const QString &code);

class FormValue;
// The courier block of a form file; throws AppError naming the file and
// the key of a fault.
Courier courierFromForm(const FormValue &document);

// The courier of a form of the office's own: its name as menu caption and
// caption tail, window classes TKd_CODE_Form, _PlForm, _DrForm, _DrPlForm
// (made when chosen, outside the creation order), menu entries named after
// the window's instance.
Courier userFormCourier(const QString &code, const QString &name);
// The form code and the variant of such a window class; none for others.
std::optional<std::pair<QString, Variant>> userFormOfClass(const QString &windowClass);

// "单张打印" or "批量打印" followed by the courier's caption tail.
QString windowCaption(const Courier &courier, Variant variant);
// The caption of the N1 entry of a print window: "单张打印" or "批量打印".
QString printEntryCaption(Variant variant);
// The instance name of a window class: the class name without its T.
QString instanceName(const QString &windowClass);
