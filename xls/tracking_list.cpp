#include "xls/tracking_list.h"

#include "common/safe_file.h"
#include "store/schema.h"
#include "xls/xlsx_writer.h"

#include <algorithm>

QString courierOfForm(const QString &formName)
{
    const QString tail = QStringLiteral(u"快递单");
    return formName.endsWith(tail) && formName.size() > tail.size() ? formName.chopped(tail.size()) : formName;
}

namespace {

QString entryList(const QList<qint64> &entries, int count)
{
    QStringList texts;
    for (const qint64 entry : entries.mid(0, 10))
        texts << QString::number(entry);
    return texts.join(QStringLiteral(u"、")) + (count > 10 ? QStringLiteral(u" 等") : QString());
}

// Why a row is left out of the list, from the record's reprints and its
// repeated orders (read by queries, not from the whole record).
class Rules {
public:
    Rules(PrintLog &log, bool everyPrint)
        : m_reprinted(log.reprinted()), m_latest(everyPrint ? QHash<QString, qint64>() : log.latestOfRepeatedOrders())
    {
    }
    enum class Verdict { Kept, Reprinted, Pending, Unnumbered, Repeated };
    Verdict verdict(const PrintLogRow &row) const
    {
        if (m_reprinted.contains(row.entry))
            return Verdict::Reprinted;
        if (row.pending)
            return Verdict::Pending;
        if (row.number.isEmpty())
            return Verdict::Unnumbered;
        if (!m_latest.isEmpty())
            if (const auto latest = m_latest.constFind(orderKey(row));
                latest != m_latest.cend() && *latest != row.entry)
                return Verdict::Repeated;
        return Verdict::Kept;
    }

private:
    QSet<qint64> m_reprinted;
    QHash<QString, qint64> m_latest; // of orders printed more than once
};

// The rows of a list, written as they come into a .xlsx or a .csv.
class ListFile {
public:
    explicit ListFile(const QString &target)
    {
        if (target.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive))
            m_xlsx.emplace(target, QStringLiteral("Sheet1"));
        else
            m_csv.emplace(target);
        if (m_csv)
            m_bytes = "\xEF\xBB\xBF";
    }
    void writeRow(const QList<QStringView> &cells)
    {
        if (m_xlsx) {
            m_xlsx->writeRow(cells);
            return;
        }
        for (qsizetype c = 0; c < cells.size(); ++c) {
            if (c > 0)
                m_text += QLatin1Char(',');
            appendCsvField(cells[c]);
        }
        m_text += QStringLiteral("\r\n");
        if (m_text.size() > 32768)
            flush();
    }
    void commit()
    {
        if (m_xlsx) {
            m_xlsx->commit();
            return;
        }
        flush();
        m_csv->commit();
    }

private:
    void appendCsvField(QStringView cell)
    {
        // A spreadsheet (and a shop's upload) takes a cell beginning with one
        // of these for a formula: a leading quote makes it text, which the
        // spreadsheet shows without the quote.
        static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
        const bool formula = !cell.isEmpty() && kFormulaStarts.contains(cell.front());
        const bool quoted = cell.contains(QLatin1Char(',')) || cell.contains(QLatin1Char('"'))
            || cell.contains(QLatin1Char('\n')) || cell.contains(QLatin1Char('\r'));
        if (quoted)
            m_text += QLatin1Char('"');
        if (formula)
            m_text += QLatin1Char('\'');
        if (quoted) {
            for (const QChar c : cell) {
                if (c == QLatin1Char('"'))
                    m_text += QLatin1Char('"');
                m_text += c;
            }
            m_text += QLatin1Char('"');
        } else {
            m_text += cell;
        }
    }
    void flush()
    {
        m_bytes += m_text.toUtf8();
        m_text.clear();
        m_csv->write(m_bytes);
        m_bytes.clear();
    }

