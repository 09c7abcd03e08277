#include "waybill/print_record.h"

#include "store/calibration.h"
#include "store/connection.h"
#include "store/db_error.h"
#include "store/form_store.h"
#include "store/schema.h"
#include "store/statements.h"
#include "waybill/print_form.h"
#include "waybill/waybill_number.h"
#include "waybill/waybill_run.h"

#include <QDir>
#include <QSqlQuery>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

const QStringList &variantNames()
{
    static const QStringList names{QStringLiteral("single"), QStringLiteral("batch"), QStringLiteral("imported-single"),
                                   QStringLiteral("imported-batch")};
    return names;
}

// The texts of a page's row: every column of the table, and an order
// export's order number when the row has one.
RowTexts rowTexts(const PrintSource &source, int page, RowSide side)
{
    RowTexts texts;
    const QStringList &columns = side == RowSide::Sender ? schema::senderColumns() : schema::recipientColumns();
    for (const QString &column : columns)
        texts.insert(column, source.value(page, side, column));
    if (side == RowSide::Recipient) {
        try {
            const QString order = source.value(page, side, schema::col::kOrderNumber);
            if (!order.isEmpty())
                texts.insert(schema::col::kOrderNumber, order);
        } catch (const DbError &) {
            // A table without order numbers.
        }
    }
    return texts;
}

} // namespace

QString variantName(Variant variant)
{
    return variantNames()[int(variant)];
}

std::optional<Variant> variantNamed(const QString &name)
{
    const qsizetype index = variantNames().indexOf(name);
    if (index < 0)
        return std::nullopt;
    return Variant(index);
}

QString formNameOf(const QString &code, Connection &connection)
{
    if (const Courier *courier = courierByCode(code))
        return courier->captionTail;
    for (const auto &[stored, name] : FormStore(connection).names())
        if (stored == code)
            return name;
    return code;
}

QString pdfOutput(const QString &path)
{
    return QStringLiteral(u"PDF：") + QDir::toNativeSeparators(path);
}

QList<PrintLogEntry> printedEntries(const WaybillRun &run, const QString &formName, int first, int count,
                                    const QString &output, const QDateTime &when)
{
    const QStringList numbers = waybillNumbers(run.firstNumber(), count);
    QList<PrintLogEntry> entries;
    entries.reserve(count);
    for (int k = 0; k < count; ++k) {
        const int page = first + k;
        PrintLogEntry entry;
        entry.printedAt = when;
        entry.courier = run.layout().code;
        entry.variant = variantName(run.layout().variant);
        entry.formName = formName;
        entry.output = output;
        entry.page = page + 1;
        entry.number = numbers.isEmpty() ? run.source().recordedNumber(page) : numbers.value(k);
        entry.recipient = rowTexts(run.source(), page, RowSide::Recipient);
        entry.sender = rowTexts(run.source(), page, RowSide::Sender);
        entry.reprintOf = run.source().recordedEntry(page);
        entries.append(std::move(entry));
    }
    return entries;
}

QString numbersText(const QList<PrintLogEntry> &entries)
{
    QStringList numbers;
    for (const PrintLogEntry &entry : entries)
        if (!entry.number.isEmpty())
            numbers << entry.number;
    if (numbers.isEmpty())
        return {};
    return numbers.size() == 1 ? QStringLiteral(u"（运单号 %1）").arg(numbers.first())
                               : QStringLiteral(u"（运单号 %1–%2）").arg(numbers.first(), numbers.last());
}

namespace {

QList<qint64> entryNumbers(const QList<PrintLogEntry> &entries)
{
    QList<qint64> numbers;
    for (const PrintLogEntry &entry : entries)
        numbers << entry.entry;
    return numbers;
}

} // namespace

PrintRecording::PrintRecording(Connection &connection, const WaybillRun &run, int first, int count,
                               const QString &output)
    : m_connection(connection)
{
    if (count <= 0)
        return;
    begin([&] {
        return printedEntries(run, formNameOf(run.layout().code, connection), first, count, output,
                              QDateTime::currentDateTime());
    });
}

PrintRecording::PrintRecording(Connection &connection, QList<PrintLogEntry> entries) : m_connection(connection)
{
    if (entries.isEmpty())
        return;
    begin([&] { return std::move(entries); });
}

