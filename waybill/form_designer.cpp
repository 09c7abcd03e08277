#include "waybill/form_designer.h"

#include "common/safe_file.h"
#include "store/connection.h"
#include "store/form_store.h"
#include "store/schema.h"
#include "ui/dialogs.h"
#include "ui/error_boundary.h"
#include "ui/screen_fit.h"
#include "waybill/design_canvas.h"
#include "waybill/layout.h"
#include "waybill/split_lines.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

namespace {

const QString kConnectionOwner = QStringLiteral("FormDesigner");
const QString kFormFileFilter = QStringLiteral(u"快递单文件 (*.kdform *.json)");
constexpr double kPixelsPerMm = 96.0 / 25.4; // the paper's own size on a 96 dpi screen

QDoubleSpinBox *millimetres(QWidget *parent, const char *name, double minimum, double maximum)
{
    auto *spin = new QDoubleSpinBox(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->setRange(minimum, maximum);
    spin->setDecimals(1);
    spin->setSingleStep(0.1);
    spin->setSuffix(QStringLiteral(u" 毫米"));
    spin->setKeyboardTracking(false);
    return spin;
}

QString sizeText(const QSizeF &mm)
{
    return QStringLiteral(u"%1 × %2 毫米").arg(mm.width()).arg(mm.height());
}

// The column list's entry of a field: its record side and column.
QVariant columnData(RowSide row, const QString &column)
{
    return QVariantList{int(row), column};
}

// The stored forms, or none when data.mdb cannot be read (said elsewhere).
QList<StoredForm> storedForms()
{
    Connection connection(kConnectionOwner);
    return FormStore(connection).list();
}

const QList<QPair<QString, QColor>> &colours()
{
    static const QList<QPair<QString, QColor>> list{{QStringLiteral(u"黑色"), Qt::black},
                                                    {QStringLiteral(u"深蓝"), QColor(0, 0, 128)},
                                                    {QStringLiteral(u"蓝色"), Qt::blue},
                                                    {QStringLiteral(u"红色"), Qt::red}};
    return list;
}

} // namespace

namespace {

// The split width as the user counts it: the bytes, and the 汉字 that the
// line rule puts on a full line of them (two bytes each, a cut never inside one).
QString splitSuffix(int bytes)
{
    if (bytes <= 0)
        return QStringLiteral(u" 字节");
    const QString lines = splitLines(QString(bytes, QChar(0x4E2D)), bytes);
    const qsizetype perLine = lines.indexOf(QLatin1Char('\r'));
    return perLine > 0 ? QStringLiteral(u" 字节（每行 %1 个汉字）").arg(perLine)
                       : QStringLiteral(u" 字节（不够一个汉字）");
}

} // namespace

FormDesignWindow::FormDesignWindow(const UserForm &start, const QString &storedCode, QWidget *parent)
    : QMainWindow(parent), m_design(start), m_storedCode(storedCode)
{
    setObjectName(QStringLiteral("FormDesigner"));
    QMenuBar *bar = menuBar();
    const auto entry = [&](const char *name, const char16_t *caption, void (FormDesignWindow::*handler)(),
                           const QKeySequence &keys = {}) {
        QAction *action = bar->addAction(QString::fromUtf16(caption));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(keys);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        return action;
    };
    entry("SaveForm", u"保存", &FormDesignWindow::saveForm, QKeySequence::Save);
    entry("SaveFormAsNew", u"另存为新快递单", &FormDesignWindow::saveAsNew);
    m_undo = entry("UndoEdit", u"撤销", &FormDesignWindow::undo, QKeySequence::Undo);
    m_redo = entry("RedoEdit", u"重做", &FormDesignWindow::redo, QKeySequence::Redo);
    m_remove = entry("RemoveForm", u"删除此快递单", &FormDesignWindow::removeForm);
    entry("ExportForm", u"导出文件", &FormDesignWindow::exportForm);
    entry("ImportForm", u"导入文件", &FormDesignWindow::importForm);
    QAction *close = bar->addAction(QStringLiteral(u"关闭"));
    close->setObjectName(QStringLiteral("CloseDesigner"));
    connect(close, &QAction::triggered, this, &QWidget::close);

    m_canvas = new DesignCanvas(m_design);
    m_canvas->setObjectName(QStringLiteral("DesignCanvas"));
    m_view = new DesignView(m_canvas);
    m_view->setObjectName(QStringLiteral("DesignScroll"));
    connect(m_canvas, &DesignCanvas::edited, this, [this] { refresh(); });
    connect(m_canvas, &DesignCanvas::pointed, this, [this](const QPointF &mm) {
        m_position->setText(
            QStringLiteral(u"鼠标位置：左 %1 毫米，上 %2 毫米").arg(mm.x(), 0, 'f', 1).arg(mm.y(), 0, 'f', 1));
    });

    auto *central = new QWidget;
    auto *column = new QVBoxLayout(central);
    column->addWidget(buildFormRow());
    column->addWidget(buildPictureRow());
    auto *work = new QHBoxLayout;
    work->addWidget(m_view, 1);
    work->addWidget(buildFieldPanel());
    column->addLayout(work, 1);
    // On a small screen the rows and the field panel scroll rather than
    // push the window off it.
    setCentralWidget(new ClientScrollArea(central, this));

    m_position = new QLabel(statusBar());
    m_position->setObjectName(QStringLiteral("PointerPosition"));
    statusBar()->addWidget(m_position, 1);
    auto *hint =
        new QLabel(QStringLiteral(u"拖动字段移动，拖动小方块改变大小；方向键移动 0.1 毫米，Shift+方向键移动 1 毫米；"
                                  u"Delete 删除字段。底图只在屏幕上显示，不会打印。"),
                   statusBar());
    statusBar()->addPermanentWidget(hint);

    m_zoom->setCurrentIndex(m_zoom->findData(100));
    fillStartList();
    refresh();
    // As large as the screen allows up to 1240 x 820, centred, the paper fitted in.
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        placeOnScreen(this, screen->availableGeometry(), QSize(1240, 820));
    fitZoom();
}

void FormDesignWindow::fitZoom()
{
    // The largest zoom whose paper fits the view; the smallest when none does.
    const QSize view = m_view->maximumViewportSize() - QSize(4, 4); // the rulers are outside it
    const QSizeF paper = m_design.form().paperMm;
    int chosen = 0;
    for (int i = 0; i < m_zoom->count(); ++i) {
        const double pixelsPerMm = kPixelsPerMm * m_zoom->itemData(i).toInt() / 100.0;
        if (paper.width() * pixelsPerMm + 2 * DesignCanvas::kMargin <= view.width()
            && paper.height() * pixelsPerMm + 2 * DesignCanvas::kMargin <= view.height())
            chosen = i;
    }
    m_zoom->setCurrentIndex(chosen);
}

void FormDesignWindow::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!m_fitted) {
        m_fitted = true;
        QTimer::singleShot(0, this, [this] { fitZoom(); }); // once the layout has given the view its size
    }
}

