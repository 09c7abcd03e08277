#include "waybill/layout.h"

#include <QBuffer>
#include <QImageReader>

#include "store/schema.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <limits>
#include <map>

// Resources of a static library must be registered explicitly.
static void initWaybillResources()
{
    Q_INIT_RESOURCE(waybill);
}

namespace {

const char *variantKey(Variant variant)
{
    switch (variant) {
    case Variant::Single:
        return "single";
    case Variant::Batch:
        return "batch";
    case Variant::ImportedSingle:
        return "importedSingle";
    case Variant::ImportedBatch:
        return "importedBatch";
    }
    return "single";
}

QFont defaultItemFont()
{
    QFont font(QStringLiteral(u"宋体"));
    font.setPointSize(12);
    return font;
}

// Bounds of the numbers a form file may hold: positions and sizes on a
// paper up to a metre, a picture up to 20,000 pixels.
constexpr int kMaxUnits = 4000;
constexpr double kMinPaperMm = 10.0;
constexpr double kMaxPaperMm = 1000.0;
constexpr int kMaxPixels = 20000;
constexpr int kMaxSplit = 1000;
constexpr qsizetype kMaxItems = 200;

Layout parse(const FormValue &document, Variant variant)
{
    const QString key = QString::fromLatin1(variantKey(variant));
    const FormValue window = document[QStringLiteral("windows")][key];
    const FormValue picture = document[QStringLiteral("picture")];
    const FormValue renames = document[QStringLiteral("renames")];
    const FormValue fonts = document[QStringLiteral("fonts")];

    Layout layout;
    layout.code = document[QStringLiteral("code")].toText();
    layout.variant = variant;
    layout.paperMm = window[QStringLiteral("paper")].toSizeF(kMinPaperMm, kMaxPaperMm);
    layout.pictureTop = window[QStringLiteral("pictureTop")].toInt(-kMaxUnits, kMaxUnits);
    layout.picture = QStringLiteral(":/pictures/") + picture[QStringLiteral("file")].toText();
    layout.picturePixels = picture[QStringLiteral("pixels")].toSize(1, kMaxPixels);
    layout.pictureDrawn = picture[QStringLiteral("drawn")].toSize(1, kMaxUnits);
    layout.window.stripLeft = window[QStringLiteral("strip")].toInt(0, kMaxUnits);
    layout.window.pageLeft = window[QStringLiteral("pageLeft")].toInt(0, kMaxUnits);
    layout.window.panel = window[QStringLiteral("panel")].toText();
    layout.window.frame = window[QStringLiteral("frame")].toSize(0, kMaxUnits);

    const int index = int(variant);
    const QList<FormValue> items = document[QStringLiteral("items")].elements();
    if (items.size() > kMaxItems)
        document[QStringLiteral("items")].reject(
            QStringLiteral(u"最多 %1 项（现有 %2 项）").arg(kMaxItems).arg(items.size()));
    for (const FormValue &object : items) {
        const QString baseName = object[QStringLiteral("name")].toText();
        if (itemNumber(baseName) <= 0)
            object[QStringLiteral("name")].reject(QStringLiteral(u"应为 QRDBText 加编号（现为 %1）").arg(baseName));
        LayoutItem item;
        item.name = renames.has(key) && renames[key].has(baseName) ? renames[key][baseName].toText() : baseName;
        const QString row = object[QStringLiteral("row")].toText();
        if (row != QStringLiteral("sender") && row != QStringLiteral("recipient"))
            object[QStringLiteral("row")].reject(QStringLiteral(u"应为 sender 或 recipient（现为 %1）").arg(row));
        item.row = row == QStringLiteral("sender") ? RowSide::Sender : RowSide::Recipient;
        item.column = object[QStringLiteral("column")].toText();
        const QStringList &columns = item.row == RowSide::Sender ? schema::senderColumns() : schema::recipientColumns();
        if (!columns.contains(item.column))
            object[QStringLiteral("column")].reject(QStringLiteral(u"没有这个字段：%1").arg(item.column));
        const QList<FormValue> places = object[QStringLiteral("at")].elements();
        if (places.size() != qsizetype(kVariants.size()))
            object[QStringLiteral("at")].reject(QStringLiteral(u"应有四个位置（单张、批量、导入单张、导入批量）"));
        const QList<FormValue> at = places[index].elements();
        if (at.size() != 2 && at.size() != 4)
            places[index].reject(QStringLiteral(u"应为 [左, 上] 或 [左, 上, 宽, 高]"));
        const QSize size = object[QStringLiteral("size")].toSize(0, kMaxUnits);
        item.left = at[0].toInt(-kMaxUnits, kMaxUnits);
        item.top = at[1].toInt(-kMaxUnits, kMaxUnits);
        item.width = at.size() > 2 ? at[2].toInt(0, kMaxUnits) : size.width();
        item.height = at.size() > 3 ? at[3].toInt(0, kMaxUnits) : size.height();
        item.splitWidth = object[QStringLiteral("split")].toInt(0, kMaxSplit);
        item.font = defaultItemFont();
        if (fonts.has(key) && fonts[key].has(baseName)) {
            const FormValue font = fonts[key][baseName];
            item.font = QFont(font[QStringLiteral("family")].toText());
            item.font.setPointSize(font[QStringLiteral("points")].toInt(1, 200));
        }
        layout.items << item;
    }
    std::sort(layout.items.begin(), layout.items.end(),
              [](const LayoutItem &a, const LayoutItem &b) { return itemNumber(a.name) < itemNumber(b.name); });
    return layout;
}

} // namespace

