#pragma once
// The entries of the record window's table, read a page at a time: what
// the filter selects is counted and its first page read when it is shown,
// the next pages as the table scrolls to them (the view asks fetchMore()).
// Pages follow the last entry read (keyset), so no read stays open between
// them and each costs its page, however long the record is.

#include "store/print_log.h"

#include <QAbstractTableModel>
#include <QSet>

class Connection;

class PrintLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PrintLogModel(QObject *parent = nullptr);

    static constexpr int kPageSize = 200;

    // Shows what filter selects of the record that connection holds: how
    // many there are and the first page. Throws AppError (nothing shown).
    void show(Connection &connection, const PrintLogFilter &filter, int pageSize = kPageSize);
    // How many entries the filter selects, and those read so far, in order.
    qint64 total() const { return m_total; }
    const PrintLogFilter &filter() const { return m_filter; }
    const QList<PrintLogEntry> &loaded() const { return m_loaded; }
    // Reads pages until row is read (or the last is); throws AppError.
    void loadThrough(int row);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

Q_SIGNALS:
    // A page could not be read (when the table scrolled to it).
    void readFailed(const QString &text);

private:
    void readPage();
    QString note(const PrintLogEntry &entry) const;

    Connection *m_connection = nullptr;
    PrintLogFilter m_filter;
    int m_pageSize = kPageSize;
    qint64 m_total = 0;
    QList<PrintLogEntry> m_loaded;
    QSet<qint64> m_reprinted; // of the whole record, for the notes
};
