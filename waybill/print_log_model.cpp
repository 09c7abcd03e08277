#include "waybill/print_log_model.h"

#include "common/error.h"
#include "store/connection.h"

namespace {

const QStringList &headings()
{
    static const QStringList names{
        QStringLiteral(u"序号"),     QStringLiteral(u"打印时间"),   QStringLiteral(u"快递单"),
        QStringLiteral(u"运单号"),   QStringLiteral(u"收件人姓名"), QStringLiteral(u"手机号码"),
        QStringLiteral(u"联系电话"), QStringLiteral(u"收件地址"),   QStringLiteral(u"订单号"),
        QStringLiteral(u"打印到"),   QStringLiteral(u"备注")};
    return names;
}

} // namespace

PrintLogModel::PrintLogModel(QObject *parent) : QAbstractTableModel(parent) {}

void PrintLogModel::show(Connection &connection, const PrintLogFilter &filter, int pageSize)
{
    PrintLog log(connection);
    const qint64 total = log.count(filter);
    QSet<qint64> reprinted = log.reprinted();
    QList<PrintLogEntry> first = log.page(filter, 0, pageSize);
    beginResetModel();
    m_connection = &connection;
    m_filter = filter;
    m_pageSize = pageSize;
    m_total = std::max(total, qint64(first.size()));
    m_reprinted = std::move(reprinted);
    m_loaded = std::move(first);
    endResetModel();
}

void PrintLogModel::readPage()
{
    const QList<PrintLogEntry> next =
        PrintLog(*m_connection).page(m_filter, m_loaded.isEmpty() ? 0 : m_loaded.last().entry, m_pageSize);
    if (next.isEmpty()) {
        m_total = m_loaded.size(); // the record changed meanwhile: nothing more
        return;
    }
    beginInsertRows({}, int(m_loaded.size()), int(m_loaded.size() + next.size() - 1));
    m_loaded.append(next);
    endInsertRows();
}

void PrintLogModel::loadThrough(int row)
{
    while (row >= m_loaded.size() && m_loaded.size() < m_total)
        readPage();
}

int PrintLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_loaded.size());
}

int PrintLogModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(headings().size());
}

QString PrintLogModel::note(const PrintLogEntry &entry) const
{
    QStringList notes;
    if (entry.reprintOf)
        notes << QStringLiteral(u"重打第 %1 条").arg(entry.reprintOf);
    if (m_reprinted.contains(entry.entry))
        notes << QStringLiteral(u"已重打");
    if (entry.pending)
        notes << possiblyPrintedText();
    return notes.join(QStringLiteral(u"；"));
}

QVariant PrintLogModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_loaded.size())
        return {};
    const PrintLogEntry &entry = m_loaded[index.row()];
    switch (index.column()) {
    case 0:
        return QString::number(entry.entry);
    case 1:
        return printTimeText(entry.printedAt);
    case 2:
        return entry.formName;
    case 3:
        return entry.number;
    case 4:
        return entry.recipientName();
    case 5:
        return entry.mobile();
    case 6:
        return entry.phone();
    case 7:
        return entry.address();
    case 8:
        return entry.orderNumber();
    case 9:
        return entry.output;
    case 10:
        return note(entry);
    default:
        return {};
    }
}

QVariant PrintLogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
        return headings().value(section);
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool PrintLogModel::canFetchMore(const QModelIndex &parent) const
{
    return !parent.isValid() && m_connection && m_loaded.size() < m_total;
}

void PrintLogModel::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    try {
        readPage();
    } catch (const AppError &error) {
        m_total = m_loaded.size(); // not asked again until shown anew
        Q_EMIT readFailed(error.text());
    }
}
