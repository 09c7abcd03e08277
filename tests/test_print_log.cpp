// The print record read in SQL: what a filter selects, page by page in the
// record window and as one cursor for `log list`, equals the filter applied
// to the whole record; the tracking list of a filtered query (window and
// command line) holds the listed entries the rules keep; snapshots and
// printing times are read without parsing the rest.

#include "store/connection.h"
#include "store/print_log.h"
#include "test_support.h"
#include "ui/recording_dialogs.h"
#include "waybill/print_log_model.h"
#include "waybill/print_log_window.h"

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTableView>
#include <QtTest>

using namespace schema;

Q_DECLARE_METATYPE(PrintLogFilter)

namespace {

const QDate kToday = QDate::currentDate();

// Entry k (1-based) of the record every test reads: five days, two forms,
// imported orders (order 5 printed twice), an imported recipient without an
// order printed twice, a reprint, a pending entry, entries without a number,
// and texts a search or a snapshot could trip over.
PrintLogEntry madeEntry(int k)
{
    using namespace schema::col;
    PrintLogEntry entry;
    entry.printedAt = QDateTime(kToday.addDays(-(23 - k) / 5), QTime(9, k, 7));
    entry.courier = k % 3 == 0 ? u"st"_qs : u"sf"_qs;
    entry.formName = k % 3 == 0 ? u"申通快递单"_qs : u"顺丰快递单"_qs;
    entry.variant = k % 2 == 0 ? u"imported-batch"_qs : u"batch"_qs;
    entry.output = u"PDF：/tmp/x.pdf"_qs;
    entry.page = k;
    entry.number = k % 7 == 4 ? QString() : QStringLiteral("SF%1").arg(k, 4, 10, QLatin1Char('0'));
    const QStringList names{u"王芳"_qs, u"李雷"_qs, u"百分%之"_qs, u"下_划"_qs, u"Wang Fang"_qs};
    entry.recipient = {{kRecipientName, names[k % 5]},
                       {kMobile, QStringLiteral("1380000%1").arg(k, 4, 10, QLatin1Char('0'))},
                       {kPhone, QStringLiteral("0571-%1").arg(k)},
                       {kRecipientAddress, QStringLiteral(u"杭州市\"文三路\"\\%1号\n_x0041_").arg(k)}};
    if (k % 2 == 0 && k != 8 && k != 18)
        entry.recipient.insert(kOrderNumber, QStringLiteral("O-%1").arg(k == 16 ? 6 : k));
    if (k == 18) { // the recipient of entry 8 again
        entry.recipient = madeEntry(8).recipient;
        entry.recipient.insert(kPhone, u"other"_qs);
    }
    entry.sender = {{kSenderName, u"寄件人甲"_qs}};
    entry.reprintOf = k == 12 ? 3 : 0;
    entry.pending = k == 11;
    return entry;
}

constexpr int kEntries = 23;

void writeRecord()
{
    Connection connection(u"test.write"_qs);
    QList<PrintLogEntry> entries;
    for (int k = 1; k <= kEntries; ++k)
        entries << madeEntry(k);
    PrintLog(connection).append(entries);
}

QList<PrintLogEntry> wholeRecord()
{
    Connection connection(u"test.whole"_qs);
    return PrintLog(connection).page({}, 0, 0);
}

// The filter applied to the whole record, here and not in SQL.
QList<qint64> expectedEntries(const PrintLogFilter &filter)
{
    QList<qint64> entries;
    for (const PrintLogEntry &entry : wholeRecord()) {
        const QDate day = entry.printedAt.date();
        if ((filter.from.isValid() && day < filter.from) || (filter.to.isValid() && day > filter.to))
            continue;
        if (!filter.courier.isEmpty() && entry.courier != filter.courier)
            continue;
        const QString text = filter.text.trimmed();
        bool found = text.isEmpty();
        for (const QString &field : {entry.recipientName(), entry.mobile(), entry.phone(), entry.number})
            found = found || field.contains(text, Qt::CaseInsensitive);
        if (found)
            entries << entry.entry;
    }
    return entries;
}

// What a tracking list of these entries holds: their numbers, without the
// entries printed again, pending or unnumbered ones and, unless every print
// is asked for, earlier prints of an order (the latest live one counts).
QStringList expectedNumbers(const QList<qint64> &listed, bool everyPrint)
{
    const QList<PrintLogEntry> all = wholeRecord();
    QSet<qint64> reprinted;
    for (const PrintLogEntry &entry : all)
        if (entry.reprintOf)
            reprinted << entry.reprintOf;
    const auto live = [&](const PrintLogEntry &entry) {
        return !reprinted.contains(entry.entry) && !entry.pending && !entry.number.isEmpty();
    };
    const auto keyOf = [](const PrintLogEntry &entry) {
        if (!entry.orderNumber().isEmpty())
            return entry.orderNumber();
        return entry.imported() ? entry.recipientName() + entry.mobile() + entry.address() : QString();
    };
    QHash<QString, qint64> latest;
    for (const PrintLogEntry &entry : all)
        if (live(entry) && !keyOf(entry).isEmpty())
            latest[keyOf(entry)] = entry.entry;
    QStringList numbers;
    for (const PrintLogEntry &entry : all)
        if (listed.contains(entry.entry) && live(entry)
            && (everyPrint || keyOf(entry).isEmpty() || latest.value(keyOf(entry)) == entry.entry))
            numbers << entry.number;
    return numbers;
}

// The 运单号 column of a tracking list as an independent reader reads it
// (Python's csv or openpyxl), heading first.
QStringList numbersReadBack(const QString &path)
{
    const QString script = path.endsWith(u".xlsx"_qs)
        ? u"import openpyxl,sys\n"
          u"for r in openpyxl.load_workbook(sys.argv[1]).active.iter_rows(values_only=True): print(r[0])\n"_qs
        : u"import csv,sys\n"
          u"for r in csv.reader(open(sys.argv[1], encoding='utf-8-sig', newline='')): print(r[0])\n"_qs;
    QProcess reader;
    reader.start(u"/usr/bin/python3"_qs, {u"-c"_qs, script, path});
    reader.waitForFinished(60000);
    return QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QList<qint64> entriesOf(const QList<PrintLogEntry> &entries)
{
    QList<qint64> numbers;
    for (const PrintLogEntry &entry : entries)
        numbers << entry.entry;
    return numbers;
}

// The filters the tests read with: every one the window and `log list` offer.
void addFilterRows()
{
    QTest::addColumn<PrintLogFilter>("filter");
    const QDate first = kToday.addDays(-4);
    QTest::newRow("all five days") << PrintLogFilter{first, kToday, {}, {}};
    QTest::newRow("no dates at all") << PrintLogFilter{};
    QTest::newRow("one day in the middle") << PrintLogFilter{kToday.addDays(-2), kToday.addDays(-2), {}, {}};
    QTest::newRow("up to a day") << PrintLogFilter{{}, kToday.addDays(-3), {}, {}};
    QTest::newRow("from a day") << PrintLogFilter{kToday.addDays(-1), {}, {}, {}};
    QTest::newRow("a day with nothing") << PrintLogFilter{kToday.addDays(3), kToday.addDays(5), {}, {}};
    QTest::newRow("one form") << PrintLogFilter{first, kToday, u"st"_qs, {}};
    QTest::newRow("a name") << PrintLogFilter{first, kToday, {}, u"王芳"_qs};
    QTest::newRow("letters without case") << PrintLogFilter{{}, {}, {}, u"wang"_qs};
    QTest::newRow("a number, lower case") << PrintLogFilter{{}, {}, {}, u"sf001"_qs};
    QTest::newRow("part of a mobile, spaces around") << PrintLogFilter{{}, {}, {}, u" 00012 "_qs};
    QTest::newRow("a telephone") << PrintLogFilter{{}, {}, {}, u"0571-2"_qs};
    QTest::newRow("% is a character") << PrintLogFilter{{}, {}, {}, u"%"_qs};
    QTest::newRow("_ is a character") << PrintLogFilter{{}, {}, {}, u"下_"_qs};
    QTest::newRow("form, day and text") << PrintLogFilter{kToday.addDays(-1), kToday, u"sf"_qs, u"李"_qs};
}

QString rowText(const PrintLogRow &row)
{
    return QStringList{QString::number(row.entry),
                       row.printedAt,
                       row.courier,
                       row.variant,
                       row.formName,
                       row.output,
                       row.number,
                       row.recipientName,
                       row.mobile,
                       row.phone,
                       row.address,
                       row.orderNumber,
                       QString::number(row.reprintOf),
                       row.pending ? u"pending"_qs : QString()}
        .join(QLatin1Char('|'));
}

PrintLogModel *modelOf(PrintLogWindow &window)
{
    return qobject_cast<PrintLogModel *>(window.findChild<QTableView *>()->model());
}

} // namespace

class TestPrintLog : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void readsWhatTheFilterSelects_data() { addFilterRows(); }
    void readsWhatTheFilterSelects();
    void windowPagesAddUpToTheFilteredList_data();
    void windowPagesAddUpToTheFilteredList();
    void exportHoldsTheListedEntries_data();
    void exportHoldsTheListedEntries();
    void snapshotTextReadsEveryWriting_data();
    void snapshotTextReadsEveryWriting();
    void printTimesReadDigitByDigit_data();
    void printTimesReadDigitByDigit();
};

