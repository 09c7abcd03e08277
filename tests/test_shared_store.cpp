// The store on both backends: the local data.mdb and a shared PostgreSQL
// database on the suite's own server (a working folder shared with
// `waybill share`). The same cases run on both; then what only sharing has:
// two PCs at once, backup and restore, going back, and failures.

#include "store/bulk_rows.h"
#include "store/calibration.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/db_error.h"
#include "store/search.h"
#include "store/shared_store.h"
#include "store_backends.h"
#include "test_support.h"

#include <QProcess>
#include <QtTest>

using namespace schema;

namespace {

// Opens a dataset on a whole table.
void openAll(Dataset &list, const QString &table)
{
    list.setStatement(Select::all(table));
    list.open();
}

void appendRecipient(Dataset &list, const QString &name, const QString &mobile)
{
    list.append();
    list.setValue(col::kRecipientName, name);
    list.setValue(col::kMobile, mobile);
    list.post();
}

QStringList names(const Dataset &list)
{
    QStringList result;
    for (int row = 0; row < list.rowCount(); ++row)
        result << list.valueAt(row, col::kRecipientName);
    return result;
}

QString failureOf(const std::function<void()> &work)
{
    try {
        work();
    } catch (const DbError &error) {
        return error.text();
    }
    return QString();
}

// Writes a .csv workbook of count recipients named prefix1, prefix2, ...
QString writeCsv(const QString &path, const QString &prefix, int count)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(recipientColumns().join(QLatin1Char(',')).toUtf8() + "\n");
    for (int i = 1; i <= count; ++i)
        file.write(QStringLiteral(u",%1%2,上海,\"上海市浦东新区世纪大道1号, 2室\",200120,,138%3,,1,\n")
                       .arg(prefix)
                       .arg(i)
                       .arg(i, 8, 10, QLatin1Char('0'))
                       .toUtf8());
    return path;
}

} // namespace

class TestSharedStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() { TestServer::usePasswordFile(); }
    void recordOperations_data() { addBackends(); }
    void recordOperations();
    void tablesAreAskedBeforeOpening_data() { addBackends(); }
    void tablesAreAskedBeforeOpening();
    void textsRoundTrip_data();
    void textsRoundTrip();
    void search_data();
    void search();
    void changedElsewhereIsNeverWrittenOver_data() { addBackends(); }
    void changedElsewhereIsNeverWrittenOver();
    void failedTransactionLeavesNothing_data() { addBackends(); }
    void failedTransactionLeavesNothing();
    void importAndCalibrations_data() { addBackends(); }
    void importAndCalibrations();

    void importWhileAnotherPcReads();
    void backupAndRestoreWhileShared();
    void unshareBringsTheDataBack();
    void interruptedShareIsFinishedByRunningItAgain();
    void formsAndThePrintRecordReachEveryPc();
    void shareRefusals_data();
    void shareRefusals();
    void unreachableServerIsADatabaseError();
    void numbersAndOrdersAreGivenOnce_data() { addBackends(); }
    void numbersAndOrdersAreGivenOnce();
};

