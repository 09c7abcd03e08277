#include "import/imported_window.h"

#include "import/import_procedure.h"
#include "import/imported_row_editor.h"
#include "import/workbook_reader.h"
#include "store/db_error.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "store/search.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/record_grid.h"
#include "ui/remembered.h"
#include "ui/screen_fit.h"
#include "ui/widgets.h"
#include "ui/window_keys.h"
#include "waybill/print_menus.h"
#include "waybill/print_record.h"

#include <QDir>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QProgressDialog>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>

namespace {

constexpr int kClientWidth = 1017;
constexpr int kClientHeight = 631;
constexpr int kStatusBarHeight = 26;

// 16 x 16: a white cross on an orange square.
QPixmap orangeClosePicture()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor(240, 130, 30));
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::white, 2));
    painter.drawLine(4, 4, 11, 11);
    painter.drawLine(11, 4, 4, 11);
    return pixmap;
}

// The background of a row already printed.
QColor printedColour()
{
    return QColor(200, 235, 200);
}

} // namespace

ImportedWindow::ImportedWindow(std::function<void()> writeShipDate,
                               std::function<QWidget *(const QString &)> windowByClass, QWidget *parent)
    : QMainWindow(parent), m_writeShipDate(std::move(writeShipDate)), m_windowByClass(std::move(windowByClass)),
      m_connection(QStringLiteral("DrForm.ADOConnection1")), m_list(m_connection, QStringLiteral("ADOQuery1"))
{
    setObjectName(QStringLiteral("DrForm"));
    setProperty("windowClass", QStringLiteral("TDrForm"));
    setWindowTitle(QStringLiteral(u"Excel导入"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);

    auto *client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
    setCentralWidget(new ClientScrollArea(client, this));
    buildTopBar(client);
    m_grid = new RecordGrid(m_list, recipientGridColumns(), client);
    m_grid->setObjectName(QStringLiteral("DBGridEh1"));
    m_grid->setAlternatingWhite(false);
    m_grid->horizontalHeader()->setFixedHeight(18);
    m_grid->setGeometry(0, 38, kClientWidth, kClientHeight - kStatusBarHeight - 38);
    m_grid->setToolTip(QStringLiteral(u"双击可以修改这一行（例如补全隐藏了几位的手机号码）"));
    connect(m_grid, &QAbstractItemView::doubleClicked, this, [this] { editRow(); });
    m_rowEditor = new ImportedRowEditor(m_list, this);
    buildImportPanel(client);
    buildMenus();

    QStatusBar *status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar1"));
    status->setFixedHeight(kStatusBarHeight);
    status->setSizeGripEnabled(false);
    m_printedLabel = new QLabel(status);
    m_printedLabel->setObjectName(QStringLiteral("PrintedRows"));
    status->addWidget(m_printedLabel, 1);
    m_grid->setRowBackground([this](int row) { return rowPrinted(row) ? QVariant(printedColour()) : QVariant(); });
    connect(&m_list, &Dataset::reset, this, [this] { markPrinted(); });
    connect(&m_list, &Dataset::rowChanged, this, [this] { markPrinted(); });
    setFixedSize(sizeHint());
}

void ImportedWindow::buildTopBar(QWidget *client)
{
    auto *bar = placed(new QFrame(client), QStringLiteral("Panel2"), 0, 0, kClientWidth, 38);
    bar->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    makeLabel(bar, QStringLiteral("Label1"), QStringLiteral(u"姓  名"), 40, 13, 14);
    m_nameSearch = placed(new QLineEdit(bar), QStringLiteral("Edit2"), 88, 8, 89, 22);
    makeLabel(bar, QStringLiteral("Label3"), QStringLiteral(u"手机号码"), 192, 13, 14);
    m_mobileSearch = placed(new QLineEdit(bar), QStringLiteral("Edit3"), 256, 8, 121, 22);
    for (QLineEdit *edit : {m_nameSearch, m_mobileSearch})
        edit->setFont(songFont(14));
    QPushButton *search = makeButton(bar, QStringLiteral("Button2"), QStringLiteral(u"查 询"), 416, 8);
    connect(search, &QPushButton::clicked, this, [this] { Button2Click(); });
    pressOnEnter({m_nameSearch, m_mobileSearch}, search);
    connect(makeButton(bar, QStringLiteral("Button3"), QStringLiteral(u"刷 新"), 512, 8), &QPushButton::clicked, this,
            [this] { Button3Click(); });
}

void ImportedWindow::buildImportPanel(QWidget *client)
{
    m_panel = placed(new DraggablePanel(client), QStringLiteral("Panel1"), 144, 216, 721, 89);
    m_panel->setFont(songFont(14));
    auto *close = placed(new ClickableLabel(m_panel), QStringLiteral("Image1"), 696, 8, 16, 16);
    close->setPixmap(orangeClosePicture());
    close->setToolTip(QStringLiteral(u"关闭"));
    close->setCursor(Qt::PointingHandCursor);
    connect(close, &ClickableLabel::clicked, this, [this] { Image1Click(); });
    auto *frame = placed(new QGroupBox(m_panel), QStringLiteral("GroupBox1"), 18, 32, 687, 49);
    frame->installEventFilter(this); // a press on the frame does not drag the panel
    makeLabel(frame, QStringLiteral("Label2"), QStringLiteral(u"Excel路径"), 24, 20, 14);
    m_path = placed(new QLineEdit(frame), QStringLiteral("Edit1"), 90, 18, 455, 20);
    m_path->setFont(songFont(14));
    auto *choose = placed(new QToolButton(frame), QStringLiteral("SpeedButton1"), 548, 18, 23, 18);
    choose->setText(QStringLiteral(u"…"));
    choose->setToolTip(QStringLiteral(u"选择路径"));
    choose->setAutoRaise(true);
    connect(choose, &QToolButton::clicked, this, [this] { SpeedButton1Click(); });
    connect(makeButton(frame, QStringLiteral("Button1"), QStringLiteral(u"导 入"), 592, 16), &QPushButton::clicked,
            this, [this] { Button1Click(); });
    m_panel->raise();
}

void ImportedWindow::buildMenus()
{
    const auto print = [this](const QString &windowClass) { printCommand(windowClass); };
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QAction *choose = bar->addAction(QStringLiteral(u"选择路径(&O)"));
    choose->setObjectName(QStringLiteral("N1"));
    connect(choose, &QAction::triggered, this, [this] { N1Click(); });
    // The workbooks imported last (kept between starts), each offered again.
    QMenu *recent = namedSubMenu(bar, QStringLiteral("RecentWorkbooks"), QStringLiteral(u"最近导入的文件(&R)"));
    connect(recent, &QMenu::aboutToShow, this, [this, recent] { fillRecentWorkbooks(recent); });
    bar->addMenu(recent);
    QAction *edit = bar->addAction(QStringLiteral(u"修改记录(&M)"));
    edit->setObjectName(QStringLiteral("EditRecord"));
    connect(edit, &QAction::triggered, this, [this] { editRow(); });
    QMenu *single = namedSubMenu(bar, QStringLiteral("N2"), QStringLiteral(u"单张打印(&P)"));
    QMenu *batch = namedSubMenu(bar, QStringLiteral("N3"), QStringLiteral(u"批量打印(&B)"));
    addPrintEntries(single, batch, PrintMenuOwner::ImportedWindow, PrintMenuPlace::MainMenu, print);
    keepFormEntries(single, batch, PrintMenuOwner::ImportedWindow, PrintMenuPlace::MainMenu, print, m_connection);
    bar->addMenu(single);
    bar->addMenu(batch);
    QAction *close = bar->addAction(QStringLiteral(u"关闭窗口(&C)"));
    close->setObjectName(QStringLiteral("N49"));
    connect(close, &QAction::triggered, this, &QWidget::close);
    // Esc closes, Ctrl+P opens 单张打印, Ctrl+F goes to the name search, F5 refreshes.
    closeOnEscape(this);
    addKeys(this, QStringLiteral("PrintKey"), {QKeySequence::Print},
            [bar, single] { bar->setActiveAction(single->menuAction()); });
    addKeys(this, QStringLiteral("FindKey"), {QKeySequence::Find}, [this] {
        m_nameSearch->setFocus(Qt::ShortcutFocusReason);
        m_nameSearch->selectAll();
    });
    addKeys(this, QStringLiteral("RefreshKey"), {QKeySequence(Qt::Key_F5)}, [this] { Button3Click(); });

    auto *popup = new QMenu(this);
    popup->setObjectName(QStringLiteral("PopupMenu1"));
    QAction *choosePopup = popup->addAction(QStringLiteral(u"选择路径(&O)"));
    choosePopup->setObjectName(QStringLiteral("N4"));
    connect(choosePopup, &QAction::triggered, this, [this] { N1Click(); });
    QAction *editPopup = popup->addAction(QStringLiteral(u"修改记录(&M)"));
    editPopup->setObjectName(QStringLiteral("EditRecordPopup"));
    connect(editPopup, &QAction::triggered, this, [this] { editRow(); });
    popup->addSeparator()->setObjectName(QStringLiteral("N7"));
    QMenu *popupSingle = namedSubMenu(popup, QStringLiteral("N5"), QStringLiteral(u"单张打印(&P)"));
    QMenu *popupBatch = namedSubMenu(popup, QStringLiteral("N6"), QStringLiteral(u"批量打印(&B)"));
    addPrintEntries(popupSingle, popupBatch, PrintMenuOwner::ImportedWindow, PrintMenuPlace::PopupMenu, print);
    keepFormEntries(popupSingle, popupBatch, PrintMenuOwner::ImportedWindow, PrintMenuPlace::PopupMenu, print,
                    m_connection);
    popup->addMenu(popupSingle);
    popup->addMenu(popupBatch);
    popup->addSeparator()->setObjectName(QStringLiteral("N54"));
    QAction *closePopup = popup->addAction(QStringLiteral(u"关闭窗口(&C)"));
    closePopup->setObjectName(QStringLiteral("N55"));
    connect(closePopup, &QAction::triggered, this, &QWidget::close);

    m_grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_grid, &QWidget::customContextMenuRequested, this,
            [this, popup](const QPoint &pos) { popup->popup(m_grid->viewport()->mapToGlobal(pos)); });
}

