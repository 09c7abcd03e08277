#include "waybill/code_item.h"

#include "report/page.h"
#include "waybill/barcode.h"

#include <cmath>
#include <optional>

namespace {

// The box in whole dots of the grid, inside the item's box.
struct DotBox {
    qint64 left = 0;
    qint64 top = 0;
    qint64 width = 0;
    qint64 height = 0;
};

constexpr double kSlack = 1e-6; // a box edge computed on a dot stays on it

DotBox dotBox(const LayoutItem &item, double dotsPerUnit)
{
    const qint64 left = qint64(std::ceil(item.left * dotsPerUnit - kSlack));
    const qint64 top = qint64(std::ceil(item.top * dotsPerUnit - kSlack));
    const qint64 right = qint64(std::floor((qint64(item.left) + item.width) * dotsPerUnit + kSlack));
    const qint64 bottom = qint64(std::floor((qint64(item.top) + item.height) * dotsPerUnit + kSlack));
    return {left, top, std::max<qint64>(0, right - left), std::max<qint64>(0, bottom - top)};
}

// The dark runs of each row as rectangles: the symbol's top-left corner at
// (x, y) dots, modules of module dots across and rowDots down.
QList<QRectF> barsOf(const CodeSymbol &symbol, qint64 x, qint64 y, qint64 module, qint64 rowDots, double dotsPerUnit)
{
    QList<QRectF> bars;
    for (int row = 0; row < symbol.rows; ++row)
        for (int column = 0; column < symbol.columns;) {
            if (!symbol.isDark(column, row)) {
                ++column;
                continue;
            }
            int end = column;
            while (end < symbol.columns && symbol.isDark(end, row))
                ++end;
            bars << QRectF((x + column * module) / dotsPerUnit, (y + row * rowDots) / dotsPerUnit,
                           (end - column) * module / dotsPerUnit, rowDots / dotsPerUnit);
            column = end;
        }
    return bars;
}

const QString kTooSmall = QStringLiteral(u"框太小，放不下条码");

} // namespace

QString codePlaceholder()
{
    return QStringLiteral("1234567890123");
}

PlacedCode placeCode(const LayoutItem &item, const QString &value, int gridDpi, qreal readableHeight)
{
    PlacedCode placed;
    const double dotsPerUnit = gridDpi / kUnitsPerInch;
    const DotBox box = dotBox(item, dotsPerUnit);
    const bool isQr = item.kind == ItemKind::Qr;
    const std::optional<CodeSymbol> symbol = isQr ? qrSymbol(value) : code128Symbol(value);
    if (!symbol) {
        placed.problem = isQr ? QStringLiteral(u"内容太长，二维码放不下")
                              : QStringLiteral(u"条码 Code 128 只能印数字、字母和英文符号");
        return placed;
    }
    if (isQr) {
        const qint64 module = std::min(box.width, box.height) / symbol->columns;
        placed.moduleDots = int(module);
        if (module < 1) {
            placed.problem = kTooSmall;
            return placed;
        }
        const qint64 side = module * symbol->columns;
        const qint64 x = box.left + (box.width - side) / 2;
        const qint64 y = box.top + (box.height - side) / 2;
        placed.symbol = QRectF(x / dotsPerUnit, y / dotsPerUnit, side / dotsPerUnit, side / dotsPerUnit);
        placed.bars = barsOf(*symbol, x, y, module, module, dotsPerUnit);
        return placed;
    }
    const qint64 module = box.width / symbol->columns;
    placed.moduleDots = int(module);
    const qint64 readableDots = item.readableLine ? qint64(std::ceil(readableHeight * dotsPerUnit - kSlack)) : 0;
    const qint64 barsDots = box.height - readableDots;
    const double dotsPerMm = gridDpi / 25.4;
    const qint64 barsWidth = module * (symbol->columns - 2 * code128::kQuietModules);
    const qint64 leastBars = qint64(std::ceil(std::max(kMinBarsMm * dotsPerMm, kMinBarsShare * barsWidth) - kSlack));
    if (module < 1 || barsDots < leastBars) {
        placed.problem = kTooSmall;
        return placed;
    }
    const qint64 width = module * symbol->columns;
    const qint64 x = box.left + (box.width - width) / 2;
    placed.symbol = QRectF(x / dotsPerUnit, box.top / dotsPerUnit, width / dotsPerUnit, barsDots / dotsPerUnit);
    placed.bars = barsOf(*symbol, x, box.top, module, barsDots, dotsPerUnit);
    if (item.readableLine)
        placed.readable =
            QRectF(placed.symbol.left(), (box.top + barsDots) / dotsPerUnit, placed.symbol.width(), readableHeight);
    return placed;
}
