// Printing benchmark: composing 10,000 waybill pages, and printing 1,000
// and 10,000 waybills into one PDF with the batch layout, page k from
// recipient row k. Prints the figures and the time per page.

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

namespace {

void fill(Connection &connection, int rows)
{
    connection.exec(QStringLiteral("insert into outrxx values (?,?,?,?,?,?,?,?,?,?,?)"),
                    {QStringLiteral(u"杭州明远贸易有限公司"), QStringLiteral(u"王建国"), QStringLiteral(u"杭州"),
                     QStringLiteral(u"浙江省杭州市西湖区文三路478号华星时代广场A座1203室"), QStringLiteral("310012"),
                     QStringLiteral("0571-88223344"), QStringLiteral("13905710001"), QStringLiteral(u"王建国"),
                     QStringLiteral("2026"), QStringLiteral("12"), QStringLiteral("8")});
    const QString sql = statements::insertRow(kRecipientTable, recipientColumns());
    connection.inTransaction([&] {
        for (int i = 0; i < rows; ++i)
            connection.exec(sql, {QStringLiteral(u"上海联华电子有限公司"), QStringLiteral(u"收件人%1").arg(i),
                                  QStringLiteral(u"上海"),
                                  QStringLiteral(u"上海市浦东新区张江高科技园区碧波路%1号%2室").arg(i % 900).arg(i % 77),
                                  QStringLiteral("201203"), QStringLiteral("021-50801234"),
                                  QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0')), QStringLiteral(u"样品"),
                                  QStringLiteral("2"), QStringLiteral(u"易碎勿压")});
    });
}

double ms(const QElapsedTimer &timer) { return double(timer.nsecsElapsed()) / 1e6; }

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    installFontSubstitutions();
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    createEmptyDatabase(Connection::currentFilePath());
    Connection connection(QStringLiteral("bench"));
    connection.open();
    fill(connection, 10000);
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
    std::printf("compose 10,000 pages:            %7.1f ms (target <= 1000), %d items\n", ms(timer), lines);

    for (int pages : {1000, 10000}) {
        const QString pdf = dir.filePath(QStringLiteral("run.pdf"));
        timer.restart();
        printToPdf(pdf, pages, compose);
        const double elapsed = ms(timer);
        std::printf("print %5d waybills to one PDF:  %7.1f ms (%.3f ms per page, target %s), %.1f MB\n", pages,
                    elapsed, elapsed / pages, pages == 1000 ? "<= 500 ms" : "<= 5000 ms",
                    QFileInfo(pdf).size() / 1e6);
    }
    return 0;
}
