#include "ui/record_grid.h"

#include "store/dataset.h"
#include "store/schema.h"
#include "ui/error_boundary.h"
#include "ui/widgets.h"

#include <QHeaderView>

using namespace schema;

namespace {

QList<GridColumn> modelColumns(const QList<GridColumnFormat> &entries)
{
    QList<GridColumn> columns;
    for (const GridColumnFormat &entry : entries)
        columns.append({entry.column, entry.title});
    return columns;
}

} // namespace

QList<GridColumnFormat> recipientGridColumns()
{
    return {{col::kCompany, QStringLiteral(u"单位名称"), 150, 12},
            {col::kRecipientName, QStringLiteral(u"姓 名"), 60, 12},
            {col::kDestination, QStringLiteral(u"目的地"), 60, 12},
            {col::kRecipientAddress, QStringLiteral(u"收件地址"), 230, 12},
            {col::kPostcode, QStringLiteral(u"邮政编码"), 60, 12},
            {col::kPhone, QStringLiteral(u"联系电话"), 80, 12},
            {col::kMobile, QStringLiteral(u"手机号码"), 80, 12},
            {col::kContents, QStringLiteral(u"内件品名"), 80, 12},
            {col::kQuantity, QStringLiteral(u"数 量"), 60, 12},
            {col::kRemarks, QStringLiteral(u"备 注"), 80, 13}};
}

RecordGrid::RecordGrid(Dataset &dataset, const QList<GridColumnFormat> &columns, QWidget *parent)
    : QTableView(parent), m_dataset(dataset), m_model(dataset, modelColumns(columns))
{
    QList<QFont> titleFonts;
    for (const GridColumnFormat &entry : columns)
        titleFonts << songFont(entry.titlePixelSize, true);
    m_model.setTitleFonts(titleFonts);
    setModel(&m_model);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFont(songFont(12));
    setWordWrap(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setFixedHeight(20);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setFixedWidth(12);
    for (int i = 0; i < columns.size(); ++i)
        setColumnWidth(i, columns[i].width);
    setAlternatingWhite(true);

    connect(&m_dataset, &Dataset::currentChanged, this, [this](int row) { selectDatasetRow(row); });
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] { selectDatasetRow(m_dataset.currentRow()); });
    selectDatasetRow(m_dataset.currentRow());
}

void RecordGrid::setAlternatingWhite(bool alternate)
{
    QPalette palette = this->palette();
    const QColor grey(238, 238, 238);
    palette.setColor(QPalette::Base, alternate ? QColor(Qt::white) : grey);
    palette.setColor(QPalette::AlternateBase, grey);
    setPalette(palette);
    setAlternatingRowColors(alternate);
}

void RecordGrid::setRowBackground(std::function<QVariant(int row)> background)
{
    m_model.setRowBackground(std::move(background));
    viewport()->update();
}

void RecordGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    if (m_syncing || !current.isValid())
        return;
    m_syncing = true;
    m_dataset.moveTo(current.row());
    m_syncing = false;
}

QModelIndex RecordGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    if (action == MoveEnd && (modifiers & Qt::ControlModifier) && !m_dataset.allRowsKnown())
        guarded(this, [this] { m_dataset.rowCount(); });
    return QTableView::moveCursor(action, modifiers);
}

void RecordGrid::selectDatasetRow(int row)
{
    if (m_syncing)
        return;
    m_syncing = true;
    if (row < 0) {
        clearSelection();
        setCurrentIndex({});
    } else {
        const int column = std::max(0, currentIndex().column());
        setCurrentIndex(m_model.index(row, column));
        selectRow(row);
        scrollTo(m_model.index(row, column));
    }
    m_syncing = false;
}
