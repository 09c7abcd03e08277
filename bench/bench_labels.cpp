// Thermal label benchmark, as a user waits: whole `waybill labels print`
// processes turning 100 e-waybills into one PDF of 100×150 pages: from 100
// single-label PDFs, from 25 A4 pages of four (cut and cropped), and from
// 100 pictures at 203 dpi; wall, user, sys and max RSS, and per label.

#include "../tests/label_maker.h"
#include "bench_support.h"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

using namespace label_maker;

namespace {

QString number(int k)
{
    return QStringLiteral("SF14000%1").arg(k, 8, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char **argv)
{
    bench::useOffscreenPlatform();
    QGuiApplication app(argc, argv);
    const QString waybill = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("waybill"));
    const bench::Workdir dir;
    const QString folder = QDir::currentPath();
    {
        Connection connection(QStringLiteral("bench"));
        connection.open();
    }
    QDir().mkdir(QStringLiteral("single"));
    QDir().mkdir(QStringLiteral("pictures"));
    QList<QList<LabelDrawing>> sheets;
    for (int k = 0; k < 100; ++k) {
        writePdf(QStringLiteral("single/label%1.pdf").arg(k), QSizeF(100, 150), {{{QRectF(2, 2, 96, 146), number(k)}}});
        writePng(QStringLiteral("pictures/label%1.png").arg(k), QSizeF(100, 150),
                 {QRectF(2, 2, 96, 146), number(k), false}, 203);
        if (k % 4 == 0)
            sheets.append(QList<LabelDrawing>());
        sheets.last().append(fourOnA4({number(k), number(k), number(k), number(k)})[k % 4]);
    }
    writePdf(QStringLiteral("a4.pdf"), QSizeF(210, 297), sheets);

    struct Case {
        const char *what;
        QStringList args;
    };
    const QList<Case> cases{
        {"100 single-label PDFs", {QStringLiteral("single")}},
        {"25 A4 pages of four", {QStringLiteral("a4.pdf"), QStringLiteral("--per-page"), QStringLiteral("4")}},
        {"100 PNG at 203 dpi", {QStringLiteral("pictures")}},
    };
    std::printf("100 labels to one PDF, whole `waybill labels print` processes, median of 3\n");
    for (const Case &each : cases) {
        QStringList args{QStringLiteral("labels"), QStringLiteral("print")};
        args << each.args << QStringLiteral("--pdf") << QStringLiteral("out.pdf");
        const bench::ProcessRun run = bench::medianRun(waybill, args, folder, 3);
        std::printf("  %-24s wall %6.0f ms (%5.1f ms a label), user %6.0f ms, sys %5.0f ms, max RSS %5.1f MB%s\n",
                    each.what, run.ms, run.ms / 100, run.userMs, run.sysMs, run.maxRssMb,
                    run.status == 0 ? "" : "  FAILED");
    }
    return 0;
}