    std::optional<XlsxStream> m_xlsx;
    std::optional<SafeFile> m_csv;
    QString m_text;
    QByteArray m_bytes;
};

} // namespace

QString TrackingList::leftOutText() const
{
    QStringList parts;
    if (reprinted > 0)
        parts << QStringLiteral(u"%1 条已重打的记录未导出，导出的是重打的那一条").arg(reprinted);
    if (repeated > 0)
        parts << QStringLiteral(u"%1 条是同一订单较早的打印，未导出，导出的是最近一次的运单号").arg(repeated);
    if (pending > 0)
        parts << QStringLiteral(u"%1 条可能已打印（打印时程序中断），未导出，请核对快递单，需要时重打").arg(pending);
    if (unnumbered > 0)
        parts << QStringLiteral(u"%1 条没有运单号，未导出（第 %2 条，可用“改运单号”补上）")
                     .arg(unnumbered)
                     .arg(entryList(firstUnnumbered, unnumbered));
    return parts.isEmpty() ? QString()
                           : QStringLiteral(u"（") + parts.join(QStringLiteral(u"；")) + QStringLiteral(u"）");
}

TrackingRows TrackingRows::selectedBy(const PrintLogFilter &filter)
{
    TrackingRows rows;
    rows.m_filter = filter;
    return rows;
}

TrackingRows TrackingRows::of(const QList<PrintLogEntry> &entries)
{
    TrackingRows rows;
    for (const PrintLogEntry &entry : entries)
        rows.m_rows.append(PrintLogRow::of(entry));
    return rows;
}

void TrackingRows::read(PrintLog &log, bool withOrderNumber, const std::function<bool(const PrintLogRow &)> &each) const
{
    if (m_filter) {
        log.forEachRow(*m_filter, each, withOrderNumber);
        return;
    }
    for (const PrintLogRow &row : m_rows)
        if ((!withOrderNumber || !row.orderNumber.isEmpty()) && !each(row))
            return;
}

TrackingList exportTrackingList(PrintLog &log, const TrackingRows &rows, const QString &target, bool everyPrint,
                                bool evenEmpty)
{
    const Rules rules(log, everyPrint);
    // The 订单号 column when a row kept has one: the rows with an order
    // number are read until the first kept.
    bool orders = false;
    rows.read(log, true, [&](const PrintLogRow &row) {
        orders = rules.verdict(row) == Rules::Verdict::Kept;
        return !orders;
    });
    QList<QStringView> headings{
        u"运单号",  u"快递公司", schema::col::kRecipientName, schema::col::kMobile, schema::col::kRecipientAddress,
        u"打印时间"};
    if (orders)
        headings << schema::col::kOrderNumber;
    ListFile file(target);
    file.writeRow(headings);
    TrackingList list;
    QString courier;
    QString lastForm;
    QList<QStringView> cells(headings.size());
    rows.read(log, false, [&](const PrintLogRow &row) {
        switch (rules.verdict(row)) {
        case Rules::Verdict::Reprinted:
            ++list.reprinted;
            return true;
        case Rules::Verdict::Pending:
            ++list.pending;
            return true;
        case Rules::Verdict::Unnumbered:
            if (++list.unnumbered <= 11)
                list.firstUnnumbered << row.entry;
            return true;
        case Rules::Verdict::Repeated:
            ++list.repeated;
            return true;
        case Rules::Verdict::Kept:
            break;
        }
        if (row.formName != lastForm) {
            lastForm = row.formName;
            courier = courierOfForm(row.formName);
        }
        cells[0] = row.number;
        cells[1] = courier;
        cells[2] = row.recipientName;
        cells[3] = row.mobile;
        cells[4] = row.address;
        cells[5] = row.printedAt;
        if (orders)
            cells[6] = row.orderNumber;
        file.writeRow(cells);
        ++list.exported;
        return true;
    });
    if (list.exported > 0 || evenEmpty)
        file.commit();
    return list;
}