void TestSharedStore::recordOperations()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Store store(backend);
    Connection connection(QStringLiteral("pc"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    openAll(list, kRecipientTable);
    QCOMPARE(connection.backend(), backend == QStringLiteral("sqlite") ? Backend::Sqlite : Backend::Postgres);
    QCOMPARE(list.columnNames(), recipientColumns());
    for (const char16_t *name : {u"张一", u"李二", u"王三"})
        appendRecipient(list, QString::fromUtf16(name), QStringLiteral("138"));
    const qint64 second = list.rowidAt(1);
    QVERIFY(second > 0);

    list.moveTo(1);
    list.edit();
    list.setValue(col::kRecipientAddress, u"新地址，含'引号'"_qs);
    list.post();
    list.moveTo(0);
    list.deleteCurrent();

    // Another connection sees the rows in the order they were added, with
    // the same keys.
    Connection other(QStringLiteral("other"));
    Dataset view(other, QStringLiteral("view"));
    openAll(view, kRecipientTable);
    QCOMPARE(names(view), (QStringList{u"李二"_qs, u"王三"_qs}));
    QCOMPARE(view.rowidAt(0), second);
    QCOMPARE(view.valueAt(0, col::kRecipientAddress), u"新地址，含'引号'"_qs);
    QCOMPARE(view.valueAt(0, col::kRemarks), QString());

    // The sender: an empty table gets its first record through edit().
    Dataset sender(connection, QStringLiteral("ADOQuery1"));
    openAll(sender, kSenderTable);
    sender.edit();
    sender.setValue(col::kSenderName, u"寄件人"_qs);
    sender.post();
    sender.close();
    sender.open();
    QCOMPARE(sender.value(col::kSenderName), u"寄件人"_qs);
}

void TestSharedStore::tablesAreAskedBeforeOpening()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Store store(backend);
    // Fresh connections, as every window makes one: the question goes in
    // the store's own SQL although nothing opened them yet.
    QCOMPARE(Connection(QStringLiteral("fresh")).tableColumns(kSenderTable), senderColumns());
    QVERIFY(!Connection(QStringLiteral("fresh")).hasTable(QStringLiteral("no_such_table")));
    QCOMPARE(Connection(QStringLiteral("fresh")).backend(),
             backend == QStringLiteral("sqlite") ? Backend::Sqlite : Backend::Postgres);
}

void TestSharedStore::textsRoundTrip_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("text");
    const QList<std::pair<const char *, QString>> texts{
        {"empty", QString()},
        {"spaces kept", QStringLiteral("  a  b  ")},
        {"tab, newline, return, backslash", QStringLiteral("a\tb\nc\rd\\e\\.\\N")},
        {"quotes", QStringLiteral("'\"`;--")},
        {"Chinese and beyond the BMP", u"收件人𠀀😀"_qs},
        {"12,000 characters", QString(12000, QChar(u'长'))},
    };
    for (const QString &backend : {QStringLiteral("sqlite"), QStringLiteral("postgresql")})
        for (const auto &[name, text] : texts)
            QTest::addRow("%s: %s", qPrintable(backend), name) << backend << text;
}

void TestSharedStore::textsRoundTrip()
{
    QFETCH(QString, backend);
    QFETCH(QString, text);
    REQUIRE_BACKEND(backend);
    Store store(backend);
    Connection connection(QStringLiteral("pc"));
    // Written once through a record (bound parameters), once through the
    // bulk path of imports (SQLite's API, or COPY on the server).
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    openAll(list, kRecipientTable);
    appendRecipient(list, text, QStringLiteral("1"));
    TextTable rows(int(recipientColumns().size()));
    for (const QString &column : recipientColumns())
        rows.appendCell(column == col::kRecipientName ? text : QString());
    connection.inTransaction([&] { insertTextRows(connection, kRecipientTable, recipientColumns(), rows); });
    list.close();
    list.open();
    QCOMPARE(list.rowCount(), 2);
    for (int row = 0; row < 2; ++row)
        QCOMPARE(list.valueAt(row, col::kRecipientName), text);
}

void TestSharedStore::search_data()
{
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("found");
    const QList<std::tuple<const char *, QString, QStringList>> cases{
        {"ASCII letters without case", QStringLiteral("zhang"), {"Zhang San", "zhang li", "ZHANGWEI"}},
        {"percent is a wildcard", QStringLiteral("100%"), {"100%纯", "100 boxes"}},
        {"underscore is a wildcard", QStringLiteral("a_b"), {"a_b", "axb"}},
        {"quote matched literally", QStringLiteral("O'B"), {"O'Brien"}},
        {"backslash is no escape", QStringLiteral("k\\s"), {"back\\slash"}},
        {"other letters keep their case", u"émile"_qs, {}},
        {"Chinese", u"小明"_qs, {u"王小明"_qs}},
    };
    for (const QString &backend : {QStringLiteral("sqlite"), QStringLiteral("postgresql")})
        for (const auto &[name, text, found] : cases)
            QTest::addRow("%s: %s", qPrintable(backend), name) << backend << text << found;
}

