// The spreadsheet import on real workbooks made by an independent writer:
// the reader, the import procedure with its messages and end states, and
// the command line.

#include "import/import_procedure.h"
#include "import/recipient_cells.h"
#include "import/recipient_shape.h"
#include "import/shop_headings.h"
#include "import/workbook_reader.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "test_support.h"
#include "workbook_support.h"

#include <QStringEncoder>
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

// A sheet as the Perl .xlsx writer (Excel::Writer::XLSX) writes it: every cell a text.
bool writeXlsx(const QString &path, const QList<QStringList> &rows)
{
    QStringList lines{QStringLiteral("SHEET\tSheet1\t0")};
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            if (!rows[r][c].isEmpty())
                lines << QStringLiteral("CELL\t%1\t%2\ts\t%3").arg(r).arg(c).arg(rows[r][c]);
    QProcess perl;
    perl.start(QStringLiteral("perl"),
               {QStringLiteral(WAYBILL_SOURCE_DIR "/tests/writers/write_workbook.pl"), QStringLiteral("xlsx"), path});
    perl.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    perl.closeWriteChannel();
    perl.waitForFinished(120000);
    return perl.exitStatus() == QProcess::NormalExit && perl.exitCode() == 0;
}

// A sheet as a shop system's .csv export: comma-separated, each field quoted.
QByteArray csvBytes(const QList<QStringList> &rows, const char *encoding)
{
    QString text;
    for (const QStringList &row : rows) {
        QStringList fields;
        for (QString field : row)
            fields << QLatin1Char('"') + field.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
        text += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    if (QByteArray(encoding) == "UTF-8 BOM")
        return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}

// A shop's export as tests/data/shop_exports.txt holds it.
struct ShopExport {
    QString shop;
    QList<QStringList> sheet; // headings, then rows
    QStringList expected;     // the imported rows, |-separated
};

QList<ShopExport> shopExports()
{
    QFile file(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/shop_exports.txt"));
    if (!file.open(QIODevice::ReadOnly))
        qFatal("tests/data/shop_exports.txt is missing");
    QList<ShopExport> exports;
    for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
        QStringList fields = line.split(QLatin1Char('\t'));
        const QString tag = fields.takeFirst();
        if (tag == QStringLiteral("SHOP"))
            exports.append({fields.value(0), {}, {}});
        else if (tag == QStringLiteral("HEAD") || tag == QStringLiteral("ROW"))
            exports.last().sheet << fields;
        else if (tag == QStringLiteral("WANT"))
            exports.last().expected << fields.value(0);
    }
    return exports;
}

// Writes rows of text cells with an independent writer: "xls" and "xlsx"
// through Perl, "csv-utf8-bom" and "csv-gbk" through Python's csv module.
bool writeWithWriter(const QString &format, const QString &path, const QList<QStringList> &rows)
{
    QStringList lines{QStringLiteral("SHEET\tSheet1\t0")};
    for (int r = 0; r < rows.size(); ++r)
        for (int c = 0; c < rows[r].size(); ++c)
            if (!rows[r][c].isEmpty())
                lines << QStringLiteral("CELL\t%1\t%2\ts\t%3").arg(r).arg(c).arg(rows[r][c]);
    const bool perl = !format.startsWith(QStringLiteral("csv"));
    QProcess writer;
    writer.start(perl ? QStringLiteral("perl") : QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral(WAYBILL_SOURCE_DIR "/tests/writers/")
                      + (perl ? QStringLiteral("write_workbook.pl") : QStringLiteral("write_workbook.py")),
                  format, path});
    writer.write((lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    writer.closeWriteChannel();
    writer.waitForFinished(120000);
    return writer.exitStatus() == QProcess::NormalExit && writer.exitCode() == 0;
}

// The records a sheet of text cells gives through the recipient shape.
QStringList shapedRows(RecipientShape &shape, const QList<QStringList> &sheet)
{
    Sheet grid;
    grid.headings = sheet.first();
    for (const QStringList &row : sheet.mid(1))
        grid.rows.push_back(row);
    const TextTable records = recordsOf(grid, shape);
    QStringList rows;
    for (qsizetype r = 0; r < records.rowCount(); ++r)
        rows << rowOf(records, r).join(QLatin1Char('|'));
    return rows;
}

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
    void orderExportsImportCellByCell_data();
    void orderExportsImportCellByCell();
    void unknownHeadingsAreMappedAndRemembered();
    void shopExportsImportCellByCell_data();
    void shopExportsImportCellByCell();
    void everyListedShopHasAnExport();
    void headingsAreToldApart_data();
    void headingsAreToldApart();
    void faultyShopHeadingsAreNamed_data();
    void faultyShopHeadingsAreNamed();
    void rowsAreFixedOnlyOutsideTheList_data();
    void rowsAreFixedOnlyOutsideTheList();
    void rememberedMappingsStillDecide();
    void addressColumnsAreNeverLeftOutUnsaid();
    void mobileNumbers_data();
    void mobileNumbers();
    void trailingPostcodes_data();
    void trailingPostcodes();
    void joinedAddresses_data();
    void joinedAddresses();
    void cellsAreCleaned_data();
    void cellsAreCleaned();
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
    QTest::newRow("text file named .xls") << "text" << u"缺少标题“收件人姓名”（第一行的标题有：name、mobile）"_qs;
    QTest::newRow("truncated") << "truncated" << u"已损坏"_qs;
    QTest::newRow("corrupted header") << "corrupted" << u"不是工作簿"_qs;
    QTest::newRow("zip file named .xls") << "xlsx" << u"zip 压缩文件"_qs;
    QTest::newRow("no Sheet1") << "nosheet" << u"没有名为 Sheet1 的工作表"_qs;
    QTest::newRow("no name heading") << "noname" << u"缺少标题“收件人姓名”"_qs;
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
    } else if (kind == QStringLiteral("noname")) {
        QString headings = recipientHeadings();
        headings.replace(u"收件人姓名"_qs, u"某列"_qs);
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

void TestImport::orderExportsImportCellByCell_data()
{
    QTest::addColumn<QString>("kind"); // gb18030.csv, bom.csv, xlsx, xls
    QTest::addColumn<QList<QStringList>>("sheet");
    QTest::addColumn<QStringList>("expected"); // the ten columns of each row, in the table's order
    QTest::addColumn<QStringList>("notes");
    QTest::newRow("Taobao order export, GB18030")
        << u"gb18030.csv"_qs
        << QList<QStringList>{{u"订单编号"_qs, u"买家会员名"_qs, u"收货人姓名"_qs, u"收货地址 "_qs, u"联系电话 "_qs,
                               u"联系手机"_qs, u"宝贝标题 "_qs, u"宝贝总数量"_qs, u"订单备注"_qs,
                               u"修改后的收货地址"_qs},
                              {u"=\"2817000001\""_qs, u"tb_abc"_qs, u"张三"_qs, u"浙江省 杭州市 西湖区 文三路90号"_qs,
                               u"'0571-88886666"_qs, u"'13812345678"_qs, u"连衣裙"_qs, u"2"_qs, u"加急"_qs, u""_qs},
                              {u"=\"2817000002\""_qs, u"tb_def"_qs, u"李四"_qs, u"上海 上海市 浦东新区 碧波路1号"_qs,
                               u""_qs, u"139****5678"_qs, u"T恤"_qs, u"1"_qs, u""_qs,
                               u"上海 上海市 浦东新区 张江路2号"_qs}}
        << QStringList{u"|张三|杭州市|浙江省 杭州市 西湖区 文三路90号||0571-88886666|13812345678|连衣裙|2|加急"_qs,
                       u"|李四|上海市|上海 上海市 浦东新区 张江路2号|||139****5678|T恤|1|"_qs}
        << QStringList{u"其中 1 行的手机号码被隐藏了几位"_qs};
    QTest::newRow("shop export with the address in parts, .xlsx")
        << u"xlsx"_qs
        << QList<QStringList>{{u"主订单编号"_qs, u"收件人"_qs, u"收件人手机号"_qs, u"省"_qs, u"市"_qs, u"区"_qs,
                               u"街道"_qs, u"详细地址"_qs, u"商品名称"_qs, u"商品数量"_qs, u"买家留言"_qs},
                              {u"4928000000001"_qs, u"王五"_qs, u"13900001111"_qs, u"广东省"_qs, u"深圳市"_qs,
                               u"南山区"_qs, u"粤海街道"_qs, u"科技园路1号"_qs, u"耳机"_qs, u"3"_qs, u"放门口"_qs},
                              {u"4928000000002"_qs, u"赵六"_qs, u"13700002222"_qs, u"北京市"_qs, u"北京市"_qs,
                               u"朝阳区"_qs, u""_qs, u"北京市朝阳区建国路88号"_qs, u"书"_qs, u"1"_qs, u""_qs}}
        << QStringList{u"|王五|深圳市|广东省深圳市南山区粤海街道科技园路1号|||13900001111|耳机|3|放门口"_qs,
                       u"|赵六|北京市|北京市朝阳区建国路88号|||13700002222|书|1|"_qs}
        << QStringList{};
    QTest::newRow("a customer's own list under a title row, UTF-8 with BOM")
        << u"bom.csv"_qs
        << QList<QStringList>{{u"客户名单"_qs},
                              {u"姓名"_qs, u"电话"_qs, u"地址"_qs, u"单位"_qs, u"邮编"_qs},
                              {u"陈七"_qs, u"020-12345678"_qs, u"广州市天河区体育西路3号"_qs, u"某公司"_qs,
                               u"510000"_qs}}
        << QStringList{u"某公司|陈七|广州市|广州市天河区体育西路3号|510000|020-12345678||||"_qs} << QStringList{};
    QTest::newRow("title row, padded cells, a repeated row, .xls")
        << u"xls"_qs
        << QList<QStringList>{{u"订单导出 2026-12-01"_qs},
                              {u"收货人"_qs, u"手机"_qs, u"省"_qs, u"市"_qs, u"区"_qs, u"地址"_qs, u"商品"_qs,
                               u"件数"_qs},
                              {u" 孙八　"_qs, u" 13600003333"_qs, u"新疆维吾尔自治区"_qs, u"乌鲁木齐市"_qs,
                               u"天山区"_qs, u"解放北路1号"_qs, u"葡萄干"_qs, u"5"_qs},
                              {u"孙八"_qs, u"13600003333"_qs, u"新疆维吾尔自治区"_qs, u"乌鲁木齐市"_qs, u"天山区"_qs,
                               u"解放北路1号"_qs, u"葡萄干"_qs, u"5"_qs}}
        << QStringList{u"|孙八|乌鲁木齐市|新疆维吾尔自治区乌鲁木齐市天山区解放北路1号|||13600003333|葡萄干|5|"_qs,
                       u"|孙八|乌鲁木齐市|新疆维吾尔自治区乌鲁木齐市天山区解放北路1号|||13600003333|葡萄干|5|"_qs}
        << QStringList{u"其中 1 行与前面的行重复"_qs};
}

void TestImport::orderExportsImportCellByCell()
{
    QFETCH(QString, kind);
    QFETCH(QList<QStringList>, sheet);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, notes);
    Fixture f;
    QString path;
    if (kind.endsWith(QStringLiteral(".csv"))) {
        path = f.dir.file(QStringLiteral("ExportOrderList.csv"));
        writeAll(path, csvBytes(sheet, kind.startsWith(QStringLiteral("gb")) ? "GB18030" : "UTF-8 BOM"));
    } else if (kind == QStringLiteral("xlsx")) {
        path = f.dir.file(QStringLiteral("orders.xlsx"));
        QVERIFY(writeXlsx(path, sheet));
    } else {
        QStringList lines{QStringLiteral("SHEET Sheet1")};
        for (const QStringList &row : sheet)
            lines << row.join(QLatin1Char('\t'));
        path = f.book(lines);
    }
    const ImportResult result = importWorkbook(f.connection, &f.list, path);
    QVERIFY2(result.success, qPrintable(result.reason));
    QCOMPARE(f.table(recipientColumns().join(QLatin1Char(','))), expected);
    for (const QString &note : notes)
        QVERIFY2(result.message.contains(note), qPrintable(result.message));
    if (notes.isEmpty())
        QCOMPARE(result.message, kSucceeded);
}

void TestImport::unknownHeadingsAreMappedAndRemembered()
{
    Fixture f;
    const QString path = f.dir.file(QStringLiteral("list.csv"));
    writeAll(path,
             csvBytes({{u"名字"_qs, u"住址"_qs, u"手机号"_qs}, {u"周九"_qs, u"杭州市文一路1号"_qs, u"13500004444"_qs}},
                      "UTF-8 BOM"));
    // Not recognised: the import says which headings it found, keeps the old rows.
    const Run plain = runWaybill({QStringLiteral("import"), path}, f.dir.path());
    QCOMPARE(plain.status, 1);
    QVERIFY2(plain.err.contains(u"缺少标题“收件人姓名”（第一行的标题有：名字、住址、手机号）"_qs),
             qPrintable(plain.err));
    QVERIFY2(plain.err.contains(u"--map"_qs), qPrintable(plain.err));
    QCOMPARE(f.table(), QStringList{u"old"_qs});
    // Mapped: imported, the recognised 手机号 as well; a wrong mapping names the heading.
    const Run wrong =
        runWaybill({QStringLiteral("import"), path, QStringLiteral("--map"), u"收件人姓名=姓名"_qs}, f.dir.path());
    QVERIFY2(wrong.err.contains(u"工作表中没有标题“姓名”"_qs), qPrintable(wrong.err));
    const Run mapped = runWaybill(
        {QStringLiteral("import"), path, QStringLiteral("--map"), u"收件人姓名=名字，收件地址=住址"_qs}, f.dir.path());
    QVERIFY2(mapped.status == 0, qPrintable(mapped.err));
    QCOMPARE(f.table(u"收件人姓名, 收件地址, 手机号码, 目的地"_qs),
             QStringList{u"周九|杭州市文一路1号|13500004444|杭州市"_qs});
    // The next list with the same headings needs no mapping.
    writeAll(path,
             csvBytes({{u"名字"_qs, u"住址"_qs, u"手机号"_qs}, {u"吴十"_qs, u"宁波市1号"_qs, u"13500005555"_qs}},
                      "GB18030"));
    const Run again = runWaybill({QStringLiteral("import"), path}, f.dir.path());
    QVERIFY2(again.status == 0, qPrintable(again.err));
    QCOMPARE(f.table(), QStringList{u"吴十"_qs});
    const Run usage =
        runWaybill({QStringLiteral("import"), path, QStringLiteral("--map"), u"姓名=名字"_qs}, f.dir.path());
    QCOMPARE(usage.status, 1);
    QVERIFY2(usage.err.contains(u"不是 列=标题 的格式"_qs), qPrintable(usage.err));
}

void TestImport::cellsAreCleaned_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("kept");
    QTest::newRow("apostrophe") << u"'13812345678"_qs << u"13812345678"_qs;
    QTest::newRow("tab") << u"\t13812345678"_qs << u"13812345678"_qs;
    QTest::newRow("formula wrapper") << u"=\"0012345\""_qs << u"0012345"_qs;
    QTest::newRow("full-width blanks") << u"　张三　"_qs << u"张三"_qs;
    QTest::newRow("inner blanks stay") << u" 浙江省 杭州市 "_qs << u"浙江省 杭州市"_qs;
    QTest::newRow("a lone quote") << u"'"_qs << u""_qs;
    QTest::newRow("an equals sign alone") << u"=1+1"_qs << u"=1+1"_qs;
}

