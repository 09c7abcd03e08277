#pragma once
// A read-only Qt table model over a dataset, for the record grids. Columns
// are bound by name, each with its title; a name the dataset lacks shows
// empty cells. It shows the rows the dataset knows of and fetches more as
// the grid scrolls to its end; the dataset reads only the rows painted.

#include <QAbstractTableModel>
#include <QFont>
#include <QStringList>
#include <functional>

class Dataset;

struct GridColumn {
    QString column; // dataset column name
    QString title;  // grid heading
};

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    DatasetModel(Dataset &dataset, const QList<GridColumn> &columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    // Fonts of the headings, one per grid column.
    void setTitleFonts(const QList<QFont> &fonts) { m_titleFonts = fonts; }
    Dataset &dataset() const { return m_dataset; }
    // The background of each row (an invalid QVariant: the grid's own).
    void setRowBackground(std::function<QVariant(int row)> background) { m_background = std::move(background); }

private:
    void bindColumns();

    Dataset &m_dataset;
    QList<GridColumn> m_columns;
    QList<int> m_bound;
    QList<QFont> m_titleFonts; // dataset column index per grid column, -1 if absent
    std::function<QVariant(int row)> m_background;
    int m_shown = 0; // rows the model has told its views of
};
