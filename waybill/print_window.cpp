#include "waybill/print_window.h"

#include "store/calibration.h"
#include "store/connection.h"
#include "store/print_log.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/screen_fit.h"
#include "ui/widgets.h"
#include "ui/window_keys.h"
#include "waybill/calibration_page.h"
#include "waybill/page_view.h"
#include "waybill/print_data.h"
#include "waybill/print_source.h"
#include "waybill/run_printing.h"
#include "waybill/waybill_number.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>

static void initPictureResources()
{
    Q_INIT_RESOURCE(pictures);
}

namespace {

PrintWindow::Runner &runner()
{
    static PrintWindow::Runner current;
    return current;
}

PrintWindow::Designer &designer()
{
    static PrintWindow::Designer current;
    return current;
}

} // namespace

int parseShiftAmount(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw AppError(QStringLiteral(u"移动量必须是整数，例如 10 或 -5（1 个单位约 0.26 毫米）。"
                                      u"（'%1' is not a valid integer value）")
                           .arg(text));
    return value;
}

double parseScale(const QString &text)
{
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    if (!ok)
        throw AppError(QStringLiteral(u"缩放比例必须是数字，例如 1.02：%1").arg(text));
    Calibration check;
    check.scaleX = value;
    checkCalibration(check);
    return value;
}

void PrintWindow::setRunner(Runner newRunner)
{
    runner() = std::move(newRunner);
}

void PrintWindow::setDesigner(Designer newDesigner)
{
    designer() = std::move(newDesigner);
}

PrintWindow::PrintWindow(const Courier &courier, Variant variant, std::unique_ptr<PrintSource> source, QWidget *parent,
                         std::unique_ptr<PrintData> batch)
    : PrintWindow(courier, variant, layoutFor(courier.code, variant), std::move(source), parent, std::move(batch))
{
}