void TestImport::cellsAreCleaned()
{
    QFETCH(QString, cell);
    QFETCH(QString, kept);
    QCOMPARE(cleanedCell(cell), kept);
}

void TestImport::shopExportsImportCellByCell_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QList<QStringList>>("sheet");
    QTest::addColumn<QStringList>("expected");
    for (const ShopExport &shop : shopExports())
        for (const char *format : {"csv-utf8-bom", "csv-gbk", "xlsx", "xls"})
            QTest::addRow("%s, %s", qPrintable(shop.shop), format)
                << QString::fromLatin1(format) << shop.sheet << shop.expected;
}

void TestImport::shopExportsImportCellByCell()
{
    QFETCH(QString, format);
    QFETCH(QList<QStringList>, sheet);
    QFETCH(QStringList, expected);
    Fixture f;
    const QString path = f.dir.file(QStringLiteral("export.")
                                    + (format.startsWith(QStringLiteral("csv")) ? QStringLiteral("csv") : format));
    QVERIFY(writeWithWriter(format, path, sheet));
    const ImportResult result = importWorkbook(f.connection, &f.list, path);
    QVERIFY2(result.success, qPrintable(result.reason));
    QStringList columns = recipientColumns();
    if (expected.first().count(QLatin1Char('|')) == columns.size())
        columns << col::kOrderNumber;
    const QStringList imported = f.table(columns.join(QLatin1Char(',')));
    QCOMPARE(imported.size(), expected.size());
    QStringList wrong;
    for (qsizetype r = 0; r < expected.size(); ++r)
        if (imported[r] != expected[r])
            wrong << QStringLiteral("row %1:\n  got  %2\n  want %3").arg(r + 1).arg(imported[r], expected[r]);
    qInfo("%lld of %lld rows right", expected.size() - wrong.size(), expected.size());
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
}

