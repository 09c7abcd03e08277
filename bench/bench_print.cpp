// Printing benchmark, as a user waits: whole `waybill print sf --batch`
// processes printing 1,000, 10,000 and 65,535 waybills into one PDF (page k
// from recipient row k), with the time per page; and, in process, composing
// 10,000 pages through the print run. Prints the figures.

#include "bench_support.h"
#include "report/fonts.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/schema.h"
#include "waybill/layout.h"
#include "waybill/print_data.h"
#include "waybill/waybill_run.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <cstdio>

using namespace schema;

int main(int argc, char **argv)
{
    bench::useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    installFontSubstitutions();
    const QString waybill = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("waybill"));
    const bench::Workdir dir;
    const QString folder = QDir::currentPath();
    {
        Connection connection(QStringLiteral("bench"));
        bench::fillWaybills(connection, 10000);
        PrintData data(QStringLiteral("bench.print"), Variant::Batch);
        data.reopen();
        WaybillRun run(layoutFor(QStringLiteral("sf"), Variant::Batch), data.source());
        QElapsedTimer timer;
        timer.start();
        int items = 0;
        for (int page = 0; page < run.pageCount(); ++page)
            items += int(run.page(page).items.size());
        std::printf("compose 10,000 pages in process:          %7.0f ms, %d items\n", bench::ms(timer), items);
    }
    // The program and the cairo floor alternate, so that a change in the
    // machine's load falls on both; the median of each is printed. A
    // million pages only with --million (a few minutes).
    const QString floor = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("print_floor_cairo"));
    const bool hasFloor = QFileInfo(floor).isExecutable();
    QList<int> sizes{1000, 10000, 65535};
    if (app.arguments().contains(QStringLiteral("--million")))
        sizes << 1000000;
    for (const int rows : sizes) {
        {
            Connection connection(QStringLiteral("bench.rows"));
            connection.exec(QStringLiteral("delete from inrxx"));
            connection.exec(QStringLiteral("delete from outrxx"));
            bench::fillWaybills(connection, rows);
        }
        const QString clean = QDir(folder).filePath(QStringLiteral("clean.mdb"));
        QFile::remove(clean);
        QFile::copy(QDir(folder).filePath(QStringLiteral("data.mdb")), clean);
        const int times = rows > 65535 ? 1 : rows > 10000 ? 3 : 5;
        std::vector<bench::ProcessRun> program;
        std::vector<bench::ProcessRun> floors;
        for (int k = 0; k < times; ++k) {
            // Each run starts from the same data: an empty print record.
            QFile::remove(QDir(folder).filePath(QStringLiteral("data.mdb")));
            QFile::copy(clean, QDir(folder).filePath(QStringLiteral("data.mdb")));
            program.push_back(
                bench::runProcess(waybill,
                                  {QStringLiteral("print"), QStringLiteral("sf"), QStringLiteral("--batch"),
                                   QStringLiteral("--pdf"), QStringLiteral("run.pdf")},
                                  folder));
            if (hasFloor)
                floors.push_back(
                    bench::runProcess(floor, {QString::number(rows), QStringLiteral("floor.pdf")}, folder));
        }
        const bench::ProcessRun run = bench::median(program);
        const char *target = rows == 1000 ? "<= 250 ms" : rows == 10000 ? "<= 1200 ms" : "<= 8000 ms";
        std::printf("waybill print, %7d waybills to one PDF: wall %7.0f ms (target %s), user %7.0f ms, "
                    "sys %5.0f ms, max RSS %6.1f MB, %.1f MB file%s\n",
                    rows, run.ms, target, run.userMs, run.sysMs, run.maxRssMb,
                    QFileInfo(QDir(folder).filePath(QStringLiteral("run.pdf"))).size() / 1e6,
                    run.status == 0 ? "" : "  FAILED");
        if (hasFloor) {
            const bench::ProcessRun base = bench::median(floors);
            std::printf("  cairo floor, same texts:              wall %7.0f ms, user %7.0f ms, sys %5.0f ms, "
                        "max RSS %6.1f MB; CPU ratio %.2f (target <= 1.3), wall ratio %.2f\n",
                        base.ms, base.userMs, base.sysMs, base.maxRssMb,
                        (run.userMs + run.sysMs) / std::max(1.0, base.userMs + base.sysMs),
                        run.ms / std::max(1.0, base.ms));
        }
    }
    return 0;
}