PrintWindow::PrintWindow(const Courier &courier, Variant variant, const Layout &layout,
                         std::unique_ptr<PrintSource> source, QWidget *parent, std::unique_ptr<PrintData> batch)
    : QMainWindow(parent), m_courier(courier), m_variant(variant), m_batch(std::move(batch)),
      m_run(layout, std::move(source))
{
    static const bool registered = (initPictureResources(), true);
    Q_UNUSED(registered);
    const QString &windowClass = courier.classOf(variant);
    setObjectName(instanceName(windowClass));
    setProperty("windowClass", windowClass);
    setWindowTitle(windowCaption(courier, variant));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowCloseButtonHint
                   | Qt::WindowSystemMenuHint);

    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("MainMenu1"));
    // Access letters on every entry; Ctrl+P prints, Esc closes the window.
    QAction *run = bar->addAction(printEntryCaption(variant) + QStringLiteral("(&P)"));
    run->setObjectName(QStringLiteral("N1"));
    run->setShortcut(QKeySequence::Print);
    closeOnEscape(this);
    connect(run, &QAction::triggered, this, [this] { N1Click(); });
    // The font choice, also reached by a click on the form picture.
    QAction *font = bar->addAction(QStringLiteral(u"字体(&F)"));
    font->setObjectName(QStringLiteral("ChooseFont"));
    connect(font, &QAction::triggered, this, [this] { Image1Click(); });
    QAction *save = bar->addAction(QStringLiteral(u"保存位置(&S)"));
    save->setObjectName(QStringLiteral("SaveCalibration"));
    connect(save, &QAction::triggered, this, [this] { saveCalibration(); });
    QAction *defaults = bar->addAction(QStringLiteral(u"恢复默认位置(&R)"));
    defaults->setObjectName(QStringLiteral("RestoreDefaults"));
    connect(defaults, &QAction::triggered, this, [this] { restoreDefaults(); });
    QAction *sheet = bar->addAction(QStringLiteral(u"打印校准页(&C)"));
    sheet->setObjectName(QStringLiteral("PrintCalibrationPage"));
    connect(sheet, &QAction::triggered, this, [this] { printCalibrationPage(); });
    QAction *design = bar->addAction(QStringLiteral(u"按此单新建(&N)"));
    design->setObjectName(QStringLiteral("DesignFromThisForm"));
    design->setToolTip(QStringLiteral(u"在快递单设计中，以这张快递单为底新建一张"));
    connect(design, &QAction::triggered, this, [this] { designFromThisForm(); });
    QAction *number = bar->addAction(QStringLiteral(u"运单号(&W)"));
    number->setObjectName(QStringLiteral("FirstNumber"));
    number->setToolTip(QStringLiteral(u"打印机里第一张快递单的运单号，记入打印记录"));
    connect(number, &QAction::triggered, this, [this] { askFirstNumber(); });
    QAction *paperSize = bar->addAction(QStringLiteral(u"纸张尺寸(&Z)"));
    paperSize->setObjectName(QStringLiteral("PaperSize"));
    paperSize->setToolTip(QStringLiteral(u"在这台打印机上量得的纸张宽和长（连续纸），随“保存位置”保存"));
    connect(paperSize, &QAction::triggered, this, [this] { askPaperSize(); });
    // Where the fields stand, in a status line under the page.
    statusBar()->setSizeGripEnabled(false);
    m_calibrationLabel = new QLabel(statusBar());
    m_calibrationLabel->setObjectName(QStringLiteral("CalibrationLabel"));
    statusBar()->addWidget(m_calibrationLabel, 1);
    // What the red frames mean, while there are any.
    m_frameLabel = new QLabel(statusBar());
    m_frameLabel->setObjectName(QStringLiteral("FrameLabel"));
    m_frameLabel->setStyleSheet(QStringLiteral("color: #c00000"));
    statusBar()->addWidget(m_frameLabel, 1);
    // What the last print did, and the number the next one starts from.
    m_printedLabel = new QLabel(statusBar());
    m_printedLabel->setObjectName(QStringLiteral("PrintedLabel"));
    statusBar()->addPermanentWidget(m_printedLabel);
    // The items show the recipient's values; the switch shows their column names.
    m_columnNames = new QCheckBox(QStringLiteral(u"显示字段名"), statusBar());
    m_columnNames->setObjectName(QStringLiteral("ShowColumnNames"));
    m_columnNames->setToolTip(QStringLiteral(u"在快递单上显示每一项的字段名，而不是当前收件人的内容"));
    connect(m_columnNames, &QCheckBox::toggled, this, [this] { refreshPage(); });
    statusBar()->addPermanentWidget(m_columnNames);

    auto *panel = new QFrame(this);
    panel->setObjectName(layout.window.panel);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setCentralWidget(new ClientScrollArea(panel, this));

    const QSize paper = layout.paperUnits();
    m_page = placed(new PageView(layout, panel), QStringLiteral("QuickRep1"), layout.window.pageLeft, 30, paper.width(),
                    paper.height());
    connect(m_page, &PageView::pictureClicked, this, [this] { Image1Click(); });
    buildStrip(panel);

    panel->setFixedSize(layout.window.pageLeft + paper.width() + layout.window.frame.width(),
                        30 + paper.height() + layout.window.frame.height());
    setFixedSize(sizeHint());
    refreshPage();
}

QString PrintWindow::calibrationText() const
{
    const QString summary = calibrationSummary(m_run.calibration(QString()));
    return m_savedFrom.isEmpty() ? summary : m_savedFrom + QStringLiteral(u"：") + summary;
}

void PrintWindow::saveCalibration()
{
    guarded(this, [this] {
        if (!m_run.anyItemOnPaper())
            throw AppError(m_run.offPaperText() + QStringLiteral(u"，未保存。"));
        const Calibration calibration = m_run.calibration(calibrationPrinter());
        Connection connection(objectName() + QStringLiteral(".calibration"));
        CalibrationStore(connection).save(calibration);
        dialogs().notice(
            this,
            QStringLiteral(u"已保存位置：%1%2%3")
                .arg(calibrationSummary(calibration),
                     calibration.font.isEmpty() ? QString() : QStringLiteral(u"，字体 ") + calibration.font,
                     calibration.printer.isEmpty() ? QStringLiteral(u"（所有打印机）")
                                                   : QStringLiteral(u"（打印机 %1）").arg(calibration.printer)));
    });
}

