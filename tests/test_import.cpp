// The spreadsheet import on real workbooks made by an independent writer:
// the reader, the import procedure with its messages and end states, and
// the command line.

#include "import/import_procedure.h"
#include "import/workbook_reader.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "test_support.h"
#include "workbook_support.h"

#include <QtTest>

using namespace schema;
using namespace import_messages;

namespace {

const QString kRow = QStringLiteral(u"公司甲\t张三\t上海\t上海市浦东新区\t200120\t021-1\t13812345678\t样品\t2\t易碎");

struct Fixture {
    Fixture() : connection(QStringLiteral("DrForm")), list(connection, QStringLiteral("ADOQuery1"))
    {
        RawDb(dir.dbPath()).addRecipient(kImportedTable, QStringLiteral("old"), QStringLiteral("1"));
        reopen(connection, {{&list, kImportedTable}});
    }
    QString book(const QStringList &lines, const QString &name = QStringLiteral("book.xls")) const
    {
        const QString path = dir.file(name);
        writeWorkbook(path, lines);
        return path;
    }
    QStringList table(const QString &columns = u"收件人姓名"_qs) const
    {
        return RawDb(dir.dbPath()).rows(QStringLiteral("select %1 from excel").arg(columns));
    }
    TempWorkdir dir;
    Connection connection;
    Dataset list;
};

} // namespace

class TestImport : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cellsBecomeText();
    void importsGoodWorkbooks_data();
    void importsGoodWorkbooks();
    void badInputKeepsPreviousRows_data();
    void badInputKeepsPreviousRows();
    void pathIsTrimmedAndEmptyPathRefused_data();
    void pathIsTrimmedAndEmptyPathRefused();
    void secondImportReplacesFirst();
    void connectFailure();
    void fullSheetOf65535Rows();
    void commandLine();
};

void TestImport::cellsBecomeText()
{
    TempWorkdir dir(false);
    const QString path = dir.file(QStringLiteral("cells.xls"));
    QVERIFY(writeWorkbook(path,
                          {QStringLiteral("SHEET Sheet1"), QStringLiteral(u"  收件人姓名 \t手机号码\t邮编\t日期\t小数"),
                           QStringLiteral(u"张三\t#n:13812345678\t#n:100000\t#d:2026-07-05\t#n:12.5"),
                           QStringLiteral("#empty\t#empty\t#empty"),
                           QStringLiteral(u"李四\t#n:-7\t#n:0\t#empty\t#n:1e20")}));
    const Sheet sheet = readSheet(path, QStringLiteral("Sheet1"));
    QCOMPARE(sheet.rows.size(), size_t(2)); // the wholly empty row is skipped
    QCOMPARE(sheet.rows[0], (QStringList{u"张三"_qs, "13812345678", "100000", "2026-07-05", "12.5"}));
    QCOMPARE(sheet.rows[1], (QStringList{u"李四"_qs, "-7", "0", "", "1e+20"}));
    const auto records = recordsByHeading(sheet, {QStringLiteral(u"手机号码"), QStringLiteral(u"收件人姓名")});
    QCOMPARE(rowOf(records, 0), (QStringList{"13812345678", u"张三"_qs}));
}

void TestImport::importsGoodWorkbooks_data()
{
    QTest::addColumn<QStringList>("lines");
    QTest::addColumn<QStringList>("rows"); // 收件人姓名|手机号码|备注
    QTest::newRow("plain") << QStringList{"SHEET Sheet1", recipientHeadings(), kRow}
                           << QStringList{u"张三|13812345678|易碎"_qs};
    QTest::newRow("Sheet1 third") << QStringList{u"SHEET 名单"_qs,    "x", "SHEET Other", "y", "SHEET Sheet1",
                                                 recipientHeadings(), kRow}
                                  << QStringList{u"张三|13812345678|易碎"_qs};
    QTest::newRow("headings in another order, extra columns")
        << QStringList{"SHEET Sheet1",
                       u"备注\t多余\t手机号码\t数量\t内件品名\t联系电话\t邮政编码\t收件地址\t目的地\t收件人姓名\t单位名称"_qs,
                       u"备注甲\tx\t#n:13900000000\t1\t书\t\t#n:100000\t北京\t北京\t王五\t公司"_qs}
        << QStringList{u"王五|13900000000|备注甲"_qs};
    QTest::newRow("heading row only") << QStringList{"SHEET Sheet1", recipientHeadings()} << QStringList{};
    QTest::newRow("quotes, newlines, outside GBK")
        << QStringList{"SHEET Sheet1", recipientHeadings(),
                       u"公司\t\"引号\" '单引'\t\t第一行\\n第二行\t\t\t😀𠀀\t\t\t100% _x_"_qs}
        << QStringList{u"\"引号\" '单引'|😀𠀀|100% _x_"_qs};
}

