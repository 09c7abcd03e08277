#include "waybill/print_window.h"

#include "store/calibration.h"
#include "store/connection.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/widgets.h"
#include "waybill/batch_data.h"
#include "waybill/page_view.h"
#include "waybill/print_source.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QPrinterInfo>
#include <QScreen>
#include <QPushButton>

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

} // namespace

int parseShiftAmount(const QString &text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok)
        throw AppError(QStringLiteral("'%1' is not a valid integer value").arg(text));
    return value;
}

void PrintWindow::setRunner(Runner newRunner)
{
    runner() = std::move(newRunner);
}

PrintWindow::PrintWindow(const Courier &courier, Variant variant, std::unique_ptr<PrintSource> source,
                         QWidget *parent, std::unique_ptr<BatchData> batch)
    : QMainWindow(parent), m_courier(courier), m_variant(variant), m_batch(std::move(batch)),
      m_run(layoutFor(courier.code, variant), std::move(source))
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
    QAction *save = bar->addAction(QStringLiteral(u"保存位置"));
    save->setObjectName(QStringLiteral("SaveCalibration"));
    connect(save, &QAction::triggered, this, [this] { saveCalibration(); });
    QAction *defaults = bar->addAction(QStringLiteral(u"恢复默认位置"));
    defaults->setObjectName(QStringLiteral("RestoreDefaults"));
    connect(defaults, &QAction::triggered, this, [this] { restoreDefaults(); });
    // Where the fields stand, in the menu bar's corner (the window keeps its size).
    m_calibrationLabel = new QLabel(bar);
    m_calibrationLabel->setObjectName(QStringLiteral("CalibrationLabel"));
    bar->setCornerWidget(m_calibrationLabel, Qt::TopRightCorner);

    const Layout &layout = m_run.layout();
    auto *panel = new QFrame(this);
    panel->setObjectName(layout.window.panel);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setCentralWidget(panel);

    const QSize paper = layout.paperUnits();
    const QRect pictureRect(QPoint(0, layout.pictureTop), layout.pictureDrawn);
    m_page = placed(new PageView(layout.picture, pictureRect, panel), QStringLiteral("QuickRep1"),
                    layout.window.pageLeft, 30, paper.width(), paper.height());
    connect(m_page, &PageView::pictureClicked, this, [this] { Image1Click(); });
    buildStrip(panel);

    panel->setFixedSize(layout.window.pageLeft + paper.width() + layout.window.frame.width(),
                        30 + paper.height() + layout.window.frame.height());
    setFixedSize(sizeHint());
    refreshPage();
}

namespace {

// The printer a calibration is kept for: the default one (none: PDF).
QString calibrationPrinter()
{
    return QPrinterInfo::defaultPrinterName();
}

} // namespace

QString PrintWindow::calibrationText() const
{
    const QPoint shift = m_run.totalShift();
    QString text = QStringLiteral(u"右移 %1、下移 %2（%3、%4 毫米）")
                       .arg(shift.x())
                       .arg(shift.y())
                       .arg(shift.x() * kMmPerUnit, 0, 'f', 1)
                       .arg(shift.y() * kMmPerUnit, 0, 'f', 1);
    if (m_run.scaleX() != 1.0 || m_run.scaleY() != 1.0)
        text += QStringLiteral(u"，缩放 %1 × %2").arg(m_run.scaleX(), 0, 'f', 3).arg(m_run.scaleY(), 0, 'f', 3);
    return text;
}

void PrintWindow::saveCalibration()
{
    guarded(this, [this] {
        Connection connection(objectName() + QStringLiteral(".calibration"));
        const QPoint shift = m_run.totalShift();
        const Calibration calibration{m_courier.code, calibrationPrinter(), shift.x(), shift.y(), m_run.scaleX(), m_run.scaleY()};
        CalibrationStore(connection).save(calibration);
        dialogs().notice(this, QStringLiteral(u"已保存位置：%1%2")
                                   .arg(calibrationText(),
                                        calibration.printer.isEmpty() ? QString()
                                                                      : QStringLiteral(u"（打印机 %1）").arg(calibration.printer)));
    });
}

void PrintWindow::restoreDefaults()
{
    guarded(this, [this] {
        Connection connection(objectName() + QStringLiteral(".calibration"));
        CalibrationStore(connection).clear(m_courier.code);
        m_run.reset();
        refreshPage();
    });
}

void PrintWindow::applySavedCalibration()
{
    // Once, when the window first opens: later openings keep what the user
    // has shifted meanwhile.
    m_calibrationApplied = true;
    try {
        Connection connection(objectName() + QStringLiteral(".calibration"));
        QString problem;
        const std::optional<Calibration> saved = CalibrationStore(connection).find(m_courier.code, calibrationPrinter(), &problem);
        if (!problem.isEmpty())
            dialogs().notice(this, problem);
        if (saved) {
            m_run.reset();
            m_run.shift(saved->shiftX, saved->shiftY);
            m_run.setScale(saved->scaleX, saved->scaleY);
        }
    } catch (const AppError &) {
        // No database to read it from: the layout's positions.
    }
}

void PrintWindow::refreshPage()
{
    if (m_calibrationLabel)
        m_calibrationLabel->setText(calibrationText() + QStringLiteral("  "));
    ComposedPage shown = m_run.screenPage();
    // A shown single print marks the items that would not print whole with
    // the data as it is now (the data may not be open: then none). Windows
    // being created at start-up compose nothing.
    if (!m_batch && isVisible()) {
        try {
            const ComposedPage data = m_run.page(0);
            for (ComposedItem &item : shown.items)
                item.flagged = std::any_of(data.items.cbegin(), data.items.cend(), [&](const ComposedItem &printed) {
                    return printed.flagged && printed.name == item.name;
                });
        } catch (const AppError &) {
        }
    }
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
        m_run.shift(horizontal ? amount : 0, horizontal ? 0 : amount);
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
    // The dialog starts from the items' font and colour as they are now.
    const std::optional<FontChoice> chosen = dialogs().chooseFont(this, {m_run.font(), m_run.color()});
    if (!chosen)
        return;
    m_run.setFont(chosen->font, chosen->color);
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

std::unique_ptr<PrintWindow> PrintWindow::makeBatch(const Courier &courier, Variant variant)
{
    const QString table = isImported(variant) ? QStringLiteral("excel") : QStringLiteral("inrxx");
    auto batch = std::make_unique<BatchData>(instanceName(courier.classOf(variant)), table);
    batch->connect();
    auto source = std::make_unique<AllRowsSource>(batch->sender, batch->recipients);
    return std::make_unique<PrintWindow>(courier, variant, std::move(source), nullptr, std::move(batch));
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
        setFixedSize(sizeHint()); // as polished for showing (the menu bar's height)
        if (const QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
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
