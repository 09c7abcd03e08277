// The print record through the command line: what single, batch (with a
// page range) and reprint runs leave in it, the waybill numbers they get,
// the tracking list read back by independent readers, the record carried
// by backup and restore, and the paper a calibration measured reaching
// the PDF's pages to 0.1 mm.

#include "report/pdf_page_box.h"
#include "store/connection.h"
#include "store/print_log.h"
#include "test_support.h"
#include "waybill/layout.h"
#include "waybill/print_record.h"
#include "waybill/waybill_number.h"
#include "waybill/waybill_run.h"

#include <QBuffer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QtTest>

using namespace schema;

namespace {

// The page sizes of a PDF in millimetres, as pdfinfo reads them; a warning
// of pdfinfo (a broken cross-reference table) fails.
QList<QSizeF> pageSizes(const QString &pdf, int pages)
{
    QProcess info;
    info.start(QStringLiteral("pdfinfo"),
               {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QString::number(pages), pdf});
    info.waitForFinished(60000);
    const QString err = QString::fromUtf8(info.readAllStandardError());
    if (!err.isEmpty())
        qWarning() << err;
    QList<QSizeF> sizes;
    if (!err.isEmpty())
        return sizes;
    static const QRegularExpression line(QStringLiteral("Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"));
    for (auto it = line.globalMatch(QString::fromUtf8(info.readAllStandardOutput())); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        sizes << QSizeF(match.captured(1).toDouble() * 25.4 / 72, match.captured(2).toDouble() * 25.4 / 72);
    }
    return sizes;
}

QString pdfText(const QString &pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    text.waitForFinished(60000);
    return QString::fromUtf8(text.readAllStandardOutput());
}

QList<PrintLogEntry> recorded()
{
    Connection connection(QStringLiteral("test.record"));
    return PrintLog(connection).list();
}

// Rows of a tracking list as an independent reader sees them, cells joined by '|'.
QStringList readBack(const QString &path)
{
    const QString script = path.endsWith(QStringLiteral(".xlsx"))
        ? QStringLiteral("import openpyxl,sys\n"
                         "for r in openpyxl.load_workbook(sys.argv[1]).active.iter_rows(values_only=True):\n"
                         "    print('|'.join('' if v is None else str(v) for v in r))\n")
        : QStringLiteral("import csv,sys\n"
                         "for r in csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')):\n"
                         "    print('|'.join(r))\n");
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    reader.waitForFinished(60000);
    return QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// The cells of a tracking list's data rows as an independent reader takes
// them: "text" for a cell read as text, "formula" for one it would compute
// (openpyxl's cell types, a carriage return unescaped as Excel reads it;
// Python's csv has text only).
QList<QStringList> cellsReadBack(const QString &path, QStringList *kinds)
{
    const QString script = path.endsWith(QStringLiteral(".xlsx"))
        ? QStringLiteral(
            "import json,openpyxl,sys\n"
            "rows=list(openpyxl.load_workbook(sys.argv[1]).active.iter_rows())[1:]\n"
            "print(json.dumps([[['formula' if c.data_type=='f' else 'text', str(c.value).replace('_x000D_', '\\r')] "
            "for c in r] "
            "for r in rows]))\n")
        : QStringLiteral("import csv,json,sys\n"
                         "rows=list(csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')))[1:]\n"
                         "print(json.dumps([[['text', c] for c in r] for r in rows]))\n");
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), script, path});
    reader.waitForFinished(60000);
    QList<QStringList> rows;
    for (const QJsonValue &row : QJsonDocument::fromJson(reader.readAllStandardOutput()).array()) {
        QStringList cells;
        for (const QJsonValue &cell : row.toArray()) {
            *kinds << cell[0].toString();
            cells << cell[1].toString();
        }
        rows << cells;
    }
    return rows;
}

// Writes a shop's order export of count recipients (收件人1 …), with
// order numbers or without, and imports it.
void importOrders(const TempWorkdir &dir, int count, bool orders)
{
    QString text = orders ? u"订单编号,收货人姓名,联系手机,收货地址\r\n"_qs : u"收货人姓名,联系手机,收货地址\r\n"_qs;
    for (int i = 1; i <= count; ++i)
        text += (orders ? QStringLiteral("=\"38519266471%1\",").arg(i, 5, 10, QLatin1Char('0')) : QString())
            + QStringLiteral(u"收件人%1,1380000%2,杭州市西湖区文三路%1号\r\n").arg(i).arg(i, 4, 10, QLatin1Char('0'));
    writeAll(dir.file(u"orders.csv"_qs), "\xEF\xBB\xBF" + text.toUtf8());
    const Run imported = runWaybill({u"import"_qs, dir.file(u"orders.csv"_qs)}, dir.path());
    QVERIFY2(imported.status == 0, qPrintable(imported.err));
}

QStringList numbersOf(const QList<PrintLogEntry> &entries)
{
    QStringList numbers;
    for (const PrintLogEntry &entry : entries)
        numbers << entry.number;
    return numbers;
}

void addRecipients(const QString &db, int count)
{
    RawDb raw(db);
    raw.exec(u"insert into outrxx (寄件人姓名, 寄件地址) values ('寄件人甲', '上海市浦东新区张江路88号')"_qs);
    for (int i = 1; i <= count; ++i)
        raw.addRecipient(kRecipientTable, QStringLiteral(u"收件人%1").arg(i),
                         QStringLiteral("1390000%1").arg(i, 4, 10, QLatin1Char('0')),
                         QStringLiteral(u"杭州市西湖区文三路%1号").arg(i));
}

} // namespace

