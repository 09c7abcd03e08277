// The .xls and .xlsx writers and the export, read back by independent
// readers (Perl Spreadsheet::ParseExcel, Python openpyxl) and by the
// program's own import reader, cell for cell.

#include "import/workbook_reader.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "test_support.h"
#include "xls/export.h"
#include "xls/xls_writer.h"
#include "xls/xlsx_writer.h"

#include <QProcess>
#include <QtTest>

using namespace schema;

namespace {

// The sheet as an independent reader reads it: name, then rows of cells
// (ParseExcel for .xls, openpyxl for .xlsx).
QStringList independentRead(const QString &path)
{
    QProcess reader;
    if (path.endsWith(QStringLiteral(".xlsx")))
        reader.start(QStringLiteral("/usr/bin/python3"),
                     {QStringLiteral(WAYBILL_SOURCE_DIR "/tests/writers/read_xlsx.py"), path});
    else
        reader.start(QStringLiteral("perl"), {QStringLiteral(WAYBILL_SOURCE_DIR "/tests/read_workbook.pl"), path});
    reader.waitForFinished(300000);
    if (reader.exitCode() != 0)
        return {QStringLiteral("PARSE FAILED: ") + QString::fromUtf8(reader.readAllStandardError())};
    QStringList lines = QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'));
    lines.removeLast();
    return lines;
}

QStringList parseExcel(const QString &path)
{
    return independentRead(path);
}

// A text as the readers print it. ParseExcel gives the two halves of a
// character outside the BMP separately, which Perl prints as \x{....}.
QString escaped(QString text, bool halvesApart = true)
{
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"))
        .replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"));
    if (!halvesApart)
        return text;
    QString halves;
    for (QChar c : text)
        halves += c.isSurrogate()
            ? QStringLiteral("\\x{") + QString::number(c.unicode(), 16).toUpper() + QLatin1Char('}')
            : QString(c);
    return halves;
}

} // namespace

class TestXls : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void writtenCellsReadBack_data();
    void writtenCellsReadBack();
    void fullSheet();
    void limits_data();
    void limits();
    void exportListsRowsAndKeepsCurrentRow();
    void xlsExportPastItsRowsNamesXlsx();
    void failedExportLeavesNoFile();
    void exportedTextsReadBackAsStored_data();
    void exportedTextsReadBackAsStored();
    void commandLine_data();
    void commandLine();
};

void TestXls::writtenCellsReadBack_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QStringList>>("rows");
    const QList<QPair<const char *, QList<QStringList>>> cases = {
        {"chinese and empty cells",
         QList<QStringList>{{u"单位名称"_qs, u"收件人姓名"_qs, u"备注"_qs},
                            {u"公司"_qs, QString(), u"易碎"_qs},
                            {QString(), u"张三"_qs, QString()}}},
        {"quotes and special characters",
         QList<QStringList>{{QStringLiteral("\"double\" 'single'"), QStringLiteral("a\tb\nc"), u"😀𠀀 丂"_qs}}},
        {"over 255 characters", QList<QStringList>{{QString(300, QChar(0x4E2D)), QString(256, 'x')}}},
        {"over 8,224 bytes, across CONTINUE records",
         QList<QStringList>{{QString(5000, QChar(0x4E2D)), QStringLiteral("after")},
                            {QString(12000, QLatin1Char('y')), QString(4111, QChar(0x6587))}}},
        {"surrogate pair at a record boundary",
         QList<QStringList>{{QString(4106, QLatin1Char('z')) + u"𠀀𠀀𠀀"_qs, u"尾"_qs}}},
        {"same text shared", QList<QStringList>{{u"上海"_qs, u"上海"_qs}, {u"上海"_qs, u"北京"_qs}}},
    };
    for (const char *file : {"w.xls", "w.xlsx"})
        for (const auto &[name, rows] : cases)
            QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(QLatin1String(file), QLatin1String(name))))
                << QString::fromLatin1(file) << rows;
}

