// Long lists: what a list of 1,000, 100,000 and 1,000,000 recipients costs
// whole processes, each beside its floor in the same run, alternating:
//  - the main window's first paint (bench_startup's child) against a bare
//    Qt window of its size (bench_floor_window);
//  - printing the last 1,000 recipients of the longest list against the
//    first 1,000 of the 1,000 list;
//  - one `recipients add` into each list;
//  - the start-up file check on the longest list's file and on one of twice
//    its rows: no check, quick_check, integrity_check.
// Prints the median wall, user and sys time and the largest resident memory.
// --programs DIR measures the bench_startup and waybill of another build
// (the floor programs are always this build's); --sizes and --runs narrow
// the run.

#include "bench_support.h"

#include "store/connection.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <map>

namespace {

struct Figures {
    std::vector<bench::ProcessRun> runs;
    bench::ProcessRun median() const
    {
        std::vector<bench::ProcessRun> sorted = runs;
        std::sort(sorted.begin(), sorted.end(),
                  [](const bench::ProcessRun &a, const bench::ProcessRun &b) { return a.ms < b.ms; });
        return sorted[sorted.size() / 2];
    }
};

void printRow(const char *what, const Figures &figures, const Figures *floor = nullptr)
{
    const bench::ProcessRun m = figures.median();
    std::printf("  %-44s wall %8.1f ms  user %8.1f ms  sys %7.1f ms  max RSS %7.1f MB", what, m.ms, m.userMs, m.sysMs,
                m.maxRssMb);
    if (floor) {
        const bench::ProcessRun f = floor->median();
        std::printf("  (%.2fx wall, %.2fx cpu)", m.ms / f.ms, (m.userMs + m.sysMs) / (f.userMs + f.sysMs));
    }
    if (m.status != 0)
        std::printf("  [exit %d]", m.status);
    std::printf("\n");
    std::fflush(stdout);
}

// Runs each of the programs once per round, in turn, for runs rounds.
std::vector<Figures> alternate(int runs, const std::vector<std::function<bench::ProcessRun()>> &programs)
{
    std::vector<Figures> figures(programs.size());
    for (int round = 0; round < runs; ++round)
        for (size_t i = 0; i < programs.size(); ++i)
            figures[i].runs.push_back(programs[i]());
    return figures;
}

// A folder with data.mdb holding the sender and count recipients, written
// in one statement in one transaction.
QString listFolder(const QString &base, int count)
{
    const QString folder = base + QStringLiteral("/list-") + QString::number(count);
    QDir().mkpath(folder);
    const QString file = folder + QStringLiteral("/data.mdb");
    schema::createEmptyDatabase(file);
    Connection connection(QStringLiteral("fill"));
    connection.openFile(file);
    connection.inTransaction([&] {
        connection.exec(
            QStringLiteral(u"insert into outrxx values "
                           u"('杭州明远贸易有限公司','王建国','杭州','浙江省杭州市西湖区文三路478号华星时代广场"
                           u"A座1203室','310012','0571-88223344','13905710001','王建国','2026','12','8')"));
        connection.exec(
            QStringLiteral(u"with recursive n(i) as (select 0 union all select i + 1 from n where i + 1 < ?) "
                           u"insert into inrxx select '上海联华电子有限公司', '收件人' || i, '上海', "
                           u"'上海市浦东新区张江高科技园区碧波路' || (i % 900) || '号' || (i % 77) || '室', '201203', "
                           u"'021-50801234', printf('138%08d', i), '样品', '2', '易碎勿压' from n"),
            {count});
    });
    return folder;
}

// The start-up check's statement on a file, in a process of its own.
int checkChild(const QString &mode, const QString &file)
{
    Connection connection(QStringLiteral("check"));
    connection.openFile(file);
    if (mode == QStringLiteral("none"))
        return 0;
    QSqlQuery query =
        connection.exec(mode == QStringLiteral("quick") ? statements::quickCheck() : statements::integrityCheck());
    return query.next() && query.value(0).toString() == QStringLiteral("ok") ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && QByteArray(argv[1]) == "--check") {
        QCoreApplication app(argc, argv);
        return checkChild(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    }
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    const auto option = [&](const QString &name, const QString &fallback) {
        const qsizetype at = args.indexOf(name);
        return at >= 0 && at + 1 < args.size() ? args[at + 1] : fallback;
    };
    const QString own = QCoreApplication::applicationDirPath();
    const QString programs = QFileInfo(option(QStringLiteral("--programs"), own)).absoluteFilePath();
    const int runs = option(QStringLiteral("--runs"), QStringLiteral("5")).toInt();
    std::vector<int> sizes;
    for (const QString &size : option(QStringLiteral("--sizes"), QStringLiteral("1000,100000,1000000")).split(','))
        sizes.push_back(size.toInt());
    qputenv("QT_QPA_PLATFORM", "offscreen");

    QTemporaryDir base;
    std::map<int, QString> folders;
    for (const int size : sizes) {
        QElapsedTimer timer;
        timer.start();
        folders[size] = listFolder(base.path(), size);
        std::printf("list of %d recipients made in %.0f ms (%.1f MB)\n", size, bench::ms(timer),
                    double(QFileInfo(folders[size] + QStringLiteral("/data.mdb")).size()) / 1048576.0);
    }
    std::printf("measuring %s, floors from %s, %d runs each, medians\n", qPrintable(programs), qPrintable(own), runs);
    const QString floorWindow = own + QStringLiteral("/bench_floor_window");
    const QString startup = programs + QStringLiteral("/bench_startup");
    const QString waybill = programs + QStringLiteral("/waybill");

    std::printf("first paint of the main window (target <= 2x the bare window; <= 120 MB at 1,000,000):\n");
    for (const int size : sizes) {
        const QString folder = folders[size];
        const std::vector<Figures> figures =
            alternate(runs,
                      {[&] { return bench::runProcess(floorWindow, {}, folder); },
                       [&] { return bench::runProcess(floorWindow, {QStringLiteral("--text")}, folder); },
                       [&] { return bench::runProcess(startup, {QStringLiteral("--child")}, folder); }});
        std::printf(" %d recipients\n", size);
        printRow("bare Qt window (floor)", figures[0]);
        printRow("bare Qt window with Chinese text (floor)", figures[1]);
        printRow("main window, against the bare window", figures[2], &figures[0]);
        printRow("main window, against the one with text", figures[2], &figures[1]);
    }

    const auto printPages = [&](int size, int first) {
        return bench::runProcess(waybill,
                                 {QStringLiteral("print"), QStringLiteral("sf"), QStringLiteral("--batch"),
                                  QStringLiteral("--pages"), QStringLiteral("%1-%2").arg(first).arg(first + 999),
                                  QStringLiteral("--date"), QStringLiteral("2026-12-10"), QStringLiteral("--pdf"),
                                  QStringLiteral("pages.pdf")},
                                 folders[size]);
    };
    const int longest = sizes.back();
    if (folders.count(1000) && longest > 1000) {
        std::printf("a page range (target: the last 1,000 of %d within 1.5x the first 1,000 of 1,000, <= 80 MB):\n",
                    longest);
        const std::vector<Figures> figures =
            alternate(std::max(1, runs / 2 + 1),
                      {[&] { return printPages(1000, 1); }, [&] { return printPages(longest, longest - 999); }});
        printRow("first 1,000 of 1,000 (floor)", figures[0]);
        printRow(qPrintable(QStringLiteral("last 1,000 of %1").arg(longest)), figures[1], &figures[0]);
    }

    std::printf("one `recipients add --paste` (target <= 0.5 s at 1,000,000):\n");
    {
        // A new mobile number each time: the list is searched for the same
        // recipient first, as an add without --duplicate does.
        int added = 0;
        std::vector<std::function<bench::ProcessRun()>> adds;
        for (const int size : sizes)
            adds.push_back([&, size] {
                return bench::runProcess(
                    waybill,
                    {QStringLiteral("recipients"), QStringLiteral("add"), QStringLiteral("--paste"),
                     QStringLiteral(u"张三 139%1 上海市浦东新区世纪大道100号").arg(++added, 8, 10, QLatin1Char('0'))},
                    folders[size]);
            });
        const std::vector<Figures> figures = alternate(runs, adds);
        for (size_t i = 0; i < sizes.size(); ++i)
            printRow(qPrintable(QStringLiteral("into %1").arg(sizes[i])), figures[i], i > 0 ? &figures[0] : nullptr);
    }

    std::printf("the start-up file check (one process opening the file, then the check):\n");
    {
        const QString file = folders[longest] + QStringLiteral("/data.mdb");
        const QString twice = base.filePath(QStringLiteral("twice.mdb"));
        QFile::copy(file, twice);
        {
            Connection connection(QStringLiteral("double"));
            connection.openFile(twice);
            connection.inTransaction([&] { connection.exec(QStringLiteral("insert into inrxx select * from inrxx")); });
        }
        for (const QString &path : {file, twice}) {
            const QString self = QCoreApplication::applicationFilePath();
            const std::vector<Figures> figures = alternate(
                std::max(1, runs / 2 + 1),
                {
                    [&] {
                        return bench::runProcess(self, {QStringLiteral("--check"), QStringLiteral("none"), path}, own);
                    },
                    [&] {
                        return bench::runProcess(self, {QStringLiteral("--check"), QStringLiteral("quick"), path}, own);
                    },
                    [&] {
                        return bench::runProcess(self, {QStringLiteral("--check"), QStringLiteral("integrity"), path},
                                                 own);
                    },
                });
            std::printf(" %.1f MB\n", double(QFileInfo(path).size()) / 1048576.0);
            printRow("open only (floor)", figures[0]);
            printRow("quick_check", figures[1], &figures[0]);
            printRow("integrity_check", figures[2], &figures[0]);
        }
    }
    return 0;
}
