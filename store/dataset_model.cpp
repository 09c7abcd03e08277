#include "store/dataset_model.h"

#include "store/dataset.h"

DatasetModel::DatasetModel(Dataset &dataset, const QList<GridColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_dataset(dataset), m_columns(columns)
{
    bindColumns();
    connect(&m_dataset, &Dataset::reset, this, [this] {
        beginResetModel();
        bindColumns();
        endResetModel();
    });
    connect(&m_dataset, &Dataset::aboutToInsertRow, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(&m_dataset, &Dataset::rowInserted, this, [this] { endInsertRows(); });
    connect(&m_dataset, &Dataset::aboutToRemoveRow, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(&m_dataset, &Dataset::rowRemoved, this, [this] { endRemoveRows(); });
    connect(&m_dataset, &Dataset::rowChanged, this,
            [this](int row) { Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1)); });
}

void DatasetModel::bindColumns()
{
    m_bound.clear();
    for (const GridColumn &column : m_columns)
        m_bound << m_dataset.columnIndex(column.column);
}

int DatasetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_dataset.rowCount();
}

int DatasetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant DatasetModel::data(const QModelIndex &index, int role) const
{
    if (index.isValid() && role == Qt::BackgroundRole && m_background)
        return m_background(index.row());
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    return m_dataset.valueAt(index.row(), m_bound.value(index.column(), -1));
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::FontRole && orientation == Qt::Horizontal && section < m_titleFonts.size())
        return m_titleFonts[section];
    if (role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal)
        return section < m_columns.size() ? m_columns[section].title : QVariant();
    return QVariant(); // the row indicator column carries no numbers
}