void TestSharedStore::search()
{
    QFETCH(QString, backend);
    QFETCH(QString, text);
    QFETCH(QStringList, found);
    REQUIRE_BACKEND(backend);
    Store store(backend);
    Connection connection(QStringLiteral("pc"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    openAll(list, kRecipientTable);
    for (const QString &name : {u"Zhang San"_qs, u"zhang li"_qs, u"ZHANGWEI"_qs, u"王小明"_qs, u"100%纯"_qs,
                                u"100 boxes"_qs, u"a_b"_qs, u"axb"_qs, u"O'Brien"_qs, u"back\\slash"_qs, u"Émile"_qs})
        appendRecipient(list, name, QStringLiteral("1"));
    searchRecipients(list, kRecipientTable, text, QString());
    QCOMPARE(names(list), found);
}

void TestSharedStore::changedElsewhereIsNeverWrittenOver()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Store store(backend);
    Connection first(QStringLiteral("pc1"));
    Connection second(QStringLiteral("pc2"));
    Dataset mine(first, QStringLiteral("ADOQuery2"));
    Dataset theirs(second, QStringLiteral("ADOQuery2"));
    mine.setStatement(Select::all(kRecipientTable));
    theirs.setStatement(Select::all(kRecipientTable));
    mine.open();
    for (const QString &name : {u"甲"_qs, u"乙"_qs, u"丙"_qs})
        appendRecipient(mine, name, QStringLiteral("1"));
    theirs.open();

    // The other PC changes 甲 and deletes 乙.
    theirs.moveTo(0);
    theirs.edit();
    theirs.setValue(col::kMobile, QStringLiteral("999"));
    theirs.post();
    theirs.moveTo(1);
    theirs.deleteCurrent();

    // Modifying 甲 from the old snapshot is refused; the typed text stays.
    mine.moveTo(0);
    mine.edit();
    mine.setValue(col::kRecipientAddress, u"我的修改"_qs);
    QVERIFY(failureOf([&] { mine.post(); }).contains(u"已在别处"_qs));
    QCOMPARE(mine.state(), Dataset::State::Edit);
    QCOMPARE(mine.value(col::kRecipientAddress), u"我的修改"_qs);
    mine.cancel();
    QVERIFY(failureOf([&] { mine.deleteCurrent(); }).contains(u"已在别处"_qs));
    // 乙 is gone: neither modified nor deleted.
    mine.moveTo(1);
    mine.edit();
    mine.setValue(col::kMobile, QStringLiteral("2"));
    QVERIFY(failureOf([&] { mine.post(); }).contains(u"已不存在"_qs));
    mine.cancel();
    QVERIFY(failureOf([&] { mine.deleteCurrent(); }).contains(u"已不存在"_qs));

    // After a reopen the other PC's changes show and can be modified.
    mine.close();
    mine.open();
    QCOMPARE(names(mine), (QStringList{u"甲"_qs, u"丙"_qs}));
    QCOMPARE(mine.valueAt(0, col::kMobile), QStringLiteral("999"));
    mine.moveTo(0);
    mine.edit();
    mine.setValue(col::kRecipientAddress, u"我的修改"_qs);
    mine.post();
    theirs.close();
    theirs.open();
    QCOMPARE(theirs.valueAt(0, col::kRecipientAddress), u"我的修改"_qs);
    QCOMPARE(theirs.valueAt(0, col::kMobile), QStringLiteral("999"));
}

void TestSharedStore::failedTransactionLeavesNothing()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Store store(backend);
    Connection connection(QStringLiteral("pc"));
    const QString insert = statements::insertRow(kRecipientTable, {col::kRecipientName});
    QVERIFY(failureOf([&] {
                connection.inTransaction([&] {
                    connection.exec(insert, {QStringLiteral("gone")});
                    connection.exec(QStringLiteral("select * from no_such_table"));
                });
            }).size()
            > 0);
    connection.inTransaction([&] { connection.exec(insert, {QStringLiteral("kept")}); });
    Dataset list(connection, QStringLiteral("list"));
    openAll(list, kRecipientTable);
    QCOMPARE(names(list), QStringList{QStringLiteral("kept")});
}