QWidget *FormDesignWindow::buildFormRow()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new QLabel(QStringLiteral(u"名称")));
    m_name = new QLineEdit;
    m_name->setObjectName(QStringLiteral("FormName"));
    m_name->setPlaceholderText(QStringLiteral(u"例如：德邦快递单"));
    m_name->setMaxLength(int(user_form::kMaxNameLength));
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString &text) {
        changeForm(QStringLiteral("name"), [&](UserForm &form) { form.name = text; });
    });
    layout->addWidget(m_name, 1);
    layout->addWidget(new QLabel(QStringLiteral(u"纸张 宽")));
    m_paperWidth = millimetres(row, "PaperWidth", user_form::kMinPaperMm, user_form::kMaxPaperMm);
    layout->addWidget(m_paperWidth);
    layout->addWidget(new QLabel(QStringLiteral(u"高")));
    m_paperHeight = millimetres(row, "PaperHeight", user_form::kMinPaperMm, user_form::kMaxPaperMm);
    layout->addWidget(m_paperHeight);
    connect(m_paperWidth, &QDoubleSpinBox::valueChanged, this, [this](double mm) {
        changeForm(QStringLiteral("paperWidth"), [mm](UserForm &form) { form.paperMm.setWidth(mm); });
    });
    connect(m_paperHeight, &QDoubleSpinBox::valueChanged, this, [this](double mm) {
        changeForm(QStringLiteral("paperHeight"), [mm](UserForm &form) { form.paperMm.setHeight(mm); });
    });
    m_presets = new QComboBox;
    m_presets->setObjectName(QStringLiteral("PaperPresets"));
    m_presets->addItem(QStringLiteral(u"常用尺寸…"));
    for (const QSizeF &size : commonPaperSizes())
        m_presets->addItem(sizeText(size), size);
    connect(m_presets, &QComboBox::activated, this, [this](int index) {
        const QSizeF size = m_presets->itemData(index).toSizeF();
        if (size.isValid())
            changeForm({}, [size](UserForm &form) { form.paperMm = size; });
        m_presets->setCurrentIndex(0);
    });
    layout->addWidget(m_presets);
    layout->addSpacing(16);
    layout->addWidget(new QLabel(QStringLiteral(u"从")));
    m_start = new QComboBox;
    m_start->setObjectName(QStringLiteral("StartFrom"));
    layout->addWidget(m_start);
    auto *begin = new QPushButton(QStringLiteral(u"开始"));
    begin->setObjectName(QStringLiteral("StartButton"));
    begin->setToolTip(QStringLiteral(u"空白纸张：按上面的尺寸重新开始；内置快递单：复制一份来改；"
                                     u"自定义快递单：打开来修改"));
    connect(begin, &QPushButton::clicked, this, &FormDesignWindow::startFromChosen);
    layout->addWidget(begin);
    return row;
}

