// Workbooks from the programs offices use, written at test time by
// independent writers (Perl Spreadsheet::WriteExcel and Excel::Writer::XLSX,
// Python xlwt and openpyxl, Apache POI, gnumeric), read as a user sees them
// in the spreadsheet; .csv files in the encodings web shops write; the
// number, date and boolean texts; and the messages for files that are no
// workbook the program reads.

#include "import/cell_text.h"
#include "import/csv_reader.h"
#include "import/recipient_shape.h"
#include "import/sheet_grid.h"
#include "import/workbook_reader.h"
#include "store/schema.h"
#include "test_support.h"

#include <QBuffer>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

namespace {

const QString kWriters = QStringLiteral(WAYBILL_SOURCE_DIR "/tests/writers/");

// A long address: text of 4,500 CJK characters runs over several CONTINUE
// records in an .xls file.
QString longAddress()
{
    QString text;
    for (int i = 0; text.size() < 4500; ++i)
        text += QStringLiteral(u"北京市朝阳区建国路%1号院").arg(i);
    return text.left(4500);
}

// The sheet every writer writes: a visible first sheet, a hidden second
// one, then Sheet1 with a 序号 column numbered past the two recipients (as
// templates do), a heading with blanks around it, an empty string, a merged
// destination, numbers in text columns (a postcode shown through a
// zero-padding format), rich text, a date, a boolean and formulas with
// their cached results.
QString corpusDescription(bool date1904)
{
    QStringList lines;
    if (date1904)
        lines << QStringLiteral("DATE1904");
    lines << QStringLiteral(u"SHEET\t说明\t0") << QStringLiteral(u"CELL\t0\t0\ts\t收件人在 Sheet1 里")
          << QStringLiteral(u"SHEET\t隐藏\t1") << QStringLiteral(u"CELL\t0\t0\ts\t旧数据")
          << QStringLiteral(u"SHEET\tSheet1\t0");
    const QStringList headings = QStringList{u"序号"_qs} + schema::recipientColumns();
    for (int c = 0; c < headings.size(); ++c)
        lines << QStringLiteral("CELL\t0\t%1\ts\t%2").arg(c).arg(c == 10 ? u" 备注 "_qs : headings[c]);
    const QList<QStringList> cells{
        {"1", "0", "n", "1"},
        {"1", "1", "s", ""},
        {"1", "2", "s", u"张伟"_qs},
        {"1", "3", "s", u"上海"_qs},
        {"1", "4", "s", longAddress()},
        {"1", "5", "n", "200120"},
        {"1", "6", "s", "021-58881234"},
        {"1", "7", "n", "13812345678"},
        {"1", "8", "r", u"样品|（易碎）"_qs},
        {"1", "9", "n", "2.5"},
        {"1", "10", "b", "1"},
        {"2", "0", "n", "2"},
        {"2", "1", "s", u"某某贸易有限公司"_qs},
        {"2", "2", "s", u"刘洋"_qs},
        {"2", "4", "s", u"北京市朝阳区建国路88号"_qs},
        {"2", "5", "z", "010022"},
        {"2", "6", "fs", "\"010-\"&\"12345678\"", "010-12345678"},
        {"2", "7", "s", "13900000000"},
        {"2", "8", "d", "2026-12-09", date1904 ? "31" : ""},
        {"2", "9", "f", "1+2", "3"},
        {"2", "10", "b", "0"},
        {"3", "0", "n", "3"},
        {"4", "0", "n", "4"},
    };
    for (const QStringList &cell : cells)
        lines << QStringLiteral("CELL\t") + cell.join(QLatin1Char('\t'));
    lines << QStringLiteral("MERGE\t1\t3\t2\t3");
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

enum Lacks { kNothing = 0, kBooleans = 1, kFormulaResults = 2, kTextFormulaResults = 4 };

// The two records a user sees, less what a writer cannot write.
std::vector<QStringList> expectedRecords(int lacks)
{
    const QString yes = (lacks & kBooleans) ? QString() : QStringLiteral("TRUE");
    const QString no = (lacks & kBooleans) ? QString() : QStringLiteral("FALSE");
    const bool formulas = !(lacks & kFormulaResults);
    const bool textFormulas = !(lacks & (kFormulaResults | kTextFormulaResults));
    return {
        {QString(), u"张伟"_qs, u"上海"_qs, longAddress(), "200120", "021-58881234", "13812345678", u"样品（易碎）"_qs,
         "2.5", yes},
        {u"某某贸易有限公司"_qs, u"刘洋"_qs, u"上海"_qs, u"北京市朝阳区建国路88号"_qs, "010022",
         textFormulas ? "010-12345678" : "", "13900000000", "2026-12-09", formulas ? "3" : "", no},
    };
}

QString poiClassPath()
{
    QStringList jars;
    for (const char *jar : {"poi", "commons-collections4", "commons-math3", "commons-codec"})
        jars << QStringLiteral("/usr/share/java/%1.jar").arg(QLatin1String(jar));
    return jars.join(QLatin1Char(':'));
}

// Runs a writer with the description on stdin; the error output on failure.
QString runWriter(const QString &program, const QStringList &args, const QString &input)
{
    QProcess process;
    process.start(program, args);
    process.write(input.toUtf8());
    process.closeWriteChannel();
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return program + QLatin1Char(' ') + args.join(QLatin1Char(' ')) + QStringLiteral(": ")
            + QString::fromUtf8(process.readAllStandardError()) + process.errorString();
    return {};
}

// Writes the corpus with one writer into path; an error text on failure.
QString writeCorpus(const QString &writer, const QString &path, bool date1904, const QString &prefix = {})
{
    const QString input = prefix + corpusDescription(date1904);
    if (writer == QStringLiteral("Spreadsheet::WriteExcel"))
        return runWriter(QStringLiteral("perl"),
                         {kWriters + QStringLiteral("write_workbook.pl"), QStringLiteral("xls"), path}, input);
    if (writer == QStringLiteral("Excel::Writer::XLSX"))
        return runWriter(QStringLiteral("perl"),
                         {kWriters + QStringLiteral("write_workbook.pl"), QStringLiteral("xlsx"), path}, input);
    if (writer == QStringLiteral("xlwt"))
        return runWriter(QStringLiteral("/usr/bin/python3"),
                         {kWriters + QStringLiteral("write_workbook.py"), QStringLiteral("xls"), path}, input);
    if (writer == QStringLiteral("openpyxl"))
        return runWriter(QStringLiteral("/usr/bin/python3"),
                         {kWriters + QStringLiteral("write_workbook.py"), QStringLiteral("xlsx"), path}, input);
    if (writer == QStringLiteral("Apache POI HSSF"))
        return runWriter(QStringLiteral("java"),
                         {QStringLiteral("-cp"), poiClassPath(), kWriters + QStringLiteral("WriteWorkbook.java"), path},
                         input);
    if (writer.startsWith(QStringLiteral("gnumeric"))) {
        // gnumeric loads the Excel::Writer::XLSX workbook, recalculates and
        // writes it in its own way.
        const QString source = path + QStringLiteral(".source.xlsx");
        const QString failed = writeCorpus(QStringLiteral("Excel::Writer::XLSX"), source, date1904);
        if (!failed.isEmpty())
            return failed;
        const QString exporter = path.endsWith(QStringLiteral(".xls")) ? QStringLiteral("Gnumeric_Excel:excel_biff8")
                                                                       : QStringLiteral("Gnumeric_Excel:xlsx2");
        return runWriter(QStringLiteral("ssconvert"), {QStringLiteral("--export-type=") + exporter, source, path}, {});
    }
    return QStringLiteral("unknown writer ") + writer;
}

// Every cell of a row as it stands, rows wholly empty left out: the rows
// of a sheet as the reader hands them on.
class CellsAsTheyStand : public RecordShape {
public:
    void plan(const QStringList &headings) override { m_width = int(headings.size()); }
    int width() const override { return m_width; }
    void append(TextTable &records, const QStringView *cells, qsizetype count) const override
    {
        for (int c = 0; c < m_width; ++c)
            records.appendCell(c < count ? cells[c] : QStringView());
    }

private:
    int m_width = 0;
};

QList<QStringList> rowsOf(const TextTable &table)
{
    QList<QStringList> rows;
    for (qsizetype r = 0; r < table.rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < table.width(); ++c)
            row << table.cell(r, c).toString();
        rows << row;
    }
    return rows;
}

} // namespace