void TestPrintLog::readsWhatTheFilterSelects()
{
    QFETCH(PrintLogFilter, filter);
    TempWorkdir dir;
    writeRecord();
    const QList<qint64> expected = expectedEntries(filter);
    Connection connection(u"test.read"_qs);
    PrintLog log(connection);
    QCOMPARE(entriesOf(log.list(filter)), expected);
    QCOMPARE(log.count(filter), qint64(expected.size()));
    // The rows of one cursor (log list, export) carry what the entries do.
    QStringList rows;
    log.forEachRow(filter, [&](const PrintLogRow &row) {
        rows << rowText(row);
        return true;
    });
    QStringList wanted;
    for (const PrintLogEntry &entry : log.list(filter))
        wanted << rowText(PrintLogRow::of(entry));
    QCOMPARE(rows, wanted);
}

void TestPrintLog::windowPagesAddUpToTheFilteredList_data()
{
    QTest::addColumn<PrintLogFilter>("filter");
    QTest::addColumn<int>("pageSize");
    const QDate first = kToday.addDays(-4);
    for (const int size : {1, 4, 5, 23, 200}) {
        QTest::addRow("all, pages of %d", size) << PrintLogFilter{first, kToday, {}, {}} << size;
        QTest::addRow("a name, pages of %d", size) << PrintLogFilter{first, kToday, {}, u"王芳"_qs} << size;
        QTest::addRow("one form, pages of %d", size) << PrintLogFilter{first, kToday, u"st"_qs, {}} << size;
    }
    QTest::newRow("nothing found") << PrintLogFilter{first, kToday, {}, u"没有这个人"_qs} << 4;
}

