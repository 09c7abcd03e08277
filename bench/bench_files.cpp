// Spreadsheet and file benchmark: importing a workbook of 65,535 recipient
// rows, exporting 65,535 recipients to .xls, and backing up a 100 MB
// database. The workbook is written with Perl Spreadsheet::WriteExcel
// (tests/make_workbook.pl) before timing. Prints the figures.

#include "bench_support.h"

#include "backup/database_file.h"
#include "import/import_procedure.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "store/statements.h"
#include "xls/export.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

using namespace schema;

namespace {

QString recipientLine(int i)
{
    return QStringLiteral(u"某某贸易有限公司\t收件人%1\t上海\t上海市浦东新区世纪大道%1号\t200120\t021-58881234\t138%2\t样品\t1\t易碎")
        .arg(i)
        .arg(i, 8, 10, QLatin1Char('0'));
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    createEmptyDatabase(Connection::currentFilePath());

    // The workbook to import.
    const QString book = dir.filePath(QStringLiteral("list.xls"));
    {
        QProcess perl;
        perl.start(QStringLiteral("perl"), {QStringLiteral(WAYBILL_SOURCE_DIR "/tests/make_workbook.pl"), book});
        QByteArray input = QStringLiteral(u"SHEET Sheet1\n单位名称\t收件人姓名\t目的地\t收件地址\t邮政编码\t联系电话\t手机号码\t内件品名\t数量\t备注\n")
                               .toUtf8();
        for (int i = 0; i < 65535; ++i)
            input += recipientLine(i).toUtf8() + '\n';
        perl.write(input);
        perl.closeWriteChannel();
        perl.waitForFinished(600000);
    }
    Connection connection(QStringLiteral("bench"));
    Dataset imported(connection, QStringLiteral("ADOQuery1"));
    reopen(connection, {{&imported, kImportedTable}});
    QElapsedTimer timer;
    timer.start();
    const ImportResult result = importWorkbook(connection, imported, book);
    std::printf("import 65,535 rows from .xls:  %7.1f ms (target <= 1000), %s, %d rows\n", bench::ms(timer),
                qPrintable(result.message), imported.rowCount());

    // Export 65,535 recipients.
    connection.inTransaction([&] {
        connection.exec(QStringLiteral("insert into inrxx select * from excel"));
    });
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    timer.restart();
    exportDataset(list, dir.filePath(QStringLiteral("export.xls")));
    std::printf("export 65,535 recipients:      %7.1f ms (target <= 1000), %.1f MB\n", bench::ms(timer),
                QFileInfo(dir.filePath(QStringLiteral("export.xls"))).size() / 1e6);

    // Grow the database to 100 MB and back it up.
    connection.inTransaction([&] {
        while (QFileInfo(Connection::currentFilePath()).size() < 100'000'000)
            connection.exec(QStringLiteral("insert into inrxx select * from excel"));
    });
    timer.restart();
    backupDatabase(Connection::currentFilePath(), dir.filePath(QStringLiteral("backup.bak")));
    std::printf("back up a %.0f MB database:     %7.1f ms (target <= 2000)\n",
                QFileInfo(Connection::currentFilePath()).size() / 1e6, bench::ms(timer));
    return 0;
}
