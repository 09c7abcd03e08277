#pragma once
// The record grid of the recipient lists: a read-only table over a dataset
// with whole-row selection kept in step with the dataset's current row,
// a row indicator column, alternating white and light grey rows and 宋体
// text. Columns are bound by name.

#include "store/dataset_model.h"

#include <QTableView>

class Dataset;

struct GridColumnFormat {
    QString column;
    QString title;
    int width;
    int titlePixelSize; // the heading's font size in pixels
};

class RecordGrid : public QTableView {
    Q_OBJECT
public:
    RecordGrid(Dataset &dataset, const QList<GridColumnFormat> &columns, QWidget *parent);

    // White odd rows, grey even rows (counting from 1); false paints every
    // row grey.
    void setAlternatingWhite(bool alternate);
    // Paints some rows in a colour of their own (an invalid QVariant: as
    // the grid paints them).
    void setRowBackground(std::function<QVariant(int row)> background);

protected:
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;
    // Ctrl+End goes to the list's last row, counting the rows first.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;

private:
    void selectDatasetRow(int row);

    Dataset &m_dataset;
    DatasetModel m_model;
    bool m_syncing = false;
};

// The recipient columns of the lists, with titles and widths.
QList<GridColumnFormat> recipientGridColumns();