void TestPrintLog::windowPagesAddUpToTheFilteredList()
{
    QFETCH(PrintLogFilter, filter);
    QFETCH(int, pageSize);
    TempWorkdir dir;
    writeRecord();
    RecordingDialogs dialogs;
    PrintLogWindow window;
    window.setPageSize(pageSize);
    window.setFilter(filter);
    const QList<qint64> expected = expectedEntries(filter);
    PrintLogModel *model = modelOf(window);
    QCOMPARE(window.listed(), qint64(expected.size()));
    // Each page as long as the page size, the last one what is left.
    qsizetype loaded = std::min<qsizetype>(pageSize, expected.size());
    QCOMPARE(window.shown().size(), loaded);
    while (model->canFetchMore({})) {
        model->fetchMore({});
        loaded = std::min<qsizetype>(loaded + pageSize, expected.size());
        QCOMPARE(window.shown().size(), loaded);
    }
    QCOMPARE(entriesOf(window.shown()), expected);
    QCOMPARE(model->rowCount(), int(expected.size()));
    QCOMPARE(dialogs.entries.size(), 0);
    // A row past the pages read is read when selected.
    if (expected.size() > 1) {
        window.setFilter(filter);
        window.selectRows({int(expected.size()) - 1});
        QCOMPARE(entriesOf(window.selected()), QList<qint64>{expected.last()});
    }
}

void TestPrintLog::exportHoldsTheListedEntries_data()
{
    QTest::addColumn<PrintLogFilter>("filter");
    QTest::addColumn<bool>("everyPrint");
    QTest::addColumn<QString>("file");
    const QDate first = kToday.addDays(-4);
    for (const char *file : {"list.csv", "list.xlsx"}) {
        QTest::addRow("%s, all", file) << PrintLogFilter{first, kToday, {}, {}} << false << QString::fromLatin1(file);
        QTest::addRow("%s, all, every print", file)
            << PrintLogFilter{first, kToday, {}, {}} << true << QString::fromLatin1(file);
        QTest::addRow("%s, one form", file)
            << PrintLogFilter{first, kToday, u"sf"_qs, {}} << false << QString::fromLatin1(file);
        // The first days only: the later print of an order is outside them,
        // and still takes the earlier one's place.
        QTest::addRow("%s, the first days", file)
            << PrintLogFilter{first, kToday.addDays(-2), {}, {}} << false << QString::fromLatin1(file);
        QTest::addRow("%s, a text", file)
            << PrintLogFilter{first, kToday, {}, u"sf001"_qs} << false << QString::fromLatin1(file);
    }
}

