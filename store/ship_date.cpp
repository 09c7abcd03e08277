#include "store/ship_date.h"

#include "store/dataset.h"
#include "store/schema.h"

void writeShipDate(Dataset &sender, const QString &year, const QString &month, const QString &day)
{
    sender.edit();
    sender.setValue(schema::col::kYear, year);
    sender.setValue(schema::col::kMonth, month);
    sender.setValue(schema::col::kDay, day);
    sender.post();
}