namespace {

// What a saved calibration holds, as the user is told before it is forgotten.
QString savedCalibrationLine(const Calibration &saved)
{
    return QStringLiteral(u"  %1：%2%3")
        .arg(saved.printer.isEmpty() ? QStringLiteral(u"所有打印机") : QStringLiteral(u"打印机 ") + saved.printer,
             calibrationSummary(saved), saved.font.isEmpty() ? QString() : QStringLiteral(u"，字体 ") + saved.font);
}

} // namespace

void PrintWindow::restoreDefaults()
{
    guarded(this, [this] {
        Connection connection(objectName() + QStringLiteral(".calibration"));
        CalibrationStore store(connection);
        QStringList saved;
        for (const Calibration &calibration : store.list())
            if (calibration.courier == m_courier.code)
                saved << savedCalibrationLine(calibration);
        // A saved position is forgotten only when the user says so; No
        // (the default) puts the layout's positions back for this run only.
        if (!saved.isEmpty()
            && dialogs().confirm(this,
                                 QStringLiteral(u"本快递单保存的位置：\n%1\n\n是否同时删除保存的位置？\n"
                                                u"选“是”：删除以上保存的位置，以后打开也用默认位置。\n"
                                                u"选“否”：只在这次恢复默认位置，保存的位置保留，下次打开软件仍然使用。")
                                     .arg(saved.join(QLatin1Char('\n'))),
                                 false))
            store.clear(m_courier.code);
        m_run.reset();
        m_savedFrom.clear();
        showScale();
        refreshPage();
    });
}

void PrintWindow::printCalibrationPage()
{
    guarded(this, [this] { ::printCalibrationPage(m_run, m_courier.captionTail, this); });
}

void PrintWindow::designFromThisForm()
{
    guarded(this, [this] {
        if (!designer())
            throw AppError(QStringLiteral(u"没有安装快递单设计。"));
        designer()(m_run.layout(), m_courier.captionTail, this);
    });
}

void PrintWindow::askFirstNumber()
{
    guarded(this, [this] {
        QString offered = m_run.firstNumber();
        if (offered.isEmpty()) {
            Connection connection(objectName() + QStringLiteral(".record"));
            const QString last = PrintLog(connection).lastNumber(m_run.layout().code);
            if (!last.isEmpty())
                offered = offeredNextNumber(last);
        }
        const std::optional<QString> typed = dialogs().askText(
            this, QStringLiteral(u"运单号"),
            QStringLiteral(u"打印机里第一张快递单上印的运单号（后面的依次往下编号；不填则不记运单号）："), offered);
        if (!typed)
            return;
        const QString number = typed->trimmed();
        checkWaybillNumber(number);
        m_run.setFirstNumber(number);
        m_printedLabel->setText(number.isEmpty() ? QString() : QStringLiteral(u"首张运单号：%1").arg(number));
    });
}

void PrintWindow::askPaperSize()
{
    guarded(this, [this] {
        const QSizeF now = m_run.paperMm();
        const std::optional<QString> typed =
            dialogs().askText(this, QStringLiteral(u"纸张尺寸"),
                              QStringLiteral(u"在这台打印机上量得的纸张宽和长（毫米，精确到 0.1），例如 230x127.3：\n"
                                             u"（快递单原始尺寸 %1 × %2 毫米）")
                                  .arg(m_run.layout().paperMm.width(), 0, 'f', 1)
                                  .arg(m_run.layout().paperMm.height(), 0, 'f', 1),
                              QStringLiteral("%1x%2").arg(now.width(), 0, 'f', 1).arg(now.height(), 0, 'f', 1));
        if (!typed)
            return;
        const std::optional<QSizeF> paper = parsePaperSize(*typed);
        if (!paper)
            throw AppError(QStringLiteral(u"纸张尺寸的格式是 宽x长（毫米），例如 230x127.3：%1").arg(*typed));
        Calibration check;
        check.paperWidth = paper->width();
        check.paperHeight = paper->height();
        checkCalibration(check);
        m_run.setPaper(*paper);
        m_savedFrom.clear();
        refreshPage();
    });
}