void TestSharedStore::importAndCalibrations()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Store store(backend);
    // The command line follows data.mdb to the store it names.
    for (const char *prefix : {"a", "b"}) {
        const QString csv = writeCsv(store.dir.file(QStringLiteral("list.csv")), QString::fromLatin1(prefix), 300);
        const Run run = runWaybill({QStringLiteral("import"), csv}, store.dir.path());
        QVERIFY2(run.status == 0, qPrintable(run.err));
    }
    Connection connection(QStringLiteral("pc"));
    Dataset imported(connection, QStringLiteral("ADOQuery1"));
    openAll(imported, kImportedTable);
    QCOMPARE(imported.rowCount(), 300);
    QCOMPARE(imported.valueAt(0, col::kRecipientName), QStringLiteral("b1"));
    QCOMPARE(imported.valueAt(299, col::kRecipientAddress), u"上海市浦东新区世纪大道1号, 2室"_qs);

    CalibrationStore calibrations(connection);
    QVERIFY(!calibrations.find(QStringLiteral("yt"), QString()));
    calibrations.save({QStringLiteral("yt"), QString(), 5, -2, 1.02, 1.0, u"黑体,12"_qs, QStringLiteral("#0000ff")});
    calibrations.save({QStringLiteral("yt"), QStringLiteral("LQ-630K"), 9, 0, 1.0, 1.0, {}, {}});
    calibrations.save({QStringLiteral("yt"), QStringLiteral("LQ-630K"), 10, 0, 1.0, 1.0, {}, {}});
    QCOMPARE(calibrations.find(QStringLiteral("yt"), QStringLiteral("LQ-630K"))->shiftX, 10);
    QCOMPARE(calibrations.find(QStringLiteral("yt"), QStringLiteral("other"))->font, u"黑体,12"_qs);
    QCOMPARE(calibrations.list().size(), 2);
    QCOMPARE(calibrations.clear(QStringLiteral("yt")), 2);
}

void TestSharedStore::importWhileAnotherPcReads()
{
    REQUIRE_SERVER();
    Store first(QStringLiteral("postgresql"));
    TempWorkdir secondPc;
    shared_store::join(secondPc.dbPath(), *first.server);
    const QString small = writeCsv(first.dir.file(QStringLiteral("small.csv")), QStringLiteral("old"), 1000);
    QCOMPARE(runWaybill({QStringLiteral("import"), small}, first.dir.path()).status, 0);

    // One PC imports 30,000 rows while the other reads the imported list
    // again and again: it sees the old workbook, the emptied table (the
    // import's described first step) or the whole new one, never a part.
    const QString big = writeCsv(first.dir.file(QStringLiteral("big.csv")), QStringLiteral("new"), 30000);
    QProcess import;
    import.setWorkingDirectory(first.dir.path());
    import.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("import"), big});
    QVERIFY(import.waitForStarted());
    Connection reader(QStringLiteral("pc2"));
    Dataset list(reader, QStringLiteral("ADOQuery1"));
    list.setStatement(Select::all(kImportedTable));
    QSet<int> seen;
    while (import.state() != QProcess::NotRunning) {
        list.close();
        list.open();
        QVERIFY2(list.rowCount() == 0 || list.rowCount() == 1000 || list.rowCount() == 30000,
                 qPrintable(QString::number(list.rowCount())));
        seen << list.rowCount();
        QCoreApplication::processEvents();
        import.waitForFinished(20);
    }
    QCOMPARE(import.exitCode(), 0);
    list.close();
    list.open();
    QCOMPARE(list.rowCount(), 30000);
    QCOMPARE(reader.server(), first.server);

    // Two PCs importing at once leave exactly one workbook.
    const QString other = writeCsv(secondPc.file(QStringLiteral("other.csv")), QStringLiteral("two"), 30000);
    QProcess one;
    QProcess two;
    one.setWorkingDirectory(first.dir.path());
    two.setWorkingDirectory(secondPc.path());
    one.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("import"), big});
    two.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("import"), other});
    QVERIFY(one.waitForFinished(120000) && two.waitForFinished(120000));
    QCOMPARE(one.exitCode() + two.exitCode(), 0);
    list.close();
    list.open();
    QCOMPARE(list.rowCount(), 30000);
    const QString firstName = list.valueAt(0, col::kRecipientName).left(3);
    for (int row = 0; row < list.rowCount(); row += 997)
        QCOMPARE(list.valueAt(row, col::kRecipientName).left(3), firstName);
}

