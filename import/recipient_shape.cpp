#include "import/recipient_shape.h"

#include "import/paste_parser.h"
#include "store/schema.h"

#include <QRegularExpression>
#include <QSet>

using namespace schema::col;

namespace {

// The headings a column is found under, the record's own first.
const QList<QPair<QString, QStringList>> &synonyms()
{
    static const QList<QPair<QString, QStringList>> table{
        {kRecipientName,
         {kRecipientName, QStringLiteral(u"收货人姓名"), QStringLiteral(u"收货人"), QStringLiteral(u"收件人"),
          QStringLiteral(u"姓名"), QStringLiteral(u"联系人"), QStringLiteral(u"客户姓名")}},
        {kMobile,
         {kMobile, QStringLiteral(u"联系手机"), QStringLiteral(u"收件人手机号"), QStringLiteral(u"收货人手机"),
          QStringLiteral(u"收货人手机号"), QStringLiteral(u"手机"), QStringLiteral(u"手机号")}},
        {kPhone, {kPhone, QStringLiteral(u"电话"), QStringLiteral(u"固定电话"), QStringLiteral(u"收货人电话")}},
        {kRecipientAddress,
         {QStringLiteral(u"修改后的收货地址"), kRecipientAddress, QStringLiteral(u"收货地址"),
          QStringLiteral(u"详细地址"), QStringLiteral(u"收件详细地址"), QStringLiteral(u"地址")}},
        {kCompany, {kCompany, QStringLiteral(u"公司"), QStringLiteral(u"单位"), QStringLiteral(u"公司名称")}},
        {kPostcode, {kPostcode, QStringLiteral(u"邮编")}},
        {kContents,
         {kContents, QStringLiteral(u"宝贝标题"), QStringLiteral(u"商品名称"), QStringLiteral(u"商品"),
          QStringLiteral(u"物品")}},
        {kQuantity, {kQuantity, QStringLiteral(u"宝贝总数量"), QStringLiteral(u"商品数量"), QStringLiteral(u"件数")}},
        {kRemarks, {kRemarks, QStringLiteral(u"订单备注"), QStringLiteral(u"买家留言")}},
        {kDestination, {kDestination}},
    };
    return table;
}

// The headings of the address parts, in the order they are joined.
const QList<QStringList> &partHeadings()
{
    static const QList<QStringList> parts{
        {QStringLiteral(u"省"), QStringLiteral(u"省份"), QStringLiteral(u"所在省"), QStringLiteral(u"收货省份")},
        {QStringLiteral(u"市"), QStringLiteral(u"城市"), QStringLiteral(u"所在市"), QStringLiteral(u"收货城市")},
        {QStringLiteral(u"区"), QStringLiteral(u"区县"), QStringLiteral(u"县"), QStringLiteral(u"区/县"),
         QStringLiteral(u"所在区"), QStringLiteral(u"收货区县")},
        {QStringLiteral(u"街道"), QStringLiteral(u"镇/街道"), QStringLiteral(u"乡镇街道")},
    };
    return parts;
}

// The headings of an order export's order number.
const QStringList &orderNumberHeadings()
{
    static const QStringList headings{kOrderNumber,
                                      QStringLiteral(u"订单编号"),
                                      QStringLiteral(u"主订单编号"),
                                      QStringLiteral(u"订单ID"),
                                      QStringLiteral(u"平台订单号"),
                                      QStringLiteral(u"网店订单号")};
    return headings;
}

// The address heading that wins over the others when it is not empty.
const QString kChangedAddress = QStringLiteral(u"修改后的收货地址");

// Enough of an address to name its province, city and county-level city
// (新疆维吾尔自治区克孜勒苏柯尔克孜自治州 is 18 characters).
constexpr qsizetype kCityPrefix = 20;

// A heading as compared: as the user reads it, without blanks inside.
QString comparable(const QString &heading)
{
    QString text = headingAsSeen(heading);
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

bool isBlank(QChar c)
{
    return c.isSpace() || c == QChar(0xFEFF);
}

QString withoutBlanks(QString text)
{
    text.removeIf(isBlank);
    return text;
}

} // namespace

QString cleanedCell(QStringView cell)
{
    const auto trim = [](QStringView text) {
        while (!text.isEmpty() && isBlank(text.front()))
            text = text.mid(1);
        while (!text.isEmpty() && isBlank(text.back()))
            text.chop(1);
        return text;
    };
    QStringView text = trim(cell);
    if (text.size() >= 3 && text.startsWith(u"=\"") && text.endsWith(u'"'))
        text = trim(text.mid(2, text.size() - 3));
    if (text.startsWith(u'\''))
        text = trim(text.mid(1));
    return text.toString();
}

ColumnMapping RecipientShape::guess(const QStringList &headings)
{
    QStringList seen;
    for (const QString &heading : headings)
        seen << comparable(heading);
    ColumnMapping guesses;
    for (const auto &[column, names] : synonyms())
        for (const QString &name : names)
            if (const qsizetype at = seen.indexOf(name); at >= 0 && !guesses.contains(column)) {
                // The changed address counts only beside another address column.
                if (name == kChangedAddress)
                    continue;
                guesses.insert(column, headingAsSeen(headings[at]));
            }
    return guesses;
}

int RecipientShape::width() const
{
    return int(schema::recipientColumns().size()) + (m_orderNumber >= 0 ? 1 : 0);
}

QStringList RecipientShape::comparableHeadings(const QStringList &headings)
{
    QStringList seen;
    for (const QString &heading : headings)
        seen << comparable(heading);
    return seen;
}

void RecipientShape::plan(const QStringList &headings)
{
    m_headings = headings;
    m_mapping = m_chosen ? *m_chosen : ColumnMapping();
    if (!m_chosen && m_remembered)
        if (const std::optional<ColumnMapping> remembered = m_remembered(comparableHeadings(headings)))
            m_mapping = *remembered;
    QStringList seen;
    QStringList shown;
    for (const QString &heading : headings) {
        seen << comparable(heading);
        shown << headingAsSeen(heading);
    }
    const auto positionOf = [&](const QStringList &names) {
        for (const QString &name : names)
            if (const qsizetype at = seen.indexOf(name); at >= 0)
                return int(at);
        return -1;
    };
    m_parts.clear();
    for (const QStringList &names : partHeadings())
        m_parts << positionOf(names);
    const bool anyPart = std::any_of(m_parts.cbegin(), m_parts.cend(), [](int at) { return at >= 0; });
    m_orderNumber = positionOf(orderNumberHeadings());

    const ColumnMapping guesses = guess(headings);
    m_sources.clear();
    for (const QString &column : schema::recipientColumns()) {
        Source source;
        if (m_mapping.contains(column)) {
            // As the user chose: one heading, or none.
            const QString heading = m_mapping.value(column);
            if (!heading.isEmpty()) {
                const int at = int(seen.indexOf(comparable(heading)));
                if (at < 0)
                    throw UnmappedSheet(QStringLiteral(u"工作表中没有标题“%1”（指定给“%2”；工作表的标题有：%3）")
                                            .arg(heading, column, shown.join(QStringLiteral(u"、"))),
                                        shown, guesses);
                source = {Kind::Cell, {at}};
            }
        } else if (guesses.contains(column)) {
            source = {Kind::Cell, {int(seen.indexOf(comparable(guesses.value(column))))}};
        }
        if (column == kRecipientAddress) {
            // The changed address first, when the export has one and it is filled.
            const int changed = int(seen.indexOf(kChangedAddress));
            if (changed >= 0 && !m_mapping.contains(column))
                source = {Kind::FirstNonEmpty, QList<int>{changed} + source.cells};
            if (anyPart)
                source.kind = Kind::Address;
        }
        // 目的地 under no heading is the city the address names.
        if (column == kDestination && source.kind == Kind::None)
            source.kind = Kind::City;
        if (source.kind == Kind::Cell && source.cells.size() > 1)
            source.kind = Kind::FirstNonEmpty;
        m_sources << source;
    }
    // Without a name and an address there are no recipients to import.
    const auto missing = [&](const QString &column) {
        const Source &source = m_sources[schema::recipientColumns().indexOf(column)];
        return source.kind == Kind::None || (source.kind != Kind::Address && source.cells.isEmpty());
    };
    for (const QString &column : {kRecipientName, kRecipientAddress})
        if (missing(column))
            throw UnmappedSheet(
                shown.isEmpty()
                        || std::all_of(shown.cbegin(), shown.cend(), [](const QString &h) { return h.isEmpty(); })
                    ? QStringLiteral(u"工作表第一行没有标题，缺少“%1”").arg(column)
                    : QStringLiteral(u"第一行缺少标题“%1”（第一行的标题有：%2）。可以指定各列对应的标题后再导入")
                          .arg(column, shown.join(QStringLiteral(u"、"))),
                shown, guesses);
}

QString RecipientShape::value(const Source &source, const QStringView *cells, qsizetype count) const
{
    const auto cell = [&](int at) { return at >= 0 && at < count ? cleanedCell(cells[at]) : QString(); };
    switch (source.kind) {
    case Kind::None:
        return {};
    case Kind::Cell:
        return cell(source.cells.first());
    case Kind::FirstNonEmpty:
        for (int at : source.cells)
            if (QString text = cell(at); !text.isEmpty())
                return text;
        return {};
    case Kind::Address: {
        QString address;
        for (int at : source.cells)
            if (address = cell(at); !address.isEmpty())
                break;
        // Each part before the rest, unless the rest already names it.
        for (auto part = m_parts.crbegin(); part != m_parts.crend(); ++part) {
            const QString text = cell(*part);
            if (!text.isEmpty() && !withoutBlanks(address).contains(withoutBlanks(text)))
                address.prepend(text);
        }
        return address;
    }
    case Kind::City: {
        // The division table names it from the 省 and 市 columns (a
        // municipality its own name), else from the address.
        const QString city = cell(m_parts.value(1, -1));
        if (const QString parts = cell(m_parts.value(0, -1)) + city; !parts.isEmpty())
            if (const QString named = cityNamedIn(parts); !named.isEmpty())
                return named;
        if (!city.isEmpty())
            return city;
        // The city depends on the address's first names only: looked up once
        // per beginning (an order export repeats a few hundred of them).
        QString start =
            withoutBlanks(value(m_sources[schema::recipientColumns().indexOf(kRecipientAddress)], cells, count))
                .left(kCityPrefix);
        // Division names hold no digits: the house numbers after them do not matter.
        if (const auto digit = std::find_if(start.cbegin(), start.cend(), [](QChar c) { return c.isDigit(); });
            digit != start.cend())
            start.truncate(digit - start.cbegin());
        auto known = m_cities.constFind(start);
        if (known == m_cities.constEnd())
            known = m_cities.insert(start, cityNamedIn(start));
        return known.value();
    }
    }
    return {};
}

void RecipientShape::append(TextTable &records, const QStringView *cells, qsizetype count) const
{
    bool any = false;
    for (const Source &source : m_sources) {
        const QString text = source.kind == Kind::City ? QString() : value(source, cells, count);
        any = any || !text.isEmpty();
    }
    // A row with nothing of its own (a blank row, a row of blanks) is no record.
    if (!any)
        return;
    for (const Source &source : m_sources)
        records.appendCell(value(source, cells, count));
    if (m_orderNumber >= 0)
        records.appendCell(m_orderNumber < count ? cleanedCell(cells[m_orderNumber]) : QString());
}

ColumnMapping parseMapping(const QString &text)
{
    ColumnMapping mapping;
    const QStringList &columns = schema::recipientColumns();
    for (const QString &pair : text.split(QRegularExpression(QStringLiteral(u"[,，]")), Qt::SkipEmptyParts)) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        const QString column = pair.left(equals).trimmed();
        if (equals < 0 || !columns.contains(column))
            throw AppError(
                QStringLiteral(u"“%1”不是 列=标题 的格式（列是：%2）").arg(pair, columns.join(QStringLiteral(u"、"))));
        mapping.insert(column, pair.mid(equals + 1).trimmed());
    }
    return mapping;
}

