// Preview benchmark: a batch run of 10,000 waybills. Measures the time from
// the print command to the first page visible, to all pages produced, the
// longest the event loop was kept from answering input meanwhile, and the
// memory the run takes.

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

namespace {

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

void fill(int rows)
{
    Connection connection(QStringLiteral("fill"));
    connection.exec(QStringLiteral("insert into outrxx values (?,?,?,?,?,?,?,?,?,?,?)"),
                    {QStringLiteral(u"杭州明远贸易有限公司"), QStringLiteral(u"王建国"), QStringLiteral(u"杭州"),
                     QStringLiteral(u"浙江省杭州市西湖区文三路478号华星时代广场A座1203室"), QStringLiteral("310012"),
                     QStringLiteral("0571-88223344"), QStringLiteral("13905710001"), QStringLiteral(u"王建国"),
                     QStringLiteral("2026"), QStringLiteral("12"), QStringLiteral("8")});
    const QString sql = statements::insertRow(kRecipientTable, recipientColumns());
    connection.inTransaction([&] {
        for (int i = 0; i < rows; ++i)
            connection.exec(sql, {QStringLiteral(u"上海联华电子有限公司"), QStringLiteral(u"收件人%1").arg(i),
                                  QStringLiteral(u"上海"), QStringLiteral(u"上海市浦东新区张江高科技园区碧波路%1号").arg(i),
                                  QStringLiteral("201203"), QStringLiteral("021-50801234"),
                                  QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0')), QStringLiteral(u"样品"),
                                  QStringLiteral("2"), QStringLiteral(u"易碎勿压")});
    });
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    installFontSubstitutions();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    createEmptyDatabase(Connection::currentFilePath());
    fill(10000);

    auto window = PrintWindow::makeBatch(*courierByCode(QStringLiteral("sf")), Variant::Batch);
    window->show(); // becoming active reopens its datasets, as the print command's opening does
    QCoreApplication::processEvents();
    const long before = residentKb();

    QElapsedTimer timer;
    timer.start();
    TQRStandardPreview preview(*window);
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
    const long after = residentKb();

    std::printf("batch run of %d waybills in the preview\n", preview.pageCount());
    std::printf("first page visible after the command:  %7.1f ms (target <= 200)\n", firstPage);
    std::printf("all pages produced:                    %7.1f ms (target <= 3000)\n", allPages);
    std::printf("longest time without answering input:  %7lld ms\n", static_cast<long long>(longestGap));
    std::printf("memory taken by the run:               %7.1f MB (target <= 300)\n", (after - before) / 1024.0);
    return 0;
}
