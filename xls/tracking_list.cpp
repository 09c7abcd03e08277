#include "xls/tracking_list.h"

#include "common/safe_file.h"
#include "store/schema.h"
#include "xls/xlsx_writer.h"

QSet<qint64> reprintedEntries(const QList<PrintLogEntry> &all)
{
    QSet<qint64> reprinted;
    for (const PrintLogEntry &entry : all)
        if (entry.reprintOf)
            reprinted.insert(entry.reprintOf);
    return reprinted;
}

QString courierOfForm(const QString &formName)
{
    const QString tail = QStringLiteral(u"快递单");
    return formName.endsWith(tail) && formName.size() > tail.size() ? formName.chopped(tail.size()) : formName;
}

TextTable trackingRows(const QList<PrintLogEntry> &entries, const QSet<qint64> &reprinted, int *leftOut)
{
    QList<const PrintLogEntry *> kept;
    bool orders = false;
    int skipped = 0;
    for (const PrintLogEntry &entry : entries) {
        if (reprinted.contains(entry.entry)) {
            ++skipped;
            continue;
        }
        kept << &entry;
        orders = orders || !entry.orderNumber().isEmpty();
    }
    if (leftOut)
        *leftOut = skipped;
    QStringList headings{QStringLiteral(u"运单号"), QStringLiteral(u"快递公司"),    schema::col::kRecipientName,
                         schema::col::kMobile,      schema::col::kRecipientAddress, QStringLiteral(u"打印时间")};
    if (orders)
        headings << schema::col::kOrderNumber;
    TextTable rows(int(headings.size()));
    for (const QString &heading : headings)
        rows.appendCell(heading);
    for (const PrintLogEntry *entry : kept) {
        for (const QString &cell : {entry->number, courierOfForm(entry->formName), entry->recipientName(),
                                    entry->mobile(), entry->address(), printTimeText(entry->printedAt)})
            rows.appendCell(cell);
        if (orders)
            rows.appendCell(entry->orderNumber());
    }
    return rows;
}

namespace {

QString csvField(QStringView text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text.toString();
    QString quoted = text.toString();
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