class TestWorkbooks : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void corpusReadsAsTheUserSeesIt_data();
    void corpusReadsAsTheUserSeesIt();
    void csvFiles_data();
    void csvFiles();
    void cellTexts_data();
    void cellTexts();
    void numberFormatKinds_data();
    void numberFormatKinds();
    void otherFormatsSaySo_data();
    void otherFormatsSaySo();
    void filesFromOtherWritersRead_data();
    void filesFromOtherWritersRead();
    void fuzzFindingsRead();
    void limitsAreNamedNeverCut_data();
    void limitsAreNamedNeverCut();
    void hostileFilesEndQuickly_data();
    void hostileFilesEndQuickly();
    void sheetAndHeadingMessages_data();
    void sheetAndHeadingMessages();
    void rowsComeInTheSheetsOrder_data();
    void rowsComeInTheSheetsOrder();
    void damagedHandOverIsRefused_data();
    void damagedHandOverIsRefused();
    void notesCountAcrossBatches();
};

void TestWorkbooks::corpusReadsAsTheUserSeesIt_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<int>("lacks");
    // Spreadsheet::WriteExcel writes no booleans, and the cached text of a
    // formula in the wrong byte order (so write_workbook.pl leaves it out).
    QTest::newRow("Spreadsheet::WriteExcel") << "Spreadsheet::WriteExcel"
                                             << "book.xls" << false << int(kBooleans | kTextFormulaResults);
    QTest::newRow("Spreadsheet::WriteExcel, 1904, Chinese date format")
        << "Spreadsheet::WriteExcel"
        << "book.xls" << true << int(kBooleans | kTextFormulaResults);
    QTest::newRow("Excel::Writer::XLSX") << "Excel::Writer::XLSX"
                                         << "book.xlsx" << false << int(kNothing);
    QTest::newRow("Excel::Writer::XLSX, 1904, Chinese date format") << "Excel::Writer::XLSX"
                                                                    << "book.xlsx" << true << int(kNothing);
    QTest::newRow("xlwt") << "xlwt"
                          << "book.xls" << false << int(kFormulaResults);
    QTest::newRow("openpyxl") << "openpyxl"
                              << "book.xlsx" << false << int(kFormulaResults);
    QTest::newRow("Apache POI HSSF") << "Apache POI HSSF"
                                     << "book.xls" << false << int(kNothing);
    QTest::newRow("gnumeric .xls") << "gnumeric"
                                   << "book.xls" << false << int(kNothing);
    QTest::newRow("gnumeric .xlsx") << "gnumeric"
                                    << "book.xlsx" << false << int(kNothing);
}