ImportedWindow::~ImportedWindow()
{
    // The grid over the list goes before the list (a member) does; QWidget's
    // own destructor would delete it only afterwards.
    delete takeCentralWidget();
}

void ImportedWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (m_placed)
        return;
    // Centred on the desktop when it first opens.
    m_placed = true;
    centreOnScreen(this);
}

void ImportedWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    // Back from a print window: what it printed is marked.
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        markPrinted();
}

void ImportedWindow::markPrinted()
{
    using namespace schema::col;
    m_printed.assign(size_t(std::max(0, m_list.rowCount())), false);
    int count = 0;
    try {
        if (m_list.isOpen() && m_list.rowCount() > 0) {
            const PrintedRows printed(importedEntries(PrintLog(m_connection).list()));
            const bool orders = m_list.columnIndex(kOrderNumber) >= 0;
            for (int row = 0; row < m_list.rowCount(); ++row) {
                RowTexts texts;
                for (const QString &column : {kRecipientName, kMobile, kRecipientAddress})
                    texts.insert(column, m_list.valueAt(row, column));
                if (orders)
                    texts.insert(kOrderNumber, m_list.valueAt(row, kOrderNumber));
                m_printed[size_t(row)] = printed.printed(texts);
                count += m_printed[size_t(row)] ? 1 : 0;
            }
        }
    } catch (const AppError &) {
        // A record that cannot be read marks nothing; the list still shows.
    }
    m_printedLabel->setText(
        count == 0 ? QString()
                   : QStringLiteral(u"浅绿色的行已打印过（%1 行，共 %2 行）").arg(count).arg(m_list.rowCount()));
    m_grid->viewport()->update();
}

