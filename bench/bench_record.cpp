// Print record benchmark: a record of 100,000 and of 500,000 entries (500
// printed a day, the last day today) in a temporary data.mdb. Times as
// whole processes, alternating with their floors in the same run:
// `waybill log list` against the sqlite3 shell reading the same rows,
// `waybill log export` (.xlsx and .csv) against a C program writing the
// same rows with libxlsxwriter (record_floor_xlsx), and the record window
// showing its first page (the last 30 days), every date and a search.
// Prints wall, user, sys and max RSS of each (the record is made by a
// child, so that the parent the others are forked from stays small).
//
//   bench_record [--entries N,N...] [--repeats N] [--waybill PATH] [--no-window]
//
// --waybill measures another build of the program (an older one, say);
// --no-window leaves the window out (an older build's window is not this one).

#include "bench_support.h"

#include "store/print_log.h"
#include "waybill/print_log_window.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>
#include <map>

namespace {

constexpr int kPerDay = 500;
constexpr int kChunk = 20000;

const char *const kCouriers[][2] = {
    {"sf", "顺丰快递单"}, {"zto", "中通快递单"}, {"yto", "圆通快递单"}, {"ems", "EMS快递单"}, {"st", "申通快递单"}};

RowTexts sender()
{
    using namespace schema::col;
    return {{kCompany, QStringLiteral(u"杭州明远贸易有限公司")},
            {kSenderName, QStringLiteral(u"王建国")},
            {kOrigin, QStringLiteral(u"杭州")},
            {kSenderAddress, QStringLiteral(u"浙江省杭州市西湖区文三路478号华星时代广场A座1203室")},
            {kPostcode, QStringLiteral("310012")},
            {kPhone, QStringLiteral("0571-88223344")},
            {kMobile, QStringLiteral("13905710001")},
            {kSignature, QStringLiteral(u"王建国")},
            {kYear, QStringLiteral("2026")},
            {kMonth, QStringLiteral("12")},
            {kDay, QStringLiteral("8")}};
}

// Entry i of n: printed kPerDay a day up to now; mostly imported orders
// (an order printed twice now and then), some reprints, a few without a
// number and a few pending.
PrintLogEntry entry(qint64 i, qint64 n, const QDateTime &now, const RowTexts &from)
{
    using namespace schema::col;
    PrintLogEntry made;
    made.printedAt = now.addSecs(-(n - i) * 86400 / kPerDay);
    const auto &courier = kCouriers[i % 5 == 0 ? (i / 5) % 5 : 0];
    made.courier = QString::fromLatin1(courier[0]);
    made.formName = QString::fromUtf8(courier[1]);
    const bool imported = i % 10 < 7;
    made.variant = imported ? QStringLiteral("imported-batch") : QStringLiteral("batch");
    made.output = QStringLiteral("Deli DL-888T");
    made.page = int(i % 200) + 1;
    if (i % 97 != 0)
        made.number = QStringLiteral("SF%1").arg(1400000000000LL + i);
    const qint64 person = i % 7919 == 0 ? i - 100 : i;
    made.recipient = {
        {kCompany, QStringLiteral(u"某某贸易有限公司%1").arg(person % 97)},
        {kRecipientName, QStringLiteral(u"收件人%1").arg(person)},
        {kDestination, QStringLiteral(u"上海")},
        {kRecipientAddress,
         QStringLiteral(u"上海市浦东新区张江高科技园区碧波路%1号%2室").arg(person % 900).arg(person % 77)},
        {kPostcode, QStringLiteral("201203")},
        {kPhone, QStringLiteral("021-5080%1").arg(person % 10000, 4, 10, QLatin1Char('0'))},
        {kMobile, QStringLiteral("138%1").arg(person, 8, 10, QLatin1Char('0'))},
        {kContents, QStringLiteral(u"样品")},
        {kQuantity, QStringLiteral("1")},
        {kRemarks, QStringLiteral(u"易碎勿压")}};
    if (imported)
        made.recipient.insert(kOrderNumber, QStringLiteral("3%1").arg(person * 7 + 1000000000000000LL));
    made.sender = from;
    made.reprintOf = i % 503 == 0 && i > 3 ? i - 3 : 0;
    made.pending = i % 50021 == 0;
    return made;
}

void fill(qint64 n)
{
    Connection connection(QStringLiteral("bench.fill"));
    const QDateTime now = QDateTime::currentDateTime();
    const RowTexts from = sender();
    PrintLog log(connection);
    for (qint64 start = 1; start <= n; start += kChunk) {
        QList<PrintLogEntry> entries;
        for (qint64 i = start; i < std::min(n + 1, start + kChunk); ++i)
            entries.append(entry(i, n, now, from));
        log.append(entries);
    }
}

// The window's first page, every date and a search, in a child process:
// times written to window.txt in the working folder.
int windowChild(int argc, char **argv)
{
    QApplication app(argc, argv);
    QElapsedTimer timer;
    timer.start();
    auto *window = new PrintLogWindow;
    window->show();
    QCoreApplication::processEvents();
    const double first = bench::ms(timer);
    const qsizetype firstRows = window->shown().size();
    PrintLogFilter every = window->filter();
    every.from = QDate(2000, 1, 1);
    timer.restart();
    window->setFilter(every);
    QCoreApplication::processEvents();
    const double all = bench::ms(timer);
    every.text = QStringLiteral("13800012345");
    timer.restart();
    window->setFilter(every);
    QCoreApplication::processEvents();
    const double search = bench::ms(timer);
    const qsizetype found = window->shown().size();
    QFile out(QStringLiteral("window.txt"));
    out.open(QIODevice::WriteOnly | QIODevice::Truncate);
    out.write(QStringLiteral("%1 %2 %3 %4 %5\n").arg(first).arg(all).arg(search).arg(firstRows).arg(found).toUtf8());
    out.close();
    delete window;
    return 0;
}

struct Figures {
    std::vector<bench::ProcessRun> runs;
    std::vector<QStringList> notes; // window.txt of each run

