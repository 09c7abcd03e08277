#include "app/main_window.h"

#include "app/label_window.h"
#include "app/recipient_view.h"
#include "app/sender_panel.h"
#include "app/window_registry.h"
#include "common/install_paths.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/record_grid.h"
#include "ui/screen_fit.h"
#include "ui/widgets.h"
#include "ui/window_keys.h"
#include "waybill/form_designer.h"
#include "waybill/print_log_window.h"
#include "waybill/print_menus.h"
#include "xls/export.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>

namespace {

constexpr int kStatusBarHeight = 26;

// A status bar panel of its described width, which gives way when the
// window has been made narrower to fit a small or scaled screen, so that
// the last panel (the data file) stays in sight.
class StatusPanel : public QLabel {
public:
    StatusPanel(int width, QWidget *parent) : QLabel(parent), m_width(width) {}
    QSize sizeHint() const override { return {m_width, QLabel::sizeHint().height()}; }
    QSize minimumSizeHint() const override { return {std::min(m_width, 50), QLabel::minimumSizeHint().height()}; }

private:
    int m_width;
};

} // namespace

MainWindow::MainWindow(WindowRegistry &windows, QWidget *parent) : QMainWindow(parent), m_windows(windows)
{
    setObjectName(QStringLiteral("Form1"));
    setProperty("windowClass", window_class::kMain);
    setWindowTitle(QStringLiteral(u"Kestrine快递单打印软件 V4.89"));

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    m_client->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
    // On a screen smaller than the window, the client area scrolls between
    // the menu bar and the status bar.
    setCentralWidget(new ClientScrollArea(m_client, this));

    m_recipients = new RecipientView(m_data, m_client);
    m_recipients->layout(kClientWidth, kClientHeight - kStatusBarHeight);
    m_senderPanel = new SenderPanel(m_data, m_client);
    m_senderPanel->setGeometry(0, 0, kClientWidth, kClientHeight - kStatusBarHeight);
    m_senderPanel->hide();
    connect(m_senderPanel, &SenderPanel::closeRequested, this, &MainWindow::showListView);

    buildMenus();
    buildStatusBar();

    m_timer = new QTimer(this);
    m_timer->setObjectName(QStringLiteral("Timer1"));
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &MainWindow::Timer1Timer);
    m_timer->start();

    setFixedSize(sizeHint());
}

MainWindow::~MainWindow()
{
    // The widgets that show the data go first: QWidget's own destructor
    // would delete them only after the data members are gone.
    delete m_popup;
    delete takeCentralWidget();
}

void MainWindow::initialise(const QDate &today)
{
    m_senderPanel->fillDate(today);
    try {
        m_data.reopen();
    } catch (const DbError &) {
        // A damaged data.mdb still opens the program, so that the user can
        // restore a backup; what cannot be read stays empty, and the start
        // says why (startDesktop).
        if (m_data.connection.damage().isEmpty())
            throw;
        return;
    }
    m_senderPanel->fillFromSender();
}

