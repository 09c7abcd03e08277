// The spreadsheet import on real workbooks made by an independent writer:
// the reader, the import procedure with its messages and end states, and
// the command line.

#include "import/import_procedure.h"
#include "import/recipient_shape.h"
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

QTEST_GUILESS_MAIN(TestImport)
#include "test_import.moc"