void TestSharedStore::backupAndRestoreWhileShared()
{
    REQUIRE_SERVER();
    Store store(QStringLiteral("postgresql"));
    Connection connection(QStringLiteral("pc"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    openAll(list, kRecipientTable);
    appendRecipient(list, u"备份前"_qs, QStringLiteral("1"));
    CalibrationStore(connection).save({QStringLiteral("st"), QString(), 7, 0, 1.0, 1.0, {}, {}});

    // The backup is a local backup's file: data.mdb's format, the server's rows.
    QCOMPARE(runWaybill({QStringLiteral("backup"), QStringLiteral("kept")}, store.dir.path()).status, 0);
    const QString backup = store.dir.file(QStringLiteral("kept.bak"));
    QCOMPARE(integrityOf(backup), QStringLiteral("ok"));
    QCOMPARE(RawDb(backup).rows(QStringLiteral("select 收件人姓名 from inrxx")), QStringList{u"备份前"_qs});
    QCOMPARE(RawDb(backup).rows(QStringLiteral("select shift_x from calibration")), QStringList{QStringLiteral("7")});

    appendRecipient(list, u"备份后"_qs, QStringLiteral("2"));
    const Run restore = runWaybill({QStringLiteral("restore"), backup}, store.dir.path());
    QVERIFY2(restore.status == 0, qPrintable(restore.err));
    list.close();
    list.open();
    QCOMPARE(names(list), QStringList{u"备份前"_qs});
    QCOMPARE(list.rowCount(), 1);
    // What the restore replaced is kept beside data.mdb, and data.mdb still
    // points to the server.
    const QStringList safety = QDir(store.dir.path()).entryList({QStringLiteral("data.mdb.*.bak")});
    QCOMPARE(safety.size(), 1);
    QCOMPARE(RawDb(store.dir.file(safety.first())).rows(QStringLiteral("select 收件人姓名 from inrxx")),
             (QStringList{u"备份前"_qs, u"备份后"_qs}));
    QCOMPARE(shared_store::serverOf(store.dir.dbPath()), store.server);

    // A damaged backup changes nothing.
    writeAll(store.dir.file(QStringLiteral("bad.bak")), QByteArray(4096, 'x'));
    QCOMPARE(
        runWaybill({QStringLiteral("restore"), store.dir.file(QStringLiteral("bad.bak"))}, store.dir.path()).status, 1);
    list.close();
    list.open();
    QCOMPARE(names(list), QStringList{u"备份前"_qs});
}

void TestSharedStore::unshareBringsTheDataBack()
{
    REQUIRE_SERVER();
    TempWorkdir dir;
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, u"本地"_qs, QStringLiteral("1"));
    const ServerAddress server = TestServer::freshDatabase();
    const Run share = runWaybill({QStringLiteral("share"), server.url()}, dir.path());
    QVERIFY2(share.status == 0, qPrintable(share.err));
    {
        Connection connection(QStringLiteral("pc"));
        Dataset list(connection, QStringLiteral("ADOQuery2"));
        openAll(list, kRecipientTable);
        QCOMPARE(names(list), QStringList{u"本地"_qs});
        appendRecipient(list, u"共享时新增"_qs, QStringLiteral("2"));
    }
    // data.mdb kept the moment of sharing.
    QCOMPARE(RawDb(dir.dbPath()).rows(QStringLiteral("select 收件人姓名 from inrxx")), QStringList{u"本地"_qs});

    const Run unshare = runWaybill({QStringLiteral("unshare")}, dir.path());
    QVERIFY2(unshare.status == 0, qPrintable(unshare.err));
    QCOMPARE(RawDb(dir.dbPath()).rows(QStringLiteral("select 收件人姓名 from inrxx")),
             (QStringList{u"本地"_qs, u"共享时新增"_qs}));
    QVERIFY(!shared_store::serverOf(dir.dbPath()));
    Connection local(QStringLiteral("local"));
    local.open();
    QCOMPARE(local.backend(), Backend::Sqlite);
    QCOMPARE(runWaybill({QStringLiteral("unshare")}, dir.path()).status, 1);
}

void TestSharedStore::interruptedShareIsFinishedByRunningItAgain()
{
    REQUIRE_SERVER();
    TempWorkdir dir;
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, u"本地"_qs, QStringLiteral("1"));
    const ServerAddress server = TestServer::freshDatabase();
    struct Stopped {};
    // The share stops (as if killed) once the server holds the data.
    QVERIFY_THROWS_EXCEPTION(Stopped, shared_store::share(dir.dbPath(), server, [] { throw Stopped(); }));
    QVERIFY(!shared_store::serverOf(dir.dbPath()));
    // The folder keeps working on its own data meanwhile.
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, u"中断后新增"_qs, QStringLiteral("2"));

    // Another folder cannot take that server for a share of its own.
    {
        TempWorkdir other;
        const Run taken = runWaybill({QStringLiteral("share"), server.url()}, other.path());
        QCOMPARE(taken.status, 1);
        QVERIFY2(taken.err.contains(u"已有本软件的数据"_qs), qPrintable(taken.err));
    }
    QDir::setCurrent(dir.path());

    const Run again = runWaybill({QStringLiteral("share"), server.url()}, dir.path());
    QVERIFY2(again.status == 0, qPrintable(again.err));
    QCOMPARE(shared_store::serverOf(dir.dbPath())->url(), server.url());
    Connection connection(QStringLiteral("pc"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    openAll(list, kRecipientTable);
    QCOMPARE(connection.backend(), Backend::Postgres);
    QCOMPARE(names(list), (QStringList{u"本地"_qs, u"中断后新增"_qs}));
    list.close();
    connection.close();

    // Once finished, the same folder is told it already shares.
    const Run twice = runWaybill({QStringLiteral("share"), server.url()}, dir.path());
    QCOMPARE(twice.status, 1);
    QVERIFY2(twice.err.contains(u"已经共享"_qs), qPrintable(twice.err));
}

void TestSharedStore::formsAndThePrintRecordReachEveryPc()
{
    REQUIRE_SERVER();
    TempWorkdir first;
    RawDb(first.dbPath()).addRecipient(kRecipientTable, QStringLiteral("Zhang"), QStringLiteral("1"));
    QCOMPARE(runWaybill({"form", "copy", "st", "mine", "--name", u"我的快递单"_qs}, first.path()).status, 0);
    QCOMPARE(
        runWaybill({"print", "st", "--number", "ST0099", "--pdf", first.file(QStringLiteral("0.pdf"))}, first.path())
            .status,
        0);
    const ServerAddress server = TestServer::freshDatabase();
    const Run shared = runWaybill({QStringLiteral("share"), server.url()}, first.path());
    QVERIFY2(shared.status == 0, qPrintable(shared.err));
    TempWorkdir second;
    QCOMPARE(runWaybill({"share", "--join", server.url()}, second.path()).status, 0);
    // The other PC lists the form, prints with it, and a form it adds is seen by the first.
    QVERIFY(runWaybill({"form", "list"}, second.path()).out.contains(u"mine\t我的快递单"_qs));
    const Run printed =
        runWaybill({"print", "mine", "--number", "M7", "--pdf", second.file(QStringLiteral("a.pdf"))}, second.path());
    QVERIFY2(printed.status == 0, qPrintable(printed.err));
    QCOMPARE(runWaybill({"form", "copy", "mine", "theirs", "--name", u"他们的快递单"_qs}, second.path()).status, 0);
    QVERIFY(runWaybill({"form", "list"}, first.path()).out.contains(u"theirs\t他们的快递单"_qs));
    // The record went to the server with the data; both PCs' prints are in it, numbered in order.
    const QStringList record =
        runWaybill({"log", "list"}, first.path()).out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(record.size(), 2);
    QVERIFY2(record[0].startsWith(u"1\t"_qs) && record[0].contains(u"\tst\tST0099\tZhang"_qs), qPrintable(record[0]));
    QVERIFY2(record[1].startsWith(u"2\t"_qs) && record[1].contains(u"\tmine\tM7\tZhang"_qs), qPrintable(record[1]));
    QCOMPARE(runWaybill({"log", "number", "2", "M8"}, first.path()).status, 0);
    QVERIFY(runWaybill({"log", "list", "--find", "M8"}, second.path()).out.contains(u"\tmine\tM8\t"_qs));
}

void TestSharedStore::shareRefusals_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("message");
    QTest::newRow("server already holds data") << "taken" << u"已有本软件的数据"_qs;
    QTest::newRow("join an empty database") << "join empty" << u"缺少数据表"_qs;
    QTest::newRow("wrong password") << "wrong password" << u"密码错误"_qs;
    QTest::newRow("no password") << "no password" << u"没有密码"_qs;
    QTest::newRow("password in the address") << "password in url" << u"密码不能写在地址里"_qs;
    QTest::newRow("no such database") << "no database" << u"没有这个数据库"_qs;
}

