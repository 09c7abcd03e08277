#include "waybill/print_data.h"

#include "store/reopen.h"
#include "store/schema.h"

const QString &recipientTableOf(Variant variant)
{
    return isImported(variant) ? schema::kImportedTable : schema::kRecipientTable;
}

PrintData::PrintData(const QString &owner, Variant variant)
    : connection(owner + QStringLiteral(".ADOConnection1")), recipients(connection, QStringLiteral("ADODataSet1")),
      sender(connection, QStringLiteral("ADODataSet2")), m_variant(variant), m_recipientTable(recipientTableOf(variant))
{
}

void PrintData::connect()
{
    connection.open();
    // A shared store's connection is opened again at each activation; the
    // server keeps no idle connections of hidden windows.
    if (connection.backend() == Backend::Postgres)
        connection.close();
}

void PrintData::reopen()
{
    ::reopen(connection, {{&recipients, m_recipientTable}, {&sender, schema::kSenderTable}});
}

void PrintData::release()
{
    recipients.close();
    sender.close();
    if (connection.server()) // a shared store's, without opening it again
        connection.close();
}

std::unique_ptr<PrintSource> PrintData::source() const
{
    if (isBatch(m_variant))
        return std::make_unique<AllRowsSource>(sender, recipients);
    return std::make_unique<CurrentRowSource>(sender, recipients);
}
