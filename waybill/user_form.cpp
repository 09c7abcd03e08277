#include "waybill/user_form.h"

#include "waybill/barcode.h"
#include "waybill/form_file.h"
#include "waybill/page_composer.h"
#include "waybill/split_lines.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <array>
#include <cmath>

namespace {

constexpr int kMaxPicturePixels = 20000;
const QString kFormat = QStringLiteral("waybill-form");
constexpr std::array kAligns{TextAlign::Left, TextAlign::Centre, TextAlign::Right};
constexpr std::array kKinds{ItemKind::Text, ItemKind::Code128, ItemKind::Qr};

QString rowKey(RowSide row)
{
    return row == RowSide::Sender ? QStringLiteral("sender") : QStringLiteral("recipient");
}

// The picture's bytes, refused unless they are a JPEG or PNG image of a
// sane size.
QByteArray checkedPicture(const FormValue &value)
{
    const QByteArray bytes = QByteArray::fromBase64(value.toText().toLatin1());
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if ((format != "jpeg" && format != "png") || !size.isValid())
        value.reject(QStringLiteral(u"不是 JPEG 或 PNG 图片"));
    if (size.width() > kMaxPicturePixels || size.height() > kMaxPicturePixels)
        value.reject(QStringLiteral(u"图片太大（%1 × %2 像素，最多 %3）")
                         .arg(size.width())
                         .arg(size.height())
                         .arg(kMaxPicturePixels));
    return bytes;
}

// Whether the bytes run to the image's end: a file cut short decodes
// without an error in places (a JPEG's missing rows come out grey).
bool runsToItsEnd(const QByteArray &bytes, const QByteArray &format)
{
    if (format == "png")
        return bytes.contains("IEND");
    const qsizetype lastScan = bytes.lastIndexOf("\xFF\xDA");
    return lastScan >= 0 && bytes.indexOf("\xFF\xD9", lastScan) > lastScan;
}

UserFormItem readItem(const FormValue &object, const QSizeF &paperMm)
{
    UserFormItem item;
    const QString row = object[QStringLiteral("row")].toText();
    if (row != QStringLiteral("sender") && row != QStringLiteral("recipient"))
        object[QStringLiteral("row")].reject(QStringLiteral(u"应为 sender 或 recipient（现为 %1）").arg(row));
    item.row = row == QStringLiteral("sender") ? RowSide::Sender : RowSide::Recipient;
    item.column = object[QStringLiteral("column")].toText();
    item.fixedText = object[QStringLiteral("text")].toText();
    if (!item.column.isEmpty() && !itemColumns(item.row).contains(item.column))
        object[QStringLiteral("column")].reject(QStringLiteral(u"没有这个字段：%1").arg(item.column));
    if (item.column.isEmpty() && item.fixedText.isEmpty())
        object[QStringLiteral("text")].reject(QStringLiteral(u"没有字段时应有固定文字"));
    const QList<FormValue> box = object[QStringLiteral("mm")].elements();
    if (box.size() != 4)
        object[QStringLiteral("mm")].reject(QStringLiteral(u"应为 [左, 上, 宽, 高]（毫米）"));
    const double maxSide = std::max(paperMm.width(), paperMm.height());
    item.mm = QRectF(box[0].toDouble(-maxSide, maxSide), box[1].toDouble(-maxSide, maxSide),
                     box[2].toDouble(0.5, maxSide), box[3].toDouble(0.5, maxSide));
    item.family = object[QStringLiteral("font")].toText();
    if (item.family.trimmed().isEmpty())
        object[QStringLiteral("font")].reject(QStringLiteral(u"字体不能为空"));
    item.points = object[QStringLiteral("points")].toInt(user_form::kMinPoints, user_form::kMaxPoints);
    item.bold = object[QStringLiteral("bold")].toBool();
    const QString color = object[QStringLiteral("color")].toText();
    if (!QColor::isValidColorName(color))
        object[QStringLiteral("color")].reject(QStringLiteral(u"不是颜色：%1").arg(color));
    item.color = QColor::fromString(color);
    item.split = object[QStringLiteral("split")].toInt(0, 1000);
    if (item.fixedText.size() > user_form::kMaxFixedText)
        object[QStringLiteral("text")].reject(QStringLiteral(u"固定文字最多 %1 个字（现有 %2 个）")
                                                  .arg(user_form::kMaxFixedText)
                                                  .arg(item.fixedText.size()));
    const qsizetype lines = textLines(item.split > 0 ? splitLines(item.fixedText, item.split) : item.fixedText).size();
    if (lines > user_form::kMaxItemLines)
        object[QStringLiteral("split")].reject(QStringLiteral(u"固定文字按这个分行宽度分成 %1 行，一项最多 %2 行")
                                                   .arg(lines)
                                                   .arg(user_form::kMaxItemLines));
    // Files written before items had an alignment are left-aligned.
    if (object.has(QStringLiteral("align"))) {
        const QString align = object[QStringLiteral("align")].toText();
        const auto known = std::find_if(kAligns.cbegin(), kAligns.cend(),
                                        [&](TextAlign candidate) { return alignKey(candidate) == align; });
        if (known == kAligns.cend())
            object[QStringLiteral("align")].reject(QStringLiteral(u"应为 left、center 或 right（现为 %1）").arg(align));
        item.align = *known;
    }
    // Files of version 1 hold text items only.
    if (object.has(QStringLiteral("kind"))) {
        const QString kind = object[QStringLiteral("kind")].toText();
        const auto known = std::find_if(kKinds.cbegin(), kKinds.cend(),
                                        [&](ItemKind candidate) { return kindKey(candidate) == kind; });
        if (known == kKinds.cend())
            object[QStringLiteral("kind")].reject(QStringLiteral(u"应为 text、code128 或 qr（现为 %1）").arg(kind));
        item.kind = *known;
    }
    if (item.kind == ItemKind::Code128 && item.column.isEmpty() && !fitsCode128(item.fixedText))
        object[QStringLiteral("text")].reject(QStringLiteral(u"条码 Code 128 只能印数字、字母和英文符号"));
    if (object.has(QStringLiteral("readable")))
        item.readableLine = object[QStringLiteral("readable")].toBool();
    if (object.has(QStringLiteral("fit")))
        item.fitText = object[QStringLiteral("fit")].toBool();
    if (object.has(QStringLiteral("minPoints")))
        item.minPoints = object[QStringLiteral("minPoints")].toInt(user_form::kMinPoints, user_form::kMaxPoints);
    return item;
}

} // namespace