bool ImportedWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress && watched->objectName() == QStringLiteral("GroupBox1"))
        return true;
    return QMainWindow::eventFilter(watched, event);
}

void ImportedWindow::FormCreate()
{
    try {
        reopen(m_connection, {{&m_list, schema::kImportedTable}});
    } catch (const DbError &) {
        // A damaged data.mdb opens the program with what can be read.
        if (m_connection.damage().isEmpty())
            throw;
    }
}

void ImportedWindow::Button2Click()
{
    guarded(this,
            [this] { searchRecipients(m_list, schema::kImportedTable, m_nameSearch->text(), m_mobileSearch->text()); });
}

void ImportedWindow::Button3Click()
{
    m_nameSearch->clear();
    m_mobileSearch->clear();
    guarded(this, [this] { FormCreate(); });
}

void ImportedWindow::SpeedButton1Click()
{
    const QString file = dialogs().openFile(this, QStringLiteral(u"请选择相应的Excel文件"), workbookFileFilter());
    if (!file.isEmpty())
        m_path->setText(file);
}

void ImportedWindow::N1Click()
{
    m_path->clear();
    m_panel->show();
    m_panel->raise();
}

void ImportedWindow::fillRecentWorkbooks(QMenu *menu)
{
    menu->clear();
    const QStringList workbooks = remembered::recentWorkbooks();
    if (workbooks.isEmpty())
        menu->addAction(QStringLiteral(u"（还没有导入过文件）"))->setEnabled(false);
    for (const QString &path : workbooks)
        connect(menu->addAction(QDir::toNativeSeparators(path)), &QAction::triggered, this,
                [this, path] { offerWorkbook(path); });
}

