#include "import/recipient_shape.h"

#include "import/paste_parser.h"
#include "import/recipient_cells.h"
#include "import/shop_headings.h"
#include "store/schema.h"

#include <QRegularExpression>
#include <QSet>
#include <array>

using namespace schema::col;

namespace {

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

// The columns that say who a recipient is and where.
const std::array kWhoAndWhere{kRecipientName, kRecipientAddress, kMobile, kPhone};

int columnIndex(const QString &column)
{
    return int(schema::recipientColumns().indexOf(column));
}

// The sheet's columns by what their headings hold: for each column, part
// and detail the positions in the order they are read (listed headings
// before those told by their words, then by rank, then left to right).
struct HeadingPlan {
    QHash<QString, QList<int>> listed;
    QHash<QString, QList<int>> byWords;
    QStringList ignoredAddresses; // told by their words to be no recipient's address
    QStringList otherAddresses;   // every address heading that is no recipient's

    explicit HeadingPlan(const QStringList &headings)
    {
        const ShopHeadings *table = nullptr;
        try {
            table = &ShopHeadings::builtIn();
        } catch (const AppError &error) {
            throw WorkbookError(error.text());
        }
        QList<std::pair<HeadingMatch, int>> matches;
        for (int at = 0; at < headings.size(); ++at)
            if (const HeadingMatch match = table->match(headings[at]); !match.column.isEmpty())
                matches.append({match, at});
        // Left to right: the address headings that are no recipient's.
        for (const auto &[match, at] : matches)
            if (match.column == shop_columns::kIgnored
                && headingAsSeen(headings[at]).contains(QStringLiteral(u"地址"))) {
                otherAddresses << headingAsSeen(headings[at]);
                if (match.byWords)
                    ignoredAddresses << headingAsSeen(headings[at]);
            }
        std::stable_sort(matches.begin(), matches.end(),
                         [](const auto &a, const auto &b) { return a.first.rank < b.first.rank; });
        for (const auto &[match, at] : matches)
            (match.byWords ? byWords : listed)[match.column] << at;
    }
    // Listed headings when there are any, else those told by their words.
    QList<int> of(const QString &column) const
    {
        const QList<int> found = listed.value(column);
        return found.isEmpty() ? byWords.value(column) : found;
    }
    int first(const QString &column) const
    {
        const QList<int> found = of(column);
        return found.isEmpty() ? -1 : found.first();
    }
};

} // namespace

QStringView cleanedView(QStringView cell)
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
    return text;
}

QString cleanedCell(QStringView cell)
{
    return cleanedView(cell).toString();
}

