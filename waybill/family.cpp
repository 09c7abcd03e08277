#include "waybill/family.h"

#include <algorithm>

namespace {

Courier courier(const char *code, const char16_t *menuCaption, const char16_t *tail,
                std::array<const char *, 4> classes, std::array<MenuEntryNames, 4> entries,
                std::array<bool, 4> bringsListForward = {})
{
    Courier result;
    result.code = QString::fromLatin1(code);
    result.menuCaption = QString::fromUtf16(menuCaption);
    result.captionTail = QString::fromUtf16(tail);
    for (size_t i = 0; i < 4; ++i)
        result.windowClass[i] = QString::fromLatin1(classes[i]);
    result.entries = entries;
    result.bringsListForward = bringsListForward;
    return result;
}

MenuEntryNames names(const char *mainMenu, const char *popupMenu, const char16_t *popupCaption = nullptr)
{
    return {QString::fromLatin1(mainMenu), QString::fromLatin1(popupMenu),
            popupCaption ? QString::fromUtf16(popupCaption) : QString()};
}

} // namespace

const QList<Courier> &couriersInMenuOrder()
{
    static const QList<Courier> couriers{
        courier("sf", u"顺丰快递单打印（版本一）", u"顺丰快递单",
                {"TSfForm", "TPlsfForm", "TEsfForm", "TEPlsfForm"},
                {names("N26", "N42"), names("N34", "N47"), names("N8", "N18"), names("N10", "N23")}),
        courier("sf1", u"顺丰快递单打印（版本二）", u"顺丰快递单",
                {"TSf1Form", "TPlsf1Form", "TEsf1Form", "TEPlsf1Form"},
                {names("N64", "N66"), names("N65", "N67"), names("N40", "N42"), names("N41", "N43")}),
        courier("st", u"申通快递单打印", u"申通快递单",
                {"TStForm", "TPlstForm", "TEstForm", "TEplstForm"},
                {names("N33", "N43"), names("N35", "N48"), names("N9", "N19"), names("N11", "N24")}),
        courier("yt1", u"圆通快递单（详情单）打印", u"圆通快递单（详情单）",
                {"TYt1Form", "TPlyt1Form", "TEyt1Form", "TEplyt1Form"},
                {names("N56", "N58"), names("N57", "N59"), names("N32", "N34"), names("N33", "N35")}),
        courier("yt", u"圆通快递单打印", u"圆通快递单",
                {"TYtForm", "TPlytForm", "TEytForm", "TEplytForm"},
                {names("N36", "N44"), names("N37", "N49"), names("N12", "N20"), names("N13", "N25")}),
        courier("yd", u"韵达快递单打印", u"韵达快递单",
                {"TYdForm", "TPlydForm", "TEydForm", "TEplydForm"},
                {names("N38", "N45"), names("N39", "N50"), names("N14", "N21"), names("N15", "N26")}),
        courier("tt", u"天天快递单打印", u"天天快递单",
                {"TTtForm", "TPlttForm", "TEttForm", "TEplttForm"},
                {names("N40", "N46"), names("N41", "N51"), names("N16", "N22"), names("N17", "N27")},
                {false, false, true, false}),
        courier("zt", u"中通快递单打印", u"中通快递单",
                {"TZtForm", "TPlztForm", "TEztForm", "TEplztForm"},
                {names("N52", "N54"), names("N53", "N55"), names("N28", "N29"), names("N30", "N31")}),
        courier("ems", u"EMS快递单打印", u"EMS快递单",
                {"TEmsForm", "TPlemsForm", "TEemsForm", "TEplemsForm"},
                {names("EMS1", "EMS3"), names("EMS2", "EMS4"), names("EMS1", "EMS3"),
                 names("EMS2", "EMS4")}),
        courier("zjs", u"宅急送快递单打印", u"宅急送快递单",
                {"TZjsForm", "TplzjsForm", "TEzjsForm", "TEplzjsForm"},
                {names("N60", "N62"), names("N61", "N63"), names("N36", "N38"), names("N37", "N39")}),
        courier("ht", u"汇通快递单打印", u"汇通快递单",
                {"THtForm", "TPlhtForm", "TEhtForm", "TEplhtForm"},
                {names("N5", "N7"), names("N6", "N8"), names("N50", "N52", u"汇通快递单"), names("N51", "N53")}),
    };
    return couriers;
}

const Courier *courierByCode(const QString &code)
{
    const QList<Courier> &couriers = couriersInMenuOrder();
    const auto it = std::find_if(couriers.begin(), couriers.end(),
                                 [&](const Courier &courier) { return courier.code == code; });
    return it == couriers.end() ? nullptr : &*it;
}

const QList<Courier> &couriersInCreationOrder()
{
    static const QList<Courier> couriers = [] {
        QList<Courier> ordered;
        for (const char *code : {"sf", "st", "yt", "yd", "tt", "zt", "ems", "yt1", "zjs", "sf1", "ht"})
            ordered << *courierByCode(QString::fromLatin1(code));
        return ordered;
    }();
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