void PrintWindow::showPrinted(const PrintedRun &done)
{
    if (!done.lastNumber.isEmpty())
        m_run.setFirstNumber(offeredNextNumber(done.lastNumber));
    m_printedLabel->setText(done.summary);
    m_printedLabel->setToolTip(
        m_run.firstNumber().isEmpty() ? QString() : QStringLiteral(u"下一张运单号：%1").arg(m_run.firstNumber()));
}

void PrintWindow::applySavedCalibration()
{
    // Once, when the window first opens: later openings keep what the user
    // has shifted meanwhile.
    m_calibrationApplied = true;
    try {
        Connection connection(objectName() + QStringLiteral(".calibration"));
        QString problem;
        const QString printer = calibrationPrinter();
        const std::optional<Calibration> saved = CalibrationStore(connection).find(m_courier.code, printer, &problem);
        if (!problem.isEmpty())
            dialogs().notice(this, problem);
        if (saved) {
            m_run.apply(*saved);
            m_savedFrom = saved->printer.isEmpty() ? QStringLiteral(u"已用保存的位置（所有打印机）")
                                                   : QStringLiteral(u"已用保存的位置（打印机 %1）").arg(saved->printer);
            showScale();
        }
    } catch (const AppError &error) {
        // The layout's positions, and the status line says why.
        m_savedFrom = QStringLiteral(u"未能读取保存的位置（%1），现用默认位置").arg(error.text());
    }
}

void PrintWindow::showScale()
{
    m_scaleX->setText(QString::number(m_run.scaleX(), 'f', 3));
    m_scaleY->setText(QString::number(m_run.scaleY(), 'f', 3));
}

void PrintWindow::refreshPage()
{
    if (m_calibrationLabel)
        m_calibrationLabel->setText(calibrationText());
    ComposedPage shown = m_run.screenPage();
    if (!m_columnNames->isChecked() && isVisible()) {
        try {
            shown = m_run.valuesPage();
            if (m_batch) // the red frames are a single print's, for the recipient it prints
                for (ComposedItem &item : shown.items)
                    item.flagged = false;
        } catch (const AppError &) {
            // The data are not open: the column names show where the items are.
        }
    }
    // A shown single print marks the items that would not print whole with
    // the data as it is now (the data may not be open: then none). Windows
    // being created at start-up compose nothing.
    QStringList unprinted;
    if (!m_batch && isVisible()) {
        try {
            const ComposedPage data = m_run.page(0);
            for (ComposedItem &item : shown.items)
                item.flagged = std::any_of(data.items.cbegin(), data.items.cend(), [&](const ComposedItem &printed) {
                    return printed.flagged && printed.name == item.name;
                });
            unprinted = data.warnings;
        } catch (const AppError &) {
        }
    }
    m_frameLabel->setText(
        unprinted.isEmpty()
            ? QString()
            : QStringLiteral(u"红框：按当前收件人的内容，%1").arg(unprinted.join(QStringLiteral(u"，"))));
    m_frameLabel->setToolTip(unprinted.isEmpty() ? QString()
                                                 : unprinted.join(QLatin1Char('\n')) + QStringLiteral("\n\n")
                                     + PageView::frameExplanation());
    m_page->setPage(shown);
}

PrintWindow::~PrintWindow() = default;