ColumnMapping RecipientShape::guess(const QStringList &headings)
{
    const HeadingPlan plan(headings);
    ColumnMapping guesses;
    for (const QString &column : schema::recipientColumns()) {
        int at = plan.first(column);
        if (column == kRecipientAddress && at < 0)
            at = plan.first(shop_columns::kDetail);
        if (at >= 0)
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
    const HeadingPlan found(headings);
    const ColumnMapping guesses = guess(headings);
    m_notes.clear();
    for (const QString &heading : found.ignoredAddresses)
        m_notes << QStringLiteral(u"“%1”一列不是收件人的地址，没有导入。").arg(heading);
    m_orderNumber = found.first(schema::col::kOrderNumber);
    m_wholeRecipient = found.first(shop_columns::kWholeRecipient);
    // The recipient list's own ten headings: each column read from its own,
    // the others left out.
    m_asListed = m_mapping.isEmpty()
        && std::all_of(schema::recipientColumns().cbegin(), schema::recipientColumns().cend(),
                       [&](const QString &column) { return shown.contains(column); });
    m_parts.clear();
    m_details.clear();
    int firstAddress = -1;
    if (!m_asListed) {
        for (const QString &part : shop_columns::addressParts())
            m_parts << found.first(part);
        // The first address is the address; every other address column
        // joins it as a detail (unless it holds the same): none is left out
        // unread, listed or not.
        const QList<int> addresses = found.listed.value(kRecipientAddress) + found.byWords.value(kRecipientAddress);
        firstAddress = addresses.isEmpty() ? -1 : addresses.first();
        m_details =
            addresses.mid(1) + found.listed.value(shop_columns::kDetail) + found.byWords.value(shop_columns::kDetail);
    }
    const bool anyPart = std::any_of(m_parts.cbegin(), m_parts.cend(), [](int at) { return at >= 0; });

    m_sources.clear();
    for (const QString &column : schema::recipientColumns()) {
        Source source;
        if (m_asListed) {
            source = {Kind::Cell, {int(shown.indexOf(column))}};
        } else if (m_mapping.contains(column)) {
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
            if (column == kRecipientAddress) {
                m_details.clear();
                if (anyPart)
                    source.kind = Kind::Address;
            }
        } else if (column == kRecipientAddress) {
            // The changed address first, when the export has one and it is filled.
            source = {Kind::Address, found.of(shop_columns::kChangedAddress)};
            if (firstAddress >= 0)
                source.cells << firstAddress;
            if (source.cells.isEmpty() && m_details.isEmpty() && !anyPart)
                source.kind = Kind::None;
        } else {
            source.cells = found.of(column);
            source.kind = source.cells.isEmpty() ? Kind::None
                : column == kRemarks             ? Kind::Joined
                : source.cells.size() > 1        ? Kind::FirstNonEmpty
                                                 : Kind::Cell;
        }
        // 目的地 under no heading is the city the address names.
        if (column == kDestination && source.kind == Kind::None)
            source.kind = Kind::City;
        m_sources << source;
    }
    m_mobileFromPhone = !m_asListed && m_sources[columnIndex(kMobile)].kind == Kind::None
        && m_sources[columnIndex(kPhone)].kind != Kind::None;
    // Without a name and an address there are no recipients to import.
    const auto missing = [&](const QString &column) {
        const Source &source = m_sources[columnIndex(column)];
        return m_wholeRecipient < 0
            && (source.kind == Kind::None || (source.kind != Kind::Address && source.cells.isEmpty()));
    };
    for (const QString &column : {kRecipientName, kRecipientAddress})
        if (missing(column)) {
            QString text = shown.isEmpty()
                    || std::all_of(shown.cbegin(), shown.cend(), [](const QString &h) { return h.isEmpty(); })
                ? QStringLiteral(u"工作表第一行没有标题，缺少“%1”").arg(column)
                : QStringLiteral(u"第一行缺少标题“%1”（第一行的标题有：%2）。可以指定各列对应的标题后再导入")
                      .arg(column, shown.join(QStringLiteral(u"、")));
            // Say why an address heading on the sheet did not count.
            if (column == kRecipientAddress && !found.otherAddresses.isEmpty())
                text += QStringLiteral(u"。“%1”不是收件人的地址（是发货、退货或店铺等的地址）")
                            .arg(found.otherAddresses.join(QStringLiteral(u"”“")));
            throw UnmappedSheet(text, shown, guesses);
        }
}

QString RecipientShape::value(const Source &source, const QStringView *cells, qsizetype count) const
{
    const auto cell = [&](int at) { return at >= 0 && at < count ? cleanedCell(cells[at]) : QString(); };
    switch (source.kind) {
    case Kind::None:
    case Kind::City:
        return {};
    case Kind::Cell:
        return cell(source.cells.first());
    case Kind::FirstNonEmpty:
        for (int at : source.cells)
            if (QString text = cell(at); !text.isEmpty())
                return text;
        return {};
    case Kind::Joined: {
        // Every remark the export has (the buyer's and the seller's), each once.
        QStringList texts;
        for (int at : source.cells)
            if (const QString text = cell(at); !text.isEmpty() && !texts.contains(text))
                texts << text;
        return texts.join(QStringLiteral(u"；"));
    }
    case Kind::Address: {
        QString address;
        for (int at : source.cells)
            if (address = cell(at); !address.isEmpty())
                break;
        QStringList details;
        for (int at : m_details)
            details << cell(at);
        QStringList parts;
        for (int at : m_parts)
            parts << cell(at);
        return joinedAddress(address, details, parts);
    }
    }
    return {};
}

QString RecipientShape::cityOf(const QString &address, const QStringView *cells, qsizetype count) const
{
    const auto cell = [&](int at) { return at >= 0 && at < count ? cleanedCell(cells[at]) : QString(); };
    // The division table names it from the 省 and 市 columns (a
    // municipality its own name), else from the address.
    const QString city = cell(m_parts.value(1, -1));
    if (const QString parts = cell(m_parts.value(0, -1)) + city; !parts.isEmpty())
        if (const QString named = cityNamedIn(parts); !named.isEmpty())
            return named;
    if (!city.isEmpty() && city != QStringLiteral(u"市辖区"))
        return city;
    // The city depends on the address's first names only: looked up once
    // per beginning (an order export repeats a few hundred of them).
    QString start = withoutBlanks(address).left(kCityPrefix);
    // Division names hold no digits: the house numbers after them do not matter.
    if (const auto digit = std::find_if(start.cbegin(), start.cend(), [](QChar c) { return c.isDigit(); });
        digit != start.cend())
        start.truncate(digit - start.cbegin());
    auto known = m_cities.constFind(start);
    if (known == m_cities.constEnd())
        known = m_cities.insert(start, cityNamedIn(start));
    return known.value();
}

void RecipientShape::append(TextTable &records, const QStringView *cells, qsizetype count) const
{
    // The list's own headings: every column a cell as it stands, cleaned,
    // with no text made for it.
    if (m_asListed && m_wholeRecipient < 0) {
        const auto cell = [&](int at) { return at >= 0 && at < count ? cleanedView(cells[at]) : QStringView(); };
        const bool any = std::any_of(m_sources.cbegin(), m_sources.cend(),
                                     [&](const Source &source) { return !cell(source.cells.first()).isEmpty(); });
        if (!any)
            return;
        for (const Source &source : m_sources)
            records.appendCell(cell(source.cells.first()));
        if (m_orderNumber >= 0)
            records.appendCell(cell(m_orderNumber));
        return;
    }
    QStringList row;
    bool any = false;
    for (const Source &source : m_sources) {
        row << value(source, cells, count);
        any = any || !row.last().isEmpty();
    }
    // A whole recipient in one cell (收件信息: 张三，138…，浙江省…) fills
    // what the other columns leave empty, split as a paste is.
    if (m_wholeRecipient >= 0 && m_wholeRecipient < count)
        if (const QString whole = cleanedCell(cells[m_wholeRecipient]); !whole.isEmpty()) {
            any = true;
            for (const auto &[column, text] : pastedColumns(parsePastedRecipient(whole)))
                if (QString &cell = row[columnIndex(column)]; cell.isEmpty() && column != kDestination)
                    cell = text;
        }
    // A row with nothing of its own (a blank row, a row of blanks) is no record.
    if (!any)
        return;
    QString &address = row[columnIndex(kRecipientAddress)];
    if (!m_asListed) {
        // A row with no one to send to (an export's 合计 line) is no recipient.
        if (std::all_of(kWhoAndWhere.cbegin(), kWhoAndWhere.cend(),
                        [&](const QString &column) { return row[columnIndex(column)].isEmpty(); }))
            return;
        QString &mobile = row[columnIndex(kMobile)];
        QString &phone = row[columnIndex(kPhone)];
        if (m_mobileFromPhone) {
            // A landline stays where it is.
            if (const QString number = mobileNumberOf(phone); !number.isEmpty()) {
                mobile = number;
                phone.clear();
            }
        } else if (const QString number = mobileNumberOf(mobile); !number.isEmpty()) {
            mobile = number;
        }
        // A postcode after the address breaks its line on the form: it goes
        // to 邮政编码 unless that holds another one.
        QString &postcode = row[columnIndex(kPostcode)];
        if (const AddressPostcode split = splitTrailingPostcode(address);
            split.found && (postcode.isEmpty() || split.postcode.isEmpty() || postcode == split.postcode)) {
            address = split.address;
            if (postcode.isEmpty())
                postcode = split.postcode;
        }
    }
    QString &destination = row[columnIndex(kDestination)];
    if (m_sources[columnIndex(kDestination)].kind == Kind::City)
        destination = cityOf(address, cells, count);
    for (const QString &text : row)
        records.appendCell(text);
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

void ImportNotes::count(const TextTable &records)
{
    const int name = int(schema::recipientColumns().indexOf(kRecipientName));
    const int mobile = int(schema::recipientColumns().indexOf(kMobile));
    for (qsizetype r = 0; r < records.rowCount(); ++r) {
        const QStringView phone = records.cell(r, mobile);
        if (phone.contains(QLatin1Char('*'))) {
            ++m_masked;
            continue;
        }
        if (records.cell(r, name).isEmpty() || phone.isEmpty())
            continue;
        m_key.clear();
        m_key.append(records.cell(r, name));
        m_key.append(QLatin1Char('\t'));
        m_key.append(phone);
        m_keys.emplace_back(qHash(m_key, 0x9E3779B97F4A7C15ULL), qHash(m_key, 0x2545F4914F6CDD1DULL));
    }
}

QStringList ImportNotes::notes()
{
    // A row repeats an earlier one when its key was seen before: all the
    // keys but the first of each.
    std::sort(m_keys.begin(), m_keys.end());
    const auto distinct = std::unique(m_keys.begin(), m_keys.end());
    m_repeated += qsizetype(m_keys.end() - distinct);
    m_keys.erase(distinct, m_keys.end());
    const qsizetype repeated = m_repeated;
    QStringList notes;
    if (m_masked > 0)
        notes << QStringLiteral(u"其中 %1 行的手机号码被隐藏了几位（如 138****5678），已照原样导入，打印前请补全。")
                     .arg(m_masked);
    if (repeated > 0)
        notes << QStringLiteral(u"其中 %1 行与前面的行重复（收件人姓名和手机号码都相同），已一并导入。").arg(repeated);
    return notes;
}

QStringList importNotes(const TextTable &records)
{
    ImportNotes notes;
    notes.count(records);
    return notes.notes();
}