void TestImport::everyListedShopHasAnExport()
{
    QStringList tested;
    for (const ShopExport &shop : shopExports())
        tested << shop.shop;
    for (const QString &shop : ShopHeadings::builtIn().shops())
        QVERIFY2(tested.contains(shop),
                 qPrintable(shop + QStringLiteral(" has no export in tests/data/shop_exports.txt")));
}

void TestImport::headingsAreToldApart_data()
{
    QTest::addColumn<QString>("heading");
    QTest::addColumn<QString>("column"); // empty: not known
    const QList<std::pair<const char16_t *, const char16_t *>> cases{
        {u"收货人/提货人", u"收件人姓名"},
        {u"客户姓名", u"收件人姓名"},
        {u"买家姓名", u"收件人姓名"},
        {u"收件人（必填）", u"收件人姓名"},
        {u"*收货人", u"收件人姓名"},
        {u"收货人姓名(脱敏)", u"收件人姓名"},
        {u"收件人联系方式", u"联系电话"},
        {u"联系方式", u"联系电话"},
        {u"收货人电话", u"联系电话"},
        {u"收货人手机号码", u"手机号码"},
        {u"联系人手机号", u"手机号码"},
        {u"客户地址", u"收件地址"},
        {u"收货人地址", u"收件地址"},
        {u"收货详细地址", u"详细地址"},
        {u"收件人详细地址信息", u"详细地址"},
        {u"地址（门牌号）", u"详细地址"},
        {u"地址（省市区）", u"收件地址"},
        {u"收货人省份", u"省"},
        {u"收件人所在城市", u"市"},
        {u"收货区县", u"区"},
        {u"所在地区", u"省市区"},
        {u"修改后的收货地址", u"修改后的收件地址"},
        {u"订单ID", u"订单号"},
        {u"商品数量（件）", u"数量"},
        {u"宝贝标题", u"内件品名"},
        {u"买家留言", u"备注"},
        {u"卖家备注", u"备注"},
        // Headings that merely hold a word.
        {u"发货地址", u"不导入"},
        {u"退货地址", u"不导入"},
        {u"卖家地址", u"不导入"},
        {u"商家退货地址", u"不导入"},
        {u"仓库地址", u"不导入"},
        {u"是否修改过地址", u"不导入"},
        {u"下单时间", u"不导入"},
        {u"用户购买手机号", u"不导入"},
        {u"寄件人姓名", u"不导入"},
        {u"买家会员名", u"不导入"},
        {u"自提点地址", u"不导入"},
        {u"修改前的收货地址", u"不导入"},
        {u"修改后的sku", u"不导入"},
        {u"收货地址省份", u"省"},
        {u"修改后地址", u"修改后的收件地址"},
        {u"IP地址", u"不导入"},
        {u"序号", u""},
        {u"买家ID", u"不导入"},
        {u"名字", u""},
    };
    for (const auto &[heading, column] : cases)
        QTest::newRow(qPrintable(QString::fromUtf16(heading)))
            << QString::fromUtf16(heading) << QString::fromUtf16(column);
}