QString alignKey(TextAlign align)
{
    switch (align) {
    case TextAlign::Centre:
        return QStringLiteral("center");
    case TextAlign::Right:
        return QStringLiteral("right");
    case TextAlign::Left:
        break;
    }
    return QStringLiteral("left");
}

QString kindKey(ItemKind kind)
{
    switch (kind) {
    case ItemKind::Code128:
        return QStringLiteral("code128");
    case ItemKind::Qr:
        return QStringLiteral("qr");
    case ItemKind::Text:
        break;
    }
    return QStringLiteral("text");
}

void checkNewFormCode(const QString &code)
{
    static const QRegularExpression pattern(QStringLiteral("^[a-z0-9_]{1,32}$"));
    if (!pattern.match(code).hasMatch())
        throw AppError(QStringLiteral(u"快递单代码“%1”不能用：只能用小写字母、数字和 _，最多 32 个字符。").arg(code));
    if (formCodes().contains(code))
        throw AppError(QStringLiteral(u"快递单代码“%1”是内置快递单的代码，请换一个。").arg(code));
}

bool isUsableFormCode(const QString &code)
{
    try {
        checkNewFormCode(code);
        return true;
    } catch (const AppError &) {
        return false;
    }
}

UserForm readUserForm(const QString &fileName, const QByteArray &json)
{
    if (json.size() > user_form::kMaxFileBytes)
        throw AppError(QStringLiteral(u"快递单版式 %1 有误：文件太大（%2 MB，最多 %3 MB）")
                           .arg(fileName)
                           .arg(json.size() / (1024 * 1024))
                           .arg(user_form::kMaxFileBytes / (1024 * 1024)));
    const FormValue document = FormValue::document(fileName, json);
    if (document[QStringLiteral("format")].toText() != kFormat)
        document[QStringLiteral("format")].reject(QStringLiteral(u"不是本软件的快递单文件（应为 %1）").arg(kFormat));
    if (document[QStringLiteral("version")].toInt(1, 1000) > user_form::kFileVersion)
        document[QStringLiteral("version")].reject(QStringLiteral(u"是较新版本的本软件写的，请先升级本软件"));
    UserForm form;
    form.code = document[QStringLiteral("code")].toText();
    try {
        checkNewFormCode(form.code);
    } catch (const AppError &error) {
        document[QStringLiteral("code")].reject(error.text());
    }
    form.name = document[QStringLiteral("name")].toText().trimmed();
    if (form.name.isEmpty())
        document[QStringLiteral("name")].reject(QStringLiteral(u"名称不能为空"));
    if (form.name.size() > user_form::kMaxNameLength)
        document[QStringLiteral("name")].reject(
            QStringLiteral(u"名称最多 %1 个字（现有 %2 个）").arg(user_form::kMaxNameLength).arg(form.name.size()));
    // The name is a menu entry's caption: no line breaks or other control characters.
    if (std::any_of(form.name.cbegin(), form.name.cend(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        document[QStringLiteral("name")].reject(QStringLiteral(u"名称不能含有控制字符（如换行）"));
    form.paperMm = document[QStringLiteral("paperMm")].toSizeF(user_form::kMinPaperMm, user_form::kMaxPaperMm);
    const FormValue picture = document[QStringLiteral("picture")];
    if (picture.has(QStringLiteral("data"))) {
        form.picture = checkedPicture(picture[QStringLiteral("data")]);
        form.pictureScale = picture[QStringLiteral("scale")].toDouble(0.1, 10.0);
        const QSizeF offset =
            picture[QStringLiteral("offsetMm")].toSizeF(-user_form::kMaxPaperMm, user_form::kMaxPaperMm);
        form.pictureOffsetMm = {offset.width(), offset.height()};
    }
    const QList<FormValue> items = document[QStringLiteral("items")].elements();
    if (items.size() > user_form::kMaxItems)
        document[QStringLiteral("items")].reject(
            QStringLiteral(u"最多 %1 项（现有 %2 项）").arg(user_form::kMaxItems).arg(items.size()));
    for (const FormValue &item : items)
        form.items << readItem(item, form.paperMm);
    return form;
}

UserForm readUserFormFile(const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw FileError(QStringLiteral(u"无法读取文件 %1：%2").arg(path, file.errorString()));
    if (file.size() > user_form::kMaxFileBytes)
        throw FileError(QStringLiteral(u"%1 不是快递单文件：文件太大（最多 %2 MB）")
                            .arg(path)
                            .arg(user_form::kMaxFileBytes / (1024 * 1024)));
    return readUserForm(QFileInfo(path).fileName(), file.readAll());
}

QByteArray userFormJson(const UserForm &form)
{
    QJsonObject document{{QStringLiteral("format"), kFormat},
                         {QStringLiteral("version"), user_form::kFileVersion},
                         {QStringLiteral("code"), form.code},
                         {QStringLiteral("name"), form.name},
                         {QStringLiteral("paperMm"), QJsonArray{form.paperMm.width(), form.paperMm.height()}}};
    QJsonObject picture;
    if (!form.picture.isEmpty()) {
        picture.insert(QStringLiteral("data"), QString::fromLatin1(form.picture.toBase64()));
        picture.insert(QStringLiteral("scale"), form.pictureScale);
        picture.insert(QStringLiteral("offsetMm"), QJsonArray{form.pictureOffsetMm.x(), form.pictureOffsetMm.y()});
    }
    document.insert(QStringLiteral("picture"), picture);
    QJsonArray items;
    for (const UserFormItem &item : form.items)
        items.append(QJsonObject{
            {QStringLiteral("row"), rowKey(item.row)},
            {QStringLiteral("column"), item.column},
            {QStringLiteral("text"), item.fixedText},
            {QStringLiteral("mm"), QJsonArray{item.mm.left(), item.mm.top(), item.mm.width(), item.mm.height()}},
            {QStringLiteral("font"), item.family},
            {QStringLiteral("points"), item.points},
            {QStringLiteral("bold"), item.bold},
            {QStringLiteral("color"), item.color.name()},
            {QStringLiteral("split"), item.split},
            {QStringLiteral("align"), alignKey(item.align)},
            {QStringLiteral("kind"), kindKey(item.kind)},
            {QStringLiteral("readable"), item.readableLine},
            {QStringLiteral("fit"), item.fitText},
            {QStringLiteral("minPoints"), item.minPoints},
        });
    document.insert(QStringLiteral("items"), items);
    return QJsonDocument(document).toJson(QJsonDocument::Indented);
}

Layout layoutOfUserForm(const UserForm &form, Variant variant)
{
    Layout layout;
    layout.code = form.code;
    layout.variant = variant;
    layout.paperMm = form.paperMm;
    layout.pictureBytes = form.picture;
    const QSize paper = layout.paperUnits();
    layout.pictureDrawn = QSize(qRound(paper.width() * form.pictureScale), qRound(paper.height() * form.pictureScale));
    layout.pictureLeft = qRound(form.pictureOffsetMm.x() / kMmPerUnit);
    layout.pictureTop = qRound(form.pictureOffsetMm.y() / kMmPerUnit);
    // The shift and scale strip above the page spans 252 pixels left of its
    // anchor to 391 right of it: over the page's right part, and the panel
    // widened for it on a narrow paper.
    constexpr int kPageLeft = 5;
    const int strip = std::max(257, kPageLeft + paper.width() - 391);
    layout.window = {strip, kPageLeft, QStringLiteral("Panel2"),
                     QSize(std::max(5, strip + 391 - kPageLeft - paper.width()), 3)};
    int number = 1;
    for (const UserFormItem &source : form.items) {
        LayoutItem item;
        item.name = QStringLiteral("QRDBText%1").arg(number++);
        item.row = source.row;
        item.column = source.column;
        item.fixedText = source.column.isEmpty() ? source.fixedText : QString();
        item.left = qRound(source.mm.left() / kMmPerUnit);
        item.top = qRound(source.mm.top() / kMmPerUnit);
        item.width = qRound(source.mm.width() / kMmPerUnit);
        item.height = qRound(source.mm.height() / kMmPerUnit);
        item.font = QFont(source.family);
        item.font.setPointSize(source.points);
        item.font.setBold(source.bold);
        item.color = source.color;
        item.splitWidth = source.split;
        item.align = source.align;
        item.kind = source.kind;
        item.readableLine = source.readableLine;
        item.fitText = source.fitText;
        item.minPoints = source.minPoints;
        layout.items << item;
    }
    return layout;
}

UserForm userFormFromLayout(const Layout &layout, const QString &code, const QString &name)
{
    UserForm form;
    form.code = code;
    form.name = name;
    form.paperMm = layout.paperMm;
    form.picture = layout.pictureBytes;
    QFile picture(layout.picture);
    if (form.picture.isEmpty() && picture.open(QIODevice::ReadOnly))
        form.picture = picture.readAll();
    form.pictureScale = layout.pictureDrawn.width() / double(std::max(1, layout.paperUnits().width()));
    form.pictureOffsetMm = {layout.pictureLeft * kMmPerUnit, layout.pictureTop * kMmPerUnit};
    for (const LayoutItem &source : layout.items) {
        UserFormItem item;
        item.row = source.row;
        item.column = source.column;
        item.fixedText = source.fixedText;
        item.mm = QRectF(source.left * kMmPerUnit, source.top * kMmPerUnit, source.width * kMmPerUnit,
                         source.height * kMmPerUnit);
        item.family = source.font.family();
        item.points = source.font.pointSize();
        item.bold = source.font.bold();
        item.color = source.color;
        item.split = source.splitWidth;
        item.align = source.align;
        item.kind = source.kind;
        item.readableLine = source.readableLine;
        item.fitText = source.fitText;
        item.minPoints = source.minPoints;
        form.items << item;
    }
    return form;
}

void preparePicture(UserForm &form)
{
    if (form.picture.isEmpty())
        return;
    QBuffer buffer;
    buffer.setData(form.picture);
    QImageReader reader(&buffer);
    const QByteArray format = reader.format();
    const QSize size = reader.size();
    if ((format != "jpeg" && format != "png") || !size.isValid())
        throw AppError(QStringLiteral(u"底图不是 JPEG 或 PNG 图片"));
    const QSizeF drawnMm = form.paperMm * form.pictureScale;
    const QSize most(int(std::ceil(drawnMm.width() / 25.4 * user_form::kPictureDpi)),
                     int(std::ceil(drawnMm.height() / 25.4 * user_form::kPictureDpi)));
    // Decoded as the windows decode it: at the size it is shown, at most.
    const QSize wanted = size.boundedTo(most);
    if (wanted != size)
        reader.setScaledSize(wanted);
    // Qt refuses to decode more than its allocation limit at once; a PNG is
    // decoded whole whatever size is asked for.
    const int bitsPerPixel = std::max(8, int(QImage::toPixelFormat(reader.imageFormat()).bitsPerPixel()));
    const bool pastLimit =
        qint64(size.width()) * size.height() * bitsPerPixel / 8 > qint64(QImageReader::allocationLimit()) * 1024 * 1024;
    const QImage image = format == "png" && pastLimit ? QImage() : reader.read();
    if (image.isNull()) {
        if (pastLimit)
            throw AppError(QStringLiteral(u"底图太大（%1 × %2 像素），无法显示；请把它缩小到 %3 × %4 像素以内再用")
                               .arg(size.width())
                               .arg(size.height())
                               .arg(most.width())
                               .arg(most.height()));
        throw AppError(QStringLiteral(u"底图已损坏，无法显示（%1）").arg(reader.errorString()));
    }
    if (!runsToItsEnd(form.picture, format))
        throw AppError(QStringLiteral(u"底图不完整（文件只有前面一部分），无法完整显示；请重新保存或扫描后再用"));
    if (wanted == size)
        return;
    // More pixels than the paper needs: kept at what it is shown at.
    QByteArray scaled;
    QBuffer sink(&scaled);
    sink.open(QIODevice::WriteOnly);
    if (!image.save(&sink, format == "png" ? "PNG" : "JPEG", format == "png" ? -1 : 90))
        throw AppError(QStringLiteral(u"无法缩小底图（%1 × %2 像素）").arg(size.width()).arg(size.height()));
    form.picture = scaled;
}

void preparePictureOfFile(UserForm &form, const QString &path)
{
    try {
        preparePicture(form);
    } catch (const AppError &error) {
        throw AppError(QStringLiteral(u"快递单文件 %1 未导入：%2。").arg(QDir::toNativeSeparators(path), error.text()));
    }
}