void TestWorkbooks::corpusReadsAsTheUserSeesIt()
{
    QFETCH(QString, writer);
    QFETCH(QString, file);
    QFETCH(bool, date1904);
    QFETCH(int, lacks);
    QTemporaryDir dir;
    const QString path = dir.filePath(file);
    const QString failed = writeCorpus(writer, path, date1904);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    // Read as the import reads it: in the helper process, the sheet's name
    // in any letter case.
    const TextTable records = readRecordsIsolated(path, QStringLiteral("SHEET1"), schema::recipientColumns());
    const std::vector<QStringList> expected = expectedRecords(lacks);
    QCOMPARE(size_t(records.rowCount()), expected.size());
    for (size_t i = 0; i < expected.size(); ++i)
        for (int c = 0; c < expected[i].size(); ++c)
            QVERIFY2(records.cell(qsizetype(i), c) == expected[i][c],
                     qPrintable(QStringLiteral("record %1, %2: '%3', expected '%4'")
                                    .arg(i + 1)
                                    .arg(schema::recipientColumns()[c],
                                         records.cell(qsizetype(i), c).left(40).toString(), expected[i][c].left(40))));
}

void TestWorkbooks::csvFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("first"); // the first record's 收件人姓名, 收件地址, 手机号码
    QTest::addColumn<int>("records");
    const QString headings = schema::recipientColumns().join(QLatin1Char(','));
    const QString row =
        u"某公司,张伟,上海,\"上海市浦东新区\"\"世纪\"\"大道1号,2楼\",200120,021-1,13812345678,样品,1,\"易碎\n轻放\""_qs;
    const QStringList first{u"张伟"_qs, u"上海市浦东新区\"世纪\"大道1号,2楼"_qs, "13812345678"};
    QTest::newRow("UTF-8") << (headings + '\n' + row + '\n').toUtf8() << first << 1;
    QTest::newRow("UTF-8 with BOM, CRLF")
        << QByteArray("\xEF\xBB\xBF") + (headings + "\r\n" + row + "\r\n").toUtf8() << first << 1;
    QStringEncoder gb("GB18030");
    QTest::newRow("GB18030") << QByteArray(gb(headings + '\n' + row + '\n' + row)) << first << 2;
    QTest::newRow("tab separated")
        << (QString(headings).replace(',', '\t') + u"\n\t张伟\t\t上海\t\t\t138\n"_qs).toUtf8()
        << QStringList{u"张伟"_qs, u"上海"_qs, "138"} << 1;
    QTest::newRow("rows with only separators are no records")
        << (headings + '\n' + row + "\n,,,,,,,,,\n\n").toUtf8() << first << 1;
}

void TestWorkbooks::csvFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, first);
    QFETCH(int, records);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orders.csv"));
    writeAll(path, bytes);
    const TextTable read = recordsByHeading(readSheet(path, QStringLiteral("Sheet1")), schema::recipientColumns());
    QCOMPARE(int(read.rowCount()), records);
    const QStringList row = rowOf(read, 0);
    QCOMPARE((QStringList{row[1], row[3], row[6]}), first);
    if (QTest::currentDataTag() == QByteArray("UTF-8"))
        QCOMPARE(row[9], u"易碎\n轻放"_qs);
}

void TestWorkbooks::cellTexts_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("kind");
    QTest::addColumn<bool>("date1904");
    QTest::addColumn<QString>("text");
    QTest::newRow("mobile number") << 13812345678.0 << int(NumberKind::Plain) << false << "13812345678";
    QTest::newRow("fraction") << 2.5 << int(NumberKind::Plain) << false << "2.5";
    QTest::newRow("sum shown as Excel shows it") << 0.1 + 0.2 << int(NumberKind::Plain) << false << "0.3";
    QTest::newRow("negative whole") << -42.0 << int(NumberKind::Plain) << false << "-42";
    QTest::newRow("date") << 46365.0 << int(NumberKind::Date) << false << "2026-12-09";
    QTest::newRow("date, 1904 system") << 46365.0 - 1462 << int(NumberKind::Date) << true << "2026-12-09";
    QTest::newRow("before the leap-year slip") << 59.0 << int(NumberKind::Date) << false << "1900-02-28";
    QTest::newRow("after the leap-year slip") << 61.0 << int(NumberKind::Date) << false << "1900-03-01";
    QTest::newRow("time") << 0.4270833333333333 << int(NumberKind::Time) << false << "10:15:00";
    QTest::newRow("date and time") << 46365.4270833333333 << int(NumberKind::DateTime) << false
                                   << "2026-12-09 10:15:00";
    QTest::newRow("date and time at midnight") << 46365.0 << int(NumberKind::DateTime) << false << "2026-12-09";
    QTest::newRow("date format on a negative number") << -5.0 << int(NumberKind::Date) << false << "-5";
    QTest::newRow("postcode padded by 000000") << 10010.0 << -6 << false << "010010";
    QTest::newRow("mobile padded by eleven zeros") << 1012345678.0 << -11 << false << "01012345678";
    QTest::newRow("longer than the padding") << 1234567.0 << -6 << false << "1234567";
    QTest::newRow("padding never pads a fraction") << 12.5 << -6 << false << "12.5";
    QTest::newRow("negative padded") << -42.0 << -4 << false << "-0042";
}