void TestImport::headingsAreToldApart()
{
    QFETCH(QString, heading);
    QFETCH(QString, column);
    QCOMPARE(ShopHeadings::builtIn().match(heading).column, column);
}

void TestImport::faultyShopHeadingsAreNamed_data()
{
    const auto utf8 = [](const char16_t *text) { return QString::fromUtf16(text).toUtf8(); };
    QTest::addColumn<QByteArray>("shops");
    QTest::addColumn<QString>("message");
    const QString file = u"网店标题表 shops.json 有误："_qs;
    QTest::newRow("not JSON") << QByteArray("{\"shops\": [") << file + u"不是有效的 JSON"_qs;
    QTest::newRow("unknown column") << utf8(uR"([{"shop": "某店", "收货人": ["收货人"]}])")
                                    << file + u"shops[0].收货人：没有“收货人”这一列"_qs;
    QTest::newRow("a heading under two columns")
        << utf8(uR"([{"shop": "甲", "收件人姓名": ["收货人"]}, {"shop": "乙", "联系电话": ["收货人 "]}])")
        << file + u"shops[1].联系电话：标题“收货人 ”已归为“收件人姓名”（甲），不能再归为“联系电话”"_qs;
    QTest::newRow("an empty heading") << utf8(uR"([{"shop": "甲", "备注": ["留言", " "]}])")
                                      << file + u"shops[0].备注[1]：不能为空"_qs;
    QTest::newRow("headings not a list") << utf8(uR"([{"shop": "甲", "备注": "留言"}])")
                                         << file + u"shops[0].备注 应为数组"_qs;
    QTest::newRow("a shop twice") << utf8(uR"([{"shop": "甲"}, {"shop": "甲"}])")
                                  << file + u"shops[1].shop：“甲”列出了两次"_qs;
    QTest::newRow("a shop without a name") << utf8(uR"([{"备注": ["留言"]}])") << file + u"缺少 shops[0].shop"_qs;
}