QWidget *FormDesignWindow::buildPictureRow()
{
    auto *row = new QWidget;
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *choose = new QPushButton(QStringLiteral(u"底图…"));
    choose->setObjectName(QStringLiteral("ChoosePicture"));
    choose->setToolTip(QStringLiteral(u"扫描或拍摄的空白快递单（JPEG 或 PNG），只在屏幕上显示"));
    connect(choose, &QPushButton::clicked, this, &FormDesignWindow::choosePicture);
    layout->addWidget(choose);
    auto *clear = new QPushButton(QStringLiteral(u"去掉底图"));
    clear->setObjectName(QStringLiteral("ClearPicture"));
    connect(clear, &QPushButton::clicked, this, &FormDesignWindow::clearPicture);
    layout->addWidget(clear);
    layout->addWidget(new QLabel(QStringLiteral(u"底图缩放")));
    m_pictureScale = new QDoubleSpinBox;
    m_pictureScale->setObjectName(QStringLiteral("PictureScale"));
    m_pictureScale->setRange(0.1, 10.0);
    m_pictureScale->setDecimals(3);
    m_pictureScale->setSingleStep(0.005);
    m_pictureScale->setKeyboardTracking(false);
    connect(m_pictureScale, &QDoubleSpinBox::valueChanged, this, [this](double scale) {
        changeForm(QStringLiteral("pictureScale"), [scale](UserForm &form) { form.pictureScale = scale; });
    });
    layout->addWidget(m_pictureScale);
    layout->addWidget(new QLabel(QStringLiteral(u"底图偏移 左")));
    m_pictureLeft = millimetres(row, "PictureLeft", -user_form::kMaxPaperMm, user_form::kMaxPaperMm);
    connect(m_pictureLeft, &QDoubleSpinBox::valueChanged, this, [this](double mm) {
        changeForm(QStringLiteral("pictureLeft"), [mm](UserForm &form) { form.pictureOffsetMm.setX(mm); });
    });
    layout->addWidget(m_pictureLeft);
    layout->addWidget(new QLabel(QStringLiteral(u"上")));
    m_pictureTop = millimetres(row, "PictureTop", -user_form::kMaxPaperMm, user_form::kMaxPaperMm);
    connect(m_pictureTop, &QDoubleSpinBox::valueChanged, this, [this](double mm) {
        changeForm(QStringLiteral("pictureTop"), [mm](UserForm &form) { form.pictureOffsetMm.setY(mm); });
    });
    layout->addWidget(m_pictureTop);
    layout->addStretch(1);
    m_snapping = new QCheckBox(QStringLiteral(u"拖动时对齐 1 毫米网格"));
    m_snapping->setObjectName(QStringLiteral("Snapping"));
    m_snapping->setChecked(true);
    connect(m_snapping, &QCheckBox::toggled, this, [this](bool on) { m_canvas->setSnapping(on); });
    layout->addWidget(m_snapping);
    layout->addWidget(new QLabel(QStringLiteral(u"显示比例")));
    m_zoom = new QComboBox;
    m_zoom->setObjectName(QStringLiteral("Zoom"));
    for (int percent : {50, 75, 100, 150, 200, 300})
        m_zoom->addItem(QStringLiteral("%1%").arg(percent), percent);
    connect(m_zoom, &QComboBox::currentIndexChanged, this,
            [this](int index) { m_canvas->setZoom(kPixelsPerMm * m_zoom->itemData(index).toInt() / 100.0); });
    layout->addWidget(m_zoom);
    return row;
}

