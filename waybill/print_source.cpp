#include "waybill/print_source.h"

#include "store/dataset.h"
#include "store/db_error.h"

QString CurrentRowSource::value(int, RowSide row, const QString &column) const
{
    return row == RowSide::Sender ? m_sender.value(column) : m_recipients.value(column);
}

int AllRowsSource::pageCount() const
{
    return std::max(1, m_recipients.rowCount());
}

QString AllRowsSource::value(int page, RowSide row, const QString &column) const
{
    if (row == RowSide::Sender)
        return m_sender.value(column);
    const int index = m_recipients.columnIndex(column);
    if (index < 0 && m_recipients.isOpen())
        throw DbError(QStringLiteral(u"%1：找不到字段“%2”").arg(m_recipients.objectName(), column));
    return m_recipients.valueAt(page, index);
}