void TestWorkbooks::cellTexts()
{
    QFETCH(double, value);
    QFETCH(int, kind);
    QFETCH(bool, date1904);
    QFETCH(QString, text);
    // A negative kind is a padding format of that many zeros.
    const NumberStyle style = kind < 0 ? NumberStyle(NumberKind::Plain, -kind) : NumberStyle(NumberKind(kind));
    QCOMPARE(formattedNumber(value, style, date1904), text);
}

void TestWorkbooks::numberFormatKinds_data()
{
    QTest::addColumn<int>("id");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("zeros");
    QTest::newRow("built-in 14") << 14 << "" << int(NumberKind::Date) << 0;
    QTest::newRow("built-in 22") << 22 << "" << int(NumberKind::DateTime) << 0;
    QTest::newRow("Chinese built-in 31") << 31 << "" << int(NumberKind::Date) << 0;
    QTest::newRow("Chinese built-in 32") << 32 << "" << int(NumberKind::Time) << 0;
    QTest::newRow("Chinese built-in 57") << 57 << "" << int(NumberKind::Date) << 0;
    QTest::newRow("built-in 49 (text)") << 49 << "" << int(NumberKind::Plain) << 0;
    QTest::newRow("custom Chinese date") << 176 << u"yyyy\"年\"m\"月\"d\"日\""_qs << int(NumberKind::Date) << 0;
    QTest::newRow("minutes after hours") << 177 << "h:mm" << int(NumberKind::Time) << 0;
    QTest::newRow("elapsed hours") << 178 << "[h]:mm:ss" << int(NumberKind::Time) << 0;
    QTest::newRow("currency with locale") << 179 << "[$¥-804]#,##0.00" << int(NumberKind::Plain) << 0;
    QTest::newRow("scientific") << 180 << "0.00E+00" << int(NumberKind::Plain) << 0;
    QTest::newRow("quoted letters") << 181 << "0\"days\"" << int(NumberKind::Plain) << 0;
    QTest::newRow("postcode zeros") << 183 << "000000" << int(NumberKind::Plain) << 6;
    QTest::newRow("mobile zeros after #") << 184 << "#00000000000" << int(NumberKind::Plain) << 11;
    QTest::newRow("zeros in colour") << 185 << "[Blue]000000;[Red]-000000" << int(NumberKind::Plain) << 6;
    QTest::newRow("one zero pads nothing") << 1 << "0" << int(NumberKind::Plain) << 0;
    QTest::newRow("text") << 49 << "@" << int(NumberKind::Plain) << 0;
    QTest::newRow("General") << 0 << "General" << int(NumberKind::Plain) << 0;
    QTest::newRow("colour and condition") << 182 << "[Red][<0]0.00;0.00" << int(NumberKind::Plain) << 0;
}

void TestWorkbooks::numberFormatKinds()
{
    QFETCH(int, id);
    QFETCH(QString, code);
    QFETCH(int, kind);
    QFETCH(int, zeros);
    QCOMPARE(int(numberStyleOf(id, code).kind), kind);
    QCOMPARE(numberStyleOf(id, code).zeroDigits, zeros);
}

void TestWorkbooks::otherFormatsSaySo_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("says");
    QTest::newRow(".ods") << "ods"
                          << ".ods";
    QTest::newRow("web page saved as .xls") << "html" << u"网页"_qs;
    QTest::newRow("Excel 95") << "biff5"
                              << "Excel 5.0/95";
    QTest::newRow("password-protected .xls") << "filepass" << u"密码"_qs;
    QTest::newRow("no Sheet1, names the sheets") << "nosheet" << u"有：收件人、备用"_qs;
    // Separated text named .xls is read as a .csv file (web systems save it so).
    QTest::newRow("comma-separated text named .xls")
        << "text" << u"缺少标题“单位名称”（第一行的标题有：收件人姓名、手机号码）"_qs;
    QTest::newRow("prose named .xls") << "prose" << u"不是工作簿"_qs;
}

