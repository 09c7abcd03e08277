#include "app/main_data.h"

#include "store/reopen.h"
#include "store/schema.h"

MainData::MainData()
    : connection(QStringLiteral("Form1.ADOConnection1")),
      sender(connection, QStringLiteral("ADOQuery1")),
      recipients(connection, QStringLiteral("ADOQuery2"))
{
}

void MainData::reopen()
{
    ::reopen(connection, {{&sender, schema::kSenderTable}, {&recipients, schema::kRecipientTable}});
}

void MainData::writeShipDate(const QString &year, const QString &month, const QString &day)
{
    sender.edit();
    sender.setValue(schema::col::kYear, year);
    sender.setValue(schema::col::kMonth, month);
    sender.setValue(schema::col::kDay, day);
    sender.post();
}
