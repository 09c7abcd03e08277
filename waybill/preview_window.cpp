#include "waybill/preview_window.h"

#include "report/print_job.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/screen_fit.h"
#include "waybill/page_canvas.h"
#include "waybill/page_composer.h"
#include "waybill/run_printing.h"
#include "waybill/toolbar_glyphs.h"
#include "waybill/waybill_run.h"

#include "ui/widgets.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QDate>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kSliceMs = 12; // composing time per event-loop turn
const QSize kLeastSize(500, 500);

} // namespace

TQRStandardPreview::TQRStandardPreview(const WaybillRun &run, QWidget *parent)
    : QDialog(parent), m_run(run), m_total(run.pageCount()),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName(QStringLiteral("QRStandardPreview"));
    setProperty("windowClass", QStringLiteral("TQRStandardPreview"));
    setWindowTitle(QStringLiteral(u"打印预览"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint
                   | Qt::WindowCloseButtonHint);
    startOnChosenPrinter(*m_printer);
    m_printer->setDocName(documentName(run, QDate::currentDate()));
    m_printer->setFullPage(true);
    setUpPaper(*m_printer, run.paperMm());

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolBar();
    auto *bar = new QWidget(this);
    auto *barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(2, 2, 2, 2);
    barLayout->setSpacing(1);
    for (QToolButton *button : m_buttons)
        barLayout->addWidget(button);
    barLayout->addStretch();
    // The window opens as wide as the bar; on a screen narrower than that
    // the bar is cut at the right, never the window forced off the screen.
    auto *barScroll = new QScrollArea(this);
    barScroll->setObjectName(QStringLiteral("ToolBarArea"));
    barScroll->setWidget(bar);
    barScroll->setFrameShape(QFrame::NoFrame);
    barScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    barScroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    barScroll->setFixedHeight(bar->sizeHint().height());
    barScroll->setMinimumWidth(1);
    layout->addWidget(barScroll);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    auto *tabs = new QTabWidget(splitter);
    tabs->setObjectName(QStringLiteral("PageControl1"));
    m_thumbnails = new QTableView;
    m_thumbnails->setObjectName(QStringLiteral("ThumbnailList"));
    m_thumbnailModel = new ThumbnailModel(m_thumbnails);
    m_thumbnails->setModel(m_thumbnailModel);
    m_thumbnails->setItemDelegate(
        new ThumbnailDelegate([this](int row) -> const ComposedPage & { return m_pages[row]; }, m_thumbnails));
    m_thumbnails->horizontalHeader()->hide();
    m_thumbnails->verticalHeader()->hide();
    m_thumbnails->setShowGrid(false);
    m_thumbnails->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_thumbnails->setSelectionMode(QAbstractItemView::SingleSelection);
    m_thumbnails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_thumbnails->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_thumbnails->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_thumbnails->installEventFilter(this);
    m_thumbnails->viewport()->installEventFilter(this);
    tabs->addTab(m_thumbnails, QStringLiteral(u"缩略图"));
    connect(m_thumbnails->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (!m_thumbnailGuard && current.isValid())
                    goToPage(current.row() + 1);
            });

    m_scroll = new QScrollArea(splitter);
    m_scroll->setObjectName(QStringLiteral("QRPreview1"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_canvas = new PageCanvas(m_scroll);
    m_scroll->setWidget(m_canvas);
    m_scroll->installEventFilter(this);
    m_scroll->viewport()->installEventFilter(this);
    splitter->addWidget(tabs);
    splitter->addWidget(m_scroll);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({150, 350});
    layout->addWidget(splitter, 1);

    auto *status = new QStatusBar(this);
    status->setObjectName(QStringLiteral("StatusBar"));
    status->setSizeGripEnabled(true);
    const auto panel = [status](const char *name, const QString &text, int width) {
        auto *label = new QLabel(text, status);
        label->setObjectName(QString::fromLatin1(name));
        label->setFixedWidth(width);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        status->addWidget(label);
        return label;
    };
    m_progressPanel = panel("Panel0", QStringLiteral("0%"), 80);
    m_pagePanel = panel("Panel1", QStringLiteral(u"页码"), 100);
    m_titlePanel = panel("Panel2", QString(), 50);
    // What did not print whole, page by page (red, cut by the panel; a
    // click lists them all).
    m_warningPanel = new ClickableLabel(status);
    m_warningPanel->setObjectName(QStringLiteral("Panel3"));
    m_warningPanel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    m_warningPanel->setStyleSheet(QStringLiteral("color: #c00000"));
    m_warningPanel->setMinimumWidth(1);
    connect(m_warningPanel, &ClickableLabel::clicked, this, [this] { showWarnings(); });
    status->addWidget(m_warningPanel, 1);
    // What the last print sent where.
    m_printedPanel = new QLabel(status);
    m_printedPanel->setObjectName(QStringLiteral("Panel4"));
    status->addPermanentWidget(m_printedPanel);
    // The form picture under the page, where it is seen at the window's
    // first size (the tool bar is cut at the right then).
    m_pictureButton = new QCheckBox(QStringLiteral(u"显示底图"), status);
    m_pictureButton->setObjectName(QStringLiteral("ShowPicture"));
    m_pictureButton->setToolTip(QStringLiteral(u"在页面下显示快递单底图（只在屏幕上显示，不会打印）"));
    m_pictureButton->setFocusPolicy(Qt::NoFocus);
    connect(m_pictureButton, &QCheckBox::toggled, this, [this](bool on) { showPicture(on); });
    status->addPermanentWidget(m_pictureButton);
    layout->addWidget(status);

    layout->setSizeConstraint(QLayout::SetNoConstraint);
    setMinimumSize(kLeastSize);
    centreOnScreen(this, QSize(std::max(kLeastSize.width(), bar->sizeHint().width()), kLeastSize.height()));

    m_producer = new QTimer(this);
    m_producer->setInterval(0);
    connect(m_producer, &QTimer::timeout, this, [this] { produceSome(); });
    m_pictureButton->setChecked(picturesShown());
    // The first page at once, the rest on the event loop.
    if (m_total > 0) {
        m_pages.reserve(m_total);
        addPage(m_run.page(0));
        pagesChanged();
    }
    if (!allPagesProduced())
        m_producer->start();
    else
        reportProgress(100);
    // The view has its size only once the window is laid out for showing;
    // showEvent fits the page again then.
    setZoom(ZoomMode::FitPage);
    goToPage(1);
}

TQRStandardPreview::~TQRStandardPreview() = default;

void TQRStandardPreview::buildToolBar()
{
    const struct {
        const char16_t *caption;
        const char16_t *hint;
    } entries[] = {
        {u"合适大小", u"缩放到合适大小"},
        {u"合适宽度", u"缩放到合适宽度"},
        {u"缩放100%", u"缩放到100%"},
        {u"首 页", u"首页"},
        {u"上一页", u"上一页"},
        {u"下一页", u"下一页"},
        {u"末 页", u"末页"},
        {u"设 置", u"打印机设置"},
        {u"打 印", u"打印"},
        {u"关 闭", u"关闭预览"},
    };
    for (int i = 0; i < 10; ++i) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("RzBitBtn%1").arg(i + 1));
        button->setText(QString::fromUtf16(entries[i].caption));
        button->setToolTip(QString::fromUtf16(entries[i].hint));
        button->setIcon(toolbarGlyph(i + 1));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setAutoRaise(true);
        button->setFixedSize(58, 58);
        QFont font = button->font();
        font.setPixelSize(11); // the longest caption, 缩放100%, fits the 58-pixel button
        button->setFont(font);
        button->setFocusPolicy(Qt::NoFocus);
        m_buttons << button;
    }

    const auto zoomAfterEvents = [this](ZoomMode mode) {
        QCoreApplication::processEvents();
        setZoom(mode);
    };
    connect(m_buttons[0], &QToolButton::clicked, this, [=] { zoomAfterEvents(ZoomMode::FitPage); });
    connect(m_buttons[1], &QToolButton::clicked, this, [=] { zoomAfterEvents(ZoomMode::FitWidth); });
    connect(m_buttons[2], &QToolButton::clicked, this, [=] { zoomAfterEvents(ZoomMode::Percent); });
    connect(m_buttons[3], &QToolButton::clicked, this, [this] { goToPage(1); });
    connect(m_buttons[4], &QToolButton::clicked, this, [this] { goToPage(m_pageNumber - 1); });
    connect(m_buttons[5], &QToolButton::clicked, this, [this] { goToPage(m_pageNumber + 1); });
    connect(m_buttons[6], &QToolButton::clicked, this, [this] { goToPage(pageCount()); });
    connect(m_buttons[7], &QToolButton::clicked, this, [this] { RzBitBtn8Click(); });
    connect(m_buttons[8], &QToolButton::clicked, this, [this] { RzBitBtn9Click(); });
    connect(m_buttons[9], &QToolButton::clicked, this, &QWidget::close);
}

