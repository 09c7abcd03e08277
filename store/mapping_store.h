#pragma once
// The column mappings an office chose when importing workbooks whose
// headings the program did not recognise, kept in data.mdb (table
// import_mappings: the headings, the mapping's text) so that the next
// workbook with the same headings imports without asking. A database
// without the table has none; it is made when the first one is saved.

#include <QString>
#include <QStringList>
#include <optional>

class Connection;

class MappingStore {
public:
    explicit MappingStore(Connection &connection) : m_connection(connection) {}

    // The mapping saved for a workbook with these headings.
    std::optional<QString> find(const QStringList &headings);
    // Saves (or replaces) the mapping for these headings, inside the
    // caller's transaction (the import's, so it is kept only with its rows).
    void save(const QStringList &headings, const QString &mapping);

    void ensureTable();
    static const QStringList &columnNames();

private:
    static QString keyOf(const QStringList &headings);
    Connection &m_connection;
};