QWidget *FormDesignWindow::buildFieldPanel()
{
    auto *panel = new QWidget;
    panel->setFixedWidth(280);
    auto *column = new QVBoxLayout(panel);
    column->setContentsMargins(0, 0, 0, 0);
    auto *buttons = new QHBoxLayout;
    auto *add = new QPushButton(QStringLiteral(u"添加字段"));
    add->setObjectName(QStringLiteral("AddField"));
    connect(add, &QPushButton::clicked, this, &FormDesignWindow::addField);
    auto *remove = new QPushButton(QStringLiteral(u"删除字段"));
    remove->setObjectName(QStringLiteral("RemoveField"));
    connect(remove, &QPushButton::clicked, this, &FormDesignWindow::removeField);
    buttons->addWidget(add);
    buttons->addWidget(remove);
    column->addLayout(buttons);

    auto *box = new QGroupBox(QStringLiteral(u"选中的字段"));
    m_fieldBox = box;
    auto *form = new QFormLayout(box);
    m_column = new QComboBox;
    m_column->setObjectName(QStringLiteral("FieldColumn"));
    for (RowSide row : {RowSide::Recipient, RowSide::Sender})
        for (const QString &name : itemColumns(row)) {
            UserFormItem item;
            item.row = row;
            item.column = name;
            m_column->addItem(DesignCanvas::fieldLabel(item), columnData(row, name));
        }
    m_column->addItem(QStringLiteral(u"固定文字"), columnData(RowSide::Recipient, QString()));
    m_column->setMaxVisibleItems(20);
    connect(m_column, &QComboBox::activated, this, [this](int index) {
        const QVariantList data = m_column->itemData(index).toList();
        changeField({}, [&](UserFormItem &item) {
            item.row = RowSide(data.value(0).toInt());
            item.column = data.value(1).toString();
            if (item.column.isEmpty() && item.fixedText.isEmpty())
                item.fixedText = QStringLiteral(u"文字");
        });
    });
    form->addRow(QStringLiteral(u"内容"), m_column);
    m_kind = new QComboBox;
    m_kind->setObjectName(QStringLiteral("FieldKind"));
    m_kind->addItem(QStringLiteral(u"文字"), int(ItemKind::Text));
    m_kind->addItem(QStringLiteral(u"条码 Code 128"), int(ItemKind::Code128));
    m_kind->addItem(QStringLiteral(u"二维码"), int(ItemKind::Qr));
    m_kind->setToolTip(QStringLiteral(u"条码和二维码按打印机的点对齐，放满字段的框；框太小时在屏幕上标红"));
    connect(m_kind, &QComboBox::activated, this, [this](int index) {
        const auto kind = ItemKind(m_kind->itemData(index).toInt());
        changeField({}, [kind](UserFormItem &item) { item.kind = kind; });
    });
    form->addRow(QStringLiteral(u"印成"), m_kind);
    m_readable = new QCheckBox(QStringLiteral(u"条码下印文字"));
    m_readable->setObjectName(QStringLiteral("FieldReadable"));
    connect(m_readable, &QCheckBox::clicked, this,
            [this](bool on) { changeField({}, [on](UserFormItem &item) { item.readableLine = on; }); });
    form->addRow(QString(), m_readable);
    m_fixedText = new QLineEdit;
    m_fixedText->setMaxLength(int(user_form::kMaxFixedText));
    m_fixedText->setObjectName(QStringLiteral("FieldText"));
    connect(m_fixedText, &QLineEdit::textEdited, this, [this](const QString &text) {
        changeField(QStringLiteral("text"), [&](UserFormItem &item) { item.fixedText = text; });
    });
    form->addRow(QStringLiteral(u"固定文字"), m_fixedText);
    const auto place = [&](const char *name, const char16_t *label, QDoubleSpinBox *&spin, void (QRectF::*set)(qreal),
                           bool size) {
        spin = millimetres(box, name, size ? FormDesign::kMinItemMm : -user_form::kMaxPaperMm, user_form::kMaxPaperMm);
        connect(spin, &QDoubleSpinBox::valueChanged, this, [this, set, name](double mm) {
            const int index = m_design.selected();
            if (index < 0)
                return;
            QRectF rect = m_design.form().items[index].mm;
            (rect.*set)(mm);
            m_design.setItemRect(index, rect, QString::fromLatin1(name) + QString::number(index));
            refresh();
        });
        form->addRow(QString::fromUtf16(label), spin);
    };
    place("FieldLeft", u"左", m_left, &QRectF::moveLeft, false);
    place("FieldTop", u"上", m_top, &QRectF::moveTop, false);
    place("FieldWidth", u"宽", m_width, &QRectF::setWidth, true);
    place("FieldHeight", u"高", m_height, &QRectF::setHeight, true);

    m_family = new QComboBox;
    m_family->setObjectName(QStringLiteral("FieldFont"));
    m_family->setEditable(true);
    QStringList families{QStringLiteral(u"宋体"), QStringLiteral(u"黑体"), QStringLiteral(u"楷体"),
                         QStringLiteral(u"仿宋"), QStringLiteral("Arial")};
    for (const QString &family : QFontDatabase::families(QFontDatabase::SimplifiedChinese))
        if (!families.contains(family))
            families << family;
    m_family->addItems(families);
    connect(m_family, &QComboBox::textActivated, this, [this](const QString &family) {
        if (!family.trimmed().isEmpty())
            changeField({}, [&](UserFormItem &item) { item.family = family.trimmed(); });
    });
    form->addRow(QStringLiteral(u"字体"), m_family);
    m_points = new QSpinBox;
    m_points->setObjectName(QStringLiteral("FieldPoints"));
    m_points->setRange(4, 72);
    m_points->setSuffix(QStringLiteral(u" 磅"));
    m_points->setKeyboardTracking(false);
    connect(m_points, &QSpinBox::valueChanged, this, [this](int points) {
        changeField(QStringLiteral("points"), [points](UserFormItem &item) { item.points = points; });
    });
    form->addRow(QStringLiteral(u"字号"), m_points);
    m_fit = new QCheckBox(QStringLiteral(u"缩小字体以适应"));
    m_fit->setObjectName(QStringLiteral("FieldFit"));
    m_fit->setToolTip(QStringLiteral(u"文字放不下字段的框时把字号逐磅缩小，最小到下面的字号；仍放不下时标红"));
    connect(m_fit, &QCheckBox::clicked, this,
            [this](bool on) { changeField({}, [on](UserFormItem &item) { item.fitText = on; }); });
    form->addRow(QString(), m_fit);
    m_minPoints = new QSpinBox;
    m_minPoints->setObjectName(QStringLiteral("FieldMinPoints"));
    m_minPoints->setRange(user_form::kMinPoints, user_form::kMaxPoints);
    m_minPoints->setSuffix(QStringLiteral(u" 磅"));
    m_minPoints->setKeyboardTracking(false);
    connect(m_minPoints, &QSpinBox::valueChanged, this, [this](int points) {
        changeField(QStringLiteral("minPoints"), [points](UserFormItem &item) { item.minPoints = points; });
    });
    form->addRow(QStringLiteral(u"最小字号"), m_minPoints);
    m_bold = new QCheckBox(QStringLiteral(u"加粗"));
    m_bold->setObjectName(QStringLiteral("FieldBold"));
    connect(m_bold, &QCheckBox::clicked, this,
            [this](bool on) { changeField({}, [on](UserFormItem &item) { item.bold = on; }); });
    form->addRow(QString(), m_bold);
    m_color = new QComboBox;
    m_color->setObjectName(QStringLiteral("FieldColor"));
    for (const auto &colour : colours())
        m_color->addItem(colour.first, colour.second);
    connect(m_color, &QComboBox::activated, this, [this](int index) {
        const QColor colour = m_color->itemData(index).value<QColor>();
        changeField({}, [colour](UserFormItem &item) { item.color = colour; });
    });
    form->addRow(QStringLiteral(u"颜色"), m_color);
    m_align = new QComboBox;
    m_align->setObjectName(QStringLiteral("FieldAlign"));
    m_align->addItem(QStringLiteral(u"左对齐"), int(TextAlign::Left));
    m_align->addItem(QStringLiteral(u"居中"), int(TextAlign::Centre));
    m_align->addItem(QStringLiteral(u"右对齐"), int(TextAlign::Right));
    connect(m_align, &QComboBox::activated, this, [this](int index) {
        const auto align = TextAlign(m_align->itemData(index).toInt());
        changeField({}, [align](UserFormItem &item) { item.align = align; });
    });
    form->addRow(QStringLiteral(u"对齐"), m_align);
    m_split = new QSpinBox;
    m_split->setObjectName(QStringLiteral("FieldSplit"));
    m_split->setRange(0, 1000);
    m_split->setSpecialValueText(QStringLiteral(u"不分行"));
    m_split->setSuffix(splitSuffix(0));
    m_split->setToolTip(QStringLiteral(u"一行最多的字节数（一个汉字 2 字节），超过就换行；0：不分行"));
    m_split->setKeyboardTracking(false);
    connect(m_split, &QSpinBox::valueChanged, this, [this](int bytes) {
        m_split->setSuffix(splitSuffix(bytes));
        changeField(QStringLiteral("split"), [bytes](UserFormItem &item) { item.split = bytes; });
    });
    form->addRow(QStringLiteral(u"分行宽度"), m_split);
    column->addWidget(box);
    column->addStretch(1);
    return panel;
}