void TQRStandardPreview::produceSome()
{
    QElapsedTimer slice;
    slice.start();
    bool ok = guarded(this, [&] {
        while (!allPagesProduced() && slice.elapsed() < kSliceMs)
            addPage(m_run.page(int(m_pages.size())));
    });
    if (!ok) {
        m_producer->stop();
        m_total = int(m_pages.size());
    }
    pagesChanged();
    reportProgress(m_total > 0 ? int(qint64(m_pages.size()) * 100 / m_total) : 100);
    if (allPagesProduced())
        m_producer->stop();
}

void TQRStandardPreview::produceAllPages()
{
    while (!allPagesProduced())
        produceSome();
}

void TQRStandardPreview::addPage(ComposedPage page)
{
    const QString warning = pageWarning(page, int(m_pages.size()) + 1);
    m_pages.append(std::move(page));
    if (warning.isEmpty())
        return;
    // Every page that did not print whole is named in the status line.
    m_warnings << warning;
    m_warningPanel->setText(m_warnings.join(QStringLiteral(u"；")));
    m_warningPanel->setToolTip(
        QStringLiteral(u"红框标出的内容打不全或需要核对。点击查看全部 %1 条提示").arg(m_warnings.size()));
    m_warningPanel->setCursor(Qt::PointingHandCursor);
}

