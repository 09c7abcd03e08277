// Printing benchmark: composing 10,000 waybill pages, and printing 1,000
// and 10,000 waybills into one PDF with the batch layout, page k from
// recipient row k. Prints the figures and the time per page.

#include "bench_support.h"
#include "report/fonts.h"
#include "report/page.h"
#include "report/print_job.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "store/statements.h"
#include "waybill/layout.h"
#include "waybill/print_source.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>

using namespace schema;


int main(int argc, char **argv)
{
    bench::useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    installFontSubstitutions();
    const bench::Workdir dir;
    Connection connection(QStringLiteral("bench"));
    connection.open();
    bench::fillWaybills(connection, 10000);
    Dataset sender(connection, QStringLiteral("sender"));
    Dataset recipients(connection, QStringLiteral("recipients"));
    reopen(connection, {{&sender, kSenderTable}, {&recipients, kRecipientTable}});

    const Layout &layout = layoutFor(QStringLiteral("sf"), Variant::Batch);
    const PageComposer composer(layout.paperMm, layout.items);
    const AllRowsSource source(sender, recipients);
    const PageSource compose = [&](int page) {
        return composer.compose([&](RowSide row, const QString &column) { return source.value(page, row, column); });
    };

    QElapsedTimer timer;
    timer.start();
    int lines = 0;
    for (int page = 0; page < 10000; ++page)
        lines += int(compose(page).items.size());
    std::printf("compose 10,000 pages:            %7.1f ms (target <= 1000), %d items\n", bench::ms(timer), lines);

    for (int pages : {1000, 10000}) {
        const QString pdf = dir.file(QStringLiteral("run.pdf"));
        timer.restart();
        printToPdf(pdf, pages, compose);
        const double elapsed = bench::ms(timer);
        std::printf("print %5d waybills to one PDF:  %7.1f ms (%.3f ms per page, target %s), %.1f MB\n", pages,
                    elapsed, elapsed / pages, pages == 1000 ? "<= 500 ms" : "<= 5000 ms",
                    QFileInfo(pdf).size() / 1e6);
    }
    return 0;
}