class TestPrintRecord : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void nextNumbers_data();
    void nextNumbers();
    void numbersThatCannotGoOnAreRefused_data();
    void numbersThatCannotGoOnAreRefused();
    void s10CheckDigits_data();
    void s10CheckDigits();
    void recordKeepsTextsAsTheyWere_data();
    void recordKeepsTextsAsTheyWere();
    void recordsSingleBatchAndReprint();
    void reprintsOfSeveralFormsNumberOn_data();
    void reprintsOfSeveralFormsNumberOn();
    void failedOrRefusedPrintsRecordNothing_data();
    void failedOrRefusedPrintsRecordNothing();
    void trackingListReadsBack_data();
    void trackingListReadsBack();
    void recordTravelsWithBackupAndRestore();
    void paperLengthReachesEveryPdfPage_data();
    void paperLengthReachesEveryPdfPage();
    void pageBoxesSetAsThePdfStreams_data();
    void pageBoxesSetAsThePdfStreams();
    void numberGivenTwiceIsRefused_data();
    void numberGivenTwiceIsRefused();
    void importedRowsPrintedAgainAreRefused_data();
    void importedRowsPrintedAgainAreRefused();
    void trackingListLeavesOutEntriesWithoutNumbers();
    void trackingListHoldsNoFormulas_data();
    void trackingListHoldsNoFormulas();
    void printKilledWhileGoingOutLeavesItsNumbersTaken();
    void calibrationPageNamesTheForm();
};

void TestPrintRecord::nextNumbers_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QStringList>("numbers"); // the first four
    QTest::newRow("plain") << u"1234567890"_qs << QStringList{"1234567890", "1234567891", "1234567892", "1234567893"};
    QTest::newRow("leading zeros") << u"0098"_qs << QStringList{"0098", "0099", "0100", "0101"};
    QTest::newRow("letters before") << u"SF0998"_qs << QStringList{"SF0998", "SF0999", "SF1000", "SF1001"};
    QTest::newRow("letters after") << u"JT98-A"_qs << QStringList{"JT98-A", "JT99-A", "JT100-A", "JT101-A"};
    QTest::newRow("nines widen") << u"98"_qs << QStringList{"98", "99", "100", "101"};
    QTest::newRow("S10 with check digit")
        << u"EA123456785CN"_qs << QStringList{"EA123456785CN", "EA123456799CN", "EA123456808CN", "EA123456811CN"};
    QTest::newRow("S10, check 10 gives 0")
        << u"RR100000136CN"_qs << QStringList{"RR100000136CN", "RR100000140CN", "RR100000153CN", "RR100000167CN"};
    QTest::newRow("S10, check 11 gives 5")
        << u"LX100000017CN"_qs << QStringList{"LX100000017CN", "LX100000025CN", "LX100000034CN", "LX100000048CN"};
    // A wrong check digit is no S10 number: its digits count up.
    QTest::newRow("S10 shape, wrong check")
        << u"EA123456784CN"_qs << QStringList{"EA123456784CN", "EA123456785CN", "EA123456786CN", "EA123456787CN"};
}

void TestPrintRecord::nextNumbers()
{
    QFETCH(QString, first);
    QFETCH(QStringList, numbers);
    QCOMPARE(waybillNumbers(first, 4), numbers);
    QCOMPARE(waybillNumbers(QString(), 4), QStringList());
}

void TestPrintRecord::numbersThatCannotGoOnAreRefused_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("refusal"); // empty: the three forms print
    QTest::newRow("S10 run past its last serial")
        << u"EA999999987CN"_qs << u"EA999999995CN 是这一段 EMS 国际运单号的最后一个"_qs;
    QTest::newRow("S10 run up to its last serial") << u"EA999999973CN"_qs << QString();
    QTest::newRow("40 digits grow to 41")
        << QString(39, QLatin1Char('9')) + QLatin1Char('8') << u"往下编号会超过 40 位"_qs;
    QTest::newRow("39 digits grow to 40") << QString(38, QLatin1Char('9')) + QLatin1Char('8') << QString();
}

void TestPrintRecord::numbersThatCannotGoOnAreRefused()
{
    QFETCH(QString, first);
    QFETCH(QString, refusal);
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 3);
    const Run run = runWaybill({"print", "ems", "--batch", "--number", first, "--pdf", dir.file("b.pdf")}, dir.path());
    if (refusal.isEmpty()) {
        QVERIFY2(run.status == 0, qPrintable(run.err));
        const QStringList numbers = numbersOf(recorded());
        QCOMPARE(numbers.size(), 3);
        // What a print window offers next: nothing after the last of a range.
        QCOMPARE(offeredNextNumber(numbers.last()).isEmpty(), numbers.last() == u"EA999999995CN"_qs);
        return;
    }
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(refusal) && run.err.contains(u"新一段的首张运单号"_qs), qPrintable(run.err));
    QVERIFY(!QFileInfo::exists(dir.file("b.pdf")));
    QCOMPARE(recorded().size(), 0);
}