    const bench::ProcessRun &median()
    {
        std::vector<size_t> order(runs.size());
        for (size_t k = 0; k < order.size(); ++k)
            order[k] = k;
        std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return runs[a].ms < runs[b].ms; });
        m_median = order[order.size() / 2];
        return runs[m_median];
    }
    QStringList medianNotes() const { return notes.empty() ? QStringList() : notes[m_median]; }

private:
    size_t m_median = 0;
};

void print(const char *what, const bench::ProcessRun &run, const bench::ProcessRun *floor = nullptr)
{
    std::printf("  %-34s wall %8.0f ms  user %8.0f ms  sys %6.0f ms  max RSS %7.1f MB", what, run.ms, run.userMs,
                run.sysMs, run.maxRssMb);
    if (floor)
        std::printf("  (%.2fx floor)", run.ms / floor->ms);
    if (run.status != 0)
        std::printf("  EXIT STATUS %d", run.status);
    std::printf("\n");
}

} // namespace

int main(int argc, char **argv)
{
    if (argc > 2 && QByteArray(argv[1]) == "--fill") {
        QCoreApplication app(argc, argv);
        fill(QByteArray(argv[2]).toLongLong());
        return 0;
    }
    if (argc > 1 && QByteArray(argv[1]) == "--window-child") {
        bench::useOffscreenPlatform();
        return windowChild(argc, argv);
    }
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const QString &name, const QString &otherwise) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : otherwise;
    };
    QList<qint64> sizes;
    for (const QString &size : option(QStringLiteral("--entries"), QStringLiteral("100000,500000")).split(','))
        sizes << size.toLongLong();
    const int repeats = option(QStringLiteral("--repeats"), QStringLiteral("3")).toInt();
    const QString waybill =
        option(QStringLiteral("--waybill"), QCoreApplication::applicationDirPath() + QStringLiteral("/waybill"));
    const bool window = !args.contains(QStringLiteral("--no-window"));
    const QString floorXlsx = QCoreApplication::applicationDirPath() + QStringLiteral("/record_floor_xlsx");
    const QString shell = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
    if (shell.isEmpty() || !QFileInfo::exists(floorXlsx) || !QFileInfo::exists(waybill)) {
        std::fprintf(stderr, "needs the sqlite3 shell, %s and %s\n", qPrintable(floorXlsx), qPrintable(waybill));
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::printf("program measured: %s\n", qPrintable(waybill));
    // The rows `log list` writes, as the shell reads them.
    const QString listRows =
        QStringLiteral("select entry, printed_at, courier, number, recipient_name, mobile, "
                       "json_extract(recipient, '$.\"收件地址\"'), reprint_of, state from print_log "
                       "order by cast(entry as integer)");
    for (const qint64 n : sizes) {
        const bench::Workdir dir;
        QElapsedTimer timer;
        timer.start();
        const QString folder = QFileInfo(Connection::currentFilePath()).absolutePath();
        // Made by a child: the children measured are forked from a parent
        // that stays small, so that their maximum resident memory is theirs.
        bench::runProcess(QCoreApplication::applicationFilePath(), {QStringLiteral("--fill"), QString::number(n)},
                          folder);
        const QString db = Connection::currentFilePath();
        std::printf("\n%lld entries (data.mdb %.0f MB, made in %.1f s), median of %d:\n", n,
                    double(QFileInfo(db).size()) / 1e6, bench::ms(timer) / 1e3, repeats);
        std::fflush(stdout);
        std::map<QString, Figures> figures;
        const auto measure = [&](const QString &name, const QString &program, const QStringList &programArgs) {
            figures[name].runs.push_back(bench::runProcess(program, programArgs, folder));
        };
        for (int r = 0; r < repeats; ++r) {
            measure(QStringLiteral("floor-list"), shell, {db, listRows});
            measure(QStringLiteral("list"), waybill, {QStringLiteral("log"), QStringLiteral("list")});
            measure(QStringLiteral("floor-xlsx"), floorXlsx, {db, dir.file(QStringLiteral("floor.xlsx"))});
            measure(QStringLiteral("export-xlsx"), waybill,
                    {QStringLiteral("log"), QStringLiteral("export"), dir.file(QStringLiteral("list.xlsx"))});
            measure(QStringLiteral("export-csv"), waybill,
                    {QStringLiteral("log"), QStringLiteral("export"), dir.file(QStringLiteral("list.csv"))});
            if (!window)
                continue;
            measure(QStringLiteral("window"), QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--window-child")});
            QFile notes(dir.file(QStringLiteral("window.txt")));
            notes.open(QIODevice::ReadOnly);
            figures[QStringLiteral("window")].notes.push_back(QString::fromUtf8(notes.readAll()).split(' '));
            notes.remove();
        }
        const bench::ProcessRun listFloor = figures[QStringLiteral("floor-list")].median();
        const bench::ProcessRun xlsxFloor = figures[QStringLiteral("floor-xlsx")].median();
        print("floor: sqlite3 shell, same rows", listFloor);
        print("waybill log list", figures[QStringLiteral("list")].median(), &listFloor);
        print("floor: libxlsxwriter C program", xlsxFloor);
        print("waybill log export list.xlsx", figures[QStringLiteral("export-xlsx")].median(), &xlsxFloor);
        print("waybill log export list.csv", figures[QStringLiteral("export-csv")].median(), &xlsxFloor);
        if (!window)
            continue;
        Figures &windowRuns = figures[QStringLiteral("window")];
        print("record window (whole process)", windowRuns.median());
        const QStringList notes = windowRuns.medianNotes();
        std::printf("  record window: first page %.0f ms (%s rows, target <= 1000), every date %.0f ms, "
                    "search %.0f ms (%s found)\n",
                    notes.value(0).toDouble(), qPrintable(notes.value(3)), notes.value(1).toDouble(),
                    notes.value(2).toDouble(), qPrintable(notes.value(4).trimmed()));
        std::fflush(stdout);
    }
    return 0;
}
