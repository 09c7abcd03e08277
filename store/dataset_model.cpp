#include "store/dataset_model.h"

#include "store/dataset.h"
#include "store/db_error.h"

DatasetModel::DatasetModel(Dataset &dataset, const QList<GridColumn> &columns, QObject *parent)
    : QAbstractTableModel(parent), m_dataset(dataset), m_columns(columns)
{
    bindColumns();
    m_shown = m_dataset.knownRowCount();
    connect(&m_dataset, &Dataset::reset, this, [this] {
        beginResetModel();
        bindColumns();
        m_shown = m_dataset.knownRowCount();
        endResetModel();
    });
    connect(&m_dataset, &Dataset::aboutToInsertRow, this, [this](int row) { beginInsertRows({}, row, row); });
    connect(&m_dataset, &Dataset::rowInserted, this, [this] {
        ++m_shown;
        endInsertRows();
    });
    connect(&m_dataset, &Dataset::aboutToRemoveRow, this, [this](int row) { beginRemoveRows({}, row, row); });
    connect(&m_dataset, &Dataset::rowRemoved, this, [this] {
        --m_shown;
        endRemoveRows();
    });
    // Rows read on (scrolling down) or counted join the grid at its end.
    connect(&m_dataset, &Dataset::rowsFound, this, [this](int total) {
        if (total <= m_shown)
            return;
        beginInsertRows({}, m_shown, total - 1);
        m_shown = total;
        endInsertRows();
    });
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
    return parent.isValid() ? 0 : m_shown;
}

bool DatasetModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_dataset.isOpen() && !m_dataset.allRowsKnown();
}

void DatasetModel::fetchMore(const QModelIndex &parent)
{
    if (parent.isValid())
        return;
    try {
        m_dataset.readMore();
    } catch (const DbError &) {
        // The rows shown stay; the failure shows at the next command that reads.
    }
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
    try {
        return m_dataset.valueAt(index.row(), m_bound.value(index.column(), -1));
    } catch (const DbError &) {
        return {}; // a row that cannot be read paints empty; commands on it say why
    }
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