void TestXls::writtenCellsReadBack()
{
    QFETCH(QString, file);
    QFETCH(QList<QStringList>, rows);
    TempWorkdir dir(false);
    const QString path = dir.file(file);
    const TextTable data = TextTable::fromRows(std::vector<QStringList>(rows.begin(), rows.end()));
    const bool xlsx = file.endsWith(QStringLiteral(".xlsx"));
    if (xlsx)
        saveXlsx(path, QStringLiteral("Sheet1"), data);
    else
        saveXls(path, QStringLiteral("Sheet1"), data);
    const QStringList read = independentRead(path);
    QCOMPARE(read.value(0), QStringLiteral("Sheet1"));
    QCOMPARE(read.size(), rows.size() + 1);
    int width = 0;
    for (const QStringList &row : rows)
        width = std::max(width, int(row.size()));
    for (int r = 0; r < rows.size(); ++r) {
        QStringList expected;
        for (int c = 0; c < width; ++c)
            expected << escaped(rows[r].value(c), !xlsx);
        QCOMPARE(read[r + 1], expected.join(QLatin1Char('\t')));
    }
    // The import reads back every character exactly.
    const Sheet sheet = readSheet(path, QStringLiteral("Sheet1"));
    QStringList heading = rows[0];
    while (heading.size() < width)
        heading << QString();
    QCOMPARE(sheet.headings, heading);
    for (int r = 1; r < rows.size(); ++r)
        QCOMPARE(sheet.rows[size_t(r - 1)].mid(0, rows[r].size()), rows[r]);
}

void TestXls::fullSheet()
{
    TempWorkdir dir(false);
    std::vector<QStringList> rows;
    for (int i = 0; i < xls::kMaxRows; ++i)
        rows.push_back({QStringLiteral(u"收件人%1").arg(i), QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0'))});
    const QString path = dir.file(QStringLiteral("full.xls"));
    saveXls(path, QStringLiteral("Sheet1"), TextTable::fromRows(rows));
    const Sheet sheet = readSheet(path, QStringLiteral("Sheet1"));
    QCOMPARE(int(sheet.rows.size()), xls::kMaxRows - 1);
    QCOMPARE(sheet.rows.back(), (QStringList{u"收件人65535"_qs, QStringLiteral("13800065535")}));
    const QStringList read = parseExcel(path);
    QCOMPARE(read.size(), xls::kMaxRows + 1);
    QCOMPARE(read.last(), u"收件人65535\t13800065535"_qs);
}

void TestXls::limits_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("cellChars");
    QTest::newRow("too many rows") << xls::kMaxRows + 1 << 1 << 1;
    QTest::newRow("too many columns") << 1 << xls::kMaxColumns + 1 << 1;
    QTest::newRow("cell too long") << 1 << 1 << xls::kMaxCellChars + 1;
}

void TestXls::limits()
{
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(int, cellChars);
    TempWorkdir dir(false);
    const std::vector<QStringList> data(size_t(rows), QStringList(columns, QString(cellChars, QLatin1Char('a'))));
    const QString path = dir.file(QStringLiteral("x.xls"));
    QVERIFY_THROWS_EXCEPTION(XlsError, saveXls(path, QStringLiteral("Sheet1"), TextTable::fromRows(data)));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestXls::exportListsRowsAndKeepsCurrentRow()
{
    TempWorkdir dir;
    RawDb raw(dir.dbPath());
    for (int i = 1; i <= 10; ++i)
        raw.addRecipient(kRecipientTable, QStringLiteral("R%1").arg(i), QStringLiteral("13%1").arg(i));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&list, kRecipientTable}});
    list.moveTo(4); // the cursor on the fifth row
    exportDataset(list, dir.file(QStringLiteral("all.xls")));
    QCOMPARE(list.currentRow(), 4); // the selected recipient stays selected
    QStringList read = parseExcel(dir.file(QStringLiteral("all.xls")));
    QCOMPARE(read.size(), 12);
    QCOMPARE(read[1], recipientColumns().join(QLatin1Char('\t')));
    QVERIFY(read[2].startsWith(QStringLiteral("\tR1\t")));
    QVERIFY(read[11].startsWith(QStringLiteral("\tR10\t")));

    // After a search only the found rows, with the full heading row.
    list.setStatement(Select::search(kRecipientTable, col::kMobile, QStringLiteral("131")));
    list.open();
    exportDataset(list, dir.file(QStringLiteral("found.xls")));
    read = parseExcel(dir.file(QStringLiteral("found.xls")));
    QCOMPARE(read.size(), 4); // name, heading, R1, R10
    QVERIFY(read[3].startsWith(QStringLiteral("\tR10\t")));
}

void TestXls::xlsExportPastItsRowsNamesXlsx()
{
    TempWorkdir dir;
    fillRecipients(dir.dbPath(), kRecipientTable, xls::kMaxRows, QStringLiteral("r"));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&list, kRecipientTable}});
    try {
        exportDataset(list, dir.file(QStringLiteral("all.xls")));
        QFAIL("exported 65,536 recipients into an .xls");
    } catch (const XlsError &error) {
        QVERIFY2(error.text().contains(QStringLiteral(".xlsx")), qPrintable(error.text()));
    }
    QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("all.xls"))));
    exportDataset(list, dir.file(QStringLiteral("all.xlsx")));
    const Sheet sheet = readSheet(dir.file(QStringLiteral("all.xlsx")), QStringLiteral("Sheet1"));
    QCOMPARE(int(sheet.rows.size()), xls::kMaxRows);
    QCOMPARE(sheet.rows.back().value(1), QStringLiteral("r%1").arg(xls::kMaxRows));
}