void TestImport::importsGoodWorkbooks()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, rows);
    Fixture f;
    const ImportResult result = importWorkbook(f.connection, &f.list, f.book(lines));
    QCOMPARE(result.message, kSucceeded);
    QVERIFY(result.success);
    QCOMPARE(f.table(u"收件人姓名, 手机号码, 备注"_qs), rows);
    QCOMPARE(f.list.rowCount(), int(rows.size()));
    QVERIFY(f.list.isOpen());
    if (QTest::currentDataTag() == QByteArray("quotes, newlines, outside GBK"))
        QCOMPARE(f.table(u"收件地址"_qs), QStringList{u"第一行\n第二行"_qs});
}

void TestImport::badInputKeepsPreviousRows_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << "missing" << u"文件不存在"_qs;
    QTest::newRow("text file named .xls") << "text" << u"缺少标题“单位名称”（第一行的标题有：name、mobile）"_qs;
    QTest::newRow("truncated") << "truncated" << u"已损坏"_qs;
    QTest::newRow("corrupted header") << "corrupted" << u"不是工作簿"_qs;
    QTest::newRow("zip file named .xls") << "xlsx" << u"zip 压缩文件"_qs;
    QTest::newRow("no Sheet1") << "nosheet" << u"没有名为 Sheet1 的工作表"_qs;
    QTest::newRow("no 备注 heading") << "noremark" << u"缺少标题“备注”"_qs;
    QTest::newRow("a folder") << "folder" << u"不是文件"_qs;
    // Found by fuzzing: the reading library crashes on one and loops on the other.
    QTest::newRow("damaged, crashes the reader") << "fixture:damaged-crashes-reader.xls" << u"已损坏"_qs;
    QTest::newRow("damaged sector chain") << "fixture:damaged-loops-reader.xls" << u"已损坏"_qs;
    // Found by fuzzing the .xlsx reader: relationships that climb above the
    // package's root (once a read outside a list).
    QTest::newRow("relationships above the root")
        << "fixture:fuzz-overflow-relationships.xlsx" << u"缺少工作表 Sheet1 的内容"_qs;
}

void TestImport::badInputKeepsPreviousRows()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    Fixture f;
    QString path = f.dir.file(QStringLiteral("bad.xls"));
    const QStringList good{QStringLiteral("SHEET Sheet1"), recipientHeadings(), kRow, kRow};
    if (kind == QStringLiteral("text")) {
        writeAll(path, "name,mobile\nzhang,138\n");
    } else if (kind == QStringLiteral("truncated")) {
        writeAll(path, readAll(f.book(good)).left(700));
    } else if (kind == QStringLiteral("corrupted")) {
        QByteArray bytes = readAll(f.book(good));
        for (int i = 0; i < 512; i += 3)
            bytes[i] = char(0xA5);
        writeAll(path, bytes);
    } else if (kind == QStringLiteral("xlsx")) {
        writeAll(path, QByteArray("PK\x03\x04\x14\x00\x06\x00", 8) + QByteArray(2000, 'x'));
    } else if (kind == QStringLiteral("nosheet")) {
        path = f.book({u"SHEET 收件人"_qs, recipientHeadings(), kRow});
    } else if (kind == QStringLiteral("noremark")) {
        QString headings = recipientHeadings();
        headings.chop(3);
        path = f.book({QStringLiteral("SHEET Sheet1"), headings, kRow});
    } else if (kind.startsWith(QStringLiteral("fixture:"))) {
        path = QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/") + kind.mid(8);
    } else if (kind == QStringLiteral("folder")) {
        QDir(f.dir.path()).mkdir(QStringLiteral("folder.xls"));
        path = f.dir.file(QStringLiteral("folder.xls"));
    }
    const ImportResult result = importWorkbook(f.connection, &f.list, path);
    QVERIFY(!result.success);
    QCOMPARE(result.message, kFailed);
    QVERIFY2(result.reason.contains(reason), qPrintable(result.reason));
    QCOMPARE(f.table(), QStringList{QStringLiteral("old")}); // the last good list stays
    QCOMPARE(f.list.rowCount(), 1);
}