QAction *MainWindow::addEntry(QMenu *menu, const QString &name, const QString &caption)
{
    QAction *action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    const auto topEntry = [&](const char *name, const char16_t *caption) {
        QAction *action = bar->addAction(QString::fromUtf16(caption));
        action->setObjectName(QString::fromLatin1(name));
        return action;
    };
    const auto subMenu = [](QWidget *owner, const char *name, const char16_t *caption) {
        return namedSubMenu(owner, QString::fromLatin1(name), QString::fromUtf16(caption));
    };
    const auto print = [this](const QString &windowClass) { printCommand(windowClass); };

    // Every entry has an access letter (Alt+letter; Alt or F10 alone opens the bar).
    connect(topEntry("N1", u"寄件人信息(&S)"), &QAction::triggered, this, &MainWindow::N1Click);
    connect(topEntry("N2", u"收件人信息(&R)"), &QAction::triggered, this, &MainWindow::N2Click);
    QMenu *single = subMenu(bar, "N16", u"单张打印(&P)");
    QMenu *batch = subMenu(bar, "N17", u"批量打印(&B)");
    addPrintEntries(single, batch, PrintMenuOwner::MainWindow, PrintMenuPlace::MainMenu, print);
    keepFormEntries(single, batch, PrintMenuOwner::MainWindow, PrintMenuPlace::MainMenu, print, m_data.connection);
    bar->addMenu(single);
    bar->addMenu(batch);
    connect(topEntry("N18", u"数据导入(&I)"), &QAction::triggered, this,
            [this] { openWindow(window_class::kImported); });
    connect(topEntry("N19", u"数据导出(&E)"), &QAction::triggered, this, [this] { exportList(false); });
    connect(topEntry("N20", u"数据备份与恢复(&K)"), &QAction::triggered, this,
            [this] { openWindow(window_class::kBackup); });
    QMenu *help = subMenu(bar, "N21", u"帮助主题(&H)");
    connect(addEntry(help, QStringLiteral("N23"), QStringLiteral(u"常见问题(&Q)")), &QAction::triggered, this,
            [] { dialogs().openUrl(questionsUrl()); });
    connect(addEntry(help, QStringLiteral("N24"), QStringLiteral(u"技术支持(&T)")), &QAction::triggered, this,
            [] { dialogs().openUrl(supportMailUrl()); });
    connect(addEntry(help, QStringLiteral("N25"), QStringLiteral(u"软件首页(&W)")), &QAction::triggered, this,
            [] { dialogs().openUrl(homePageUrl()); });
    bar->addMenu(help);
    connect(topEntry("N4", u"退出软件(&X)"), &QAction::triggered, this, &QWidget::close);
    connect(topEntry("FormDesign", u"快递单设计(&D)"), &QAction::triggered, this, &MainWindow::designForm);
    connect(topEntry("PrintLog", u"打印记录(&L)"), &QAction::triggered, this,
            [this] { guarded(this, [this] { openPrintLog(this); }); });
    connect(topEntry("LabelPrint", u"标签打印(&T)"), &QAction::triggered, this,
            [this] { guarded(this, [this] { openLabelWindow(this); }); });

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("PopupMenu1"));
    RecipientView *view = m_recipients;
    QAction *add = addEntry(m_popup, QStringLiteral("N11"), QStringLiteral(u"新增记录(&N)"));
    connect(add, &QAction::triggered, view, &RecipientView::Button6Click);
    QAction *modify = addEntry(m_popup, QStringLiteral("N12"), QStringLiteral(u"修改记录(&M)"));
    connect(modify, &QAction::triggered, view, &RecipientView::Button7Click);
    QAction *remove = addEntry(m_popup, QStringLiteral("N13"), QStringLiteral(u"删除记录(&D)"));
    connect(remove, &QAction::triggered, view, &RecipientView::Button8Click);
    m_popup->addSeparator()->setObjectName(QStringLiteral("N14"));
    connect(addEntry(m_popup, QStringLiteral("N15"), QStringLiteral(u"全部删除(&A)")), &QAction::triggered, view,
            &RecipientView::deleteAll);
    m_popup->addSeparator()->setObjectName(QStringLiteral("N27"));
    QMenu *popupSingle = subMenu(m_popup, "N28", u"单张打印(&P)");
    QMenu *popupBatch = subMenu(m_popup, "N29", u"批量打印(&B)");
    addPrintEntries(popupSingle, popupBatch, PrintMenuOwner::MainWindow, PrintMenuPlace::PopupMenu, print);
    keepFormEntries(popupSingle, popupBatch, PrintMenuOwner::MainWindow, PrintMenuPlace::PopupMenu, print,
                    m_data.connection);
    m_popup->addMenu(popupSingle);
    m_popup->addMenu(popupBatch);
    m_popup->addSeparator()->setObjectName(QStringLiteral("N30"));
    connect(addEntry(m_popup, QStringLiteral("N31"), QStringLiteral(u"数据导入(&I)")), &QAction::triggered, this,
            [this] { openWindow(window_class::kImported); });
    connect(addEntry(m_popup, QStringLiteral("N32"), QStringLiteral(u"数据导出(&E)")), &QAction::triggered, this,
            [this] { exportList(true); });

    RecordGrid *grid = m_recipients->grid();
    // The keys of the common commands; the context menu shows those of its entries.
    add->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_N), QKeySequence(Qt::Key_Insert)});
    addAction(add);
    modify->setShortcut(QKeySequence(Qt::Key_F2));
    modify->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid->addAction(modify);
    remove->setShortcut(QKeySequence(Qt::Key_Delete));
    remove->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    grid->addAction(remove);
    // Ctrl+P opens 单张打印 to choose the courier.
    addKeys(this, QStringLiteral("PrintKey"), {QKeySequence::Print},
            [bar, single] { bar->setActiveAction(single->menuAction()); });
    addKeys(this, QStringLiteral("FindKey"), {QKeySequence::Find}, [this] {
        showListView();
        m_recipients->focusSearch();
    });
    addKeys(this, QStringLiteral("RefreshKey"), {QKeySequence(Qt::Key_F5)}, [view] { view->Button10Click(); });
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(grid, &QWidget::customContextMenuRequested, this,
            [this, grid](const QPoint &pos) { m_popup->popup(grid->viewport()->mapToGlobal(pos)); });
}