void TestImport::faultyShopHeadingsAreNamed()
{
    QFETCH(QByteArray, shops);
    QFETCH(QString, message);
    const QByteArray json = shops.startsWith('{')
        ? shops
        : QByteArray(R"({"format": "waybill-shop-headings", "version": 1, "contains": [], "shops": )") + shops + '}';
    try {
        ShopHeadings::read(QStringLiteral("shops.json"), json);
        QFAIL("read without a word");
    } catch (const AppError &error) {
        QVERIFY2(error.text().startsWith(message), qPrintable(error.text()));
    }
}

void TestImport::rowsAreFixedOnlyOutsideTheList_data()
{
    QTest::addColumn<QList<QStringList>>("sheet");
    QTest::addColumn<QStringList>("expected"); // the ten columns
    const QStringList listed = recipientHeadings().split(QLatin1Char('\t'));
    // The list's own ten headings: read as they stand, the 省 column beside them left out.
    QTest::newRow("the ten headings of the list")
        << QList<QStringList>{listed + QStringList{u"省"_qs},
                              {u""_qs, u"张三"_qs, u""_qs, u"文三路90号(310012)"_qs, u""_qs, u"13812345678"_qs, u""_qs,
                               u""_qs, u""_qs, u""_qs, u"浙江省"_qs}}
        << QStringList{u"|张三||文三路90号(310012)||13812345678||||"_qs};
    QTest::newRow("a telephone column alone: mobiles move, row by row")
        << QList<QStringList>{{u"姓名"_qs, u"电话"_qs, u"地址"_qs},
                              {u"甲"_qs, u"+86 138 1234 5678"_qs, u"北京市朝阳区1号"_qs},
                              {u"乙"_qs, u"010-62345678"_qs, u"北京市朝阳区2号"_qs},
                              {u"丙"_qs, u"139****5678"_qs, u"北京市朝阳区3号"_qs}}
        << QStringList{u"|甲|北京市|北京市朝阳区1号|||13812345678|||"_qs,
                       u"|乙|北京市|北京市朝阳区2号||010-62345678||||"_qs,
                       u"|丙|北京市|北京市朝阳区3号|||139****5678|||"_qs};
    QTest::newRow("a mobile and a telephone column: kept as they are")
        << QList<QStringList>{{u"收货人"_qs, u"手机"_qs, u"联系电话"_qs, u"收货地址"_qs},
                              {u"甲"_qs, u""_qs, u"13812345678"_qs, u"北京市朝阳区1号"_qs}}
        << QStringList{u"|甲|北京市|北京市朝阳区1号||13812345678||||"_qs};
    // An export's closing 合计 line names no one: no recipient.
    QTest::newRow("a postcode after the address, and one of its own")
        << QList<QStringList>{{u"收货人"_qs, u"收货地址"_qs, u"邮编"_qs},
                              {u"甲"_qs, u"北京市朝阳区1号（100020）"_qs, u""_qs},
                              {u"乙"_qs, u"北京市朝阳区2号(100020)"_qs, u"100020"_qs},
                              {u"丙"_qs, u"北京市朝阳区3号(100020)"_qs, u"100101"_qs},
                              {u""_qs, u""_qs, u"合计 3 单"_qs}}
        << QStringList{u"|甲|北京市|北京市朝阳区1号|100020|||||"_qs, u"|乙|北京市|北京市朝阳区2号|100020|||||"_qs,
                       u"|丙|北京市|北京市朝阳区3号(100020)|100101|||||"_qs};
}