void TestImport::pathIsTrimmedAndEmptyPathRefused_data()
{
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("withFile");
    QTest::addColumn<QString>("message");
    QTest::newRow("blanks around") << "  \t"
                                   << " \r\n"
                                   << true << kSucceeded;
    QTest::newRow("empty") << ""
                           << "" << false << kEmptyPath;
    QTest::newRow("blanks only") << "   "
                                 << "\t" << false << kEmptyPath;
}

void TestImport::pathIsTrimmedAndEmptyPathRefused()
{
    QFETCH(QString, prefix);
    QFETCH(QString, suffix);
    QFETCH(bool, withFile);
    QFETCH(QString, message);
    Fixture f;
    const QString path = withFile ? f.book({QStringLiteral("SHEET Sheet1"), recipientHeadings(), kRow}) : QString();
    const ImportResult result = importWorkbook(f.connection, &f.list, prefix + path + suffix);
    QCOMPARE(result.message, message);
    QCOMPARE(f.table(), withFile ? QStringList{u"张三"_qs} : QStringList{QStringLiteral("old")});
    QVERIFY(f.list.isOpen());
}

void TestImport::secondImportReplacesFirst()
{
    Fixture f;
    importWorkbook(f.connection, &f.list, f.book({QStringLiteral("SHEET Sheet1"), recipientHeadings(), kRow, kRow}));
    QCOMPARE(f.table().size(), 2);
    QString other = kRow;
    other.replace(u"张三"_qs, u"赵六"_qs);
    const ImportResult result =
        importWorkbook(f.connection, &f.list,
                       f.book({QStringLiteral("SHEET Sheet1"), recipientHeadings(), other}, QStringLiteral("b.xls")));
    QVERIFY(result.success);
    QCOMPARE(f.table(), QStringList{u"赵六"_qs});
}

void TestImport::connectFailure()
{
    Fixture f;
    const QString path = f.book({QStringLiteral("SHEET Sheet1"), recipientHeadings(), kRow});
    // The working directory changed to one without data.mdb: reconnecting
    // fails, and the table keeps its rows.
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    const ImportResult result = importWorkbook(f.connection, &f.list, path);
    QDir::setCurrent(f.dir.path());
    QCOMPARE(result.message, kConnectFailed);
    QVERIFY(!QFile::exists(QDir(elsewhere.path()).filePath(QStringLiteral("data.mdb"))));
    QCOMPARE(f.table(), QStringList{QStringLiteral("old")});
}

void TestImport::fullSheetOf65535Rows()
{
    Fixture f;
    QStringList lines{QStringLiteral("SHEET Sheet1"), recipientHeadings()};
    for (int i = 0; i < 65535; ++i)
        lines << QStringLiteral(u"公司\t收件人%1\t上海\t地址%1\t200120\t\t#n:138%2\t样品\t1\t")
                     .arg(i)
                     .arg(i, 8, 10, QLatin1Char('0'));
    const QString path = f.book(lines);
    int lastPercent = -1;
    bool monotonic = true;
    bool toldWhileReading = false; // the reader process tells how far it is
    const ImportResult result = importWorkbook(f.connection, &f.list, path, [&](int percent) {
        monotonic = monotonic && percent >= lastPercent;
        toldWhileReading = toldWhileReading || (percent > 0 && percent < 50);
        lastPercent = percent;
    });
    QVERIFY(result.success);
    QCOMPARE(result.rows, 65535);
    QCOMPARE(f.list.rowCount(), 65535);
    QVERIFY(monotonic);
    QVERIFY(toldWhileReading);
    QCOMPARE(lastPercent, 100);
    QCOMPARE(f.table(u"手机号码"_qs).last(), QStringLiteral("13800065534"));
}

void TestImport::commandLine()
{
    TempWorkdir dir;
    const QString path = dir.file(QStringLiteral("list.xls"));
    writeWorkbook(path, {QStringLiteral("SHEET Sheet1"), recipientHeadings(), kRow});
    QProcess process;
    process.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("import"), path});
    process.waitForFinished(60000);
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(QString::fromUtf8(process.readAllStandardOutput()).contains(kSucceeded));
    QCOMPARE(RawDb(dir.dbPath()).rows(u"select 收件人姓名 from excel"_qs), QStringList{u"张三"_qs});

    process.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("import"), dir.file(QStringLiteral("none.xls"))});
    process.waitForFinished(60000);
    QCOMPARE(process.exitCode(), 1);
    QVERIFY(QString::fromUtf8(process.readAllStandardError()).contains(kFailed));
    QCOMPARE(RawDb(dir.dbPath()).rows(u"select 收件人姓名 from excel"_qs), QStringList{u"张三"_qs});
}

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