void TestPrintRecord::s10CheckDigits_data()
{
    QTest::addColumn<QString>("number");
    QTest::addColumn<bool>("valid");
    // The example of the S10 standard's description, and common ones.
    QTest::newRow("AA473124829GB") << u"AA473124829GB"_qs << true;
    QTest::newRow("RR123456785CN") << u"RR123456785CN"_qs << true;
    QTest::newRow("EE000000005CN") << u"EE000000005CN"_qs << true;
    QTest::newRow("EE999999987CN") << u"EE999999987CN"_qs << true;
    QTest::newRow("wrong check") << u"AA473124828GB"_qs << false;
    QTest::newRow("lower case") << u"aa473124829gb"_qs << false;
    QTest::newRow("too short") << u"AA47312482GB"_qs << false;
}

void TestPrintRecord::s10CheckDigits()
{
    QFETCH(QString, number);
    QFETCH(bool, valid);
    QCOMPARE(isS10Number(number), valid);
}

void TestPrintRecord::recordKeepsTextsAsTheyWere_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("Chinese") << u"浙江省杭州市西湖区文三路 88 号"_qs;
    QTest::newRow("quotes and backslash") << u"He said \"C:\\收件\\\" ok"_qs;
    QTest::newRow("line breaks and tab") << u"第一行\r\n第二行\t完"_qs;
    QTest::newRow("control characters") << QString(u"a\u0001b\u001fc"_qs);
    QTest::newRow("outside the BMP") << u"王😀芳"_qs;
    QTest::newRow("empty") << QString();
}

void TestPrintRecord::recordKeepsTextsAsTheyWere()
{
    QFETCH(QString, text);
    TempWorkdir dir;
    Connection connection(u"test.texts"_qs);
    PrintLog log(connection);
    PrintLogEntry entry;
    entry.printedAt = QDateTime(QDate(2026, 12, 9), QTime(8, 5, 1));
    entry.courier = u"sf"_qs;
    entry.recipient = {{col::kRecipientName, text}, {col::kRecipientAddress, text + text}};
    entry.sender = {{col::kSenderName, text}};
    QList<PrintLogEntry> entries{entry, entry};
    log.append(entries);
    QCOMPARE(entries[1].entry, 2);
    const QList<PrintLogEntry> read = log.list();
    QCOMPARE(read.size(), 2);
    QCOMPARE(read[1].recipient, entry.recipient);
    QCOMPARE(read[1].sender, entry.sender);
    QCOMPARE(read[1].printedAt, entry.printedAt);
}

void TestPrintRecord::recordsSingleBatchAndReprint()
{
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 4);
    // A batch of pages 2 to 3 on numbered EMS forms, a single print of row 4.
    Run run = runWaybill({u"print"_qs, u"ems"_qs, u"--batch"_qs, u"--pages"_qs, u"2-3"_qs, u"--number"_qs,
                          u"EA123456785CN"_qs, u"--pdf"_qs, dir.file(u"batch.pdf"_qs)},
                         dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(u"已打印 2 张EMS快递单（运单号 EA123456785CN–EA123456799CN）"_qs), qPrintable(run.out));
    QCOMPARE(
        runWaybill({u"print"_qs, u"sf"_qs, u"--row"_qs, u"4"_qs, u"--pdf"_qs, dir.file(u"single.pdf"_qs)}, dir.path())
            .status,
        0);
    QList<PrintLogEntry> entries = recorded();
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].recipientName(), u"收件人2"_qs);
    QCOMPARE(entries[0].page, 2);
    QCOMPARE(entries[0].number, u"EA123456785CN"_qs);
    QCOMPARE(entries[1].recipientName(), u"收件人3"_qs);
    QCOMPARE(entries[1].number, u"EA123456799CN"_qs);
    QCOMPARE(entries[1].variant, u"batch"_qs);
    QCOMPARE(entries[2].courier, u"sf"_qs);
    QCOMPARE(entries[2].formName, u"顺丰快递单"_qs);
    QCOMPARE(entries[2].number, QString());
    QCOMPARE(entries[2].mobile(), u"13900000004"_qs);
    QCOMPARE(entries[2].sender.value(col::kSenderName), u"寄件人甲"_qs);
    QCOMPARE(entries[2].sender.value(col::kYear), QString::number(QDate::currentDate().year()));
    QVERIFY(entries[2].output.startsWith(u"PDF："_qs) && entries[2].output.endsWith(u"single.pdf"_qs));
    QVERIFY(qAbs(entries[2].printedAt.secsTo(QDateTime::currentDateTime())) < 120);

    // The recipient changes after the print; a reprint prints what was printed.
    RawDb(dir.dbPath()).exec(u"update inrxx set 收件人姓名 = '改了的名字' where 收件人姓名 = '收件人3'"_qs);
    run = runWaybill({u"log"_qs, u"reprint"_qs, u"2"_qs, u"--number"_qs, u"EA123456808CN"_qs, u"--pdf"_qs,
                      dir.file(u"again.pdf"_qs)},
                     dir.path());
    QCOMPARE(run.status, 0);
    const QString again = pdfText(dir.file(u"again.pdf"_qs));
    QVERIFY2(again.contains(u"收件人3"_qs) && !again.contains(u"改了的名字"_qs), qPrintable(again));
    // Without a number a reprint keeps the entry's own.
    QCOMPARE(runWaybill({u"log"_qs, u"reprint"_qs, u"1"_qs, u"--pdf"_qs, dir.file(u"same.pdf"_qs)}, dir.path()).status,
             0);
    entries = recorded();
    QCOMPARE(entries.size(), 5);
    QCOMPARE(entries[3].reprintOf, 2);
    QCOMPARE(entries[3].number, u"EA123456808CN"_qs);
    QCOMPARE(entries[3].recipientName(), u"收件人3"_qs);
    QCOMPARE(entries[4].reprintOf, 1);
    QCOMPARE(entries[4].number, u"EA123456785CN"_qs);

    // The list, filtered, and a corrected number.
    QCOMPARE(runWaybill({u"log"_qs, u"number"_qs, u"3"_qs, u"SF1234567890"_qs}, dir.path()).status, 0);
    run = runWaybill({u"log"_qs, u"list"_qs, u"--courier"_qs, u"sf"_qs}, dir.path());
    QCOMPARE(run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(), 1);
    QVERIFY2(run.out.contains(u"SF1234567890\t收件人4"_qs), qPrintable(run.out));
    run = runWaybill({u"log"_qs, u"list"_qs, u"--find"_qs, u"EA123456808"_qs}, dir.path());
    QVERIFY2(run.out.contains(u"重打第 2 条"_qs) && run.out.count(QLatin1Char('\n')) == 1, qPrintable(run.out));
    run = runWaybill({u"log"_qs, u"list"_qs, u"--from"_qs, QDate::currentDate().addDays(1).toString(Qt::ISODate)},
                     dir.path());
    QCOMPARE(run.out, u"没有打印记录。\n"_qs);
}