void TestImport::rowsAreFixedOnlyOutsideTheList()
{
    QFETCH(QList<QStringList>, sheet);
    QFETCH(QStringList, expected);
    RecipientShape shape;
    QCOMPARE(shapedRows(shape, sheet), expected);
}

void TestImport::rememberedMappingsStillDecide()
{
    const QList<QStringList> sheet{{u"名字"_qs, u"住址"_qs, u"电话"_qs, u"说明"_qs},
                                   {u"周九"_qs, u"杭州市文一路1号"_qs, u"13500004444"_qs, u"下午送"_qs}};
    RecipientShape remembered({}, [&](const QStringList &headings) -> std::optional<ColumnMapping> {
        if (headings != RecipientShape::comparableHeadings(sheet.first()))
            return std::nullopt;
        return parseMapping(u"收件人姓名=名字,收件地址=住址,备注=说明"_qs);
    });
    QCOMPARE(shapedRows(remembered, sheet), QStringList{u"|周九|杭州市|杭州市文一路1号|||13500004444|||下午送"_qs});
    RecipientShape unknown;
    QVERIFY_THROWS_EXCEPTION(UnmappedSheet, shapedRows(unknown, sheet));
}

void TestImport::addressColumnsAreNeverLeftOutUnsaid()
{
    // An address column no shop lists joins the listed one as its detail;
    // one that is not the recipient's is named in the closing message.
    Fixture f;
    const QString path = f.dir.file(QStringLiteral("orders.csv"));
    writeAll(path,
             csvBytes({{u"收货人"_qs, u"收货地址"_qs, u"收货人补充地址"_qs, u"寄回地址"_qs},
                       {u"甲"_qs, u"浙江省杭州市西湖区"_qs, u"文三路90号"_qs, u"上海市1号"_qs}},
                      "UTF-8 BOM"));
    ImportResult result = importWorkbook(f.connection, &f.list, path);
    QVERIFY2(result.success, qPrintable(result.reason));
    QCOMPARE(f.table(u"收件地址"_qs), QStringList{u"浙江省杭州市西湖区文三路90号"_qs});
    QVERIFY2(result.message.contains(u"“寄回地址”一列不是收件人的地址，没有导入"_qs), qPrintable(result.message));
    // With no address of the recipient's, the import asks which column it is.
    writeAll(path,
             csvBytes({{u"收货人"_qs, u"发货地址"_qs, u"寄回地址"_qs}, {u"甲"_qs, u"上海市1号"_qs, u"上海市2号"_qs}},
                      "GB18030"));
    result = importWorkbook(f.connection, &f.list, path);
    QVERIFY(result.needsMapping);
    QVERIFY2(result.reason.contains(u"缺少标题“收件地址”"_qs), qPrintable(result.reason));
    QVERIFY2(result.reason.contains(u"“发货地址”“寄回地址”不是收件人的地址"_qs), qPrintable(result.reason));
    QCOMPARE(f.table(u"收件地址"_qs), QStringList{u"浙江省杭州市西湖区文三路90号"_qs});
}

