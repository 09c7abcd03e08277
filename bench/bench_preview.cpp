// Preview benchmark: a batch run of 10,000 waybills. Measures the time from
// the print command to the first page visible, to all pages produced, the
// longest the event loop was kept from answering input meanwhile, and the
// memory the run takes.

#include "bench_support.h"
#include "report/fonts.h"
#include "store/connection.h"
#include "store/schema.h"
#include "store/statements.h"
#include "waybill/family.h"
#include "waybill/preview_window.h"
#include "waybill/print_window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWindow>
#include <cstdio>

using namespace schema;

int main(int argc, char **argv)
{
    bench::useOffscreenPlatform();
    QApplication app(argc, argv);
    installFontSubstitutions();
    const bench::Workdir dir;
    {
        Connection connection(QStringLiteral("fill"));
        bench::fillWaybills(connection, 10000);
    }

    auto window = PrintWindow::makeBatch(*courierByCode(QStringLiteral("sf")), Variant::Batch);
    window->show(); // becoming active reopens its datasets, as the print command's opening does
    QCoreApplication::processEvents();
    const long before = bench::residentKb();

    QElapsedTimer timer;
    timer.start();
    TQRStandardPreview preview(window->run(), window.get());
    preview.show();
    while (!preview.windowHandle() || !preview.windowHandle()->isExposed())
        QCoreApplication::processEvents();
    preview.grab(); // the first page drawn
    const double firstPage = double(timer.nsecsElapsed()) / 1e6;

    // A 1 ms timer stands for user input: the longest gap between its ticks
    // is the longest the window could not answer.
    QElapsedTimer gap;
    gap.start();
    qint64 longestGap = 0;
    QTimer input;
    input.setInterval(1);
    QObject::connect(&input, &QTimer::timeout, [&] {
        longestGap = std::max(longestGap, gap.elapsed());
        gap.restart();
    });
    input.start();
    while (!preview.allPagesProduced())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double allPages = double(timer.nsecsElapsed()) / 1e6;
    input.stop();
    const long after = bench::residentKb();

    std::printf("batch run of %d waybills in the preview\n", preview.pageCount());
    std::printf("first page visible after the command:  %7.1f ms (target <= 200)\n", firstPage);
    std::printf("all pages produced:                    %7.1f ms (target <= 3000)\n", allPages);
    std::printf("longest time without answering input:  %7lld ms\n", static_cast<long long>(longestGap));
    std::printf("memory taken by the run:               %7.1f MB (target <= 300)\n", (after - before) / 1024.0);
    return 0;
}
