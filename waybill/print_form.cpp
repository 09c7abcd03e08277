#include "waybill/print_form.h"

#include "store/form_store.h"
#include "waybill/user_form.h"

std::optional<PrintForm> printFormOf(const QString &code, Variant variant, Connection &connection)
{
    if (const Courier *courier = courierByCode(code))
        return PrintForm{code, courier->captionTail, layoutFor(code, variant)};
    if (const std::optional<StoredForm> stored = FormStore(connection).find(code))
        return PrintForm{code, stored->name, layoutOfUserForm(readUserForm(code, stored->document), variant)};
    return std::nullopt;
}

QStringList printFormCodes(Connection &connection)
{
    QStringList codes;
    for (const Courier &courier : couriersInMenuOrder())
        codes << courier.code;
    for (const auto &[code, name] : FormStore(connection).names())
        codes << code;
    return codes;
}

QList<Courier> userFormCouriers(Connection &connection)
{
    QList<Courier> couriers;
    // A row with a code no form can have (changed by another program) gets
    // no menu entry; `waybill form list` names it.
    for (const auto &[code, name] : FormStore(connection).names())
        if (isUsableFormCode(code))
            couriers << userFormCourier(code, name);
    return couriers;
}