void TestWorkbooks::otherFormatsSaySo()
{
    QFETCH(QString, kind);
    QFETCH(QString, says);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("book.xls"));
    if (kind == QStringLiteral("ods")) {
        const QString source = dir.filePath(QStringLiteral("source.xlsx"));
        QCOMPARE(writeCorpus(QStringLiteral("Excel::Writer::XLSX"), source, false), QString());
        path = dir.filePath(QStringLiteral("book.ods"));
        QCOMPARE(runWriter(QStringLiteral("ssconvert"), {source, path}, {}), QString());
    } else if (kind == QStringLiteral("html")) {
        writeAll(path, "<html><body><table><tr><td>收件人姓名</td></tr></table></body></html>");
    } else if (kind == QStringLiteral("biff5") || kind == QStringLiteral("filepass")) {
        const QString source = dir.filePath(QStringLiteral("source.xlsx"));
        QCOMPARE(writeCorpus(QStringLiteral("Excel::Writer::XLSX"), source, false), QString());
        if (kind == QStringLiteral("biff5")) {
            QCOMPARE(runWriter(QStringLiteral("ssconvert"),
                               {QStringLiteral("--export-type=Gnumeric_Excel:excel_biff7"), source, path}, {}),
                     QString());
        } else {
            QCOMPARE(writeCorpus(QStringLiteral("Apache POI HSSF"), path, false, QStringLiteral("PASSWORD\tsecret\n")),
                     QString());
        }
    } else if (kind == QStringLiteral("nosheet")) {
        QCOMPARE(runWriter(QStringLiteral("perl"),
                           {kWriters + QStringLiteral("write_workbook.pl"), QStringLiteral("xls"), path},
                           u"SHEET\t收件人\t0\nCELL\t0\t0\ts\ta\nSHEET\t备用\t0\n"_qs),
                 QString());
    } else if (kind == QStringLiteral("prose")) {
        writeAll(path, "收件人名单见附件\n");
    } else {
        writeAll(path, "收件人姓名,手机号码\n张伟,138\n");
    }
    try {
        readRecordsIsolated(path, QStringLiteral("Sheet1"), schema::recipientColumns());
        QFAIL("read a file that is no workbook of a format read");
    } catch (const WorkbookError &error) {
        QVERIFY2(error.text().contains(says), qPrintable(error.text()));
    }
}

// An .xlsx package shaped as writers outside Excel shape them (see
// write_odd_xlsx.py for the modes); an error text on failure.
QString writeOddXlsx(const QString &mode, const QString &path)
{
    return runWriter(QStringLiteral("/usr/bin/python3"), {kWriters + QStringLiteral("write_odd_xlsx.py"), mode, path},
                     {});
}

// The two recipients every file below holds, as 收件人姓名|收件地址|手机号码|邮政编码.
const QStringList kTwoRecipients{u"张三|文三路90号|13812345678|310012"_qs, u"李四|建国路88号||"_qs};

// The ten headings and the two recipients as separated text.
QString separatedText(QChar separator, const QString &mobile = QStringLiteral("13812345678"))
{
    const QStringList lines{
        schema::recipientColumns().join(separator),
        QStringList{"", u"张三"_qs, u"杭州"_qs, u"文三路90号"_qs, "310012", "", mobile, "", "1", ""}.join(separator),
        QStringList{u"公司乙"_qs, u"李四"_qs, "", u"建国路88号"_qs, "", "010-1", "", u"书"_qs, "", ""}.join(separator)};
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

void TestWorkbooks::filesFromOtherWritersRead_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("name");
    QTest::newRow("Go: empty cells as <c t=\"s\"/>") << "xlsx:empty-shared"
                                                     << "go.xlsx";
    QTest::newRow("shared strings and styles under other names") << "xlsx:renamed-parts"
                                                                 << "parts.xlsx";
    QTest::newRow("a stray cell at XFD1") << "xlsx:stray-cell"
                                          << "stray.xlsx";
    QTest::newRow("web system: Unicode text named .xls") << "utf16"
                                                         << "orders.xls";
    QTest::newRow("web system: GBK text named .xls") << "gbk"
                                                     << "orders.xls";
    QTest::newRow("csv cells written =\"digits\"") << "wrapped"
                                                   << "orders.csv";
    QTest::newRow("headings with a line break and a zero-width space") << "headings"
                                                                       << "orders.csv";
}

void TestWorkbooks::filesFromOtherWritersRead()
{
    QFETCH(QString, kind);
    QFETCH(QString, name);
    QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (kind.startsWith(QStringLiteral("xlsx:"))) {
        const QString failed = writeOddXlsx(kind.mid(5), path);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    } else if (kind == QStringLiteral("utf16")) {
        const QString text = separatedText(QLatin1Char('\t'));
        writeAll(path,
                 QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2));
    } else if (kind == QStringLiteral("gbk")) {
        QStringEncoder gbk("GB18030");
        writeAll(path, gbk(separatedText(QLatin1Char('\t'))));
    } else if (kind == QStringLiteral("wrapped")) {
        writeAll(path, separatedText(QLatin1Char(','), QStringLiteral("=\"13812345678\"")).toUtf8());
    } else if (kind == QStringLiteral("headings")) {
        QString text = separatedText(QLatin1Char(','));
        text.replace(u"邮政编码"_qs, u"\"邮政\n编码\""_qs).replace(u"手机号码"_qs, u"手机\u200B号码"_qs);
        writeAll(path, text.toUtf8());
    }
    const TextTable records = readRecordsIsolated(path, QStringLiteral("Sheet1"), schema::recipientColumns());
    QStringList read;
    for (qsizetype r = 0; r < records.rowCount(); ++r)
        read << QStringList{records.cell(r, 1).toString(), records.cell(r, 3).toString(), records.cell(r, 6).toString(),
                            records.cell(r, 4).toString()}
                    .join(QLatin1Char('|'));
    QCOMPARE(read, kTwoRecipients);
}