void TQRStandardPreview::pagesChanged()
{
    m_thumbnailModel->setCount(pageCount());
    layoutThumbnails();
    m_pagePanel->setText(QStringLiteral(u"第 %1/%2 页").arg(m_pageNumber).arg(pageCount()));
    if (pageCount() == 1)
        placePage();
}

void TQRStandardPreview::layoutThumbnails()
{
    const int width = std::max(30, m_thumbnails->width() - 4);
    m_thumbnails->setColumnWidth(0, width);
    const QSizeF paper = m_pages.isEmpty() ? QSizeF(1, 1) : m_pages.first().paperMm;
    const int height = std::max(20, qRound((width - 20) * paper.height() / paper.width()));
    m_thumbnails->verticalHeader()->setDefaultSectionSize(height);
}

void TQRStandardPreview::goToPage(int n)
{
    if (n >= 1 && n <= pageCount()) {
        m_pageNumber = n;
        placePage();
        m_scroll->horizontalScrollBar()->setValue(0);
        m_scroll->verticalScrollBar()->setValue(0);
    }
    m_pagePanel->setText(QStringLiteral(u"第 %1/%2 页").arg(m_pageNumber).arg(pageCount()));
    m_titlePanel->setText(QString());
    if (n >= 1 && n <= pageCount()) {
        m_thumbnailGuard = true;
        m_thumbnails->selectRow(n - 1);
        m_thumbnails->setCurrentIndex(m_thumbnailModel->index(n - 1, 0));
        m_thumbnailGuard = false;
    }
}

void TQRStandardPreview::setZoom(ZoomMode mode, int percent)
{
    const QSize paper = m_run.paperUnits();
    const QSize view = m_scroll->viewport()->size();
    int zoom = percent;
    if (mode == ZoomMode::FitPage)
        zoom = qRound(std::min(95.0 * view.width() / paper.width(), 95.0 * view.height() / paper.height()));
    else if (mode == ZoomMode::FitWidth)
        zoom = qRound(90.0 * view.width() / paper.width());
    if (zoom < 2 || zoom > 2000)
        return;
    m_mode = mode;
    m_zoom = zoom;
    placePage();
    m_scroll->horizontalScrollBar()->setValue(0);
    m_scroll->verticalScrollBar()->setValue(0);
}

void TQRStandardPreview::placePage()
{
    m_canvas->show(m_pages.isEmpty() ? std::nullopt : std::optional<ComposedPage>(m_pages[m_pageNumber - 1]),
                   m_run.paperUnits(), m_zoom);
}

void TQRStandardPreview::reportProgress(int percent)
{
    if (percent >= m_lastProgress + 5) {
        m_progressPanel->setText(QString::number(percent) + QLatin1Char('%'));
        m_lastProgress = percent;
    }
    if (percent == 0 || percent == 100)
        m_progressPanel->clear();
}

void TQRStandardPreview::RzBitBtn8Click()
{
    const bool all = allPagesProduced();
    // The printer chosen here is the one calibrations are saved for.
    if (dialogs().printSetup(this, *m_printer, all ? 1 : 0, all ? pageCount() : 9999))
        rememberChosenPrinter(*m_printer);
}

void TQRStandardPreview::RzBitBtn9Click()
{
    // The run again from the data, with the run's printer settings.
    m_printedPanel->clear();
    guarded(this, [this] {
        try {
            const PrintedRun done = printRun(m_run, *m_printer, this);
            m_printedPanel->setText(done.pages > 0 ? printedText(done.pages, *m_printer) : QStringLiteral(u"未打印"));
            if (m_printed && done.pages > 0)
                m_printed(done);
        } catch (const PrintError &) {
            // The next print starts on a new printer with the same setup.
            m_printer = freshPrinterLike(*m_printer);
            throw;
        }
    });
}