void TestPrintLog::exportHoldsTheListedEntries()
{
    QFETCH(PrintLogFilter, filter);
    QFETCH(bool, everyPrint);
    QFETCH(QString, file);
    TempWorkdir dir;
    writeRecord();
    const QStringList expected = expectedNumbers(expectedEntries(filter), everyPrint);
    RecordingDialogs dialogs;
    PrintLogWindow window;
    window.setPageSize(3); // far fewer than listed: the export reads the query, not the pages
    window.setFilter(filter);
    window.findChild<QCheckBox *>(u"EveryPrint"_qs)->setChecked(everyPrint);
    dialogs.fileAnswers = {dir.file(u"window-"_qs + file)};
    window.exportSelected();
    QCOMPARE(numbersReadBack(dir.file(u"window-"_qs + file)), QStringList{u"运单号"_qs} + expected);
    QVERIFY2(dialogs.texts(u"notice"_qs).value(0).startsWith(u"已导出 %1 条"_qs.arg(expected.size())),
             qPrintable(dialogs.texts(u"notice"_qs).join('\n')));
    // The command line with the same filter writes the same list.
    QStringList args{u"log"_qs, u"export"_qs, dir.file(u"cli-"_qs + file)};
    if (filter.from.isValid())
        args << u"--from"_qs << filter.from.toString(Qt::ISODate);
    if (filter.to.isValid())
        args << u"--to"_qs << filter.to.toString(Qt::ISODate);
    if (!filter.courier.isEmpty())
        args << u"--courier"_qs << filter.courier;
    if (!filter.text.isEmpty())
        args << u"--find"_qs << filter.text;
    if (everyPrint)
        args << u"--every-print"_qs;
    const Run run = runWaybill(args, dir.path());
    QVERIFY2(run.status == 0, qPrintable(run.err));
    QCOMPARE(numbersReadBack(dir.file(u"cli-"_qs + file)), QStringList{u"运单号"_qs} + expected);
    // The selected rows only: the first and the last listed.
    const QList<qint64> listed = expectedEntries(filter);
    window.selectRows({0, int(listed.size()) - 1});
    window.findChild<QCheckBox *>(u"SelectedOnly"_qs)->setChecked(true);
    dialogs.fileAnswers = {dir.file(u"selected-"_qs + file)};
    window.exportSelected();
    const QStringList selected = expectedNumbers({listed.first(), listed.last()}, everyPrint);
    if (selected.isEmpty())
        QVERIFY(!QFileInfo::exists(dir.file(u"selected-"_qs + file)));
    else
        QCOMPARE(numbersReadBack(dir.file(u"selected-"_qs + file)), QStringList{u"运单号"_qs} + selected);
}

void TestPrintLog::snapshotTextReadsEveryWriting_data()
{
    QTest::addColumn<QString>("json");
    QTest::addColumn<QString>("key");
    const QString address = u"收件地址"_qs;
    QTest::newRow("as the record writes it") << u"{\"收件人姓名\":\"王芳\",\"收件地址\":\"文三路1号\"}"_qs << address;
    QTest::newRow("escapes") << u"{\"收件地址\":\"a\\\"b\\\\c\\n\\t\\u0001\\u4e2d\\/d\"}"_qs << address;
    QTest::newRow("a surrogate pair escaped") << u"{\"收件地址\":\"\\ud83d\\ude00\"}"_qs << address;
    QTest::newRow("spaces and lines") << u" {\n  \"备注\" : \"x\" ,\n  \"收件地址\" : \"y\"\n}\n"_qs << address;
    QTest::newRow("an escaped key") << u"{\"\\u6536\\u4ef6\\u5730\\u5740\":\"z\"}"_qs << address;
    QTest::newRow("another value is a number") << u"{\"数量\":2,\"收件地址\":\"y\"}"_qs << address;
    QTest::newRow("the value is a number") << u"{\"收件地址\":12}"_qs << address;
    QTest::newRow("no such key") << u"{\"备注\":\"收件地址\"}"_qs << address;
    QTest::newRow("empty object") << u"{}"_qs << address;
    QTest::newRow("not JSON") << u"收件地址"_qs << address;
    QTest::newRow("cut short") << u"{\"收件地址\":\"文三"_qs << address;
    QTest::newRow("empty text") << QString() << address;
}

void TestPrintLog::snapshotTextReadsEveryWriting()
{
    QFETCH(QString, json);
    QFETCH(QString, key);
    // As a JSON parser reads it.
    QCOMPARE(snapshotText(json, key), QJsonDocument::fromJson(json.toUtf8()).object().value(key).toString());
}

void TestPrintLog::printTimesReadDigitByDigit_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("a time") << u"2026-12-09 14:05:31"_qs;
    QTest::newRow("a leap day") << u"2024-02-29 23:59:59"_qs;
    QTest::newRow("no such day") << u"2023-02-29 10:00:00"_qs;
    QTest::newRow("no such hour") << u"2023-02-01 24:00:00"_qs;
    QTest::newRow("not a time") << u"2023-0a-01 10:00:00"_qs;
    QTest::newRow("short") << u"2023-02-01"_qs;
}

void TestPrintLog::printTimesReadDigitByDigit()
{
    QFETCH(QString, text);
    const QDateTime read = printTimeFromText(text);
    QCOMPARE(read, QDateTime::fromString(text, u"yyyy-MM-dd HH:mm:ss"_qs));
    if (read.isValid())
        QCOMPARE(printTimeText(read), text);
}

QTEST_MAIN(TestPrintLog)
#include "test_print_log.moc"