void FormDesignWindow::fillStartList()
{
    m_start->clear();
    m_start->addItem(QStringLiteral(u"空白纸张"), QStringLiteral("blank:"));
    for (const Courier &courier : couriersInMenuOrder())
        m_start->addItem(QStringLiteral(u"复制 ") + courier.menuCaption, QStringLiteral("copy:") + courier.code);
    guarded(this, [this] {
        for (const StoredForm &form : storedForms())
            m_start->addItem(QStringLiteral(u"修改 ") + form.name, QStringLiteral("edit:") + form.code);
    });
}

void FormDesignWindow::changeForm(const QString &key, const std::function<void(UserForm &)> &edit)
{
    m_design.change(edit, key);
    m_canvas->updateGeometry();
    m_canvas->resize(m_canvas->sizeHint());
    refresh();
}

void FormDesignWindow::changeField(const QString &key, const std::function<void(UserFormItem &)> &edit)
{
    const int index = m_design.selected();
    if (index < 0)
        return;
    m_design.change([&](UserForm &form) { edit(form.items[index]); },
                    key.isEmpty() ? QString() : key + QString::number(index));
    refresh();
}

void FormDesignWindow::refresh()
{
    const UserForm &form = m_design.form();
    const QList<QWidget *> widgets{m_name,   m_paperWidth, m_paperHeight, m_pictureScale, m_pictureLeft, m_pictureTop,
                                   m_column, m_fixedText,  m_left,        m_top,          m_width,       m_height,
                                   m_family, m_points,     m_bold,        m_color,        m_align,       m_split,
                                   m_kind,   m_readable,   m_fit,         m_minPoints};
    QList<std::shared_ptr<QSignalBlocker>> blockers;
    for (QWidget *widget : widgets)
        blockers << std::make_shared<QSignalBlocker>(widget);
    if (m_name->text() != form.name)
        m_name->setText(form.name);
    m_paperWidth->setValue(form.paperMm.width());
    m_paperHeight->setValue(form.paperMm.height());
    m_pictureScale->setValue(form.pictureScale);
    m_pictureLeft->setValue(form.pictureOffsetMm.x());
    m_pictureTop->setValue(form.pictureOffsetMm.y());
    for (QWidget *widget : {static_cast<QWidget *>(m_pictureScale), static_cast<QWidget *>(m_pictureLeft),
                            static_cast<QWidget *>(m_pictureTop)})
        widget->setEnabled(!form.picture.isEmpty());

    const int index = m_design.selected();
    m_fieldBox->setEnabled(index >= 0);
    if (index >= 0) {
        const UserFormItem &item = form.items[index];
        m_column->setCurrentIndex(m_column->findData(columnData(item.row, item.column)));
        if (item.column.isEmpty())
            m_column->setCurrentIndex(m_column->count() - 1);
        m_fixedText->setText(item.fixedText);
        m_fixedText->setEnabled(item.column.isEmpty());
        m_left->setValue(item.mm.left());
        m_top->setValue(item.mm.top());
        m_width->setValue(item.mm.width());
        m_height->setValue(item.mm.height());
        m_family->setCurrentText(item.family);
        m_points->setValue(item.points);
        m_bold->setChecked(item.bold);
        int colour = m_color->findData(item.color);
        if (colour < 0) {
            m_color->addItem(item.color.name(), item.color);
            colour = m_color->count() - 1;
        }
        m_color->setCurrentIndex(colour);
        m_align->setCurrentIndex(m_align->findData(int(item.align)));
        m_split->setValue(item.split);
        m_split->setSuffix(splitSuffix(item.split));
        m_kind->setCurrentIndex(m_kind->findData(int(item.kind)));
        m_readable->setChecked(item.readableLine);
        m_readable->setEnabled(item.kind == ItemKind::Code128);
        m_fit->setChecked(item.fitText);
        m_fit->setEnabled(item.kind == ItemKind::Text);
        m_minPoints->setValue(item.minPoints);
        m_minPoints->setEnabled(item.kind == ItemKind::Text && item.fitText);
    }
    m_undo->setEnabled(m_design.canUndo());
    m_redo->setEnabled(m_design.canRedo());
    m_remove->setEnabled(!m_storedCode.isEmpty());
    m_canvas->update();
    setTitle();
}