void TestXls::failedExportLeavesNoFile()
{
    TempWorkdir dir;
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&list, kRecipientTable}});
    QVERIFY_THROWS_EXCEPTION(XlsError, exportDataset(list, dir.file(QStringLiteral("missing/a.xls"))));
    // An existing file is replaced whole.
    writeAll(dir.file(QStringLiteral("old.xls")), QByteArray(100000, 'o'));
    exportDataset(list, dir.file(QStringLiteral("old.xls")));
    QCOMPARE(parseExcel(dir.file(QStringLiteral("old.xls"))).value(1), recipientColumns().join(QLatin1Char('\t')));

    QDir(dir.path()).mkdir(QStringLiteral("locked"));
    QFile::setPermissions(dir.file(QStringLiteral("locked")), QFile::ReadOwner | QFile::ExeOwner);
    if (QFileInfo(dir.file(QStringLiteral("locked"))).isWritable())
        QSKIP("running as root: a read-only folder does not stop root from writing");
    QVERIFY_THROWS_EXCEPTION(XlsError, exportDataset(list, dir.file(QStringLiteral("locked/a.xls"))));
    QVERIFY(QDir(dir.file(QStringLiteral("locked"))).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

void TestXls::exportedTextsReadBackAsStored_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow(".xlsx") << "list.xlsx";
    QTest::newRow(".xls") << "list.xls";
}

void TestXls::exportedTextsReadBackAsStored()
{
    QFETCH(QString, file);
    TempWorkdir dir;
    // Texts an export once changed: OOXML escapes written literally, a
    // leading U+FEFF (stored as imports store it), characters XML cannot hold.
    const QStringList texts{QStringLiteral("_x0041_"), QStringLiteral("cr_x000D_lf"), QStringLiteral("__x005F_x__"),
                            QString(QChar(0xFEFF)) + QStringLiteral("lead"), QStringLiteral("a\x01b")};
    {
        RawDb raw(dir.dbPath());
        for (const QString &text : texts)
            raw.exec(u"insert into inrxx (收件人姓名) values (cast(X'%1' as text))"_qs.arg(
                QString::fromLatin1(text.toUtf8().toHex())));
        raw.exec(u"insert into inrxx (收件人姓名) values ('x' || char(65535) || 'y')"_qs);
    }
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&list, kRecipientTable}});
    const int replaced = exportDataset(list, dir.file(file));
    const Sheet sheet = readSheet(dir.file(file), QStringLiteral("Sheet1"));
    QStringList read;
    for (const QStringList &row : sheet.rows)
        read << row.value(1);
    const bool xlsx = file.endsWith(QStringLiteral(".xlsx"));
    // .xls holds every UTF-16 unit; XML cannot hold U+FFFF: it is replaced and counted.
    QCOMPARE(read, texts + QStringList{xlsx ? u"x\uFFFDy"_qs : u"x\uFFFFy"_qs});
    QCOMPARE(replaced, xlsx ? 1 : 0);
    // An independent reader opens the file: nothing in it is malformed.
    QVERIFY2(!parseExcel(dir.file(file)).value(0).startsWith(QStringLiteral("PARSE FAILED")),
             qPrintable(parseExcel(dir.file(file)).value(0)));
}

void TestXls::commandLine_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("written");
    QTest::newRow("plain name") << "list"
                                << "list.xls";
    QTest::newRow("ending in .xls") << "list.xls"
                                    << "list.xls";
    QTest::newRow("ending in .xlsx") << "list.xlsx"
                                     << "list.xlsx";
}

void TestXls::commandLine()
{
    QFETCH(QString, given);
    QFETCH(QString, written);
    TempWorkdir dir;
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, u"张三"_qs, QStringLiteral("1"));
    QProcess process;
    process.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("export"), dir.file(given)});
    process.waitForFinished(60000);
    QCOMPARE(process.exitCode(), 0);
    QCOMPARE(QDir(dir.path()).entryList({QStringLiteral("*.xls"), QStringLiteral("*.xlsx")}), QStringList{written});
    QCOMPARE(parseExcel(dir.file(written)).size(), 3);
}

QTEST_GUILESS_MAIN(TestXls)
#include "test_xls.moc"