void TestPrintRecord::reprintsOfSeveralFormsNumberOn_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<int>("cancelAt"); // the run the user cancels (-1: none)
    QTest::addColumn<QStringList>("numbers");
    QTest::newRow("numbers kept") << QString() << -1 << QStringList{"SF1", "SF2", "EA1"};
    QTest::newRow("new numbers go on across forms") << u"N0098"_qs << -1 << QStringList{"N0098", "N0099", "N0100"};
    QTest::newRow("second form cancelled") << u"N7"_qs << 1 << QStringList{"N7", "N8"};
}

void TestPrintRecord::reprintsOfSeveralFormsNumberOn()
{
    // Two entries printed on sf and one on ems, reprinted in one go.
    QFETCH(QString, first);
    QFETCH(int, cancelAt);
    QFETCH(QStringList, numbers);
    const auto entry = [](qint64 id, const char16_t *number) {
        PrintLogEntry made;
        made.entry = id;
        made.number = QString::fromUtf16(number);
        made.recipient = {{col::kRecipientName, QStringLiteral(u"收件人%1").arg(id)}};
        return made;
    };
    std::vector<Reprint> reprints;
    reprints.push_back({u"顺丰快递单"_qs,
                        std::make_unique<WaybillRun>(layoutFor(u"sf"_qs, Variant::Single),
                                                     std::make_unique<RecordedSource>(
                                                         QList<PrintLogEntry>{entry(1, u"SF1"), entry(2, u"SF2")}))});
    reprints.push_back(
        {u"EMS快递单"_qs,
         std::make_unique<WaybillRun>(layoutFor(u"ems"_qs, Variant::Single),
                                      std::make_unique<RecordedSource>(QList<PrintLogEntry>{entry(3, u"EA1")}))});
    QStringList printedNumbers;
    QList<qint64> reprinted;
    int run = 0;
    const QStringList summaries = printReprints(reprints, first, [&](WaybillRun &printed) {
        if (run++ == cancelAt)
            return PrintedRun{};
        const QList<PrintLogEntry> entries =
            printedEntries(printed, QString(), 0, printed.pageCount(), u"PDF：x.pdf"_qs, QDateTime::currentDateTime());
        PrintedRun done;
        done.pages = int(entries.size());
        done.lastNumber = entries.last().number;
        for (const PrintLogEntry &each : entries) {
            printedNumbers << each.number;
            reprinted << each.reprintOf;
        }
        return done;
    });
    QCOMPARE(printedNumbers, numbers);
    QCOMPARE(reprinted, (QList<qint64>{1, 2, 3}).mid(0, numbers.size()));
    QCOMPARE(summaries.size(), cancelAt < 0 ? 2 : cancelAt);
}

void TestPrintRecord::failedOrRefusedPrintsRecordNothing_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::newRow("no such folder") << QStringList{u"print"_qs, u"sf"_qs, u"--pdf"_qs, u"NOFOLDER/x.pdf"_qs} << 1;
    QTest::newRow("number without digits")
        << QStringList{u"print"_qs, u"sf"_qs, u"--number"_qs, u"ABC"_qs, u"--pdf"_qs, u"OUT"_qs} << 1;
    QTest::newRow("calibration page") << QStringList{u"print"_qs, u"sf"_qs, u"--calibration-page"_qs, u"--pdf"_qs,
                                                     u"OUT"_qs}
                                      << 0;
    QTest::newRow("reprint of no entry") << QStringList{u"log"_qs, u"reprint"_qs, u"7"_qs, u"--pdf"_qs, u"OUT"_qs} << 1;
}

void TestPrintRecord::failedOrRefusedPrintsRecordNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 1);
    for (QString &arg : args)
        arg.replace(u"NOFOLDER"_qs, dir.file(u"none"_qs)).replace(u"OUT"_qs, dir.file(u"out.pdf"_qs));
    const Run run = runWaybill(args, dir.path());
    QVERIFY2(run.status == status, qPrintable(run.err));
    QCOMPARE(recorded().size(), 0);
}

