#include "app/label_window.h"

#include "labels/label_print.h"
#include "report/page.h"
#include "store/calibration.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/window_keys.h"
#include "waybill/calibration_page.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

constexpr double kThumbDpi = 36;
const QString kCustomPaper = QStringLiteral(u"自定义");

QPushButton *button(QWidget *parent, const char *name, const char16_t *caption)
{
    auto *made = new QPushButton(QString::fromUtf16(caption), parent);
    made->setObjectName(QString::fromLatin1(name));
    made->setAutoDefault(false);
    return made;
}

// A thumbnail of label k on its paper, as it will print.
QPixmap thumbnail(const LabelRun &run, int label)
{
    const LabelOptions &options = run.options();
    const double dots = kThumbDpi / 25.4;
    QImage sheet(qRound(options.paperMm.width() * dots), qRound(options.paperMm.height() * dots), QImage::Format_RGB32);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    run.paint(painter, label, kThumbDpi, kThumbDpi);
    painter.setPen(QColor(160, 160, 160));
    painter.drawRect(sheet.rect().adjusted(0, 0, -1, -1));
    painter.end();
    return QPixmap::fromImage(sheet);
}

// Runs work with a progress window over parent; the window stays responsive.
template <class Work>
auto withProgress(QWidget *parent, const QString &text, Work &&work)
{
    QProgressDialog progress(text, QStringLiteral(u"取消"), 0, 100, parent);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    return work([&](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
        return !progress.wasCanceled();
    });
}

} // namespace

