#include "waybill/waybill_run.h"

#include "report/fonts.h"
#include "store/db_error.h"
#include "store/schema.h"
#include "waybill/code_item.h"
#include "waybill/waybill_number.h"

#include <algorithm>
#include <cmath>
#include <limits>

WaybillRun::WaybillRun(const Layout &layout, std::unique_ptr<PrintSource> source)
    : m_layout(layout), m_items(layout.items), m_source(std::move(source))
{
}

QSize WaybillRun::paperUnits() const
{
    return paperUnitsOf(paperMm());
}

void WaybillRun::setPaper(const QSizeF &paperMm)
{
    m_paperMm = paperMm == m_layout.paperMm ? QSizeF() : paperMm;
    m_composer.reset();
}

void WaybillRun::shift(int dx, int dy)
{
    shiftItems(m_items, dx, dy);
    m_composer.reset();
}

bool WaybillRun::anyItemOnPaper() const
{
    return ::anyItemOnPaper(m_items, paperUnits());
}

void WaybillRun::shiftKeepingPaper(int dx, int dy)
{
    QList<LayoutItem> moved = m_items;
    shiftItems(moved, dx, dy);
    if (!::anyItemOnPaper(moved, paperUnits()))
        throw AppError(offPaperText() + QStringLiteral(u"，未移动。"));
    m_items = std::move(moved);
    m_composer.reset();
}

QString WaybillRun::offPaperText() const
{
    return QStringLiteral(u"移动量太大：所有内容都移出了纸张（纸张 %1 × %2 单位）")
        .arg(paperUnits().width())
        .arg(paperUnits().height());
}

void WaybillRun::setFont(const QFont &font, const QColor &color)
{
    for (LayoutItem &item : m_items) {
        item.font = font;
        item.color = color;
    }
    m_fontSet = true;
    m_composer.reset();
}

QFont WaybillRun::font() const
{
    return m_items.isEmpty() ? QFont() : m_items.first().font;
}

QColor WaybillRun::color() const
{
    return m_items.isEmpty() ? QColor(Qt::black) : m_items.first().color;
}

int WaybillRun::pageCount() const
{
    return m_source->pageCount();
}

QPoint WaybillRun::totalShift() const
{
    if (m_items.isEmpty())
        return {};
    return {m_items.first().left - m_layout.items.first().left, m_items.first().top - m_layout.items.first().top};
}

void WaybillRun::reset()
{
    m_items = m_layout.items;
    m_scaleX = m_scaleY = 1.0;
    m_paperMm = QSizeF();
    m_fontSet = false;
    m_composer.reset();
}

void WaybillRun::setScale(double across, double down)
{
    m_scaleX = across;
    m_scaleY = down;
    m_composer.reset();
}

QList<LayoutItem> WaybillRun::placedItems() const
{
    QList<LayoutItem> placed = m_items;
    if (m_scaleX != 1.0 || m_scaleY != 1.0)
        for (LayoutItem &item : placed) {
            const auto scaled = [](int value, double factor) {
                return int(std::clamp(std::round(value * factor), double(std::numeric_limits<int>::min()),
                                      double(std::numeric_limits<int>::max())));
            };
            item.left = scaled(item.left, m_scaleX);
            item.top = scaled(item.top, m_scaleY);
        }
    return placed;
}

void WaybillRun::apply(const Calibration &calibration)
{
    reset();
    shift(calibration.shiftX, calibration.shiftY);
    setScale(calibration.scaleX, calibration.scaleY);
    if (calibration.paperWidth > 0 && calibration.paperHeight > 0)
        setPaper(QSizeF(calibration.paperWidth, calibration.paperHeight));
    if (const std::optional<QFont> font = parseFontText(calibration.font))
        setFont(*font, calibration.color.isEmpty() ? QColor(Qt::black) : QColor(calibration.color));
}

Calibration WaybillRun::calibration(const QString &printer) const
{
    const QPoint shift = totalShift();
    Calibration calibration{m_layout.code, printer, shift.x(), shift.y(), m_scaleX, m_scaleY, {}, {}};
    if (!m_paperMm.isEmpty()) {
        calibration.paperWidth = m_paperMm.width();
        calibration.paperHeight = m_paperMm.height();
    }
    if (m_fontSet) {
        calibration.font = fontText(font());
        calibration.color = color().name();
    }
    return calibration;
}

const PageComposer &WaybillRun::composer(int gridDpi) const
{
    if (!m_composer || m_composerDpi != gridDpi) {
        m_composer.emplace(paperMm(), placedItems(), gridDpi);
        m_composerDpi = gridDpi;
    }
    return *m_composer;
}

QString WaybillRun::numberOfPage(int page, int firstPrinted) const
{
    if (m_firstNumber.isEmpty())
        return m_source->recordedNumber(page);
    const int index = page - firstPrinted;
    if (index < 0)
        return {};
    if (m_numbers.value(0) != m_firstNumber)
        m_numbers = QStringList{m_firstNumber};
    try {
        while (m_numbers.size() <= index)
            m_numbers << nextWaybillNumber(m_numbers.last());
    } catch (const AppError &) {
        return {}; // nothing follows: printing refuses such a run before it starts
    }
    return m_numbers[index];
}

QString WaybillRun::pageValue(int page, RowSide row, const QString &column, int firstPrinted) const
{
    if (column == kWaybillNumberColumn)
        return numberOfPage(page, firstPrinted);
    if (column != schema::col::kOrderNumber)
        return m_source->value(page, row, column);
    try {
        return m_source->value(page, row, column);
    } catch (const DbError &) {
        return {}; // a list without order numbers
    }
}

ComposedPage WaybillRun::page(int i, PageTarget target) const
{
    return composer(codeGridDpi(target.dpi)).compose([this, i, target](RowSide row, const QString &column) {
        return pageValue(i, row, column, target.firstPrinted);
    });
}

ComposedPage WaybillRun::valuesPage() const
{
    const auto values = [this](RowSide row, const QString &column) {
        const QString value = pageValue(0, row, column, 0);
        return value.isEmpty() ? column : value;
    };
    // A code without a value shows a number in its place: its column's
    // name is no code.
    QList<LayoutItem> shown = placedItems();
    bool placeholders = false;
    for (LayoutItem &item : shown)
        if (item.kind != ItemKind::Text && item.fixedText.isEmpty()
            && pageValue(0, item.row, item.column, 0).isEmpty()) {
            item.fixedText = codePlaceholder();
            placeholders = true;
        }
    return placeholders ? PageComposer(paperMm(), shown).compose(values) : composer().compose(values);
}

ComposedPage WaybillRun::screenPage() const
{
    QList<LayoutItem> shown = m_items;
    for (LayoutItem &item : shown) {
        item.splitWidth = 0;
        if (item.kind != ItemKind::Text && item.fixedText.isEmpty())
            item.fixedText = codePlaceholder();
    }
    return PageComposer(m_layout.paperMm, shown).compose([](RowSide, const QString &column) { return column; });
}