void TestPrintRecord::trackingListReadsBack_data()
{
    QTest::addColumn<QString>("file");
    QTest::newRow("xlsx, read by openpyxl") << u"单号.xlsx"_qs;
    QTest::newRow("csv, read by Python's csv") << u"单号.csv"_qs;
}

void TestPrintRecord::trackingListReadsBack()
{
    QFETCH(QString, file);
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 0);
    // An order export (UTF-8 with a byte-order mark): its order numbers go
    // into the record and the list.
    writeAll(dir.file(u"orders.csv"_qs),
             "\xEF\xBB\xBF"
                 + u"订单编号,收货人姓名,联系手机,收货地址\r\n"
                   u"=\"3851926647125890\",王芳,13800001111,\"北京市海淀区, 中关村\"\"南\"\"大街5号\"\r\n"
                   u"=\"3851926647125891\",李雷,13800002222,广州市天河区体育西路1号\r\n"_qs.toUtf8());
    const Run imported = runWaybill({u"import"_qs, dir.file(u"orders.csv"_qs)}, dir.path());
    QVERIFY2(imported.status == 0, qPrintable(imported.err));
    QCOMPARE(runWaybill({u"print"_qs, u"yt"_qs, u"--imported"_qs, u"--batch"_qs, u"--number"_qs, u"YT0009"_qs,
                         u"--pdf"_qs, dir.file(u"b.pdf"_qs)},
                        dir.path())
                 .status,
             0);
    // The second form was spoiled and printed again on the next one.
    QCOMPARE(runWaybill(
                 {u"log"_qs, u"reprint"_qs, u"2"_qs, u"--number"_qs, u"YT0011"_qs, u"--pdf"_qs, dir.file(u"r.pdf"_qs)},
                 dir.path())
                 .status,
             0);
    const Run run = runWaybill({u"log"_qs, u"export"_qs, dir.file(file)}, dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(u"已导出 2 条"_qs) && run.out.contains(u"1 条已重打"_qs), qPrintable(run.out));
    const QStringList rows = readBack(dir.file(file));
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows[0], u"运单号|快递公司|收件人姓名|手机号码|收件地址|打印时间|订单号"_qs);
    QVERIFY2(rows[1].startsWith(u"YT0009|圆通|王芳|13800001111|北京市海淀区, 中关村\"南\"大街5号|"_qs),
             qPrintable(rows[1]));
    QVERIFY2(rows[1].endsWith(u"|3851926647125890"_qs), qPrintable(rows[1]));
    QVERIFY2(rows[2].startsWith(u"YT0011|圆通|李雷|"_qs), qPrintable(rows[2]));
    QVERIFY(QDateTime::fromString(rows[2].section(QLatin1Char('|'), 5, 5), u"yyyy-MM-dd HH:mm:ss"_qs).isValid());
}

void TestPrintRecord::recordTravelsWithBackupAndRestore()
{
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 2);
    QCOMPARE(
        runWaybill({u"print"_qs, u"st"_qs, u"--batch"_qs, u"--number"_qs, u"88"_qs, u"--pdf"_qs, dir.file(u"b.pdf"_qs)},
                   dir.path())
            .status,
        0);
    QCOMPARE(runWaybill({u"backup"_qs, u"saved"_qs}, dir.path()).status, 0);
    QTemporaryDir other;
    QVERIFY(QFile::copy(dir.file(u"saved.bak"_qs), QDir(other.path()).filePath(u"saved.bak"_qs)));
    QCOMPARE(runWaybill({u"init"_qs, u"--data=data.mdb"_qs}, other.path()).status, 0);
    const Run restored = runWaybill({u"restore"_qs, u"saved.bak"_qs}, other.path());
    QVERIFY2(restored.status == 0, qPrintable(restored.err));
    const Run listed = runWaybill({u"log"_qs, u"list"_qs}, other.path());
    const QStringList lines = listed.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[1].contains(u"\tst\t89\t收件人2\t13900000002"_qs), qPrintable(lines[1]));
}

void TestPrintRecord::paperLengthReachesEveryPdfPage_data()
{
    QTest::addColumn<QString>("courier");
    QTest::addColumn<QString>("paper"); // --paper of the saved calibration; empty: none saved
    QTest::addColumn<QSizeF>("expected");
    QTest::newRow("sf, the layout's 216 x 140") << u"sf"_qs << QString() << QSizeF(216, 140);
    QTest::newRow("ems, measured 230 x 127.3") << u"ems"_qs << u"230x127.3"_qs << QSizeF(230, 127.3);
    QTest::newRow("st, measured 229.8 x 101.6") << u"st"_qs << u"229.8x101.6"_qs << QSizeF(229.8, 101.6);
}

