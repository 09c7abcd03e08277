#include "waybill/preview_window.h"

#include "report/print_job.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "waybill/print_window.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

// The page at the current zoom: white paper and the page's items.
class PageCanvas : public QWidget {
public:
    explicit PageCanvas(QWidget *parent) : QWidget(parent) { setObjectName(QStringLiteral("PageView")); }
    void show(const ComposedPage *page, QSize paperUnits, int zoom)
    {
        m_page = page;
        m_scale = zoom / 100.0;
        setFixedSize(qMax(1, qRound(paperUnits.width() * m_scale)), qMax(1, qRound(paperUnits.height() * m_scale)));
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setRenderHint(QPainter::TextAntialiasing);
        if (m_page)
            paintPage(painter, *m_page, m_scale);
    }

private:
    const ComposedPage *m_page = nullptr;
    qreal m_scale = 1;
};

// One row per produced page.
class ThumbnailModel : public QAbstractTableModel {
public:
    using QAbstractTableModel::QAbstractTableModel;
    void setCount(int count)
    {
        if (count == m_count)
            return;
        beginInsertRows({}, m_count, count - 1);
        m_count = count;
        endInsertRows();
    }
    int rowCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : m_count; }
    int columnCount(const QModelIndex &parent = {}) const override { return parent.isValid() ? 0 : 1; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        return role == Qt::DisplayRole ? QVariant(index.row() + 1) : QVariant();
    }

private:
    int m_count = 0;
};

// A page scaled into its cell, inset 10 at the left, top and bottom and 30
// at the right, with its number at the top-left corner.
class ThumbnailDelegate : public QStyledItemDelegate {
public:
    explicit ThumbnailDelegate(const TQRStandardPreview &preview, QObject *parent)
        : QStyledItemDelegate(parent), m_preview(preview) {}
    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        painter->save();
        if (option.state & QStyle::State_Selected)
            painter->fillRect(option.rect, option.palette.highlight());
        const QRect picture = option.rect.adjusted(10, 10, -30, -10);
        const ComposedPage &page = m_preview.page(index.row());
        const QSizeF paper(page.paperMm.width() / kMmPerUnit, page.paperMm.height() / kMmPerUnit);
        painter->fillRect(picture, Qt::white);
        painter->setPen(Qt::gray);
        painter->drawRect(picture.adjusted(0, 0, -1, -1));
        painter->translate(picture.topLeft());
        painter->scale(picture.width() / paper.width(), picture.height() / paper.height());
        paintPage(*painter, page, 1.0);
        painter->resetTransform();
        const QString number = QString::number(index.row() + 1);
        const QRect label = option.fontMetrics.boundingRect(number).adjusted(-2, 0, 2, 0);
        const QRect at(option.rect.topLeft(), label.size());
        painter->fillRect(at, option.palette.button());
        painter->setPen(option.palette.buttonText().color());
        painter->drawText(at, Qt::AlignCenter, number);
        painter->restore();
    }

private:
    const TQRStandardPreview &m_preview;
};

namespace {

// The glyphs of the tool bar, drawn in a 32 x 32 square.
QIcon glyph(int button)
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor blue(30, 90, 170), dark(60, 60, 60);
    p.setPen(QPen(dark, 1.6));
    const auto page = [&](QRectF r) {
        p.setBrush(Qt::white);
        p.drawRect(r);
        p.setBrush(Qt::NoBrush);
    };
    // A filled triangle with its tip at (tip, 16), pointing left or right.
    const auto triangle = [&](double tip, bool pointsLeft) {
        const double base = pointsLeft ? tip + 9 : tip - 9;
        QPainterPath path;
        path.moveTo(tip, 16);
        path.lineTo(base, 8);
        path.lineTo(base, 24);
        path.closeSubpath();
        p.fillPath(path, blue);
    };
    switch (button) {
    case 1: // fit page
        page({8, 4, 16, 24});
        p.setPen(QPen(blue, 1.6));
        p.drawRect(QRectF(4, 2, 24, 28));
        break;
    case 2: // fit width
        page({9, 6, 14, 20});
        p.setPen(QPen(blue, 2));
        p.drawLine(QPointF(2, 16), QPointF(30, 16));
        p.drawLine(QPointF(2, 16), QPointF(6, 12));
        p.drawLine(QPointF(2, 16), QPointF(6, 20));
        p.drawLine(QPointF(30, 16), QPointF(26, 12));
        p.drawLine(QPointF(30, 16), QPointF(26, 20));
        break;
    case 3: { // 100 %
        p.setPen(QPen(blue, 2.4));
        p.drawEllipse(QRectF(4, 4, 17, 17));
        p.drawLine(QPointF(19, 19), QPointF(28, 28));
        QFont font = p.font();
        font.setPixelSize(8);
        font.setBold(true);
        p.setFont(font);
        p.setPen(dark);
        p.drawText(QRectF(4, 4, 17, 17), Qt::AlignCenter, QStringLiteral("1:1"));
        break;
    }
    case 4: // first
        p.fillRect(QRectF(7, 8, 3, 16), blue);
        triangle(11, true);
        triangle(20, true);
        break;
    case 5: // previous
        triangle(11, true);
        break;
    case 6: // next
        triangle(21, false);
        break;
    case 7: // last
        triangle(21, false);
        triangle(12, false);
        p.fillRect(QRectF(22, 8, 3, 16), blue);
        break;
    case 8: // printer setup
    case 9: { // print
        p.setBrush(QColor(220, 220, 220));
        p.drawRect(QRectF(4, 12, 24, 12));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(9, 4, 14, 9));
        p.drawRect(QRectF(9, 20, 14, 9));
        if (button == 8) {
            p.setPen(QPen(blue, 2.4));
            p.drawEllipse(QRectF(19, 17, 10, 10));
        } else {
            p.setPen(QPen(dark, 1));
            p.drawLine(QPointF(11, 23), QPointF(21, 23));
            p.drawLine(QPointF(11, 26), QPointF(19, 26));
        }
        break;
    }
    default: // close
        p.setPen(QPen(QColor(190, 30, 30), 3.2));
        p.drawLine(QPointF(8, 8), QPointF(24, 24));
        p.drawLine(QPointF(24, 8), QPointF(8, 24));
        break;
    }
    return QIcon(pixmap);
}

