#include "ui/recipient_fields.h"

#include "store/schema.h"

QList<FormField> recipientEditorFields(int top)
{
    using namespace schema::col;
    const int rows[] = {top, top + 32, top + 64, top + 96};
    return {{u"单位名称", "Edit8", 104, rows[0], 329, kCompany},
            {u"收件人姓名", "Edit9", 520, rows[0], 105, kRecipientName, true},
            {u"目 的 地", "Edit21", 104, rows[1], 121, kDestination},
            {u"收件地址", "Edit10", 296, rows[1], 329, kRecipientAddress, true},
            {u"邮政编码", "Edit11", 104, rows[2], 121, kPostcode},
            {u"联系电话", "Edit12", 296, rows[2], 137, kPhone},
            {u"手机号码", "Edit13", 504, rows[2], 121, kMobile, true},
            {u"内件品名", "Edit26", 104, rows[3], 121, kContents},
            {u"数    量", "Edit22", 296, rows[3], 137, kQuantity},
            {u"备    注", "Edit14", 504, rows[3], 121, kRemarks}};
}
