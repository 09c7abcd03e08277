#include "store/reopen.h"

#include "store/connection.h"
#include "store/dataset.h"

void reopen(Connection &connection, const std::vector<ReopenTarget> &targets)
{
    connection.close();
    for (const ReopenTarget &target : targets)
        target.dataset->close();
    for (const ReopenTarget &target : targets)
        target.dataset->setStatement(Select::all(target.table));
    connection.open();
    for (const ReopenTarget &target : targets)
        target.dataset->open();
}
