#pragma once
// The search of the two recipient lists: by name when the name text is not
// empty, then by mobile number when that text is not empty (so with both,
// the mobile search stands); with both empty the list stays as it is.

#include <QString>

class Dataset;

void searchRecipients(Dataset &list, const QString &table, const QString &name, const QString &mobile);

class Connection;

// Whether the recipient list (inrxx) has a recipient of this name and
// mobile number; a long list is read once without being kept in memory.
// Throws DbError.
bool isListed(Connection &connection, const QString &name, const QString &mobile);