namespace {

// 显示底图 is kept in the user's settings: off at first, then as the user
// left it, also after the program has ended.
const QString kPictureSetting = QStringLiteral("preview/showPicture");

QString userSettingsName()
{
    return QStringLiteral("waybill");
}

} // namespace

bool TQRStandardPreview::picturesShown() const
{
    return QSettings(userSettingsName(), userSettingsName()).value(kPictureSetting, false).toBool();
}

void TQRStandardPreview::showPicture(bool shown)
{
    if (picturesShown() != shown)
        QSettings(userSettingsName(), userSettingsName()).setValue(kPictureSetting, shown);
    if (m_pictureButton->isChecked() != shown)
        m_pictureButton->setChecked(shown);
    const Layout &layout = m_run.layout();
    if (!shown) {
        m_canvas->setPicture(QImage(), QRect());
        return;
    }
    m_canvas->setPicture(layout.pictureImage(), layout.pictureRect());
}

void TQRStandardPreview::showWarnings()
{
    if (m_warnings.isEmpty())
        return;
    QDialog list(this);
    list.setObjectName(QStringLiteral("WarningList"));
    list.setWindowTitle(QStringLiteral(u"打不全或需要核对的内容"));
    auto *layout = new QVBoxLayout(&list);
    layout->addWidget(
        new QLabel(QStringLiteral(u"下列内容在纸上打不全或需要核对（屏幕上用红框标出）。打不全的可以缩短内容、"
                                  u"换小一点的字体，或在打印窗口里移动位置；手机号码为空或不完整的请在名单中补全："),
                   &list));
    auto *text = new QPlainTextEdit(m_warnings.join(QLatin1Char('\n')), &list);
    text->setObjectName(QStringLiteral("WarningText"));
    text->setReadOnly(true);
    text->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    layout->addWidget(text, 1);
    auto *buttons = new QDialogButtonBox(&list);
    QPushButton *copy = buttons->addButton(QStringLiteral(u"复制全部"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("CopyWarnings"));
    connect(copy, &QPushButton::clicked, text, [text] { QGuiApplication::clipboard()->setText(text->toPlainText()); });
    connect(buttons->addButton(QStringLiteral(u"关闭"), QDialogButtonBox::RejectRole), &QPushButton::clicked, &list,
            &QDialog::reject);
    layout->addWidget(buttons);
    list.resize(520, 320);
    dialogs().showModal(&list);
}

bool TQRStandardPreview::handleKey(QKeyEvent *event)
{
    const bool ctrlAlone = event->modifiers() == Qt::ControlModifier;
    switch (event->key()) {
    case Qt::Key_PageUp:
        goToPage(ctrlAlone ? 1 : m_pageNumber - 1);
        return true;
    case Qt::Key_PageDown:
        goToPage(ctrlAlone ? pageCount() : m_pageNumber + 1);
        return true;
    case Qt::Key_Home:
        goToPage(1);
        return true;
    case Qt::Key_End:
        goToPage(pageCount());
        return true;
    default:
        return false;
    }
}

bool TQRStandardPreview::eventFilter(QObject *watched, QEvent *event)
{
    // The window sees the paging keys before its controls do.
    if (event->type() == QEvent::KeyPress && handleKey(static_cast<QKeyEvent *>(event)))
        return true;
    if (watched == m_thumbnails && event->type() == QEvent::Resize)
        layoutThumbnails();
    return QDialog::eventFilter(watched, event);
}

void TQRStandardPreview::keyPressEvent(QKeyEvent *event)
{
    if (!handleKey(event))
        QDialog::keyPressEvent(event);
}

void TQRStandardPreview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // The initial zoom, fitted to the view as laid out now.
    if (m_mode != ZoomMode::Percent)
        setZoom(m_mode);
}

void TQRStandardPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    // A fitted page follows the window (maximised, made smaller); a chosen
    // percentage stays.
    if (m_mode != ZoomMode::Percent && m_shown) {
        setZoom(m_mode);
        return;
    }
    placePage();
    m_scroll->horizontalScrollBar()->setValue(0);
    m_scroll->verticalScrollBar()->setValue(0);
}

void runPreview(const WaybillRun &run, QWidget *parent, std::function<void(const PrintedRun &)> printed)
{
    TQRStandardPreview preview(run, parent);
    preview.setPrintedHandler(std::move(printed));
    dialogs().showModal(&preview);
}