constexpr int kSliceMs = 12; // composing time per event-loop turn

} // namespace

TQRStandardPreview::TQRStandardPreview(PrintWindow &window, QWidget *parent)
    : QDialog(parent), m_window(window), m_composer(window.composer()), m_total(window.pageCount()),
      m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    setObjectName(QStringLiteral("QRStandardPreview"));
    setProperty("windowClass", QStringLiteral("TQRStandardPreview"));
    setWindowTitle(QStringLiteral(u"打印预览"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint);
    m_printer->setFullPage(true);
    setUpPaper(*m_printer, window.layout().paperMm);

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
    layout->addWidget(bar);

    auto *splitter = new QSplitter(Qt::Horizontal, this);
    splitter->setObjectName(QStringLiteral("Splitter1"));
    auto *tabs = new QTabWidget(splitter);
    tabs->setObjectName(QStringLiteral("PageControl1"));
    m_thumbnails = new QTableView;
    m_thumbnails->setObjectName(QStringLiteral("ThumbnailList"));
    m_thumbnailModel = new ThumbnailModel(m_thumbnails);
    m_thumbnails->setModel(m_thumbnailModel);
    m_thumbnails->setItemDelegate(new ThumbnailDelegate(*this, m_thumbnails));
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
    status->setSizeGripEnabled(false);
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
    layout->addWidget(status);

    setFixedSize(500, 500);
    if (const QScreen *screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    m_producer = new QTimer(this);
    m_producer->setInterval(0);
    connect(m_producer, &QTimer::timeout, this, [this] { produceSome(); });
    // The first page at once, the rest on the event loop.
    if (m_total > 0) {
        m_pages.reserve(m_total);
        m_pages.append(m_window.composePage(m_composer, 0));
        pagesChanged();
    }
    if (!allPagesProduced())
        m_producer->start();
    else
        reportProgress(100);
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
        {u"合适大小", u"缩放到合适大小"}, {u"合适宽度", u"缩放到合适宽度"}, {u"缩放100%", u"缩放到100%"},
        {u"首 页", u"首页"}, {u"上一页", u"上一页"}, {u"下一页", u"下一页"}, {u"末 页", u"末页"},
        {u"设 置", u"打印机设置"}, {u"打 印", u"打印"}, {u"关 闭", u"关闭预览"},
    };
    for (int i = 0; i < 10; ++i) {
        auto *button = new QToolButton(this);
        button->setObjectName(QStringLiteral("RzBitBtn%1").arg(i + 1));
        button->setText(QString::fromUtf16(entries[i].caption));
        button->setToolTip(QString::fromUtf16(entries[i].hint));
        button->setIcon(glyph(i + 1));
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
            m_pages.append(m_window.composePage(m_composer, int(m_pages.size())));
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
    const QSize paper = m_window.layout().paperUnits();
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
    const ComposedPage *page = m_pages.isEmpty() ? nullptr : &m_pages[m_pageNumber - 1];
    m_canvas->show(page, m_window.layout().paperUnits(), m_zoom);
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
    for (int i = 0; i < 3; ++i)
        m_buttons[i]->setEnabled(false);
    const bool all = allPagesProduced();
    dialogs().printSetup(this, *m_printer, all ? 1 : 0, all ? pageCount() : 9999);
}

void TQRStandardPreview::RzBitBtn9Click()
{
    // The run again from the data, with the run's printer settings.
    guarded(this, [this] { printRun(m_window, *m_printer, this); });
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

void TQRStandardPreview::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    placePage();
    m_scroll->horizontalScrollBar()->setValue(0);
    m_scroll->verticalScrollBar()->setValue(0);
}

void runPreview(PrintWindow &window)
{
    TQRStandardPreview preview(window, &window);
    dialogs().showModal(&preview);
}