QString mappingText(const ColumnMapping &mapping)
{
    QStringList pairs;
    for (const QString &column : schema::recipientColumns())
        if (mapping.contains(column))
            pairs << column + QLatin1Char('=') + mapping.value(column);
    return pairs.join(QLatin1Char(','));
}

QStringList importNotes(const TextTable &records)
{
    const int name = int(schema::recipientColumns().indexOf(kRecipientName));
    const int mobile = int(schema::recipientColumns().indexOf(kMobile));
    int masked = 0;
    int repeated = 0;
    QSet<QString> seen;
    for (qsizetype r = 0; r < records.rowCount(); ++r) {
        const QString phone = records.cell(r, mobile).toString();
        if (phone.contains(QLatin1Char('*')))
            ++masked;
        const QString key = records.cell(r, name).toString() + QLatin1Char('\t') + phone;
        if (!records.cell(r, name).isEmpty() && !phone.isEmpty() && !phone.contains(QLatin1Char('*'))) {
            if (seen.contains(key))
                ++repeated;
            seen.insert(key);
        }
    }
    QStringList notes;
    if (masked > 0)
        notes << QStringLiteral(u"其中 %1 行的手机号码被隐藏了几位（如 138****5678），已照原样导入，打印前请补全。")
                     .arg(masked);
    if (repeated > 0)
        notes << QStringLiteral(u"其中 %1 行与前面的行重复（收件人姓名和手机号码都相同），已一并导入。").arg(repeated);
    return notes;
}
