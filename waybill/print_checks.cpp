#include "waybill/print_checks.h"

#include "waybill/print_record.h"
#include "waybill/waybill_number.h"
#include "waybill/waybill_run.h"

#include <functional>

namespace {

constexpr int kPagesNamed = 20;

// Shows each page of a run to a check, one entry made at a time, so that a
// long run is never held whole.
using EachPage = std::function<void(const PrintLogEntry &page)>;
using PageVisitor = std::function<void(const EachPage &each)>;

QString takenNumbers(const QList<PrintLogEntry> &record, const PageVisitor &pages)
{
    // The entries a reprint replaces give their numbers up.
    QSet<qint64> replaced;
    bool numbered = false;
    pages([&](const PrintLogEntry &page) {
        if (page.reprintOf)
            replaced.insert(page.reprintOf);
        numbered = numbered || !page.number.isEmpty();
    });
    if (!numbered)
        return {};
    const NumberHolders holders(record);
    QString first;
    int taken = 0;
    pages([&](const PrintLogEntry &page) {
        const PrintLogEntry *holder = holders.holder(page.courier, page.number, replaced);
        if (!holder)
            return;
        if (first.isEmpty())
            first = numberTakenText(page.number, *holder);
        ++taken;
    });
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

void findPrintedBefore(const QList<PrintLogEntry> &record, const QString &courier, const PageVisitor &pages,
                       PrintChecks &checks)
{
    QList<PrintLogEntry> sameForm;
    for (const PrintLogEntry &entry : record)
        if (entry.imported() && entry.courier == courier)
            sameForm << entry;
    if (sameForm.isEmpty())
        return;
    const PrintedRows printed(sameForm);
    QList<PrintLogEntry> earlier;
    QStringList times;
    pages([&](const PrintLogEntry &page) {
        // A reprint prints again on purpose; an address book's recipient is shipped to again and again.
        if (page.reprintOf || !page.imported())
            return;
        const PrintLogEntry *latest = printed.latest(page.recipient);
        if (!latest)
            return;
        earlier << *latest;
        if (!times.contains(shortTimeText(latest->printedAt)))
            times << shortTimeText(latest->printedAt);
        if (checks.printedBeforePages.size() < kPagesNamed)
            checks.printedBeforePages << whoLine(page, *latest);
    });
    if (earlier.isEmpty())
        return;
    if (earlier.size() > kPagesNamed)
        checks.printedBeforePages << QStringLiteral(u"……共 %1 张").arg(earlier.size());
    const QString when = times.size() <= 3 ? times.join(QStringLiteral(u"、"))
                                           : times.mid(0, 3).join(QStringLiteral(u"、")) + QStringLiteral(u" 等");
    checks.printedBefore =
        QStringLiteral(u"这 %1 张已于 %2 打印过").arg(earlier.size()).arg(when) + numbersText(earlier);
}

bool numberForgotten(const QList<PrintLogEntry> &record, const QString &courier, const PageVisitor &pages)
{
    bool numbered = false;
    pages([&](const PrintLogEntry &page) { numbered = numbered || !page.number.isEmpty() || page.reprintOf; });
    if (numbered)
        return false;
    for (auto it = record.crbegin(); it != record.crend(); ++it)
        if (it->courier == courier)
            return !it->number.isEmpty();
    return false;
}

PrintChecks checkPages(const QList<PrintLogEntry> &record, const QString &courier, const PageVisitor &pages)
{
    PrintChecks checks;
    checks.numberTaken = takenNumbers(record, pages);
    findPrintedBefore(record, courier, pages, checks);
    checks.numberForgotten = numberForgotten(record, courier, pages);
    return checks;
}

} // namespace

PrintChecks checkBeforePrint(const QList<PrintLogEntry> &record, const QList<PrintLogEntry> &pages)
{
    if (pages.isEmpty())
        return {};
    return checkPages(record, pages.first().courier, [&](const EachPage &each) {
        for (const PrintLogEntry &page : pages)
            each(page);
    });
}

PrintChecks checkBeforePrint(Connection &connection, const WaybillRun &run, int first, int count)
{
    if (count <= 0)
        return {};
    // Pages are made as the checks go through them, the numbers counted on.
    const PageVisitor pages = [&](const EachPage &each) {
        QString number = run.firstNumber();
        for (int page = first; page < first + count; ++page) {
            each(printedEntry(run, QString(), page, number, QString(), QDateTime()));
            // A run whose numbers run out before its last page is refused here.
            if (!number.isEmpty() && page + 1 < first + count)
                number = nextWaybillNumber(number);
        }
    };
    return checkPages(PrintLog(connection).list(), run.layout().code, pages);
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
