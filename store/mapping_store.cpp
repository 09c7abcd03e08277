#include "store/mapping_store.h"

#include "store/connection.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QSqlQuery>

namespace {

const QString &kTable = schema::kImportMappingsTable;
const QString kHeadings = QStringLiteral("headings");
const QString kMapping = QStringLiteral("mapping");

} // namespace

const QStringList &MappingStore::columnNames()
{
    static const QStringList names{kHeadings, kMapping};
    return names;
}

QString MappingStore::keyOf(const QStringList &headings)
{
    return headings.join(QLatin1Char('\t'));
}

void MappingStore::ensureTable()
{
    if (!m_connection.hasTable(kTable))
        m_connection.exec(statements::createTable(kTable, columnNames(), m_connection.backend(), {kHeadings}));
}

std::optional<QString> MappingStore::find(const QStringList &headings)
{
    if (!m_connection.hasTable(kTable))
        return std::nullopt;
    QSqlQuery query = m_connection.exec(statements::selectWhere(kTable, {kMapping}, {kHeadings}), {keyOf(headings)});
    if (!query.next())
        return std::nullopt;
    return query.value(0).toString();
}

void MappingStore::save(const QStringList &headings, const QString &mapping)
{
    ensureTable();
    m_connection.exec(statements::deleteWhere(kTable, {kHeadings}), {keyOf(headings)});
    m_connection.exec(statements::insertRow(kTable, columnNames()), {keyOf(headings), mapping});
}