LabelWindow::LabelWindow(QWidget *parent) : QDialog(parent), m_connection(QStringLiteral("labels.window"))
{
    setObjectName(QStringLiteral("LabelWindow"));
    setWindowTitle(QStringLiteral(u"标签打印"));
    setWindowFlags(windowFlags() | Qt::WindowMaximizeButtonHint);
    m_connection.open();
    auto *layout = new QHBoxLayout(this);

    auto *left = new QVBoxLayout;
    auto *filesBox = new QGroupBox(QStringLiteral(u"电子面单文件（PDF、PNG、JPEG）"), this);
    auto *filesLayout = new QVBoxLayout(filesBox);
    m_fileList = new QListWidget(filesBox);
    m_fileList->setObjectName(QStringLiteral("Files"));
    m_fileList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    filesLayout->addWidget(m_fileList, 1);
    auto *fileButtons = new QHBoxLayout;
    QPushButton *addFile = button(filesBox, "AddFiles", u"添加文件…");
    QPushButton *addFolder = button(filesBox, "AddFolder", u"添加文件夹…");
    QPushButton *remove = button(filesBox, "RemoveFiles", u"移除");
    for (QPushButton *each : {addFile, addFolder, remove})
        fileButtons->addWidget(each);
    filesLayout->addLayout(fileButtons);
    left->addWidget(filesBox, 1);

    auto *optionsBox = new QGroupBox(QStringLiteral(u"纸张和打印"), this);
    auto *form = new QFormLayout(optionsBox);
    m_paper = new QComboBox(optionsBox);
    m_paper->setObjectName(QStringLiteral("Paper"));
    for (const LabelPaper &paper : labelPapers())
        m_paper->addItem(paper.name + QStringLiteral(u" 毫米"), paper.mm);
    m_paper->addItem(kCustomPaper);
    form->addRow(QStringLiteral(u"标签纸"), m_paper);
    auto *size = new QHBoxLayout;
    const auto millimetres = [&](const char *name, double value) {
        auto *spin = new QDoubleSpinBox(optionsBox);
        spin->setObjectName(QString::fromLatin1(name));
        spin->setRange(calibration::kMinPaper, calibration::kMaxPaper);
        spin->setDecimals(1);
        spin->setSingleStep(0.1);
        spin->setValue(value);
        spin->setSuffix(QStringLiteral(u" 毫米"));
        spin->setEnabled(false);
        return spin;
    };
    m_width = millimetres("PaperWidth", 100);
    m_height = millimetres("PaperHeight", 150);
    size->addWidget(m_width);
    size->addWidget(new QLabel(QStringLiteral(u"×"), optionsBox));
    size->addWidget(m_height);
    form->addRow(QStringLiteral(u"宽 × 长"), size);
    m_perPage = new QComboBox(optionsBox);
    m_perPage->setObjectName(QStringLiteral("PerPage"));
    m_perPage->addItem(QStringLiteral(u"每页一张"), 1);
    m_perPage->addItem(QStringLiteral(u"每页两张（A4 切开）"), 2);
    m_perPage->addItem(QStringLiteral(u"每页四张（A4 切开）"), 4);
    form->addRow(QStringLiteral(u"文件中"), m_perPage);
    m_target = new QComboBox(optionsBox);
    m_target->setObjectName(QStringLiteral("Target"));
    for (const QString &name : QPrinterInfo::availablePrinterNames())
        m_target->addItem(name, name);
    m_target->addItem(QStringLiteral(u"PDF 文件"), QString());
    const QString defaultPrinter = QPrinterInfo::defaultPrinterName();
    if (!defaultPrinter.isEmpty())
        m_target->setCurrentIndex(std::max(0, m_target->findData(defaultPrinter)));
    form->addRow(QStringLiteral(u"打印到"), m_target);
    m_dpi = new QComboBox(optionsBox);
    m_dpi->setObjectName(QStringLiteral("Dpi"));
    m_dpi->addItem(QStringLiteral("203 dpi"), 203);
    m_dpi->addItem(QStringLiteral("300 dpi"), 300);
    m_dpi->setToolTip(QStringLiteral(u"打到 PDF 时的分辨率；打到打印机时按打印机自己的分辨率"));
    form->addRow(QStringLiteral(u"分辨率"), m_dpi);
    m_threshold = new QSpinBox(optionsBox);
    m_threshold->setObjectName(QStringLiteral("Threshold"));
    m_threshold->setRange(1, 254);
    m_threshold->setValue(kDefaultThreshold);
    m_threshold->setToolTip(QStringLiteral(u"比这更深的灰色打成黑色；条码发虚时调低，字迹太淡时调高"));
    form->addRow(QStringLiteral(u"黑白阈值"), m_threshold);
    const auto shift = [&](const char *name) {
        auto *spin = new QSpinBox(optionsBox);
        spin->setObjectName(QString::fromLatin1(name));
        spin->setRange(-200, 200);
        spin->setToolTip(QStringLiteral(u"单位 1/96 英寸（约 0.26 毫米）"));
        return spin;
    };
    m_shiftX = shift("ShiftX");
    m_shiftY = shift("ShiftY");
    auto *position = new QHBoxLayout;
    position->addWidget(new QLabel(QStringLiteral(u"右移"), optionsBox));
    position->addWidget(m_shiftX);
    position->addWidget(new QLabel(QStringLiteral(u"下移"), optionsBox));
    position->addWidget(m_shiftY);
    QPushButton *save = button(optionsBox, "SavePosition", u"保存位置");
    position->addWidget(save);
    form->addRow(QStringLiteral(u"位置"), position);
    left->addWidget(optionsBox);
    layout->addLayout(left, 2);

    auto *right = new QVBoxLayout;
    m_labels = new QListWidget(this);
    m_labels->setObjectName(QStringLiteral("Labels"));
    m_labels->setViewMode(QListView::IconMode);
    m_labels->setResizeMode(QListView::Adjust);
    m_labels->setMovement(QListView::Static);
    m_labels->setIconSize(QSize(qRound(100 * kThumbDpi / 25.4), qRound(150 * kThumbDpi / 25.4)));
    m_labels->setSpacing(8);
    right->addWidget(m_labels, 1);
    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("Count"));
    m_count->setWordWrap(true);
    right->addWidget(m_count);
    auto *actions = new QHBoxLayout;
    QPushButton *previewButton = button(this, "Preview", u"预览");
    QPushButton *calibrationButton = button(this, "CalibrationPage", u"校准页");
    QPushButton *printButton = button(this, "Print", u"打印");
    QPushButton *close = button(this, "Close", u"关闭");
    actions->addStretch(1);
    for (QPushButton *each : {previewButton, calibrationButton, printButton, close})
        actions->addWidget(each);
    right->addLayout(actions);
    layout->addLayout(right, 3);

    connect(addFile, &QPushButton::clicked, this, [this] {
        addFiles(dialogs().openFiles(this, QStringLiteral(u"选择电子面单文件"),
                                     QStringLiteral(u"电子面单 (*.pdf *.png *.jpg *.jpeg)")));
    });
    connect(addFolder, &QPushButton::clicked, this, [this] {
        const QString folder = dialogs().chooseFolder(this, QStringLiteral(u"选择放着电子面单的文件夹"));
        if (!folder.isEmpty())
            guarded(this, [&] { addFiles(labelFiles({folder})); });
    });
    connect(remove, &QPushButton::clicked, this, [this] {
        qDeleteAll(m_fileList->selectedItems());
        optionsChanged();
    });
    connect(m_paper, &QComboBox::currentIndexChanged, this, [this] {
        const bool custom = m_paper->currentText() == kCustomPaper;
        m_width->setEnabled(custom);
        m_height->setEnabled(custom);
        if (!custom) {
            const QSizeF mm = m_paper->currentData().toSizeF();
            m_width->setValue(mm.width());
            m_height->setValue(mm.height());
        }
        showSavedPosition();
    });
    for (QDoubleSpinBox *each : {m_width, m_height})
        connect(each, &QDoubleSpinBox::valueChanged, this, [this] { showSavedPosition(); });
    connect(m_target, &QComboBox::currentIndexChanged, this, [this] { showSavedPosition(); });
    connect(m_perPage, &QComboBox::currentIndexChanged, this, [this] { optionsChanged(); });
    connect(m_dpi, &QComboBox::currentIndexChanged, this, [this] { optionsChanged(); });
    for (QSpinBox *each : {m_threshold, m_shiftX, m_shiftY})
        connect(each, &QSpinBox::valueChanged, this, [this] { optionsChanged(); });
    connect(save, &QPushButton::clicked, this, [this] { guarded(this, [this] { savePosition(); }); });
    connect(previewButton, &QPushButton::clicked, this, [this] { guarded(this, [this] { preview(); }); });
    connect(calibrationButton, &QPushButton::clicked, this,
            [this] { guarded(this, [this] { printCalibrationPage(); }); });
    connect(printButton, &QPushButton::clicked, this, [this] { guarded(this, [this] { print(); }); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    closeOnEscape(this);
    showSavedPosition();
    resize(900, 600);
}

LabelWindow::~LabelWindow() = default;

void LabelWindow::addFiles(const QStringList &files)
{
    for (const QString &file : files) {
        if (!m_fileList->findItems(file, Qt::MatchExactly).isEmpty())
            continue;
        auto *item = new QListWidgetItem(QFileInfo(file).fileName(), m_fileList);
        item->setData(Qt::UserRole, file);
        item->setToolTip(file);
    }
    optionsChanged();
}

QStringList LabelWindow::files() const
{
    QStringList files;
    for (int row = 0; row < m_fileList->count(); ++row)
        files << m_fileList->item(row)->data(Qt::UserRole).toString();
    return files;
}

QSizeF LabelWindow::paperMm() const
{
    return QSizeF(m_width->value(), m_height->value());
}

QString LabelWindow::printer() const
{
    return m_target->currentData().toString();
}

void LabelWindow::setPrinter(const QString &printer)
{
    m_target->setCurrentIndex(std::max(0, m_target->findData(printer)));
}

LabelOptions LabelWindow::options() const
{
    LabelOptions options;
    options.paperMm = paperMm();
    options.split = pageSplitOf(m_perPage->currentData().toInt()).value_or(PageSplit::Whole);
    options.dpi = m_dpi->currentData().toInt();
    options.threshold = m_threshold->value();
    // The saved stretch stays; the shift is the one shown.
    options = withSavedPosition(options, m_connection, printer());
    options.shiftXmm = m_shiftX->value() * kMmPerUnit;
    options.shiftYmm = m_shiftY->value() * kMmPerUnit;
    return options;
}

void LabelWindow::showSavedPosition()
{
    QString problem;
    const std::optional<Calibration> saved =
        CalibrationStore(m_connection).find(labelCalibrationCode(paperMm()), printer(), &problem);
    const QSignalBlocker blockX(m_shiftX);
    const QSignalBlocker blockY(m_shiftY);
    m_shiftX->setValue(saved ? saved->shiftX : 0);
    m_shiftY->setValue(saved ? saved->shiftY : 0);
    optionsChanged();
    if (!problem.isEmpty())
        m_count->setText(problem);
}

void LabelWindow::optionsChanged()
{
    m_run.reset();
    m_labels->clear();
    m_count->setText(files().isEmpty()
                         ? QStringLiteral(u"请添加电子面单文件。")
                         : QStringLiteral(u"共 %1 个文件，点“预览”查看将打印的标签。").arg(files().size()));
}

QString LabelWindow::status() const
{
    QStringList lines;
    int withoutNumber = 0;
    for (int k = 0; k < m_run->count(); ++k)
        withoutNumber += m_run->place(k).number.isEmpty() ? 1 : 0;
    lines << QStringLiteral(u"共 %1 张电子面单，打在 %2 毫米的标签纸上。")
                 .arg(m_run->count())
                 .arg(labelPaperName(m_run->options().paperMm));
    if (withoutNumber > 0)
        lines
            << QStringLiteral(u"%1 张没有读出运单号（打印记录中运单号为空，可在打印记录中补上）。").arg(withoutNumber);
    lines << m_run->notes();
    return lines.join(QLatin1Char('\n'));
}

bool LabelWindow::preview()
{
    const QStringList chosen = files();
    if (chosen.isEmpty()) {
        dialogs().hint(this, QStringLiteral(u"请先添加电子面单文件。"));
        return false;
    }
    m_run.reset();
    m_labels->clear();
    std::unique_ptr<LabelRun> run = withProgress(this, QStringLiteral(u"正在读取电子面单..."), [&](auto progress) {
        return std::make_unique<LabelRun>(chosen, options(), progress);
    });
    if (run->count() == 0) {
        m_count->setText(QStringLiteral(u"这些文件中没有可打印的电子面单（页面都是空白的）。"));
        return false;
    }
    for (int k = 0; k < run->count(); ++k) {
        const LabelPlace &place = run->place(k);
        auto *item =
            new QListWidgetItem(QIcon(thumbnail(*run, k)),
                                place.number.isEmpty() ? QStringLiteral(u"（未读出运单号）") : place.number, m_labels);
        item->setToolTip(QFileInfo(place.spot.file).fileName() + QLatin1Char(' ')
                         + labelSpotText(place.spot, run->options().split));
    }
    m_run = std::move(run);
    m_count->setText(status());
    return true;
}

void LabelWindow::print()
{
    if (!m_run && !preview())
        return;
    const QString chosenPrinter = printer();
    const QString where = chosenPrinter.isEmpty() ? QStringLiteral(u"PDF 文件") : chosenPrinter;
    if (!dialogs().confirm(this, QStringLiteral(u"打印 %1 张电子面单到 %2？").arg(m_run->count()).arg(where)))
        return;
    LabelsPrinted done;
    if (chosenPrinter.isEmpty()) {
        const QString path =
            dialogs().saveFile(this, QStringLiteral(u"打印到 PDF 文件"), QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return;
        done = withProgress(this, QStringLiteral(u"正在打印..."),
                            [&](auto progress) { return printLabelsToPdf(*m_run, path, m_connection, progress); });
    } else {
        QPrinter device(QPrinterInfo::printerInfo(chosenPrinter), QPrinter::HighResolution);
        device.setFullPage(true);
        device.setDocName(QStringLiteral(u"电子面单"));
        done = withProgress(this, QStringLiteral(u"正在打印..."), [&](auto progress) {
            return printLabels(*m_run, device, device.resolution(), chosenPrinter, m_connection, progress);
        });
    }
    m_count->setText(done.summary + QStringLiteral(u"。"));
    if (!done.problem.isEmpty())
        dialogs().error(this, done.problem);
}

void LabelWindow::printCalibrationPage()
{
    const CalibrationSheet sheet = labelCalibrationSheet(options(), printer());
    const SheetPainter paint = [&](QPainter &painter, qreal dotsPerUnit) {
        paintCalibrationSheet(painter, sheet, dotsPerUnit);
    };
    if (printer().isEmpty()) {
        const QString path =
            dialogs().saveFile(this, QStringLiteral(u"校准页打印到 PDF 文件"), QStringLiteral("PDF (*.pdf)"));
        if (path.isEmpty())
            return;
        printSheetToPdf(path, sheet.paperMm, paint);
    } else {
        QPrinter device(QPrinterInfo::printerInfo(printer()), QPrinter::HighResolution);
        device.setFullPage(true);
        printSheet(device, device.resolution(), sheet.paperMm, paint);
    }
    m_count->setText(QStringLiteral(u"已打印校准页：%1。把它和标签纸对齐，量出偏差后调整“右移”“下移”并保存位置。")
                         .arg(sheet.caption));
}

void LabelWindow::savePosition()
{
    Calibration calibration;
    QString problem;
    if (const std::optional<Calibration> saved =
            CalibrationStore(m_connection).find(labelCalibrationCode(paperMm()), printer(), &problem))
        calibration = *saved;
    calibration.courier = labelCalibrationCode(paperMm());
    calibration.printer = printer();
    calibration.shiftX = m_shiftX->value();
    calibration.shiftY = m_shiftY->value();
    checkCalibration(calibration);
    CalibrationStore(m_connection).save(calibration);
    m_count->setText(QStringLiteral(u"已保存 %1 毫米标签纸在%2的位置：%3。")
                         .arg(labelPaperName(paperMm()),
                              printer().isEmpty() ? QStringLiteral(u"所有没有单独设置的打印机和 PDF 上")
                                                  : QStringLiteral(u"打印机 %1 上").arg(printer()),
                              calibrationSummary(calibration)));
}

void openLabelWindow(QWidget *parent)
{
    LabelWindow window(parent);
    dialogs().showModal(&window);
}
