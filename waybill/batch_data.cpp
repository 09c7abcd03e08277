#include "waybill/batch_data.h"

#include "store/reopen.h"
#include "store/schema.h"

BatchData::BatchData(const QString &owner, const QString &recipientTable)
    : connection(owner + QStringLiteral(".ADOConnection1")), recipients(connection, QStringLiteral("ADODataSet1")),
      sender(connection, QStringLiteral("ADODataSet2")), m_recipientTable(recipientTable)
{
}

void BatchData::connect()
{
    connection.open();
    // A shared store's connection is opened again at each activation; the
    // server keeps no idle connections of hidden windows.
    if (connection.backend() == Backend::Postgres)
        connection.close();
}

void BatchData::reopen()
{
    ::reopen(connection, {{&recipients, m_recipientTable}, {&sender, schema::kSenderTable}});
}

void BatchData::release()
{
    recipients.close();
    sender.close();
    if (connection.backend() == Backend::Postgres)
        connection.close();
}
