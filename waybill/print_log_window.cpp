#include "waybill/print_log_window.h"

#include "common/file_name.h"
#include "store/connection.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "waybill/print_log_model.h"
#include "waybill/print_record.h"
#include "waybill/run_printing.h"
#include "waybill/waybill_number.h"
#include "waybill/waybill_run.h"
#include "xls/tracking_list.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QPushButton *button(QWidget *parent, const char *name, const char16_t *caption)
{
    auto *made = new QPushButton(QString::fromUtf16(caption), parent);
    made->setObjectName(QString::fromLatin1(name));
    return made;
}

} // namespace

PrintLogWindow::PrintLogWindow(QWidget *parent)
    : QDialog(parent), m_connection(std::make_unique<Connection>(QStringLiteral("print.log.window"))),
      m_pageSize(PrintLogModel::kPageSize)
{
    setObjectName(QStringLiteral("PrintLogWindow"));
    setWindowTitle(QStringLiteral(u"打印记录"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    auto *layout = new QVBoxLayout(this);

    auto *filters = new QHBoxLayout;
    const QDate today = QDate::currentDate();
    const auto dateEdit = [&](const char *name, const QDate &date) {
        auto *edit = new QDateEdit(date, this);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setCalendarPopup(true);
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
        return edit;
    };
    m_from = dateEdit("From", today.addDays(-30));
    m_to = dateEdit("To", today);
    m_courier = new QComboBox(this);
    m_courier->setObjectName(QStringLiteral("Courier"));
    m_text = new QLineEdit(this);
    m_text->setObjectName(QStringLiteral("Find"));
    m_text->setPlaceholderText(QStringLiteral(u"姓名、电话或运单号"));
    m_text->setClearButtonEnabled(true);
    filters->addWidget(new QLabel(QStringLiteral(u"打印日期 从"), this));
    filters->addWidget(m_from);
    filters->addWidget(new QLabel(QStringLiteral(u"到"), this));
    filters->addWidget(m_to);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(QStringLiteral(u"快递单"), this));
    filters->addWidget(m_courier);
    filters->addSpacing(12);
    filters->addWidget(new QLabel(QStringLiteral(u"查找"), this));
    filters->addWidget(m_text, 1);
    layout->addLayout(filters);

    m_model = new PrintLogModel(this);
    connect(m_model, &PrintLogModel::readFailed, this,
            [this](const QString &text) { guarded(this, [&] { throw AppError(text); }); });
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("Entries"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(m_table, 1);

    auto *actions = new QHBoxLayout;
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("Count"));
    actions->addWidget(m_count, 1);
    QPushButton *reprint = button(this, "Reprint", u"重打");
    reprint->setToolTip(QStringLiteral(u"按记录原样再打印所选的快递单（用现在保存的位置）"));
    QPushButton *renumber = button(this, "Renumber", u"改运单号");
    renumber->setToolTip(QStringLiteral(u"改正所选记录的运单号；选了多条时依次往下编号"));
    QPushButton *exporting = button(this, "Export", u"导出运单号");
    exporting->setToolTip(QStringLiteral(u"把列出的全部记录导出为 .xlsx 或 .csv，供网店批量发货"
                                         u"（没有运单号的、重打过的不导出）"));
    m_selectedOnly = new QCheckBox(QStringLiteral(u"只导出选中的"), this);
    m_selectedOnly->setObjectName(QStringLiteral("SelectedOnly"));
    m_everyPrint = new QCheckBox(QStringLiteral(u"同一订单每次打印都导出"), this);
    m_everyPrint->setObjectName(QStringLiteral("EveryPrint"));
    m_everyPrint->setToolTip(QStringLiteral(u"不勾选时，同一订单（或同一收件人）打印过几次只导出最近一次的运单号"));
    actions->addWidget(m_selectedOnly);
    actions->addWidget(m_everyPrint);
    QPushButton *close = button(this, "Close", u"关闭");
    // No default button: Enter in the search field must not print.
    for (QPushButton *each : {reprint, renumber, exporting, close}) {
        each->setAutoDefault(false);
        actions->addWidget(each);
    }
    layout->addLayout(actions);

    connect(reprint, &QPushButton::clicked, this, &PrintLogWindow::reprintSelected);
    connect(renumber, &QPushButton::clicked, this, &PrintLogWindow::renumberSelected);
    connect(exporting, &QPushButton::clicked, this, &PrintLogWindow::exportSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_from, &QDateEdit::dateChanged, this, &PrintLogWindow::showFiltered);
    connect(m_to, &QDateEdit::dateChanged, this, &PrintLogWindow::showFiltered);
    connect(m_courier, &QComboBox::currentIndexChanged, this, &PrintLogWindow::showFiltered);
    connect(m_text, &QLineEdit::textChanged, this, &PrintLogWindow::showFiltered);

    resize(1000, 560);
    refresh();
}

PrintLogWindow::~PrintLogWindow() = default;

const QList<PrintLogEntry> &PrintLogWindow::shown() const
{
    return m_model->loaded();
}

qint64 PrintLogWindow::listed() const
{
    return m_model->total();
}

void PrintLogWindow::setPageSize(int entries)
{
    m_pageSize = std::max(1, entries);
    showFiltered();
}

PrintLogFilter PrintLogWindow::filter() const
{
    return {m_from->date(), m_to->date(), m_courier->currentData().toString(), m_text->text()};
}

void PrintLogWindow::setFilter(const PrintLogFilter &filter)
{
    const QSignalBlocker blockFrom(m_from);
    const QSignalBlocker blockTo(m_to);
    const QSignalBlocker blockText(m_text);
    m_from->setDate(filter.from);
    m_to->setDate(filter.to);
    m_text->setText(filter.text);
    {
        const QSignalBlocker blockCourier(m_courier);
        m_courier->setCurrentIndex(std::max(0, m_courier->findData(filter.courier)));
    }
    showFiltered();
}

void PrintLogWindow::refresh()
{
    // The forms the record holds, for the form filter.
    QList<QPair<QString, QString>> forms;
    guarded(this, [&] { forms = PrintLog(*m_connection).forms(); });
    const QString chosen = m_courier->currentData().toString();
    {
        const QSignalBlocker block(m_courier);
        m_courier->clear();
        m_courier->addItem(QStringLiteral(u"全部"), QString());
        for (const auto &[code, name] : forms)
            m_courier->addItem(name, code);
        m_courier->setCurrentIndex(std::max(0, m_courier->findData(chosen)));
    }
    showFiltered();
}

void PrintLogWindow::showFiltered()
{
    guarded(this, [this] { m_model->show(*m_connection, filter(), m_pageSize); });
    // Columns fit what is listed; a search that finds nothing keeps them as
    // they were rather than shrinking every column to its heading.
    if (m_model->rowCount() > 0)
        m_table->resizeColumnsToContents();
    m_count->setText(QStringLiteral(u"共 %1 条").arg(m_model->total()));
}

QList<PrintLogEntry> PrintLogWindow::selected() const
{
    QList<int> rows;
    for (const QModelIndex &index : m_table->selectionModel()->selectedRows())
        rows << index.row();
    std::sort(rows.begin(), rows.end());
    QList<PrintLogEntry> entries;
    for (const int row : rows)
        entries << m_model->loaded()[row];
    return entries;
}

void PrintLogWindow::selectRows(const QList<int> &rows)
{
    if (!rows.isEmpty())
        guarded(this, [&] { m_model->loadThrough(*std::max_element(rows.cbegin(), rows.cend())); });
    m_table->clearSelection();
    for (const int row : rows)
        m_table->selectionModel()->select(m_model->index(row, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void PrintLogWindow::reprintSelected()
{
    guarded(this, [this] {
        const QList<PrintLogEntry> entries = selected();
        if (entries.isEmpty())
            throw AppError(QStringLiteral(u"请先选择要重打的记录。"));
        const std::optional<QString> typed =
            dialogs().askText(this, QStringLiteral(u"重打"),
                              QStringLiteral(u"重打 %1 张。打印机里第一张快递单上印的运单号（后面的依次往下编号；"
                                             u"不填则沿用记录中的运单号）：")
                                  .arg(entries.size()),
                              QString());
        if (!typed)
            return;
        QString number = typed->trimmed();
        checkWaybillNumber(number);
        Connection connection(QStringLiteral("print.log.reprint"));
        QString problem;
        std::vector<Reprint> reprints = reprintsOf(entries, connection, calibrationPrinter(), &problem);
        if (!problem.isEmpty())
            dialogs().notice(this, problem);
        const QStringList summaries =
            printReprints(reprints, number, [this](WaybillRun &run) { return printThroughSetup(run, this); });
        refresh();
        if (!summaries.isEmpty())
            m_count->setText(QStringLiteral(u"重打：%1").arg(summaries.join(QStringLiteral(u"；"))));
    });
}

void PrintLogWindow::renumberSelected()
{
    guarded(this, [this] {
        const QList<PrintLogEntry> entries = selected();
        if (entries.isEmpty())
            throw AppError(QStringLiteral(u"请先选择要改运单号的记录。"));
        const QString label = entries.size() == 1
            ? QStringLiteral(u"第 %1 条（%2）的运单号：")
                  .arg(entries.first().entry)
                  .arg(entries.first().recipientName())
            : QStringLiteral(u"所选 %1 条中第一条的运单号（其余依次往下编号）：").arg(entries.size());
        const std::optional<QString> typed =
            dialogs().askText(this, QStringLiteral(u"改运单号"), label, entries.first().number);
        if (!typed)
            return;
        const QString first = typed->trimmed();
        checkWaybillNumber(first);
        const QStringList numbers =
            first.isEmpty() ? QStringList(entries.size(), QString()) : waybillNumbers(first, int(entries.size()));
        QList<qint64> ids;
        for (const PrintLogEntry &entry : entries)
            ids << entry.entry;
        Connection connection(QStringLiteral("print.log.number"));
        PrintLog(connection).setNumbers(ids, numbers);
        refresh();
    });
}

QString PrintLogWindow::shownText() const
{
    QString text = QStringLiteral(u"打印日期 %1 至 %2")
                       .arg(m_from->date().toString(Qt::ISODate), m_to->date().toString(Qt::ISODate));
    if (!m_courier->currentData().toString().isEmpty())
        text += QStringLiteral(u"，") + m_courier->currentText();
    if (!m_text->text().trimmed().isEmpty())
        text += QStringLiteral(u"，含“%1”").arg(m_text->text().trimmed());
    return text;
}

void PrintLogWindow::exportSelected()
{
    guarded(this, [this] {
        const bool selectedOnly = m_selectedOnly->isChecked();
        const QList<PrintLogEntry> chosenEntries = selectedOnly ? selected() : QList<PrintLogEntry>();
        const qint64 count = selectedOnly ? chosenEntries.size() : m_model->total();
        if (count == 0)
            throw AppError(selectedOnly ? QStringLiteral(u"请先选择要导出的记录（或去掉“只导出选中的”）。")
                                        : QStringLiteral(u"没有可导出的记录。"));
        const QString filters = QStringLiteral(u"Excel 工作簿 (*.xlsx);;CSV 文件 (*.csv)");
        QString chosen;
        const QString typed = dialogs().saveFile(this, QStringLiteral(u"导出运单号"), filters, &chosen);
        if (typed.isEmpty())
            return;
        const QString target = nameWithChosenSuffix(typed, filters, chosen);
        if (QFileInfo::exists(target)
            && !dialogs().confirm(
                this, QStringLiteral(u"%1 已经存在，要替换它吗？").arg(QDir::toNativeSeparators(target)), false))
            return;
        // Every entry listed: the query of the table, read again as the
        // file is written (not the pages read so far).
        PrintLog log(*m_connection);
        const TrackingRows rows =
            selectedOnly ? TrackingRows::of(chosenEntries) : TrackingRows::selectedBy(m_model->filter());
        const TrackingList list = exportTrackingList(log, rows, target, m_everyPrint->isChecked(), false);
        if (list.exported == 0)
            throw AppError(QStringLiteral(u"没有可导出的运单号%1，未写文件。").arg(list.leftOutText()));
        const QString which = selectedOnly ? QStringLiteral(u"所选的 %1 条").arg(count)
                                           : QStringLiteral(u"列出的全部 %1 条（%2）").arg(count).arg(shownText());
        dialogs().notice(this,
                         QStringLiteral(u"已导出 %1 条到 %2：%3%4。")
                             .arg(list.exported)
                             .arg(QDir::toNativeSeparators(target), which, list.leftOutText()));
    });
}

void openPrintLog(QWidget *parent)
{
    PrintLogWindow window(parent);
    dialogs().showModal(&window);
}