void FormDesignWindow::setTitle()
{
    const QString name = m_design.form().name.trimmed();
    setWindowTitle(QStringLiteral(u"快递单设计") + (name.isEmpty() ? QString() : QStringLiteral(u" - ") + name)
                   + (m_design.modified() ? QStringLiteral(u" *") : QString()));
}

void FormDesignWindow::addField()
{
    UserFormItem item;
    item.column = schema::col::kRecipientName;
    // A new field stands near the top-left corner, below the one before.
    const double top = 10.0 + 8.0 * double(m_design.form().items.size() % 10);
    item.mm = QRectF(10.0, std::min(top, std::max(0.0, m_design.form().paperMm.height() - 8.0)), 50.0, 6.0);
    m_design.addItem(item);
    refresh();
    m_canvas->setFocus();
}

void FormDesignWindow::removeField()
{
    m_design.removeSelected();
    refresh();
}

void FormDesignWindow::undo()
{
    m_design.undo();
    m_canvas->resize(m_canvas->sizeHint()); // the paper may change back
    refresh();
}

void FormDesignWindow::redo()
{
    m_design.redo();
    m_canvas->resize(m_canvas->sizeHint());
    refresh();
}

void FormDesignWindow::choosePicture()
{
    guarded(this, [this] {
        const QString name = dialogs().openFile(this, QStringLiteral(u"选择快递单底图"),
                                                QStringLiteral(u"图片 (*.jpg *.jpeg *.png *.JPG *.JPEG *.PNG)"));
        if (name.isEmpty())
            return;
        QFile file(name);
        if (file.size() > user_form::kMaxFileBytes / 2)
            throw AppError(QStringLiteral(u"图片 %1 太大（超过 %2 MB），请缩小后再选。")
                               .arg(name)
                               .arg(user_form::kMaxFileBytes / 2 / (1024 * 1024)));
        if (!file.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral(u"无法读取图片 %1：%2").arg(name, file.errorString()));
        // Shown at the paper's size: checked and kept at what that needs.
        UserForm chosen = m_design.form();
        chosen.picture = file.readAll();
        chosen.pictureScale = 1.0;
        try {
            preparePicture(chosen);
        } catch (const AppError &error) {
            throw AppError(QStringLiteral(u"图片 %1 不能用作底图：%2。未做改动。").arg(name, error.text()));
        }
        changeForm({}, [&](UserForm &form) {
            form.picture = chosen.picture;
            form.pictureScale = 1.0;
            form.pictureOffsetMm = {};
        });
    });
}