void PrintWindow::buildStrip(QWidget *panel)
{
    const int x = m_run.layout().window.stripLeft;
    const QFont font = songFont(12);
    const auto label = [&](const char *name, const char16_t *text, int left) {
        QLabel *widget = makeLabel(panel, QString::fromLatin1(name), QString::fromUtf16(text), left, 10, 12);
        widget->setFont(font);
    };
    const auto edit = [&](const char *name, int left, int width = 65) {
        QLineEdit *widget = placed(new QLineEdit(panel), QString::fromLatin1(name), left, 8, width, 18);
        widget->setFont(font);
        return widget;
    };
    const auto button = [&](const char *name, int left, void (PrintWindow::*handler)(),
                            const QList<QLineEdit *> &edits) {
        auto *widget =
            placed(new QPushButton(QStringLiteral(u"确定"), panel), QString::fromLatin1(name), left, 7, 50, 20);
        widget->setFont(font);
        connect(widget, &QPushButton::clicked, this, [this, handler] { (this->*handler)(); });
        pressOnEnter(edits, widget); // Enter in an edit applies it, as its button does
    };
    // The scale, left of the shift edits (the strip ends at the panel's edge).
    label("Label4", u"缩放 横", x - 252);
    m_scaleX = edit("Edit3", x - 206, 48);
    label("Label5", u"纵", x - 152);
    m_scaleY = edit("Edit4", x - 138, 48);
    button("Button4", x - 84, &PrintWindow::Button4Click, {m_scaleX, m_scaleY});
    showScale();
    label("Label2", u"左右移动", x);
    m_shiftX = edit("Edit1", x + 52);
    button("Button2", x + 128, &PrintWindow::Button2Click, {m_shiftX});
    label("Label3", u"上下移动", x + 208);
    m_shiftY = edit("Edit2", x + 260);
    button("Button3", x + 336, &PrintWindow::Button3Click, {m_shiftY});
}

void PrintWindow::shift(QLineEdit *edit, bool horizontal)
{
    guarded(this, [&] {
        if (edit->text().isEmpty())
            return;
        const int amount = parseShiftAmount(edit->text()); // fails before any item moves
        // A shift that would leave a blank waybill is refused where it is typed.
        m_run.shiftKeepingPaper(horizontal ? amount : 0, horizontal ? 0 : amount);
        m_savedFrom.clear();
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

void PrintWindow::Button4Click()
{
    guarded(this, [this] {
        const double across = parseScale(m_scaleX->text()); // both checked before anything changes
        const double down = parseScale(m_scaleY->text());
        m_run.setScale(across, down);
        m_savedFrom.clear();
        refreshPage();
    });
}

void PrintWindow::Image1Click()
{
    // The dialog starts from the items' font and colour as they are now.
    const std::optional<FontChoice> chosen = dialogs().chooseFont(this, {m_run.font(), m_run.color()});
    if (!chosen)
        return;
    m_run.setFont(chosen->font, chosen->color);
    m_savedFrom.clear();
    refreshPage();
}

void PrintWindow::N1Click()
{
    guarded(this, [this] {
        if (m_beforeRun)
            m_beforeRun();
        if (!runner())
            throw AppError(QStringLiteral(u"没有安装打印预览。"));
        runner()(*this);
    });
    if (m_batch && isVisible())
        FormActivate(); // active again after the preview
}

std::unique_ptr<PrintWindow> PrintWindow::makeBatch(const Courier &courier, Variant variant,
                                                    const std::optional<Layout> &layout)
{
    auto batch = std::make_unique<PrintData>(instanceName(courier.classOf(variant)), variant);
    batch->connect();
    std::unique_ptr<PrintSource> source = batch->source();
    return std::make_unique<PrintWindow>(courier, variant, layout ? *layout : layoutFor(courier.code, variant),
                                         std::move(source), nullptr, std::move(batch));
}

void PrintWindow::FormActivate()
{
    if (m_batch)
        guarded(this, [this] { m_batch->reopen(); });
}

void PrintWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_calibrationApplied)
        applySavedCalibration();
    if (!m_placed) {
        // Centred on the desktop when it first opens.
        m_placed = true;
        centreOnScreen(this); // as polished for showing (the menu bar's height)
    }
    FormActivate();
    refreshPage();
}

void PrintWindow::hideEvent(QHideEvent *event)
{
    QMainWindow::hideEvent(event);
    // The snapshots are taken again at the next activation; drop them now.
    if (m_batch)
        m_batch->release();
}
