#include "waybill/print_source.h"

#include "store/dataset.h"

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
    return row == RowSide::Sender ? m_sender.value(column) : m_recipients.valueAt(page, column);
}