void PrintRecording::begin(const std::function<QList<PrintLogEntry>()> &entries)
{
    try {
        m_entries = entries();
        for (PrintLogEntry &entry : m_entries)
            entry.pending = true;
        PrintLog(m_connection).append(m_entries);
        m_pending = true;
    } catch (const AppError &error) {
        m_problem = error.text();
    }
    // Lets a test kill the program between recording and printing, where a
    // crash leaves the entries pending.
    if (m_pending && qEnvironmentVariableIsSet("WAYBILL_TEST_PAUSE_AFTER_PENDING")) {
        std::fputs("pending recorded\n", stderr);
        std::fflush(stderr);
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

PrintRecording::~PrintRecording()
{
    if (!m_pending)
        return;
    try {
        PrintLog(m_connection).removePending(entryNumbers(m_entries));
    } catch (const AppError &) {
        // Left pending: shown as 可能已打印, its numbers never given again.
    }
}

PrintedRun PrintRecording::finish(int printed)
{
    PrintedRun done;
    done.pages = std::clamp(printed, 0, int(m_entries.size()));
    const QList<PrintLogEntry> sent = m_entries.mid(0, done.pages);
    const QList<PrintLogEntry> unsent = m_entries.mid(done.pages);
    if (!sent.isEmpty()) {
        done.lastNumber = sent.last().number;
        done.numbers = numbersText(sent);
    }
    m_entries = unsent; // what the destructor removes
    try {
        PrintLog log(m_connection);
        if (m_pending) {
            log.confirm(entryNumbers(sent));
        } else if (!sent.isEmpty()) {
            QList<PrintLogEntry> entries = sent;
            for (PrintLogEntry &entry : entries)
                entry.pending = false;
            log.append(entries);
            m_problem.clear();
        }
    } catch (const AppError &error) {
        if (m_pending)
            done.problem =
                QStringLiteral(u"已打印，但打印记录未能确认（记录中显示为“可能已打印”）：%1").arg(error.text());
        else
            m_problem = error.text();
    }
    if (!m_problem.isEmpty() && !sent.isEmpty())
        done.problem = QStringLiteral(u"已打印，但没有记入打印记录：%1").arg(m_problem);
    done.summary = QStringLiteral(u"已打印 %1 张").arg(done.pages) + done.numbers;
    return done;
}

QString RecordedSource::value(int page, RowSide row, const QString &column) const
{
    const PrintLogEntry &entry = m_entries[page];
    return (row == RowSide::Sender ? entry.sender : entry.recipient).value(column);
}

std::vector<Reprint> reprintsOf(const QList<PrintLogEntry> &entries, Connection &connection, const QString &printer,
                                QString *problem)
{
    std::vector<Reprint> reprints;
    for (qsizetype start = 0; start < entries.size();) {
        const PrintLogEntry &head = entries[start];
        qsizetype end = start + 1;
        while (end < entries.size() && entries[end].courier == head.courier && entries[end].variant == head.variant)
            ++end;
        const std::optional<Variant> variant = variantNamed(head.variant);
        const std::optional<PrintForm> form =
            variant ? printFormOf(head.courier, *variant, connection) : std::optional<PrintForm>();
        if (!form)
            throw AppError(
                QStringLiteral(u"第 %1 条记录的快递单（%2）已不存在，无法重打").arg(head.entry).arg(head.formName));
        auto run = std::make_unique<WaybillRun>(form->layout,
                                                std::make_unique<RecordedSource>(entries.mid(start, end - start)));
        if (const std::optional<Calibration> saved = CalibrationStore(connection).find(head.courier, printer, problem))
            run->apply(*saved);
        reprints.push_back({form->captionTail, std::move(run)});
        start = end;
    }
    return reprints;
}

QStringList printReprints(std::vector<Reprint> &reprints, const QString &firstNumber,
                          const std::function<PrintedRun(WaybillRun &run)> &print)
{
    QString number = firstNumber;
    QStringList summaries;
    for (Reprint &reprint : reprints) {
        reprint.run->setFirstNumber(number);
        const PrintedRun done = print(*reprint.run);
        if (done.pages == 0)
            break;
        summaries << reprint.formName + QLatin1Char(' ') + done.summary;
        if (!number.isEmpty() && !done.lastNumber.isEmpty())
            number = nextWaybillNumber(done.lastNumber);
    }
    return summaries;
}

PrintedRows::PrintedRows(const QList<PrintLogEntry> &entries)
{
    // In the order written: a later entry of the same recipient replaces an earlier one.
    for (const PrintLogEntry &entry : entries) {
        if (!entry.orderNumber().isEmpty())
            m_byOrder.insert(entry.orderNumber(), entry);
        m_byRecipient.insert(recipientKey(entry.recipient), entry);
    }
}

const PrintLogEntry *PrintedRows::latest(const RowTexts &row) const
{
    const QString order = row.value(schema::col::kOrderNumber);
    const QHash<QString, PrintLogEntry> &from = order.isEmpty() ? m_byRecipient : m_byOrder;
    const auto found = from.constFind(order.isEmpty() ? recipientKey(row) : order);
    return found == from.cend() ? nullptr : &found.value();
}

QList<PrintLogEntry> importedEntries(QList<PrintLogEntry> entries)
{
    entries.removeIf([](const PrintLogEntry &entry) { return !entry.imported(); });
    return entries;
}

ImportedRowCount importedRowCount(Connection &connection)
{
    using namespace schema::col;
    QStringList columns{kRecipientName, kMobile, kRecipientAddress};
    if (connection.tableColumns(schema::kImportedTable).contains(kOrderNumber))
        columns << kOrderNumber;
    QSqlQuery rows = connection.exec(statements::selectWhere(schema::kImportedTable, columns, {}));
    ImportedRowCount count;
    std::optional<PrintedRows> printed; // read from the record only when there are rows
    while (rows.next()) {
        if (!printed)
            printed.emplace(importedEntries(PrintLog(connection).list()));
        RowTexts row;
        for (int c = 0; c < columns.size(); ++c)
            row.insert(columns[c], rows.value(c).toString());
        ++count.rows;
        if (!printed->printed(row))
            ++count.unprinted;
    }
    return count;
}
