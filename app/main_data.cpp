#include "app/main_data.h"

#include "store/reopen.h"
#include "store/schema.h"
#include "store/ship_date.h"

MainData::MainData()
    : connection(QStringLiteral("Form1.ADOConnection1")), sender(connection, QStringLiteral("ADOQuery1")),
      recipients(connection, QStringLiteral("ADOQuery2"))
{
}

void MainData::reopen()
{
    ::reopen(connection, {{&sender, schema::kSenderTable}, {&recipients, schema::kRecipientTable}});
}

void MainData::writeShipDate(const QString &year, const QString &month, const QString &day)
{
    ::writeShipDate(sender, year, month, day);
}

void MainData::disconnect()
{
    connection.close();
    sender.close();
    recipients.close();
}
