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

PrintLogEntry printedEntry(const WaybillRun &run, const QString &formName, int page, const QString &number,
                           const QString &output, const QDateTime &when)
{
    PrintLogEntry entry;
    entry.printedAt = when;
    entry.courier = run.layout().code;
    entry.variant = variantName(run.layout().variant);
    entry.formName = formName;
    entry.output = output;
    entry.page = page + 1;
    entry.number = run.firstNumber().isEmpty() ? run.source().recordedNumber(page) : number;
    entry.recipient = rowTexts(run.source(), page, RowSide::Recipient);
    entry.sender = rowTexts(run.source(), page, RowSide::Sender);
    entry.reprintOf = run.source().recordedEntry(page);
    return entry;
}

QList<PrintLogEntry> printedEntries(const WaybillRun &run, const QString &formName, int first, int count,
                                    const QString &output, const QDateTime &when)
{
    const QStringList numbers = waybillNumbers(run.firstNumber(), count);
    QList<PrintLogEntry> entries;
    entries.reserve(count);
    for (int k = 0; k < count; ++k)
        entries.append(printedEntry(run, formName, first + k, numbers.value(k), output, when));
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

// Pending entries are written this many pages ahead of the page going out.
constexpr int kBatch = 1000;

} // namespace

PrintRecording::PrintRecording(Connection &connection, const WaybillRun &run, int first, int count,
                               const QString &output)
    : m_connection(connection), m_count(std::max(0, count))
{
    if (m_count == 0)
        return;
    QString formName;
    try {
        formName = formNameOf(run.layout().code, connection);
    } catch (const AppError &) {
        formName = run.layout().code;
    }
    // Numbers count on page after page, as the entries are made in order.
    m_entryOf = [&run, formName, first, output, when = QDateTime::currentDateTime(),
                 number = run.firstNumber()](int k) mutable {
        PrintLogEntry entry = printedEntry(run, formName, first + k, number, output, when);
        if (!number.isEmpty()) {
            try {
                number = nextWaybillNumber(number);
            } catch (const AppError &) {
                number.clear(); // the checks refuse a run whose numbers run out before it starts
            }
        }
        return entry;
    };
}

PrintRecording::PrintRecording(Connection &connection, int count, EntryOf entryOf)
    : m_connection(connection), m_count(std::max(0, count)), m_entryOf(std::move(entryOf))
{
}

void PrintRecording::pageGoing(int page)
{
    if (page >= m_made && m_made < m_count)
        make(std::min(m_count, page + kBatch));
}

void PrintRecording::make(int upTo)
{
    QList<PrintLogEntry> entries;
    entries.reserve(upTo - m_made);
    for (int k = m_made; k < upTo; ++k) {
        entries.append(m_entryOf(k));
        m_numbered.push_back(!entries.last().number.isEmpty());
        if (m_firstNumber.isEmpty())
            m_firstNumber = entries.last().number;
    }
    m_made = upTo;
    if (m_problem.isEmpty()) {
        try {
            for (PrintLogEntry &entry : entries)
                entry.pending = true;
            PrintLog(m_connection).append(entries);
            m_ranges.push_back({entries.first().entry, entries.last().entry});
            m_pending = m_made;
        } catch (const AppError &error) {
            // The print goes all the same; finish() writes the printed pages.
            m_problem = error.text();
        }
    }
    // Lets a test kill the program between recording and printing, where a
    // crash leaves the entries pending.
    if (m_pending == m_made && m_ranges.size() == 1 && qEnvironmentVariableIsSet("WAYBILL_TEST_PAUSE_AFTER_PENDING")) {
        std::fputs("pending recorded\n", stderr);
        std::fflush(stderr);
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

QList<QPair<qint64, qint64>> PrintRecording::pendingOf(int from, int to) const
{
    // The entries of pages [from, to) among those written pending, range by range.
    QList<QPair<qint64, qint64>> ranges;
    int page = 0;
    for (const auto &[first, last] : m_ranges) {
        const int size = int(last - first + 1);
        const int start = std::max(from, page);
        const int end = std::min(to, page + size);
        if (start < end)
            ranges.append({first + (start - page), first + (end - 1 - page)});
        page += size;
    }
    return ranges;
}

qint64 PrintRecording::entryOfPage(int page) const
{
    const QList<QPair<qint64, qint64>> ranges = pendingOf(page, page + 1);
    return ranges.isEmpty() ? 0 : ranges.first().first;
}

PrintRecording::~PrintRecording()
{
    try {
        PrintLog log(m_connection);
        for (const auto &[from, to] : pendingOf(m_confirmed, m_pending))
            log.removePendingRange(from, to);
    } catch (const AppError &) {
        // Left pending: shown as 可能已打印, its numbers never given again.
    }
}

PrintedRun PrintRecording::finish(int printed)
{
    PrintedRun done;
    done.pages = std::clamp(printed, 0, m_count);
    if (done.pages > m_made)
        make(done.pages); // a caller that did not tell each page
    QString lastNumber;
    try {
        PrintLog log(m_connection);
        for (const auto &[from, to] : pendingOf(0, std::min(done.pages, m_pending)))
            log.confirmRange(from, to);
        m_confirmed = std::min(done.pages, m_pending);
        if (m_pending < done.pages) {
            // The pending entries could not be written: the printed pages now.
            for (int from = m_pending; from < done.pages; from += kBatch) {
                QList<PrintLogEntry> entries;
                for (int k = from; k < std::min(done.pages, from + kBatch); ++k)
                    entries.append(m_entryOf(k));
                log.append(entries);
                if (!entries.isEmpty())
                    lastNumber = entries.last().number;
            }
            m_problem.clear();
        }
        // The last numbered page printed, read back: no run's numbers are kept.
        for (int page = done.pages - 1; page >= 0 && lastNumber.isEmpty(); --page) {
            if (!m_numbered[size_t(page)])
                continue;
            if (const qint64 entry = entryOfPage(page)) {
                const QList<PrintLogEntry> found = log.find({entry});
                lastNumber = found.isEmpty() ? QString() : found.first().number;
            }
            break;
        }
    } catch (const AppError &error) {
        if (m_pending > 0)
            done.problem =
                QStringLiteral(u"已打印，但打印记录未能确认（记录中显示为“可能已打印”）：%1").arg(error.text());
        else
            m_problem = error.text();
    }
    if (done.pages > 0 && !m_firstNumber.isEmpty()) {
        done.lastNumber = lastNumber;
        done.numbers = lastNumber.isEmpty() || lastNumber == m_firstNumber
            ? QStringLiteral(u"（运单号 %1）").arg(m_firstNumber)
            : QStringLiteral(u"（运单号 %1–%2）").arg(m_firstNumber, lastNumber);
    }
    if (!m_problem.isEmpty() && done.pages > 0)
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
