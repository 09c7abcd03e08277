#include "waybill/layout.h"

#include <algorithm>
#include <limits>

#include <QFile>
#include <map>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>

// Resources of a static library must be registered explicitly.
static void initWaybillResources()
{
    Q_INIT_RESOURCE(waybill);
}

namespace {

const char *variantKey(Variant variant)
{
    switch (variant) {
    case Variant::Single: return "single";
    case Variant::Batch: return "batch";
    case Variant::ImportedSingle: return "importedSingle";
    case Variant::ImportedBatch: return "importedBatch";
    }
    return "single";
}

QFont defaultItemFont()
{
    QFont font(QStringLiteral(u"宋体"));
    font.setPointSize(12);
    return font;
}

QJsonObject loadDocument(const QString &code)
{
    QFile file(QStringLiteral(":/layouts/%1.json").arg(code));
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(QStringLiteral(u"没有快递单版式：%1").arg(code));
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (document.isNull())
        throw AppError(QStringLiteral(u"快递单版式 %1 有误：%2").arg(code, error.errorString()));
    return document.object();
}

QSize sizeOf(const QJsonValue &value)
{
    const QJsonArray array = value.toArray();
    return {array.at(0).toInt(), array.at(1).toInt()};
}

Layout parse(const QJsonObject &document, Variant variant)
{
    const QString key = QString::fromLatin1(variantKey(variant));
    const QJsonObject window = document.value(QStringLiteral("windows")).toObject().value(key).toObject();
    const QJsonObject picture = document.value(QStringLiteral("picture")).toObject();
    const QJsonObject renames = document.value(QStringLiteral("renames")).toObject().value(key).toObject();
    const QJsonObject fonts = document.value(QStringLiteral("fonts")).toObject().value(key).toObject();

    Layout layout;
    layout.code = document.value(QStringLiteral("code")).toString();
    layout.variant = variant;
    const QJsonArray paper = window.value(QStringLiteral("paper")).toArray();
    layout.paperMm = {paper.at(0).toDouble(), paper.at(1).toDouble()};
    layout.band = sizeOf(window.value(QStringLiteral("band")));
    layout.pictureTop = window.value(QStringLiteral("pictureTop")).toInt();
    layout.picture = QStringLiteral(":/pictures/") + picture.value(QStringLiteral("file")).toString();
    layout.picturePixels = sizeOf(picture.value(QStringLiteral("pixels")));
    layout.pictureDrawn = sizeOf(picture.value(QStringLiteral("drawn")));
    layout.window.stripLeft = window.value(QStringLiteral("strip")).toInt();
    layout.window.pageLeft = window.value(QStringLiteral("pageLeft")).toInt();
    layout.window.panel = window.value(QStringLiteral("panel")).toString();
    layout.window.frame = sizeOf(window.value(QStringLiteral("frame")));

    const int index = int(variant);
    for (const QJsonValue &value : document.value(QStringLiteral("items")).toArray()) {
        const QJsonObject object = value.toObject();
        const QString baseName = object.value(QStringLiteral("name")).toString();
        LayoutItem item;
        item.name = renames.value(baseName).toString(baseName);
        item.row = object.value(QStringLiteral("row")).toString() == QStringLiteral("sender") ? RowSide::Sender
                                                                                              : RowSide::Recipient;
        item.column = object.value(QStringLiteral("column")).toString();
        const QJsonArray at = object.value(QStringLiteral("at")).toArray().at(index).toArray();
        const QSize size = sizeOf(object.value(QStringLiteral("size")));
        item.left = at.at(0).toInt();
        item.top = at.at(1).toInt();
        item.width = at.size() > 2 ? at.at(2).toInt() : size.width();
        item.height = at.size() > 3 ? at.at(3).toInt() : size.height();
        item.splitWidth = object.value(QStringLiteral("split")).toInt();
        item.font = defaultItemFont();
        const QJsonObject font = fonts.value(baseName).toObject();
        if (!font.isEmpty()) {
            item.font = QFont(font.value(QStringLiteral("family")).toString());
            item.font.setPointSize(font.value(QStringLiteral("points")).toInt());
        }
        layout.items << item;
    }
    std::sort(layout.items.begin(), layout.items.end(), [](const LayoutItem &a, const LayoutItem &b) {
        return itemNumber(a.name) < itemNumber(b.name);
    });
    return layout;
}

} // namespace

QSize Layout::paperUnits() const
{
    return {qRound(paperMm.width() / kMmPerUnit), qRound(paperMm.height() / kMmPerUnit)};
}

int itemNumber(const QString &name)
{
    return QStringView(name).mid(8).toInt(); // after "QRDBText"
}

const Layout &layoutFor(const QString &code, Variant variant)
{
    static const bool registered = (initWaybillResources(), true);
    Q_UNUSED(registered);
    // A std::map keeps its values in place as it grows, so the references
    // handed out stay valid.
    static std::map<std::pair<QString, int>, Layout> cache;
    const std::pair<QString, int> key{code, int(variant)};
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.emplace(key, parse(loadDocument(code), variant)).first;
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