void ImportedWindow::offerWorkbook(const QString &path)
{
    m_path->setText(path);
    m_panel->show();
    m_panel->raise();
}

void ImportedWindow::Image1Click()
{
    m_panel->hide();
}

void ImportedWindow::editRow()
{
    guarded(this, [this] {
        if (!m_rowEditor->load()) {
            dialogs().notice(this, QStringLiteral(u"当前修改信息为空！"));
            return;
        }
        dialogs().showModal(m_rowEditor);
    });
}

bool ImportedWindow::replaceConfirmed()
{
    // An empty path replaces nothing; the import says so itself.
    if (trimmedPath(m_path->text()).isEmpty())
        return true;
    const ImportedRowCount current = importedRowCount(m_connection);
    // Rows all printed are in the print record: nothing to lose.
    if (current.unprinted == 0)
        return true;
    return dialogs().confirm(this,
                             QStringLiteral(u"当前导入的 %1 行（其中 %2 行未打印）将被替换，是否继续？")
                                 .arg(current.rows)
                                 .arg(current.unprinted),
                             false);
}

void ImportedWindow::Button1Click()
{
    guarded(this, [this] {
        if (!replaceConfirmed())
            return;
        QProgressDialog progress(QStringLiteral(u"正在导入..."), QString(), 0, 100, this);
        progress.setWindowTitle(QStringLiteral(u"数据导入"));
        progress.setWindowModality(Qt::WindowModal);
        progress.setMinimumDuration(400);
        const auto run = [&](const std::optional<ColumnMapping> &mapping) {
            const ImportResult result = importWorkbook(
                m_connection, &m_list, m_path->text(), [&](int percent) { progress.setValue(percent); }, mapping);
            progress.reset();
            return result;
        };
        ImportResult result = run(std::nullopt);
        // Headings it does not know: the user says which is which, and the
        // same workbook is read again with that.
        if (result.needsMapping) {
            const std::optional<ColumnMapping> mapping = dialogs().mapColumns(
                this, schema::recipientColumns(), {schema::col::kRecipientName, schema::col::kRecipientAddress},
                result.headings, result.guesses);
            if (mapping)
                result = run(mapping);
        }
        // The described message with the rows imported, then what was wrong.
        QString text = result.message;
        if (result.success) {
            const qsizetype end = text.indexOf(QLatin1Char('\n'));
            text.insert(end < 0 ? text.size() : end, QStringLiteral(u"共导入 %1 行。").arg(result.rows));
        }
        if (result.success)
            remembered::addRecentWorkbook(trimmedPath(m_path->text()));
        dialogs().notice(this, result.reason.isEmpty() ? text : text + QStringLiteral("\n\n") + result.reason);
        if (result.success)
            m_panel->hide();
    });
}

void ImportedWindow::printCommand(const QString &windowClass)
{
    guarded(this, [&] {
        m_writeShipDate();
        showWindowModally(m_windowByClass(windowClass), windowClass);
    });
}
