#include "waybill/print_window.h"

#include "report/print_job.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/widgets.h"
#include "waybill/batch_data.h"
#include "waybill/page_view.h"
#include "waybill/preview_window.h"
#include "waybill/print_source.h"

#include <QMenuBar>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <limits>

static void initPictureResources()
{
    Q_INIT_RESOURCE(pictures);
}

namespace {

PrintWindow::Runner &runner()
{
    static PrintWindow::Runner current = runPreview;
    return current;
}

// The left edge of the shift strip.
int stripLeft(const Courier &courier, Variant variant)
{
    if (courier.code == QStringLiteral("sf") || courier.code == QStringLiteral("sf1"))
        return 416;
    if (courier.code == QStringLiteral("zjs") && !isBatch(variant))
        return 416;
    return isBatch(variant) ? 472 : 464;
}

// The panel is named Panel1 in four batch windows, Panel2 elsewhere.
QString panelName(const QString &windowClass)
{
    static const QStringList panel1{QStringLiteral("TPlyt1Form"), QStringLiteral("TplzjsForm"),
                                     QStringLiteral("TEplzjsForm"), QStringLiteral("TPlhtForm")};
    return panel1.contains(windowClass) ? QStringLiteral("Panel1") : QStringLiteral("Panel2");
}

} // namespace

int parseShiftAmount(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw std::runtime_error(QStringLiteral("'%1' is not a valid integer value").arg(text).toStdString());
    return value;
}

void PrintWindow::setRunner(Runner newRunner)
{
    runner() = std::move(newRunner);
}

PrintWindow::PrintWindow(const Courier &courier, Variant variant, std::unique_ptr<PrintSource> source,
                         QWidget *parent)
    : QMainWindow(parent), m_courier(courier), m_variant(variant), m_layout(layoutFor(courier.code, variant)),
      m_items(m_layout.items), m_source(std::move(source)), m_lastFont(QStringLiteral("MS Sans Serif"), 8)
{
    static const bool registered = (initPictureResources(), true);
    Q_UNUSED(registered);
    const QString windowClass = courier.classOf(variant);
    setObjectName(instanceName(windowClass));
    setProperty("windowClass", windowClass);
    setWindowTitle(windowCaption(courier, variant));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint
                   | Qt::WindowSystemMenuHint);

    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    QAction *run = bar->addAction(printEntryCaption(variant));
    run->setObjectName(QStringLiteral("N1"));
    connect(run, &QAction::triggered, this, [this] { N1Click(); });

    auto *panel = new QFrame(this);
    panel->setObjectName(panelName(windowClass));
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setCentralWidget(panel);

    const QSize paper = m_layout.paperUnits();
    const int pageLeft = (windowClass == QStringLiteral("TplzjsForm") || windowClass == QStringLiteral("TEplzjsForm")) ? 0 : 5;
    const QRect pictureRect(QPoint(0, m_layout.pictureTop), m_layout.pictureDrawn);
    m_page = placed(new PageView(m_layout.picture, pictureRect, panel), QStringLiteral("QuickRep1"), pageLeft, 30,
                    paper.width(), paper.height());
    connect(m_page, &PageView::pictureClicked, this, [this] { Image1Click(); });
    buildStrip(panel);

    const bool sfForm = courier.code == QStringLiteral("sf") || courier.code == QStringLiteral("sf1");
    panel->setFixedSize(pageLeft + paper.width() + (sfForm ? 0 : 5), 30 + paper.height() + (sfForm ? 0 : 3));
    setFixedSize(sizeHint());
    refreshPage();
}

void PrintWindow::refreshPage()
{
    // The screen shows each item's column name, unsplit, at its place.
    QList<LayoutItem> shown = m_items;
    for (LayoutItem &item : shown)
        item.splitWidth = 0;
    m_page->setPage(PageComposer(m_layout.paperMm, shown).compose([](RowSide, const QString &column) {
        return column;
    }));
}

PrintWindow::~PrintWindow() = default;