void TestSharedStore::shareRefusals()
{
    QFETCH(QString, situation);
    QFETCH(QString, message);
    REQUIRE_SERVER();
    TempWorkdir dir;
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, u"本地"_qs, QStringLiteral("1"));
    const QByteArray before = readAll(dir.dbPath());
    ServerAddress server = TestServer::freshDatabase();
    QStringList args{QStringLiteral("share")};
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (situation == QStringLiteral("taken")) {
        TempWorkdir other;
        shared_store::share(other.dbPath(), server);
    } else if (situation == QStringLiteral("join empty")) {
        args << QStringLiteral("--join");
    } else if (situation == QStringLiteral("wrong password")) {
        writeAll(dir.file(QStringLiteral("pgpass")), QStringLiteral("*:*:*:*:not-the-password\n").toUtf8());
        QFile::setPermissions(dir.file(QStringLiteral("pgpass")), QFile::ReadOwner | QFile::WriteOwner);
        environment.insert(QStringLiteral("PGPASSFILE"), dir.file(QStringLiteral("pgpass")));
    } else if (situation == QStringLiteral("no password")) {
        environment.insert(QStringLiteral("PGPASSFILE"), dir.file(QStringLiteral("none")));
    } else if (situation == QStringLiteral("no database")) {
        server.database = QStringLiteral("no_such_database");
    }
    args << (situation == QStringLiteral("password in url")
                 ? server.url().replace(u"waybill_test@"_qs, u"waybill_test:pw@"_qs)
                 : server.url());
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(dir.path());
    process.start(QStringLiteral(WAYBILL_BINARY), args);
    QVERIFY(process.waitForFinished(60000));
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QVERIFY(process.exitCode() != 0);
    QVERIFY2(err.contains(message), qPrintable(err));
    // data.mdb is as it was: not shared, its data untouched.
    QCOMPARE(readAll(dir.dbPath()), before);
}

