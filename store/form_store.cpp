#include "store/form_store.h"

#include "common/error.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QSqlQuery>

namespace {

const QString &kTable = schema::kFormsTable;
const QString kCode = QStringLiteral("code");
const QString kName = QStringLiteral("name");
const QString kDocument = QStringLiteral("document");

StoredForm fromRow(const QSqlQuery &query)
{
    return {query.value(0).toString(), query.value(1).toString(), query.value(2).toString().toUtf8()};
}

} // namespace

const QStringList &FormStore::columnNames()
{
    static const QStringList names{kCode, kName, kDocument};
    return names;
}

bool FormStore::tableExists()
{
    return m_connection.hasTable(kTable);
}

void FormStore::ensureTable()
{
    if (!tableExists())
        m_connection.exec(statements::createTable(kTable, columnNames(), m_connection.backend(), {kCode}));
}

QList<StoredForm> FormStore::list()
{
    QList<StoredForm> forms;
    if (!tableExists())
        return forms;
    QSqlQuery query = m_connection.exec(statements::selectWhere(kTable, columnNames(), {}, {kCode}));
    while (query.next())
        forms << fromRow(query);
    return forms;
}

QList<QPair<QString, QString>> FormStore::names()
{
    QList<QPair<QString, QString>> forms;
    if (!tableExists())
        return forms;
    QSqlQuery query = m_connection.exec(statements::selectWhere(kTable, {kCode, kName}, {}, {kCode}));
    while (query.next())
        forms << QPair{query.value(0).toString(), query.value(1).toString()};
    return forms;
}

std::optional<StoredForm> FormStore::find(const QString &code)
{
    if (!tableExists())
        return std::nullopt;
    QSqlQuery query = m_connection.exec(statements::selectWhere(kTable, columnNames(), {kCode}), {code});
    if (!query.next())
        return std::nullopt;
    return fromRow(query);
}

void FormStore::add(const StoredForm &form)
{
    m_connection.inTransaction([&] {
        ensureTable();
        if (m_connection.exec(statements::selectWhere(kTable, {kCode}, {kCode}), {form.code}).next())
            throw AppError(
                QStringLiteral(u"已有代码为 %1 的快递单，未保存；请换一个代码，或先删除那张。").arg(form.code));
        if (m_connection.exec(statements::selectWhere(kTable, {kCode}, {kName}), {form.name}).next())
            throw AppError(QStringLiteral(u"已有名为“%1”的快递单，未保存；请换一个名称。").arg(form.name));
        m_connection.exec(statements::insertRow(kTable, columnNames()),
                          {form.code, form.name, QString::fromUtf8(form.document)});
    });
}

void FormStore::save(const StoredForm &form)
{
    m_connection.inTransaction([&] {
        ensureTable();
        QSqlQuery named = m_connection.exec(statements::selectWhere(kTable, {kCode}, {kName}), {form.name});
        while (named.next())
            if (named.value(0).toString() != form.code)
                throw AppError(QStringLiteral(u"已有名为“%1”的快递单，未保存；请换一个名称。").arg(form.name));
        m_connection.exec(statements::deleteWhere(kTable, {kCode}), {form.code});
        m_connection.exec(statements::insertRow(kTable, columnNames()),
                          {form.code, form.name, QString::fromUtf8(form.document)});
    });
}

bool FormStore::remove(const QString &code)
{
    if (!tableExists())
        return false;
    bool removed = false;
    // Its saved positions go with it: a later form may be given the same code.
    m_connection.inTransaction([&] {
        removed = m_connection.exec(statements::deleteWhere(kTable, {kCode}), {code}).numRowsAffected() > 0;
        if (removed)
            CalibrationStore(m_connection).clear(code);
    });
    return removed;
}