QImage Layout::pictureImage(const QSize &size) const
{
    QBuffer buffer;
    buffer.setData(pictureBytes);
    QImageReader reader;
    if (!pictureBytes.isEmpty())
        reader.setDevice(&buffer);
    else if (!picture.isEmpty())
        reader.setFileName(picture);
    else
        return {};
    if (size.isValid())
        reader.setScaledSize(size);
    return reader.read();
}

QSize paperUnitsOf(const QSizeF &paperMm)
{
    return {qRound(paperMm.width() / kMmPerUnit), qRound(paperMm.height() / kMmPerUnit)};
}

QSize Layout::paperUnits() const
{
    return paperUnitsOf(paperMm);
}

QStringList itemColumns(RowSide row)
{
    if (row == RowSide::Sender)
        return schema::senderColumns();
    return schema::recipientColumns() + QStringList{kWaybillNumberColumn, schema::col::kOrderNumber};
}

int itemNumber(const QString &name)
{
    return QStringView(name).mid(8).toInt(); // after "QRDBText"
}

FormValue formDocument(const QString &code)
{
    static const bool registered = (initWaybillResources(), true);
    Q_UNUSED(registered);
    const QString fileName = code + QStringLiteral(".json");
    QFile file(QStringLiteral(":/layouts/") + fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral(u"没有快递单版式：%1").arg(code));
    return FormValue::document(fileName, file.readAll());
}

QStringList formCodes()
{
    static const bool registered = (initWaybillResources(), true);
    Q_UNUSED(registered);
    QStringList codes;
    for (const QString &name : QDir(QStringLiteral(":/layouts")).entryList({QStringLiteral("*.json")}, QDir::Files))
        codes << name.chopped(5);
    return codes;
}

Layout parseLayout(const FormValue &document, Variant variant)
{
    return parse(document, variant);
}

void checkForm(const FormValue &document)
{
    courierFromForm(document);
    for (Variant variant : kVariants)
        parse(document, variant);
}

const Layout &layoutFor(const QString &code, Variant variant)
{
    // A std::map keeps its values in place as it grows, so the references
    // handed out stay valid.
    static std::map<std::pair<QString, int>, Layout> cache;
    const std::pair<QString, int> key{code, int(variant)};
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, parse(formDocument(code), variant)).first;
    return it->second;
}

namespace {

int clampedAdd(int value, int amount)
{
    const qint64 sum = qint64(value) + amount;
    return int(std::clamp<qint64>(sum, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

} // namespace

void shiftItems(QList<LayoutItem> &items, int dx, int dy)
{
    for (LayoutItem &item : items) {
        item.left = clampedAdd(item.left, dx);
        item.top = clampedAdd(item.top, dy);
    }
}

bool anyItemOnPaper(const QList<LayoutItem> &items, QSize paperUnits)
{
    return std::any_of(items.cbegin(), items.cend(), [&](const LayoutItem &item) {
        return item.left >= 0 && item.top >= 0 && item.left < paperUnits.width() && item.top < paperUnits.height();
    });
}