void TestImport::mobileNumbers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("mobile");
    QTest::newRow("plain") << u"13812345678"_qs << u"13812345678"_qs;
    QTest::newRow("masked") << u"138****5678"_qs << u"138****5678"_qs;
    QTest::newRow("+86 and blanks") << u"+86 138 1234 5678"_qs << u"13812345678"_qs;
    QTest::newRow("86 and dashes") << u"86-138-1234-5678"_qs << u"13812345678"_qs;
    QTest::newRow("full-width") << u"１３８１２３４５６７８"_qs << u"13812345678"_qs;
    QTest::newRow("landline") << u"010-62345678"_qs << u""_qs;
    QTest::newRow("landline of 11 digits") << u"01062345678"_qs << u""_qs;
    QTest::newRow("12 digits") << u"138123456789"_qs << u""_qs;
    QTest::newRow("second digit 2") << u"12812345678"_qs << u""_qs;
    QTest::newRow("two numbers") << u"13812345678 13912345678"_qs << u""_qs;
    QTest::newRow("masked otherwise") << u"1381****678"_qs << u""_qs;
    QTest::newRow("privacy extension after a dash") << u"17012345678-1234"_qs << u"17012345678转1234"_qs;
    QTest::newRow("privacy extension after 转") << u"170 1234 5678 转 5566"_qs << u"17012345678转5566"_qs;
    QTest::newRow("dashed mobile is no extension") << u"138-1234-5678"_qs << u"13812345678"_qs;
    QTest::newRow("landline with an extension") << u"0571-88886666-806"_qs << u""_qs;
}

void TestImport::mobileNumbers()
{
    QFETCH(QString, text);
    QFETCH(QString, mobile);
    QCOMPARE(mobileNumberOf(text), mobile);
}