void TestSharedStore::unreachableServerIsADatabaseError()
{
    REQUIRE_SERVER();
    TempWorkdir dir;
    shared_store::join(dir.dbPath(), *Store(QStringLiteral("postgresql")).server);
    // The server goes away (a port where nothing listens).
    RawDb(dir.dbPath())
        .exec(QStringLiteral("update shared_store set url = 'postgresql://waybill_test@127.0.0.1:1/gone'"));
    const Run run = runWaybill({QStringLiteral("export"), QStringLiteral("list.xls")}, dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(u"服务器没有响应"_qs), qPrintable(run.err));
    QVERIFY(!QFile::exists(dir.file(QStringLiteral("list.xls"))));
    Connection connection(QStringLiteral("pc"));
    QVERIFY(failureOf([&] { connection.open(); }).contains(u"无法连接共享数据库"_qs));
    // The connection falls back to nothing: it is closed, not half open.
    QVERIFY(!connection.isOpen());
}

QTEST_GUILESS_MAIN(TestSharedStore)
#include "test_shared_store.moc"

void TestSharedStore::numbersAndOrdersAreGivenOnce()
{
    QFETCH(QString, backend);
    REQUIRE_BACKEND(backend);
    Store store(backend);
    const TempWorkdir &dir = store.dir;
    QVERIFY(runWaybill({"import", writeCsv(dir.file("list.csv"), QStringLiteral("Li"), 3)}, dir.path()).status == 0);
    QCOMPARE(runWaybill({"print", "st", "--imported", "--batch", "--number", "ST0001", "--pdf", dir.file("a.pdf")},
                        dir.path())
                 .status,
             0);
    // A number another entry of the form holds.
    Run run = runWaybill({"log", "number", "2", "ST0001"}, dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(u"运单号 ST0001 已用于第 1 条（Li1，"_qs), qPrintable(run.err));
    // The same rows again.
    run = runWaybill(
        {"print", "st", "--imported", "--batch", "--pages", "2-3", "--number", "ST0010", "--pdf", dir.file("b.pdf")},
        dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(u"这 2 张已于"_qs) && run.err.contains(u"（运单号 ST0002–ST0003）"_qs),
             qPrintable(run.err));
    run = runWaybill({"print", "st", "--imported", "--batch", "--pages", "1-1", "--number", "ST0003", "--again",
                      "--pdf", dir.file("c.pdf")},
                     dir.path());
    QCOMPARE(run.status, 1);
    QVERIFY2(run.err.contains(u"运单号 ST0003 已用于第 3 条"_qs), qPrintable(run.err));
    // Two PCs giving one number to two entries at once: one of them is refused.
    QProcess first;
    QProcess second;
    for (QProcess *process : {&first, &second})
        process->setWorkingDirectory(dir.path());
    first.start(QStringLiteral(WAYBILL_BINARY), {"log", "number", "2", "ST0050"});
    second.start(QStringLiteral(WAYBILL_BINARY), {"log", "number", "3", "ST0050"});
    QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
    QCOMPARE(first.exitCode() + second.exitCode(), 1);
    const QString refused = QString::fromUtf8((first.exitCode() ? first : second).readAllStandardError());
    QVERIFY2(refused.contains(u"运单号 ST0050 已用于"_qs), qPrintable(refused));
    const QString listed = runWaybill({"log", "list"}, dir.path()).out;
    QCOMPARE(listed.count(u"\tST0050\t"_qs), 1);
}