void TestWorkbooks::hostileFilesEndQuickly_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("records"); // -1: refused
    QTest::addColumn<QString>("says");
    QTest::newRow("zip bomb") << "bomb" << -1 << u"解压后超过 64 MB"_qs;
    QTest::newRow("2,000 merged areas over the whole sheet") << "merged" << 3 << QString();
}

void TestWorkbooks::hostileFilesEndQuickly()
{
    // Each ended only by the reader's 120 s limit once (bench_files times them).
    QFETCH(QString, mode);
    QFETCH(int, records);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString path = dir.filePath(mode + QStringLiteral(".xlsx"));
    const QString failed = writeOddXlsx(mode, path);
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    try {
        const TextTable read = readRecordsIsolated(path, QStringLiteral("Sheet1"), schema::recipientColumns());
        QCOMPARE(int(read.rowCount()), records);
        // The merged areas reach the rows that hold something, from their corner.
        QCOMPARE(read.cell(2, 1).toString(), u"张三"_qs);
        QCOMPARE(read.cell(1, 1).toString(), u"张三"_qs);
    } catch (const WorkbookError &error) {
        QVERIFY2(records < 0 && error.text().contains(says), qPrintable(error.text()));
    }
}

void TestWorkbooks::limitsAreNamedNeverCut_data()
{
    QTest::addColumn<QByteArray>("csv");
    QTest::addColumn<QString>("says");
    const QByteArray headings = schema::recipientColumns().join(QLatin1Char(',')).toUtf8() + '\n';
    // A sheet holds 1,048,576 rows: the heading and 1,048,575 recipients.
    QTest::newRow("one row more than a sheet holds")
        << headings + QByteArray(",x\n").repeated(1048576) << u"CSV 文件超过 1048576 行"_qs;
    QTest::newRow("a cell longer than a cell holds") << headings + ",x," + QByteArray(40000, 'a') + '\n'
                                                     << u"第 2 行第 3 列的内容有 40000 个字符"_qs;
    // A message quotes what it found, never megabytes of it.
    QTest::newRow("headings of 30,000 NULs each") << QByteArray(30000, '\0') + ',' + QByteArray(30000, '\0')
            + ",b\n,c\n" << u"缺少标题“单位名称”"_qs;
}

void TestWorkbooks::limitsAreNamedNeverCut()
{
    QFETCH(QByteArray, csv);
    QFETCH(QString, says);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("orders.csv"));
    writeAll(path, csv);
    try {
        readRecordsIsolated(path, QStringLiteral("Sheet1"), schema::recipientColumns());
        QFAIL("read with a part left out");
    } catch (const WorkbookError &error) {
        QVERIFY2(error.text().contains(says), qPrintable(error.text().left(300)));
        QVERIFY2(error.text().size() < 500, qPrintable(QString::number(error.text().size())));
    }
}

void TestWorkbooks::fuzzFindingsRead()
{
    // 2 MB of _x0041_ escapes in a cell (8.5 kB compressed): read whole,
    // in time linear in the text (bench_files times it).
    const TextTable records =
        readRecordsIsolated(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/fuzz-slow-unescape.xlsx"),
                            QStringLiteral("Sheet1"), schema::recipientColumns());
    QCOMPARE(records.rowCount(), 3);
    QCOMPARE(records.cell(2, 1).toString(), u"张三2"_qs);
}

void TestWorkbooks::sheetAndHeadingMessages_data()
{
    QTest::addColumn<QStringList>("lines"); // write_workbook.pl's description
    QTest::addColumn<QStringList>("says");
    QTest::addColumn<QString>("never");
    QTest::newRow("a Chinese LibreOffice's 工作表1")
        << QStringList{u"SHEET\t工作表1\t0"_qs, u"CELL\t0\t0\ts\t收件人姓名"_qs}
        << QStringList{u"没有名为 Sheet1 的工作表（有：工作表1）"_qs, u"改名为 Sheet1"_qs, u"“工作表1”"_qs}
        << QString();
    QStringList merged{u"SHEET\tSheet1\t0"_qs, u"CELL\t0\t0\ts\t收件人名单"_qs, u"MERGE\t0\t0\t0\t9"_qs};
    for (int c = 0; c < 9; ++c)
        merged << QStringLiteral("CELL\t1\t%1\ts\t%2").arg(c).arg(schema::recipientColumns()[c]);
    // The headings under a title row are found; the title is not one of them.
    QTest::newRow("a merged title row is passed over")
        << merged << QStringList{u"缺少标题“备注”"_qs, u"（第一行的标题有：单位名称、收件人姓名"_qs}
        << u"收件人名单"_qs;
}