void MainWindow::buildStatusBar()
{
    QStatusBar *bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setFixedHeight(kStatusBarHeight);
    bar->setSizeGripEnabled(false);
    const auto panel = [bar](const char *name, int width, int stretch) {
        // The last panel takes the rest.
        QLabel *label = stretch == 0 ? static_cast<QLabel *>(new StatusPanel(width, bar)) : new ElidedLabel(bar);
        label->setObjectName(QString::fromLatin1(name));
        if (stretch == 0)
            label->setMaximumWidth(width);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        bar->addWidget(label, stretch);
        return label;
    };
    m_clockPanel = panel("Panel0", 350, 0);
    m_addressPanel = panel("Panel1Text", 350, 0);
    m_storePanel = static_cast<ElidedLabel *>(panel("Panel2Text", 50, 1));
}

void MainWindow::Timer1Timer()
{
    m_clockPanel->setText(QDateTime::currentDateTime().toString(QStringLiteral(u" 今天是：yyyy年MM月dd日  hh:mm:ss")));
    // Where help is, in words: the help page's address is a local file path.
    m_addressPanel->setText(QStringLiteral(u" 使用说明：菜单“帮助主题”"));
    // The data file in use, always; data that are shared say where they live.
    const std::optional<ServerAddress> &server = m_data.connection.server();
    const QString file = QDir::toNativeSeparators(Connection::currentFilePath());
    m_storePanel->setFullText(server ? QStringLiteral(u" 共享数据：%1/%2").arg(server->host, server->database)
                                     : QStringLiteral(u" 数据文件：%1").arg(file));
    m_storePanel->setToolTip(server ? server->url() + QStringLiteral(u"（数据文件：%1）").arg(file)
                                    : QStringLiteral(u"数据文件：") + file);
}

QUrl MainWindow::homePageUrl()
{
    // The help page ships with the program.
    const QString path = QDir(helpFolderPath()).absoluteFilePath(QStringLiteral("index.html"));
    return QUrl::fromLocalFile(path);
}

QUrl MainWindow::questionsUrl()
{
    QUrl url = homePageUrl();
    url.setFragment(QStringLiteral("questions"));
    return url;
}

QUrl MainWindow::supportMailUrl()
{
    return QUrl(QStringLiteral(
        "mailto:support@kestrine-waybill.cn?subject=%E5%BF%AB%E9%80%92%E5%8D%95%E6%89%93%E5%8D%B0%E8%BD%AF%E4%BB%B6"));
}

void MainWindow::showListView()
{
    m_senderPanel->hide();
    m_recipients->toolbar()->show();
    m_recipients->grid()->show();
}

void MainWindow::showSenderView()
{
    m_recipients->editor()->hide();
    m_recipients->toolbar()->hide();
    m_senderPanel->show();
    m_senderPanel->raise();
}

void MainWindow::N1Click()
{
    showSenderView();
}

void MainWindow::N2Click()
{
    guarded(this, [this] {
        m_data.reopen();
        showListView();
        m_recipients->clearChainEdits();
    });
}

void MainWindow::exportList(bool fromPopup)
{
    guarded(this, [&] {
        const QString name = dialogs().saveFile(this, QString(), QString());
        if (name.isEmpty())
            return;
        const QString replaced = replacedCharactersText(exportDataset(m_data.recipients, exportFileName(name)));
        const QString more = replaced.isEmpty() ? QString() : QStringLiteral("\n\n") + replaced;
        if (fromPopup)
            dialogs().notice(this, QStringLiteral(u"成功导出全部数据！") + more);
        else
            dialogs().hint(this, QStringLiteral(u"成功导出全部数据!") + more);
    });
}

void MainWindow::writeShipDate()
{
    m_data.writeShipDate(m_senderPanel->year(), m_senderPanel->month(), m_senderPanel->day());
}

void MainWindow::printCommand(const QString &windowClass)
{
    guarded(this, [&] {
        writeShipDate();
        openWindow(windowClass);
    });
}

void MainWindow::openWindow(const QString &windowClass)
{
    guarded(this, [&] { showWindowModally(m_windows.windowToShow(windowClass), windowClass); });
}

void MainWindow::designForm()
{
    guarded(this, [this] { openFormDesigner(blankUserForm(commonPaperSizes().first()), this); });
}