void PrintWindow::buildStrip(QWidget *panel)
{
    const int x = stripLeft(m_courier, m_variant);
    const QFont font = songFont(12);
    const auto label = [&](const char *name, const char16_t *text, int left) {
        QLabel *widget = makeLabel(panel, QString::fromLatin1(name), QString::fromUtf16(text), left, 10, 12);
        widget->setFont(font);
    };
    const auto edit = [&](const char *name, int left) {
        QLineEdit *widget = placed(new QLineEdit(panel), QString::fromLatin1(name), left, 8, 65, 18);
        widget->setFont(font);
        return widget;
    };
    const auto button = [&](const char *name, int left, void (PrintWindow::*handler)()) {
        auto *widget = placed(new QPushButton(QStringLiteral(u"确定"), panel), QString::fromLatin1(name), left, 7, 50, 20);
        widget->setFont(font);
        connect(widget, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
    };
    label("Label2", u"左右移动", x);
    m_shiftX = edit("Edit1", x + 52);
    button("Button2", x + 128, &PrintWindow::Button2Click);
    label("Label3", u"上下移动", x + 208);
    m_shiftY = edit("Edit2", x + 260);
    button("Button3", x + 336, &PrintWindow::Button3Click);
}

void PrintWindow::shift(QLineEdit *edit, bool horizontal)
{
    guarded(this, [&] {
        if (edit->text().isEmpty())
            return;
        const int amount = parseShiftAmount(edit->text()); // fails before any item moves
        shiftItems(m_items, horizontal ? amount : 0, horizontal ? 0 : amount);
        refreshPage();
    });
}

void PrintWindow::Button2Click()
{
    shift(m_shiftX, true);
}

void PrintWindow::Button3Click()
{
    shift(m_shiftY, false);
}

void PrintWindow::Image1Click()
{
    const std::optional<QFont> chosen = dialogs().chooseFont(this, m_lastFont);
    if (!chosen)
        return;
    m_lastFont = *chosen;
    for (LayoutItem &item : m_items)
        item.font = *chosen;
    refreshPage();
}

void PrintWindow::N1Click()
{
    guarded(this, [this] {
        if (m_beforeRun)
            m_beforeRun();
        runner()(*this);
    });
    if (m_batch && isVisible())
        FormActivate(); // active again after the preview
}

std::unique_ptr<PrintWindow> PrintWindow::makeBatch(const Courier &courier, Variant variant)
{
    const QString table = isImported(variant) ? QStringLiteral("excel") : QStringLiteral("inrxx");
    auto batch = std::make_unique<BatchData>(instanceName(courier.classOf(variant)), table);
    batch->connect();
    auto source = std::make_unique<AllRowsSource>(batch->sender, batch->recipients);
    auto window = std::make_unique<PrintWindow>(courier, variant, std::move(source));
    window->m_batch = std::move(batch);
    return window;
}

void PrintWindow::FormActivate()
{
    if (m_batch)
        guarded(this, [this] { m_batch->reopen(); });
}

void PrintWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    FormActivate();
}

void PrintWindow::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    // The snapshots are taken again at the next activation; drop them now.
    if (m_batch)
        m_batch->release();
}

PageComposer PrintWindow::composer() const
{
    return PageComposer(m_layout.paperMm, m_items);
}

int PrintWindow::pageCount() const
{
    return m_source->pageCount();
}

ComposedPage PrintWindow::composePage(const PageComposer &composer, int page) const
{
    return composer.compose(
        [this, page](RowSide row, const QString &column) { return m_source->value(page, row, column); });
}

void printRun(PrintWindow &window, QPrinter &printer, QWidget *parent)
{
    const PageComposer composer = window.composer();
    const int pages = window.pageCount();
    PageRange range;
    if (printer.printRange() == QPrinter::PageRange)
        range = {printer.fromPage(), printer.toPage()};
    QProgressDialog progress(QStringLiteral(u"正在打印..."), QStringLiteral(u"取消"), 0, pages, parent);
    progress.setWindowTitle(QStringLiteral(u"打印"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    printPages(printer, printer.resolution(), pages, [&](int page) { return window.composePage(composer, page); },
               range, [&](int done, int total) {
                   progress.setMaximum(total);
                   progress.setValue(done);
                   return !progress.wasCanceled();
               });
}

void printThroughSetup(PrintWindow &window)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    setUpPaper(printer, window.layout().paperMm);
    if (dialogs().printSetup(&window, printer, 1, window.pageCount()))
        printRun(window, printer, &window);
}
