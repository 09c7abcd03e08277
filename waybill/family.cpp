#include "waybill/family.h"

#include "waybill/layout.h"

#include <algorithm>

namespace {

const char *const kVariantKeys[] = {"single", "batch", "importedSingle", "importedBatch"};

struct Entry {
    Courier courier;
    int menuOrder = 0;
    int creationOrder = 0;
};

Entry courierOf(const FormValue &document)
{
    const FormValue block = document[QStringLiteral("courier")];
    Entry entry;
    Courier &courier = entry.courier;
    courier.code = document[QStringLiteral("code")].toText();
    courier.menuCaption = block[QStringLiteral("menuCaption")].toText();
    courier.captionTail = block[QStringLiteral("captionTail")].toText();
    entry.menuOrder = block[QStringLiteral("menuOrder")].toInt(1, 1000);
    entry.creationOrder = block[QStringLiteral("creationOrder")].toInt(1, 1000);
    for (size_t i = 0; i < kVariants.size(); ++i) {
        const QString key = QString::fromLatin1(kVariantKeys[i]);
        courier.windowClass[i] = block[QStringLiteral("windowClass")][key].toText();
        const FormValue names = block[QStringLiteral("menuEntries")][key];
        courier.entries[i] = {names[QStringLiteral("main")].toText(), names[QStringLiteral("popup")].toText(),
                              names.has(QStringLiteral("popupCaption")) ? names[QStringLiteral("popupCaption")].toText()
                                                                        : QString()};
        courier.bringsListForward[i] = block[QStringLiteral("bringsListForward")][key].toBool();
    }
    return entry;
}

// Every built-in form's courier, read once.
const QList<Entry> &entries()
{
    static const QList<Entry> all = [] {
        QList<Entry> read;
        for (const QString &code : formCodes())
            read << courierOf(formDocument(code));
        return read;
    }();
    return all;
}

QList<Courier> ordered(int Entry::*order)
{
    QList<Entry> sorted = entries();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [order](const Entry &a, const Entry &b) { return a.*order < b.*order; });
    QList<Courier> couriers;
    for (const Entry &entry : sorted)
        couriers << entry.courier;
    return couriers;
}

} // namespace

Courier courierFromForm(const FormValue &document)
{
    return courierOf(document).courier;
}

const QList<Courier> &couriersInMenuOrder()
{
    static const QList<Courier> couriers = ordered(&Entry::menuOrder);
    return couriers;
}

const Courier *courierByCode(const QString &code)
{
    const QList<Courier> &couriers = couriersInMenuOrder();
    const auto it =
        std::find_if(couriers.begin(), couriers.end(), [&](const Courier &courier) { return courier.code == code; });
    return it == couriers.end() ? nullptr : &*it;
}

const QList<Courier> &couriersInCreationOrder()
{
    static const QList<Courier> couriers = ordered(&Entry::creationOrder);
    return couriers;
}

QString printEntryCaption(Variant variant)
{
    return isBatch(variant) ? QStringLiteral(u"批量打印") : QStringLiteral(u"单张打印");
}

QString windowCaption(const Courier &courier, Variant variant)
{
    return printEntryCaption(variant) + courier.captionTail;
}

QString instanceName(const QString &windowClass)
{
    return windowClass.mid(1);
}

namespace {

const QString kUserFormPrefix = QStringLiteral("TKd_");
const std::array<QString, 4> kUserFormSuffixes{QStringLiteral("_Form"), QStringLiteral("_PlForm"),
                                               QStringLiteral("_DrForm"), QStringLiteral("_DrPlForm")};

} // namespace

Courier userFormCourier(const QString &code, const QString &name)
{
    Courier courier;
    courier.code = code;
    courier.menuCaption = name;
    courier.captionTail = name;
    for (Variant variant : kVariants) {
        const QString windowClass = kUserFormPrefix + code + kUserFormSuffixes[size_t(variant)];
        courier.windowClass[size_t(variant)] = windowClass;
        const QString instance = instanceName(windowClass);
        courier.entries[size_t(variant)] = {instance + QStringLiteral("_Menu"), instance + QStringLiteral("_Popup")};
    }
    return courier;
}

std::optional<std::pair<QString, Variant>> userFormOfClass(const QString &windowClass)
{
    if (!windowClass.startsWith(kUserFormPrefix))
        return std::nullopt;
    // The longest suffix first: _DrPlForm also ends in _PlForm.
    for (Variant variant : {Variant::ImportedBatch, Variant::ImportedSingle, Variant::Batch, Variant::Single}) {
        const QString &suffix = kUserFormSuffixes[size_t(variant)];
        if (windowClass.endsWith(suffix) && windowClass.size() > kUserFormPrefix.size() + suffix.size())
            return std::pair{
                windowClass.mid(kUserFormPrefix.size(), windowClass.size() - kUserFormPrefix.size() - suffix.size()),
                variant};
    }
    return std::nullopt;
}