void FormDesignWindow::clearPicture()
{
    if (m_design.form().picture.isEmpty())
        return;
    changeForm({}, [](UserForm &form) {
        form.picture.clear();
        form.pictureScale = 1.0;
        form.pictureOffsetMm = {};
    });
}

void FormDesignWindow::startFromChosen()
{
    guarded(this, [this] {
        const QString chosen = m_start->currentData().toString();
        const QString kind = chosen.section(QLatin1Char(':'), 0, 0);
        const QString code = chosen.section(QLatin1Char(':'), 1);
        if (m_design.modified()
            && !dialogs().confirm(this, QStringLiteral(u"当前的设计还没有保存，是否放弃它，重新开始？"), false))
            return;
        UserForm form;
        QString storedCode;
        if (kind == QStringLiteral("copy")) {
            form = userFormFromLayout(layoutFor(code, Variant::Single), QString(), QString());
        } else if (kind == QStringLiteral("edit")) {
            Connection connection(kConnectionOwner);
            const std::optional<StoredForm> stored = FormStore(connection).find(code);
            if (!stored)
                throw AppError(QStringLiteral(u"快递单 %1 已被删除。").arg(code));
            form = readUserForm(stored->name, stored->document);
            storedCode = code;
        } else {
            form = blankUserForm(m_design.form().paperMm);
        }
        m_design.replace(form);
        m_design.markSaved();
        m_storedCode = storedCode;
        fitZoom();
        m_canvas->resize(m_canvas->sizeHint());
        refresh();
    });
}