void TestImport::trailingPostcodes_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("rest");
    QTest::addColumn<QString>("postcode");
    QTest::newRow("brackets") << u"浙江省 杭州市 西湖区 文三路90号(310012)"_qs << u"浙江省 杭州市 西湖区 文三路90号"_qs
                              << u"310012"_qs;
    QTest::newRow("full-width brackets") << u"文三路90号（310012）"_qs << u"文三路90号"_qs << u"310012"_qs;
    QTest::newRow("comma") << u"浙江省 杭州市 西湖区 文三路90号 ，310012"_qs << u"浙江省 杭州市 西湖区 文三路90号"_qs
                           << u"310012"_qs;
    QTest::newRow("labelled") << u"文三路90号 邮编：310012"_qs << u"文三路90号"_qs << u"310012"_qs;
    QTest::newRow("square brackets") << u"文三路90号【310012】"_qs << u"文三路90号"_qs << u"310012"_qs;
    QTest::newRow("Taobao's none") << u"文三路90号(000000)"_qs << u"文三路90号"_qs << u""_qs;
    QTest::newRow("a house number") << u"文三路310012号"_qs << u"文三路310012号"_qs << u""_qs;
    QTest::newRow("digits glued on") << u"某大厦1205310012"_qs << u"某大厦1205310012"_qs << u""_qs;
    QTest::newRow("seven digits") << u"文三路90号(3100120)"_qs << u"文三路90号(3100120)"_qs << u""_qs;
    QTest::newRow("a postcode alone") << u"(310012)"_qs << u"(310012)"_qs << u""_qs;
}

void TestImport::trailingPostcodes()
{
    QFETCH(QString, address);
    QFETCH(QString, rest);
    QFETCH(QString, postcode);
    const AddressPostcode split = splitTrailingPostcode(address);
    QCOMPARE(split.address, rest);
    QCOMPARE(split.postcode, postcode);
}

void TestImport::joinedAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("details");
    QTest::addColumn<QStringList>("parts"); // 省, 市, 区, 省市区, 街道
    QTest::addColumn<QString>("joined");
    QTest::newRow("detail after the parts") << u""_qs << QStringList{u"科技园路1号"_qs}
                                            << QStringList{u"广东省"_qs, u"深圳市"_qs, u"南山区"_qs, "", u"粤海街道"_qs}
                                            << u"广东省深圳市南山区粤海街道科技园路1号"_qs;
    QTest::newRow("a municipality twice")
        << u""_qs << QStringList{u"北京市朝阳区建国路88号"_qs}
        << QStringList{u"北京市"_qs, u"北京市"_qs, u"朝阳区"_qs, "", ""} << u"北京市朝阳区建国路88号"_qs;
    QTest::newRow("a short name before the full one")
        << u"南京东路1号"_qs << QStringList{} << QStringList{u"上海"_qs, u"上海市"_qs, u"黄浦区"_qs, "", ""}
        << u"上海市黄浦区南京东路1号"_qs;
    QTest::newRow("a street the full address lacks")
        << u"浙江省 杭州市 西湖区 文三路90号"_qs << QStringList{}
        << QStringList{u"浙江省"_qs, u"杭州市"_qs, u"西湖区"_qs, "", u"文三街道"_qs}
        << u"浙江省 杭州市 西湖区文三街道文三路90号"_qs;
    QTest::newRow("a region cell overlapping the detail")
        << u""_qs << QStringList{u"南山区高新南一道1号"_qs} << QStringList{"", "", "", u"广东省 深圳市 南山区"_qs, ""}
        << u"广东省深圳市南山区高新南一道1号"_qs;
    QTest::newRow("a detail the address holds") << u"浙江省杭州市西湖区文三路90号"_qs << QStringList{u"文三路90号"_qs}
                                                << QStringList{} << u"浙江省杭州市西湖区文三路90号"_qs;
    QTest::newRow("a detail after a region address") << u"浙江省杭州市西湖区"_qs << QStringList{u"西湖区文三路90号"_qs}
                                                     << QStringList{} << u"浙江省杭州市西湖区文三路90号"_qs;
    QTest::newRow("a region cell naming a municipality twice")
        << u""_qs << QStringList{u"建国路88号"_qs} << QStringList{"", "", "", u"北京市 北京市 朝阳区"_qs, ""}
        << u"北京市朝阳区建国路88号"_qs;
    QTest::newRow("a province written short")
        << u""_qs << QStringList{u"浙江杭州市西湖区文三路90号"_qs}
        << QStringList{u"浙江省"_qs, u"杭州市"_qs, u"西湖区"_qs, "", ""} << u"浙江杭州市西湖区文三路90号"_qs;
    QTest::newRow("placeholders left out")
        << u""_qs << QStringList{u"长安街1号"_qs} << QStringList{u"北京市"_qs, u"市辖区"_qs, u"东城区"_qs, "", ""}
        << u"北京市东城区长安街1号"_qs;
}

void TestImport::joinedAddresses()
{
    QFETCH(QString, address);
    QFETCH(QStringList, details);
    QFETCH(QStringList, parts);
    QFETCH(QString, joined);
    QCOMPARE(joinedAddress(address, details, parts), joined);
}

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