void TestPrintRecord::paperLengthReachesEveryPdfPage()
{
    // 50 continuous forms: every page exactly as long as measured, so
    // the forms do not drift (Qt alone rounds to whole points, 0.35 mm).
    QFETCH(QString, courier);
    QFETCH(QString, paper);
    QFETCH(QSizeF, expected);
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 50);
    if (!paper.isEmpty()) {
        const Run set = runWaybill(
            {u"calibration"_qs, u"set"_qs, courier, u"--shift-x"_qs, u"3"_qs, u"--paper"_qs, paper}, dir.path());
        QVERIFY2(set.status == 0 && set.out.contains(u"纸张 "_qs), qPrintable(set.out + set.err));
    }
    const QString pdf = dir.file(u"run.pdf"_qs);
    QCOMPARE(runWaybill({u"print"_qs, courier, u"--batch"_qs, u"--pdf"_qs, pdf}, dir.path()).status, 0);
    const QList<QSizeF> sizes = pageSizes(pdf, 50);
    QCOMPARE(sizes.size(), 50);
    double length = 0;
    for (const QSizeF &size : sizes) {
        QVERIFY2(qAbs(size.width() - expected.width()) < 0.01 && qAbs(size.height() - expected.height()) < 0.01,
                 qPrintable(u"%1 x %2"_qs.arg(size.width()).arg(size.height())));
        length += size.height();
    }
    QVERIFY(qAbs(length - 50 * expected.height()) < 0.1); // no drift over the run
    // The fields stand where they stood: the box keeps the page's top edge.
    const QList<QList<Word>> words = pdfWords(pdf);
    QVERIFY(!words.isEmpty() && !words.first().isEmpty());
    QVERIFY(words.first().first().top > 0 && words.first().first().top < expected.height());
}

void TestPrintRecord::pageBoxesSetAsThePdfStreams_data()
{
    // However Qt's writer cuts its writes, the PDF comes out the same.
    QTest::addColumn<int>("piece");
    for (const int piece : {1, 3, 14, 15, 16, 17, 4096, 1 << 20})
        QTest::addRow("%d bytes a write", piece) << piece;
}

void TestPrintRecord::pageBoxesSetAsThePdfStreams()
{
    QFETCH(int, piece);
    const QSizeF paper(216.1, 127.3);
    QByteArray written;
    {
        QBuffer buffer(&written);
        buffer.open(QIODevice::WriteOnly);
        QPdfWriter writer(&buffer);
        writer.setPageSize(QPageSize(paper, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
        writer.setPageMargins(QMarginsF());
        QPainter painter(&writer);
        for (int page = 0; page < 5; ++page) {
            if (page > 0)
                writer.newPage();
            painter.drawRect(QRectF(100, 100, 400 + 50 * page, 300));
        }
    }
    QByteArray out;
    PdfPageBoxes boxes([&](const char *data, qsizetype length) { out.append(data, length); }, paper);
    for (qsizetype at = 0; at < written.size(); at += piece)
        QCOMPARE(boxes.write(written.mid(at, piece)), qMin<qint64>(piece, written.size() - at));
    boxes.close();
    QCOMPARE(boxes.boxesSet(), 5);
    QByteArray whole = written;
    QCOMPARE(setExactPageBoxes(whole, paper), 5);
    QCOMPARE(out, whole);
    // Every object the table lists starts where it says, and so does the table.
    const qsizetype xref = out.lastIndexOf("\nxref\n0 ") + 1;
    const QList<QByteArray> lines = out.mid(xref).split('\n');
    const int count = lines[1].split(' ')[1].toInt();
    QVERIFY(count > 5);
    for (int object = 1; object < count; ++object) {
        const QByteArray &entry = lines[2 + object];
        QVERIFY2(out.mid(entry.left(10).toLongLong()).startsWith(QByteArray::number(object) + " 0 obj"),
                 entry.constData());
    }
    const qsizetype start = out.lastIndexOf("startxref\n") + 10;
    QCOMPARE(out.mid(start, out.indexOf(' ', start) - start).toLongLong(), qint64(xref));
    const QString file = QDir::temp().filePath(QStringLiteral("boxes-%1.pdf").arg(piece));
    writeAll(file, out);
    const QList<QSizeF> sizes = pageSizes(file, 5);
    QFile::remove(file);
    QCOMPARE(sizes.size(), 5);
    for (const QSizeF &size : sizes)
        QVERIFY2(qAbs(size.width() - paper.width()) < 0.01 && qAbs(size.height() - paper.height()) < 0.01,
                 qPrintable(QStringLiteral("%1 x %2").arg(size.width()).arg(size.height())));
}

QTEST_GUILESS_MAIN(TestPrintRecord)
#include "test_print_record.moc"

void TestPrintRecord::numberGivenTwiceIsRefused_data()
{
    // After a batch of three on st from ST0001 and the third form spoiled
    // and reprinted as entry 4 on ST0009.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("refusal");     // on stderr; empty: done
    QTest::addColumn<QStringList>("numbers"); // of the record afterwards
    const QStringList before{"ST0001", "ST0002", "ST0003", "ST0009"};
    QTest::newRow("another entry's number")
        << QStringList{"log", "number", "2", "ST0001"} << u"运单号 ST0001 已用于第 1 条（收件人1，"_qs << before;
    QTest::newRow("the reprint's number")
        << QStringList{"log", "number", "1", "ST0009"} << u"运单号 ST0009 已用于第 4 条（收件人3，"_qs << before;
    QTest::newRow("its own number again") << QStringList{"log", "number", "1", "ST0001"} << QString() << before;
    QTest::newRow("a spoiled form's number") << QStringList{"log", "number", "2", "ST0003"} << QString()
                                             << QStringList{"ST0001", "ST0003", "ST0003", "ST0009"};
    QTest::newRow("the same number on another form")
        << QStringList{"print", "sf", "--number", "ST0002", "--pdf", "sf.pdf"} << QString()
        << QStringList(before) + QStringList{"ST0002"};
    QTest::newRow("a run over used numbers")
        << QStringList{"print", "st", "--batch", "--number", "ST0000", "--pdf", "st.pdf"}
        << u"运单号 ST0001 已用于第 1 条（收件人1，"_qs << before;
    QTest::newRow("a run after them") << QStringList{"print", "st", "--batch", "--number", "ST0010", "--pdf", "st.pdf"}
                                      << QString() << QStringList(before) + QStringList{"ST0010", "ST0011", "ST0012"};
}

void TestPrintRecord::numberGivenTwiceIsRefused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, refusal);
    QFETCH(QStringList, numbers);
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 3);
    QCOMPARE(
        runWaybill({"print", "st", "--batch", "--number", "ST0001", "--pdf", dir.file("b.pdf")}, dir.path()).status, 0);
    QCOMPARE(runWaybill({"log", "reprint", "3", "--number", "ST0009", "--pdf", dir.file("r.pdf")}, dir.path()).status,
             0);
    QCOMPARE(numbersOf(recorded()), (QStringList{"ST0001", "ST0002", "ST0003", "ST0009"}));
    const Run run = runWaybill(args, dir.path());
    if (refusal.isEmpty()) {
        QVERIFY2(run.status == 0, qPrintable(run.err));
    } else {
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(refusal), qPrintable(run.err));
        QVERIFY(!QFileInfo::exists(dir.file("st.pdf"))); // nothing printed
    }
    QCOMPARE(numbersOf(recorded()), numbers);
}

