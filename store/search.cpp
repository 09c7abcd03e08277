#include "store/search.h"

#include "store/bulk_rows.h"
#include "store/dataset.h"
#include "store/schema.h"
#include "store/statements.h"

bool isListed(Connection &connection, const QString &name, const QString &mobile)
{
    return countRows(
               connection,
               statements::countAnyWhere(schema::kRecipientTable, {schema::col::kRecipientName, schema::col::kMobile}),
               {name, mobile})
        > 0;
}

void searchRecipients(Dataset &list, const QString &table, const QString &name, const QString &mobile)
{
    const auto search = [&](const QString &column, const QString &text) {
        list.close();
        list.setStatement(Select::search(table, column, text));
        list.open();
    };
    if (!name.isEmpty())
        search(schema::col::kRecipientName, name);
    if (!mobile.isEmpty())
        search(schema::col::kMobile, mobile);
}