void FormDesignWindow::store(const QString &code)
{
    UserForm form = m_design.form();
    form.name = form.name.trimmed();
    form.code = code;
    checkFormForSaving(form);
    try {
        preparePicture(form);
    } catch (const AppError &error) {
        throw AppError(QStringLiteral(u"快递单未保存：%1。请换一张底图，或点“去掉底图”后再保存。").arg(error.text()));
    }
    Connection connection(kConnectionOwner);
    FormStore(connection).save({form.code, form.name, userFormJson(form)});
    m_design.change([&](UserForm &current) {
        current.code = form.code;
        current.name = form.name;
        current.picture = form.picture;
    });
    m_design.markSaved();
    m_storedCode = code;
    fillStartList();
    refresh();
    dialogs().notice(
        this, QStringLiteral(u"已保存快递单“%1”。在“单张打印”和“批量打印”菜单的最后可以找到它。").arg(form.name));
}

void FormDesignWindow::saveForm()
{
    guarded(this, [this] {
        if (!m_storedCode.isEmpty()) {
            store(m_storedCode);
            return;
        }
        saveAsNew();
    });
}

void FormDesignWindow::saveAsNew()
{
    guarded(this, [this] {
        QStringList taken;
        for (const StoredForm &form : storedForms())
            taken << form.code;
        store(newFormCode(taken));
    });
}

void FormDesignWindow::removeForm()
{
    guarded(this, [this] {
        if (m_storedCode.isEmpty())
            return;
        const QString name = m_design.form().name.trimmed();
        if (!dialogs().confirm(
                this, QStringLiteral(u"确定删除快递单“%1”吗？它保存的位置也一起删除，删除后不能恢复。").arg(name),
                false))
            return;
        Connection connection(kConnectionOwner);
        FormStore(connection).remove(m_storedCode);
        m_storedCode.clear();
        m_design.change([](UserForm &form) { form.code.clear(); });
        fillStartList();
        refresh();
        dialogs().notice(this, QStringLiteral(u"已删除快递单“%1”。").arg(name));
    });
}

void FormDesignWindow::exportForm()
{
    guarded(this, [this] {
        UserForm form = m_design.form();
        form.name = form.name.trimmed();
        if (form.code.isEmpty()) {
            QStringList taken;
            for (const StoredForm &stored : storedForms())
                taken << stored.code;
            form.code = newFormCode(taken);
        }
        checkFormForSaving(form);
        QString name = dialogs().saveFile(this, QStringLiteral(u"导出快递单"), kFormFileFilter);
        if (name.isEmpty())
            return;
        if (QFileInfo(name).suffix().isEmpty())
            name += QStringLiteral(".kdform");
        SafeFile out(name);
        out.write(userFormJson(form));
        out.commit();
        dialogs().notice(this,
                         QStringLiteral(u"已把快递单“%1”导出到 %2。在另一台电脑的“快递单设计”里用“导入文件”打开它。")
                             .arg(form.name, name));
    });
}

void FormDesignWindow::importForm()
{
    guarded(this, [this] {
        if (m_design.modified()
            && !dialogs().confirm(this, QStringLiteral(u"当前的设计还没有保存，是否放弃它，打开文件？"), false))
            return;
        const QString name = dialogs().openFile(this, QStringLiteral(u"导入快递单"), kFormFileFilter);
        if (name.isEmpty())
            return;
        UserForm form = readUserFormFile(name);
        preparePictureOfFile(form, name);
        form.code.clear(); // saved under a code of this office's own
        m_design.replace(form);
        m_storedCode.clear();
        fitZoom();
        m_canvas->resize(m_canvas->sizeHint());
        refresh();
        dialogs().notice(this, QStringLiteral(u"已打开快递单“%1”；检查无误后点“保存”。").arg(form.name));
    });
}

void FormDesignWindow::closeEvent(QCloseEvent *event)
{
    if (m_design.modified()
        && !dialogs().confirm(this, QStringLiteral(u"快递单设计还没有保存，是否不保存就关闭？"), false)) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void openFormDesigner(const UserForm &start, QWidget *parent)
{
    FormDesignWindow window(start, QString(), parent);
    dialogs().showModal(&window);
}
