#pragma once
// The composed pages of all 44 windows for a fixed sender and recipient,
// unshifted and shifted, as text: the test that printing composes exactly
// what it composed before a change compares them with a stored copy.

#include "report/page.h"
#include "store/schema.h"
#include "waybill/family.h"
#include "waybill/layout.h"

#include <QStringList>

namespace golden {

// The values every window prints: long texts so that splitting and the
// box rule are both exercised.
inline QString value(RowSide row, const QString &column)
{
    using namespace schema::col;
    if (row == RowSide::Sender) {
        if (column == kCompany)
            return QStringLiteral(u"杭州明远贸易有限公司华东分公司");
        if (column == kSenderName)
            return QStringLiteral(u"王建国");
        if (column == kOrigin)
            return QStringLiteral(u"杭州");
        if (column == kSenderAddress)
            return QStringLiteral(u"浙江省杭州市西湖区文三路478号华星时代广场A座1203室");
        if (column == kPostcode)
            return QStringLiteral("310012");
        if (column == kPhone)
            return QStringLiteral("0571-88223344");
        if (column == kMobile)
            return QStringLiteral("13905710001");
        if (column == kSignature)
            return QStringLiteral(u"王建国");
        if (column == kYear)
            return QStringLiteral("2026");
        if (column == kMonth)
            return QStringLiteral("12");
        if (column == kDay)
            return QStringLiteral("9");
        return {};
    }
    if (column == kCompany)
        return QStringLiteral(u"上海联华电子科技股份有限公司");
    if (column == kRecipientName)
        return QStringLiteral(u"刘洋");
    if (column == kDestination)
        return QStringLiteral(u"上海");
    if (column == kRecipientAddress)
        return QStringLiteral(u"上海市浦东新区张江高科技园区碧波路690号3号楼东座1501室");
    if (column == kPostcode)
        return QStringLiteral("201203");
    if (column == kPhone)
        return QStringLiteral("021-50801234");
    if (column == kMobile)
        return QStringLiteral("13812345678");
    if (column == kContents)
        return QStringLiteral(u"样品\r\n两件");
    if (column == kQuantity)
        return QStringLiteral("2");
    if (column == kRemarks)
        return QStringLiteral(u"易碎勿压，请轻放");
    return {};
}

inline QString describe(const ComposedPage &page)
{
    QStringList lines{QStringLiteral("paper %1 x %2").arg(page.paperMm.width()).arg(page.paperMm.height())};
    for (const ComposedItem &item : page.items) {
        const PageFont &font = page.fonts[item.font];
        lines << QStringLiteral("%1 %2,%3,%4,%5 %6/%7/%8/%9 [%10]")
                     .arg(item.name)
                     .arg(item.box.left())
                     .arg(item.box.top())
                     .arg(item.box.width(), 0, 'f', 3)
                     .arg(item.box.height())
                     .arg(font.font.family())
                     .arg(font.font.pixelSize())
                     .arg(font.font.bold())
                     .arg(font.lineHeight)
                     .arg(item.lines.join(QLatin1Char('|')));
    }
    return lines.join(QLatin1Char('\n'));
}

// The shifts every window is composed with.
inline QList<QPoint> shifts()
{
    return {{0, 0}, {7, -3}};
}

} // namespace golden
