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
    for (const int rows : {1000, 10000, 65535}) {
        {
            Connection connection(QStringLiteral("bench.rows"));
            connection.exec(QStringLiteral("delete from inrxx"));
            connection.exec(QStringLiteral("delete from outrxx"));
            bench::fillWaybills(connection, rows);
        }
        const bench::ProcessRun run =
            bench::medianRun(waybill,
                             {QStringLiteral("print"), QStringLiteral("sf"), QStringLiteral("--batch"),
                              QStringLiteral("--pdf"), QStringLiteral("run.pdf")},
                             folder, rows > 10000 ? 3 : 5);
        const char *target = rows == 1000 ? "<= 250 ms" : rows == 10000 ? "<= 1200 ms" : "<= 8000 ms";
        std::printf("waybill print, %5d waybills to one PDF: wall %6.0f ms (target %s), user %6.0f ms, "
                    "sys %5.0f ms (%.1f %% of wall, target <= 5 %%), max RSS %5.1f MB, %.1f MB file%s\n",
                    rows, run.ms, target, run.userMs, run.sysMs, 100.0 * run.sysMs / run.ms, run.maxRssMb,
                    QFileInfo(QDir(folder).filePath(QStringLiteral("run.pdf"))).size() / 1e6,
                    run.status == 0 ? "" : "  FAILED");
    }
    return 0;
}