void TestPrintRecord::importedRowsPrintedAgainAreRefused_data()
{
    QTest::addColumn<bool>("orders");
    QTest::newRow("by order number") << true;
    QTest::newRow("by name, mobile and address") << false;
}

void TestPrintRecord::importedRowsPrintedAgainAreRefused()
{
    QFETCH(bool, orders);
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 0);
    importOrders(dir, 10, orders);
    QCOMPARE(runWaybill({"print", "yt", "--imported", "--batch", "--number", "YT0001", "--pdf", dir.file("b.pdf")},
                        dir.path())
                 .status,
             0);
    const QString when = shortTimeText(recorded().first().printedAt);
    const QStringList again{"print", "yt",       "--imported", "--batch", "--pages",
                            "1-3",   "--number", "YT0101",     "--pdf",   dir.file("again.pdf")};
    Run run = runWaybill(again, dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(u"这 3 张已于 %1 打印过（运单号 YT0001–YT0003）"_qs.arg(when)), qPrintable(run.err));
    QVERIFY2(run.err.contains(u"第 2 张 收件人2"_qs) && run.err.contains(u"--again"_qs), qPrintable(run.err));
    QCOMPARE(recorded().size(), 10);
    // Another form is another shipment: not asked.
    QCOMPARE(runWaybill({"print", "sf", "--imported", "--row", "4", "--pdf", dir.file("sf.pdf")}, dir.path()).status,
             0);
    run = runWaybill(QStringList(again) << "--again", dir.path());
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(recorded().size(), 14);

    // The list gives each order once, with its latest number; asked, every print.
    run = runWaybill({"log", "export", dir.file("list.csv"), "--courier", "yt"}, dir.path());
    QVERIFY2(run.out.contains(u"已导出 10 条"_qs) && run.out.contains(u"3 条是同一订单较早的打印"_qs),
             qPrintable(run.out));
    QStringList rows = readBack(dir.file("list.csv"));
    QCOMPARE(rows.size(), 11);
    QStringList first;
    for (const QString &row : rows.mid(1))
        first << row.section(QLatin1Char('|'), 0, 0);
    QCOMPARE(first,
             (QStringList{"YT0004", "YT0005", "YT0006", "YT0007", "YT0008", "YT0009", "YT0010", "YT0101", "YT0102",
                          "YT0103"}));
    run = runWaybill({"log", "export", dir.file("every.csv"), "--courier", "yt", "--every-print"}, dir.path());
    QVERIFY2(run.out.contains(u"已导出 13 条"_qs), qPrintable(run.out));
    QCOMPARE(readBack(dir.file("every.csv")).size(), 14);
}

void TestPrintRecord::trackingListLeavesOutEntriesWithoutNumbers()
{
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 3);
    QCOMPARE(runWaybill({"print", "st", "--batch", "--pages", "1-2", "--number", "ST0001", "--pdf", dir.file("b.pdf")},
                        dir.path())
                 .status,
             0);
    // A numbered form printed without a number is told, and printed.
    Run run = runWaybill({"print", "st", "--row", "3", "--pdf", dir.file("s.pdf")}, dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.contains(u"上次用这种快递单打印时填了运单号"_qs), qPrintable(run.err));
    run = runWaybill({"log", "export", dir.file("list.xlsx")}, dir.path());
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(u"已导出 2 条"_qs) && run.out.contains(u"1 条没有运单号，未导出（第 3 条"_qs),
             qPrintable(run.out));
    const QStringList rows = readBack(dir.file("list.xlsx"));
    QCOMPARE(rows.size(), 3);
    for (const QString &row : rows)
        QVERIFY2(!row.startsWith(QLatin1Char('|')), qPrintable(row));
}