void TestWorkbooks::sheetAndHeadingMessages()
{
    QFETCH(QStringList, lines);
    QFETCH(QStringList, says);
    QFETCH(QString, never);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.xls"));
    const QString failed =
        runWriter(QStringLiteral("perl"), {kWriters + QStringLiteral("write_workbook.pl"), QStringLiteral("xls"), path},
                  lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    QVERIFY2(failed.isEmpty(), qPrintable(failed));
    try {
        readRecordsIsolated(path, QStringLiteral("Sheet1"), schema::recipientColumns());
        QFAIL("read without a word");
    } catch (const WorkbookError &error) {
        for (const QString &part : says)
            QVERIFY2(error.text().contains(part), qPrintable(error.text()));
        if (!never.isEmpty())
            QVERIFY2(!error.text().contains(never), qPrintable(error.text()));
    }
}

void TestWorkbooks::rowsComeInTheSheetsOrder_data()
{
    QTest::addColumn<QString>("format");
    QTest::addColumn<QStringList>("lines"); // write_workbook.pl's description
    QTest::addColumn<QStringList>("headings");
    QTest::addColumn<QList<QStringList>>("rows");
    const QString name = u"收件人姓名"_qs, mobile = u"手机号码"_qs, address = u"收件地址"_qs;
    for (const QString &format : {u"xls"_qs, u"xlsx"_qs}) {
        // Spreadsheet::WriteExcel writes the cells in the order they are
        // given: column by column here, a blank row between.
        QTest::newRow(qPrintable(format + u": cells written column by column"_qs))
            << format
            << QStringList{u"SHEET\tSheet1\t0"_qs,    u"CELL\t0\t0\ts\t"_qs + name,    u"CELL\t1\t0\ts\t张三"_qs,
                           u"CELL\t3\t0\ts\t李四"_qs, u"CELL\t0\t1\ts\t"_qs + mobile,  u"CELL\t1\t1\ts\t138"_qs,
                           u"CELL\t3\t1\ts\t139"_qs,  u"CELL\t0\t2\ts\t"_qs + address, u"CELL\t3\t2\ts\t北京"_qs,
                           u"CELL\t1\t2\ts\t上海"_qs}
            << QStringList{name, mobile, address}
            << QList<QStringList>{{u"张三"_qs, "138", u"上海"_qs}, {u"李四"_qs, "139", u"北京"_qs}};
        // A merged address reaches the rows below it that hold something,
        // never a wholly empty one (row 3).
        QTest::newRow(qPrintable(format + u": a merged address over three rows"_qs))
            << format << QStringList{u"SHEET\tSheet1\t0"_qs,         u"CELL\t0\t0\ts\t"_qs + name,
                                     u"CELL\t0\t1\ts\t"_qs + mobile, u"CELL\t0\t2\ts\t"_qs + address,
                                     u"CELL\t1\t0\ts\t张三"_qs,      u"CELL\t1\t1\ts\t138"_qs,
                                     u"CELL\t1\t2\ts\t上海市A"_qs,   u"CELL\t2\t0\ts\t李四"_qs,
                                     u"CELL\t4\t0\ts\t王五"_qs,      u"MERGE\t1\t2\t3\t2"_qs}
            << QStringList{name, mobile, address}
            << QList<QStringList>{
                   {u"张三"_qs, "138", u"上海市A"_qs}, {u"李四"_qs, "", u"上海市A"_qs}, {u"王五"_qs, "", ""}};
        // A title merged over the headings, a heading merged over two
        // columns: both columns read under it.
        QTest::newRow(qPrintable(format + u": a title row and a merged heading"_qs))
            << format << QStringList{u"SHEET\tSheet1\t0"_qs,         u"CELL\t0\t0\ts\t订单列表"_qs,
                                     u"MERGE\t0\t0\t0\t3"_qs,        u"CELL\t1\t0\ts\t"_qs + name,
                                     u"CELL\t1\t1\ts\t"_qs + mobile, u"CELL\t1\t2\ts\t"_qs + address,
                                     u"MERGE\t1\t2\t1\t3"_qs,        u"CELL\t2\t0\ts\t张三"_qs,
                                     u"CELL\t2\t1\ts\t138"_qs,       u"CELL\t2\t2\ts\t文三路"_qs,
                                     u"CELL\t2\t3\ts\t8号"_qs}
            << QStringList{name, mobile, address, address}
            << QList<QStringList>{{u"张三"_qs, "138", u"文三路"_qs, u"8号"_qs}};
    }
    // Texts of the file's own (not shared): each row's first cell is the
    // one read when the row before it is handed on.
    QTest::newRow("csv: rows handed on as they are read")
        << u"csv"_qs
        << QStringList{name + u","_qs + mobile + u","_qs + address, u"张三,138,上海"_qs, u",,"_qs, u"李四,139,北京"_qs,
                       u"王五,,广州"_qs}
        << QStringList{name, mobile, address}
        << QList<QStringList>{
               {u"张三"_qs, "138", u"上海"_qs}, {u"李四"_qs, "139", u"北京"_qs}, {u"王五"_qs, "", u"广州"_qs}};
}

void TestWorkbooks::rowsComeInTheSheetsOrder()
{
    // The rows as the sheet holds them, read here whole and through the
    // reader process a batch at a time (one row, two, all): the same.
    QFETCH(QString, format);
    QFETCH(QStringList, lines);
    QFETCH(QStringList, headings);
    QFETCH(QList<QStringList>, rows);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("book.") + format);
    if (format == QStringLiteral("csv")) {
        writeAll(path, (lines.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
    } else {
        const QString failed =
            runWriter(QStringLiteral("perl"), {kWriters + QStringLiteral("write_workbook.pl"), format, path},
                      lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
    }
    const Sheet whole = readSheet(path, QStringLiteral("Sheet1"));
    QCOMPARE(whole.headings, headings);
    QCOMPARE(QList<QStringList>(whole.rows.cbegin(), whole.rows.cend()), rows);
    for (const qsizetype batch : {qsizetype(1), qsizetype(2), qsizetype(1000)}) {
        IsolatedSheet sheet(path, QStringLiteral("Sheet1"));
        QCOMPARE(sheet.headings(), headings);
        QCOMPARE(sheet.rowCount(), rows.size());
        CellsAsTheyStand shape;
        shape.plan(sheet.headings());
        QList<QStringList> read;
        qsizetype lastRead = 0;
        sheet.readRecords(shape, batch, [&](TextTable &records, qsizetype rowsRead) {
            QVERIFY(records.rowCount() <= batch);
            QVERIFY(rowsRead >= lastRead);
            lastRead = rowsRead;
            read << rowsOf(records);
        });
        QCOMPARE(read, rows);
        QCOMPARE(lastRead, rows.size());
    }
}

void TestWorkbooks::damagedHandOverIsRefused_data()
{
    QTest::addColumn<int>("cut"); // bytes taken off the end (-1: one byte added)
    for (const int cut : {1, 4, 5, 8, 9, 30})
        QTest::newRow(qPrintable(QStringLiteral("%1 bytes cut off").arg(cut))) << cut;
    QTest::newRow("a byte after the end") << -1;
}

void TestWorkbooks::damagedHandOverIsRefused()
{
    // What the reader process hands over, cut short (a full disk, a killed
    // reader): never read as a whole sheet.
    QFETCH(int, cut);
    const Sheet sheet{{u"收件人姓名"_qs, u"收件地址"_qs},
                      {{u"张三"_qs, u"上海"_qs}, {u"李四"_qs, QString()}, {QString(), u"北京市朝阳区"_qs}}};
    QBuffer written;
    written.open(QIODevice::WriteOnly);
    QVERIFY(writeEncodedSheet(written, sheet));
    QByteArray bytes = written.data();
    if (cut < 0)
        bytes += 'x';
    else
        bytes.chop(cut);
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    EncodedSheetReader reader(in);
    QStringList headings;
    std::vector<QStringView> cells;
    int rows = 0;
    if (reader.headings(headings))
        while (reader.nextRow(cells))
            ++rows;
    QVERIFY(!reader.atEnd());
    QVERIFY(rows <= 3);

    // Whole, it reads as written.
    QByteArray whole = written.data();
    QBuffer all(&whole);
    all.open(QIODevice::ReadOnly);
    EncodedSheetReader again(all);
    QVERIFY(again.headings(headings));
    QCOMPARE(headings, sheet.headings);
    for (const QStringList &row : sheet.rows) {
        QVERIFY(again.nextRow(cells));
        QStringList texts;
        for (const QStringView cell : cells)
            texts << cell.toString();
        QCOMPARE(texts, row);
    }
    QVERIFY(!again.nextRow(cells));
    QVERIFY(again.atEnd());
}

void TestWorkbooks::notesCountAcrossBatches()
{
    // A repeated recipient is told whichever batch its first row came in.
    const int name = int(schema::recipientColumns().indexOf(schema::col::kRecipientName));
    const int mobile = int(schema::recipientColumns().indexOf(schema::col::kMobile));
    const QList<QPair<QString, QString>> people{{u"张三"_qs, "13800000001"}, {u"李四"_qs, "13800000002"},
                                                {u"张三"_qs, "13800000001"}, {u"王五"_qs, "138****0003"},
                                                {u"李四"_qs, "13800000002"}, {u"张三"_qs, "13800000009"},
                                                {u"张三"_qs, "13800000001"}};
    const auto table = [&](qsizetype from, qsizetype to) {
        TextTable records(int(schema::recipientColumns().size()));
        for (qsizetype r = from; r < to; ++r)
            for (int c = 0; c < records.width(); ++c)
                records.appendCell(c == name         ? QStringView(people[r].first)
                                       : c == mobile ? QStringView(people[r].second)
                                                     : QStringView());
        return records;
    };
    ImportNotes batched;
    for (qsizetype from = 0; from < people.size(); from += 2)
        batched.count(table(from, std::min(from + 2, people.size())));
    const QStringList notes = batched.notes();
    QCOMPARE(notes, importNotes(table(0, people.size())));
    QCOMPARE(notes.size(), 2);
    QVERIFY2(notes[0].contains(u"其中 1 行的手机号码被隐藏"_qs), qPrintable(notes[0]));
    QVERIFY2(notes[1].contains(u"其中 3 行与前面的行重复"_qs), qPrintable(notes[1]));
}

QTEST_MAIN(TestWorkbooks)
#include "test_workbooks.moc"
