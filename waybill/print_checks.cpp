#include "waybill/print_checks.h"

#include "waybill/print_record.h"
#include "waybill/waybill_run.h"

namespace {

constexpr int kPagesNamed = 20;

QString takenNumbers(const QList<PrintLogEntry> &record, const QList<PrintLogEntry> &pages)
{
    const NumberHolders holders(record);
    // The entries a reprint replaces give their numbers up.
    QSet<qint64> replaced;
    for (const PrintLogEntry &page : pages)
        if (page.reprintOf)
            replaced.insert(page.reprintOf);
    QString first;
    int taken = 0;
    for (const PrintLogEntry &page : pages) {
        const PrintLogEntry *holder = holders.holder(page.courier, page.number, replaced);
        if (!holder)
            continue;
        if (first.isEmpty())
            first = numberTakenText(page.number, *holder);
        ++taken;
    }
    if (first.isEmpty())
        return {};
    if (taken > 1)
        first += QStringLiteral(u"（这次的运单号中共有 %1 个已用过）").arg(taken);
    return first + QStringLiteral(u"，未打印。请改首张运单号。");
}

QString whoLine(const PrintLogEntry &page, const PrintLogEntry &earlier)
{
    const QString who = page.orderNumber().isEmpty()
        ? QStringList{page.recipientName(), page.mobile(), page.address()}.join(QLatin1Char(' '))
        : QStringLiteral(u"%1（订单号 %2）").arg(page.recipientName(), page.orderNumber());
    QString line = QStringLiteral(u"第 %1 张 %2：%3 打印").arg(page.page).arg(who, shortTimeText(earlier.printedAt));
    if (!earlier.number.isEmpty())
        line += QStringLiteral(u"，运单号 ") + earlier.number;
    return line;
}

void findPrintedBefore(const QList<PrintLogEntry> &record, const QList<PrintLogEntry> &pages, PrintChecks &checks)
{
    QList<PrintLogEntry> sameForm;
    for (const PrintLogEntry &entry : record)
        if (entry.imported() && !pages.isEmpty() && entry.courier == pages.first().courier)
            sameForm << entry;
    const PrintedRows printed(sameForm);
    QList<PrintLogEntry> earlier;
    QStringList times;
    for (const PrintLogEntry &page : pages) {
        // A reprint prints again on purpose; an address book's recipient is shipped to again and again.
        if (page.reprintOf || !page.imported())
            continue;
        const PrintLogEntry *latest = printed.latest(page.recipient);
        if (!latest)
            continue;
        earlier << *latest;
        if (!times.contains(shortTimeText(latest->printedAt)))
            times << shortTimeText(latest->printedAt);
        if (checks.printedBeforePages.size() < kPagesNamed)
            checks.printedBeforePages << whoLine(page, *latest);
    }
    if (earlier.isEmpty())
        return;
    if (earlier.size() > kPagesNamed)
        checks.printedBeforePages << QStringLiteral(u"……共 %1 张").arg(earlier.size());
    const QString when = times.size() <= 3 ? times.join(QStringLiteral(u"、"))
                                           : times.mid(0, 3).join(QStringLiteral(u"、")) + QStringLiteral(u" 等");
    checks.printedBefore =
        QStringLiteral(u"这 %1 张已于 %2 打印过").arg(earlier.size()).arg(when) + numbersText(earlier);
}

bool numberForgotten(const QList<PrintLogEntry> &record, const QList<PrintLogEntry> &pages)
{
    if (pages.isEmpty())
        return false;
    for (const PrintLogEntry &page : pages)
        if (!page.number.isEmpty() || page.reprintOf)
            return false;
    for (auto it = record.crbegin(); it != record.crend(); ++it)
        if (it->courier == pages.first().courier)
            return !it->number.isEmpty();
    return false;
}

} // namespace

PrintChecks checkBeforePrint(const QList<PrintLogEntry> &record, const QList<PrintLogEntry> &pages)
{
    PrintChecks checks;
    checks.numberTaken = takenNumbers(record, pages);
    findPrintedBefore(record, pages, checks);
    checks.numberForgotten = numberForgotten(record, pages);
    return checks;
}

PrintChecks checkBeforePrint(Connection &connection, const WaybillRun &run, int first, int count)
{
    if (count <= 0)
        return {};
    const QList<PrintLogEntry> pages = printedEntries(run, QString(), first, count, QString(), QDateTime());
    return checkBeforePrint(PrintLog(connection).list(), pages);
}

QString printAgainQuestion(const PrintChecks &checks)
{
    return checks.printedBefore + QStringLiteral(u"，是否再打印？\n\n")
        + checks.printedBeforePages.join(QLatin1Char('\n'));
}

QString numberForgottenQuestion()
{
    return QStringLiteral(u"上次用这种快递单打印时填了运单号，这次不填吗？\n"
                          u"（选“否”不打印，可先点“运单号”填上打印机里第一张快递单的运单号）");
}