void TestPrintRecord::trackingListHoldsNoFormulas_data()
{
    // A recipient's name, mobile and address as entered, and as the .csv
    // must hold them.
    QTest::addColumn<QStringList>("entered");
    QTest::addColumn<QStringList>("csv");
    const QString link = u"=HYPERLINK(\"http://track.example/x?id=1\",\"点击查看物流\")"_qs;
    QTest::newRow("link for a name") << QStringList{link, "13800001111", u"杭州市文三路1号"_qs}
                                     << QStringList{"'" + link, "13800001111", u"杭州市文三路1号"_qs};
    QTest::newRow("sum for a mobile") << QStringList{u"王芳"_qs, "-2+3", u"杭州市文三路1号"_qs}
                                      << QStringList{u"王芳"_qs, "'-2+3", u"杭州市文三路1号"_qs};
    QTest::newRow("plus and at") << QStringList{"@SUM(1+1)*cmd|' /C calc'!A0", "+86 13800001111", u"地址"_qs}
                                 << QStringList{"'@SUM(1+1)*cmd|' /C calc'!A0", "'+86 13800001111", u"地址"_qs};
    QTest::newRow("tab and carriage return") << QStringList{"\t=1+1", "13800001111", "\r=2+5+cmd|' /C calc'!A0"}
                                             << QStringList{"'\t=1+1", "13800001111", "'\r=2+5+cmd|' /C calc'!A0"};
    QTest::newRow("sign inside a text") << QStringList{u"李=雷"_qs, "138-0000-1111", u"文三路1-2号"_qs}
                                        << QStringList{u"李=雷"_qs, "138-0000-1111", u"文三路1-2号"_qs};
}

void TestPrintRecord::trackingListHoldsNoFormulas()
{
    QFETCH(QStringList, entered);
    QFETCH(QStringList, csv);
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 0);
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, entered[0], entered[1], entered[2]);
    QCOMPARE(
        runWaybill({"print", "st", "--row", "1", "--number", "ST0001", "--pdf", dir.file("s.pdf")}, dir.path()).status,
        0);
    for (const QString &file : {u"list.csv"_qs, u"list.xlsx"_qs}) {
        const Run run = runWaybill({"log", "export", dir.file(file)}, dir.path());
        QVERIFY2(run.status == 0, qPrintable(run.err));
        QStringList kinds;
        const QList<QStringList> rows = cellsReadBack(dir.file(file), &kinds);
        QCOMPARE(rows.size(), 1);
        QVERIFY2(!kinds.contains(u"formula"_qs), qPrintable(file));
        // The .xlsx holds the texts as they were, typed as text.
        QCOMPARE(rows[0].mid(2, 3), file.endsWith(u".csv"_qs) ? csv : entered);
    }
}

void TestPrintRecord::printKilledWhileGoingOutLeavesItsNumbersTaken()
{
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 3);
    // Killed (SIGKILL) once the entries are recorded, before a page is printed.
    QProcess printing;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"WAYBILL_TEST_PAUSE_AFTER_PENDING"_qs, u"1"_qs);
    printing.setProcessEnvironment(environment);
    printing.setWorkingDirectory(dir.path());
    printing.setReadChannel(QProcess::StandardError);
    printing.start(QStringLiteral(WAYBILL_BINARY),
                   {"print", "st", "--batch", "--number", "ST0001", "--pdf", dir.file("b.pdf")});
    QByteArray said;
    while (!said.contains("pending recorded") && printing.waitForReadyRead(60000))
        said += printing.readAllStandardError();
    QVERIFY2(said.contains("pending recorded"), said.constData());
    printing.kill();
    QVERIFY(printing.waitForFinished(10000));
    QCOMPARE(printing.exitStatus(), QProcess::CrashExit);

    const QStringList lines = runWaybill({"log", "list"}, dir.path()).out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 3);
    for (const QString &line : lines)
        QVERIFY2(line.contains(u"可能已打印"_qs), qPrintable(line));
    // Their numbers are never given again.
    Run run = runWaybill({"print", "st", "--row", "1", "--number", "ST0002", "--pdf", dir.file("s.pdf")}, dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(u"运单号 ST0002 已用于第 2 条"_qs), qPrintable(run.err));
    run = runWaybill({"print", "st", "--row", "1", "--number", "ST0004", "--pdf", dir.file("s.pdf")}, dir.path());
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(recorded().size(), 4);
    QVERIFY(!recorded().last().pending);
    // The shop's list holds only what surely printed.
    run = runWaybill({"log", "export", dir.file("list.csv")}, dir.path());
    QVERIFY2(run.out.contains(u"已导出 1 条"_qs) && run.out.contains(u"3 条可能已打印"_qs), qPrintable(run.out));
}

void TestPrintRecord::calibrationPageNamesTheForm()
{
    TempWorkdir dir;
    addRecipients(dir.dbPath(), 1);
    QCOMPARE(runWaybill({"form", "copy", "st", "form1", "--name", u"我的申通单"_qs}, dir.path()).status, 0);
    const Run run = runWaybill({"print", "form1", "--calibration-page", "--pdf", dir.file("sheet.pdf")}, dir.path());
    QVERIFY2(run.status == 0, qPrintable(run.err));
    const QString text = pdfText(dir.file("sheet.pdf"));
    QVERIFY2(text.contains(u"校准页：我的申通单"_qs) && !text.contains(u"form1"_qs), qPrintable(text.right(300)));
}
