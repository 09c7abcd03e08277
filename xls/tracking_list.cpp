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

QString orderKey(const PrintLogEntry &entry)
{
    if (!entry.orderNumber().isEmpty())
        return QStringLiteral("order:") + entry.orderNumber();
    return entry.imported() ? QStringLiteral("recipient:") + recipientKey(entry.recipient) : QString();
}

namespace {

// The latest numbered live entry of each order in the record.
QHash<QString, qint64> latestOfOrders(const QList<PrintLogEntry> &all, const QSet<qint64> &reprinted)
{
    QHash<QString, qint64> latest;
    for (const PrintLogEntry &entry : all) {
        const QString key = orderKey(entry);
        if (key.isEmpty() || entry.number.isEmpty() || entry.pending || reprinted.contains(entry.entry))
            continue;
        qint64 &last = latest[key];
        last = std::max(last, entry.entry);
    }
    return latest;
}

QString entryList(const QList<qint64> &entries)
{
    QStringList texts;
    for (const qint64 entry : entries.mid(0, 10))
        texts << QString::number(entry);
    return texts.join(QStringLiteral(u"、")) + (entries.size() > 10 ? QStringLiteral(u" 等") : QString());
}

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
    if (!unnumbered.isEmpty())
        parts << QStringLiteral(u"%1 条没有运单号，未导出（第 %2 条，可用“改运单号”补上）")
                     .arg(unnumbered.size())
                     .arg(entryList(unnumbered));
    return parts.isEmpty() ? QString()
                           : QStringLiteral(u"（") + parts.join(QStringLiteral(u"；")) + QStringLiteral(u"）");
}

TrackingList trackingList(const QList<PrintLogEntry> &entries, const QList<PrintLogEntry> &all, bool everyPrint)
{
    const QSet<qint64> reprinted = reprintedEntries(all);
    const QHash<QString, qint64> latest = everyPrint ? QHash<QString, qint64>() : latestOfOrders(all, reprinted);
    TrackingList list;
    QList<const PrintLogEntry *> kept;
    bool orders = false;
    for (const PrintLogEntry &entry : entries) {
        if (reprinted.contains(entry.entry)) {
            ++list.reprinted;
        } else if (entry.pending) {
            ++list.pending;
        } else if (entry.number.isEmpty()) {
            list.unnumbered << entry.entry;
        } else if (const QString key = orderKey(entry);
                   !everyPrint && !key.isEmpty() && latest.value(key) != entry.entry) {
            ++list.repeated;
        } else {
            kept << &entry;
            orders = orders || !entry.orderNumber().isEmpty();
        }
    }
    QStringList headings{QStringLiteral(u"运单号"), QStringLiteral(u"快递公司"),    schema::col::kRecipientName,
                         schema::col::kMobile,      schema::col::kRecipientAddress, QStringLiteral(u"打印时间")};
    if (orders)
        headings << schema::col::kOrderNumber;
    list.rows = TextTable(int(headings.size()));
    for (const QString &heading : headings)
        list.rows.appendCell(heading);
    for (const PrintLogEntry *entry : kept) {
        for (const QString &cell : {entry->number, courierOfForm(entry->formName), entry->recipientName(),
                                    entry->mobile(), entry->address(), printTimeText(entry->printedAt)})
            list.rows.appendCell(cell);
        if (orders)
            list.rows.appendCell(entry->orderNumber());
    }
    return list;
}

namespace {

QString csvField(QStringView cell)
{
    // A spreadsheet (and a shop's upload) takes a cell beginning with one
    // of these for a formula: a leading quote makes it text, which the
    // spreadsheet shows without the quote.
    static const QString kFormulaStarts = QStringLiteral("=+-@\t\r");
    QString text = cell.toString();
    if (!text.isEmpty() && kFormulaStarts.contains(text.front()))
        text.prepend(QLatin1Char('\''));
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

void saveTrackingList(const QString &target, const TextTable &rows)
{
    if (target.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) {
        saveXlsx(target, QStringLiteral("Sheet1"), rows);
        return;
    }
    QString text;
    for (qsizetype row = 0; row < rows.rowCount(); ++row) {
        QStringList fields;
        for (int column = 0; column < rows.width(); ++column)
            fields << csvField(rows.cell(row, column));
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    SafeFile out(target);
    out.write("\xEF\xBB\xBF" + text.toUtf8());
    out.commit();
}
