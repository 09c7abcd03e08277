// The data store on real SQLite files: creating the file, opening bad files,
// the record operations, searches with hostile texts, the reopen procedure
// and visibility across connections.

#include "jet_damage.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/dataset_model.h"
#include "store/db_error.h"
#include "store/jet_database.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "store/use_marks.h"
#include "test_support.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QtTest>

using namespace schema;

class TestStore : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void oldWindowsDataAreCarriedOver_data();
    void oldWindowsDataAreCarriedOver();
    void damagedOldDataChangeNothing();
    void oldDataThatDoNotAddUpAreRefused_data();
    void oldDataThatDoNotAddUpAreRefused();
    void longMemosArriveWhole();
    void migratedFilesAreTheUsersOwn_data();
    void migratedFilesAreTheUsersOwn();
    void createdFileHasTablesInOrderAllText();
    void createRefusesExistingFile();
    void badFilesGiveDatabaseErrorAndStayUntouched_data();
    void badFilesGiveDatabaseErrorAndStayUntouched();
    void missingFileIsNeverCreated();
    void damagedFileRefusesWritesAndNamesTheBackup_data();
    void damagedFileRefusesWritesAndNamesTheBackup();
    void editOfEmptySenderInsertsItsRow();
    void appendPostsAtEndAndBecomesCurrent();
    void deleteCurrentMovesToNextOrPrevious_data();
    void deleteCurrentMovesToNextOrPrevious();
    void stepsThroughRowsToTheEnd();
    void unknownColumnIsDatabaseError();
    void textsRoundTripUnchanged_data();
    void textsRoundTripUnchanged();
    void searchMatchesAnywhereAndBindsText_data();
    void searchMatchesAnywhereAndBindsText();
    void reopenResetsSearchAndReadsWorkingDirectoryAfresh();
    void changeShowsInOtherConnectionAfterReopen();
    void updateOfRowDeletedElsewhereFails_data();
    void updateOfRowDeletedElsewhereFails();
    void rowsStoredInOtherFormsCanStillBeChanged_data();
    void rowsStoredInOtherFormsCanStillBeChanged();
    void failedPostKeepsEditState();
    void modelFollowsDataset();
    void windowsReadTheListInOrder_data();
    void windowsReadTheListInOrder();
    void modelFetchesRowsAsTheGridScrolls_data();
    void modelFetchesRowsAsTheGridScrolls();
    void pageRangeReadsOnlyItsRows_data();
    void pageRangeReadsOnlyItsRows();
    void largeFileIsCheckedAfterAnUncleanEnd_data();
    void largeFileIsCheckedAfterAnUncleanEnd();
};

void TestStore::createdFileHasTablesInOrderAllText()
{
    TempWorkdir dir;
    RawDb raw(dir.dbPath());
    for (const QString &table : {kSenderTable, kRecipientTable, kImportedTable}) {
        QStringList names, types;
        for (const QString &row : raw.rows(QStringLiteral("pragma table_info(%1)").arg(table))) {
            const QStringList parts = row.split(QLatin1Char('|'));
            names << parts[1];
            types << parts[2];
        }
        const QStringList expected = table == kSenderTable
            ? QStringList{u"单位名称"_qs, u"寄件人姓名"_qs, u"始发地"_qs,   u"寄件地址"_qs,
                          u"邮政编码"_qs, u"联系电话"_qs,   u"手机号码"_qs, u"签名"_qs,
                          u"年"_qs,       u"月"_qs,         u"日"_qs}
            : QStringList{u"单位名称"_qs, u"收件人姓名"_qs, u"目的地"_qs,   u"收件地址"_qs, u"邮政编码"_qs,
                          u"联系电话"_qs, u"手机号码"_qs,   u"内件品名"_qs, u"数量"_qs,     u"备注"_qs};
        QCOMPARE(names, expected);
        QCOMPARE(types, QStringList(expected.size(), QStringLiteral("TEXT")));
    }
    // Rollback journal, so that a plain copy holds every committed change.
    QCOMPARE(raw.rows(QStringLiteral("pragma journal_mode")), QStringList{QStringLiteral("delete")});
}

void TestStore::createRefusesExistingFile()
{
    TempWorkdir dir(false);
    writeAll(dir.dbPath(), "keep me");
    QVERIFY_THROWS_EXCEPTION(DbError, createEmptyDatabase(dir.dbPath()));
    QCOMPARE(readAll(dir.dbPath()), QByteArray("keep me"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
}

void TestStore::badFilesGiveDatabaseErrorAndStayUntouched_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("dropTable");
    QTest::addColumn<QString>("says"); // what the message explains
    const QString notDatabase = u"不是数据库文件，或文件已损坏。请用“数据备份与恢复”恢复最近的备份（"_qs;
    QTest::newRow("empty") << QByteArray() << QString() << u"outrxx"_qs;
    QTest::newRow("random bytes") << QByteArray(5000, '\x5a').append("\x01\x02\x03") << QString() << notDatabase;
    QTest::newRow("text file") << QByteArray("name,mobile\nzhang,138\n") << QString() << notDatabase;
    QTest::newRow("truncated") << QByteArray("truncate") << QString() << u"已损坏"_qs;
    QTest::newRow("no inrxx") << QByteArray() << kRecipientTable << u"inrxx"_qs;
    QTest::newRow("no outrxx") << QByteArray() << kSenderTable << u"outrxx"_qs;
    QTest::newRow("a folder") << QByteArray("folder") << QString() << u"无法打开文件（文件不存在、没有读写权限"_qs;
}

void TestStore::badFilesGiveDatabaseErrorAndStayUntouched()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, dropTable);
    QFETCH(QString, says);
    TempWorkdir dir;
    if (content == "truncate") {
        {
            RawDb raw(dir.dbPath());
            for (int i = 0; i < 300; ++i)
                raw.addRecipient(kRecipientTable, QString(200, QLatin1Char('x')), QString::number(i));
        }
        writeAll(dir.dbPath(), readAll(dir.dbPath()).left(3000));
    } else if (content == "folder") {
        QFile::remove(dir.dbPath());
        QDir().mkdir(dir.dbPath());
    } else if (!dropTable.isEmpty()) {
        RawDb raw(dir.dbPath());
        raw.exec(QStringLiteral("drop table ") + dropTable);
    } else {
        writeAll(dir.dbPath(), content);
    }
    const QByteArray before = readAll(dir.dbPath());

    Connection connection(QStringLiteral("test"));
    Dataset sender(connection, QStringLiteral("ADOQuery1"));
    Dataset recipients(connection, QStringLiteral("ADOQuery2"));
    bool failed = false;
    try {
        reopen(connection, {{&sender, kSenderTable}, {&recipients, kRecipientTable}});
        // A truncated file may open; reading every row must then fail.
        recipients.last();
    } catch (const DbError &error) {
        failed = true;
        QVERIFY2(error.text().contains(says), qPrintable(error.text()));
    }
    QVERIFY(failed);
    connection.close();
    QCOMPARE(readAll(dir.dbPath()), before);
}

void TestStore::damagedFileRefusesWritesAndNamesTheBackup_data()
{
    QTest::addColumn<bool>("withBackup");
    QTest::newRow("a backup beside it") << true;
    QTest::newRow("no backup") << false;
}

void TestStore::damagedFileRefusesWritesAndNamesTheBackup()
{
    QFETCH(bool, withBackup);
    TempWorkdir dir;
    const QByteArray bytes = damageDatabase(dir.dbPath());
    if (withBackup) {
        writeAll(dir.file(QStringLiteral("old.bak")), "old");
        writeAll(dir.file(QStringLiteral("data.mdb.20261201-120000.bak")), "newer");
        QFile(dir.file(QStringLiteral("old.bak")))
            .setFileTime(QDateTime::currentDateTime().addDays(-3), QFileDevice::FileModificationTime);
    }

    Connection connection(QStringLiteral("test"));
    connection.open();
    const QString damage = connection.damage();
    QVERIFY2(damage.contains(u"已损坏"_qs) && damage.contains(u"不能保存任何修改"_qs), qPrintable(damage));
    QVERIFY2(withBackup ? damage.contains(QStringLiteral("data.mdb.20261201-120000.bak"))
                        : damage.contains(u"没有找到备份文件"_qs),
             qPrintable(damage));
    // Every write is refused with the same words, and the file stays as it was.
    for (const QString &write : {u"insert into excel (收件人姓名) values ('新')"_qs, u"delete from outrxx"_qs}) {
        try {
            connection.exec(write);
            QFAIL("a write into a damaged file succeeded");
        } catch (const DbError &error) {
            QVERIFY2(error.text().startsWith(damage), qPrintable(error.text()));
        }
    }
    QVERIFY_THROWS_EXCEPTION(DbError, connection.inTransaction([] {}));
    connection.close();
    QCOMPARE(readAll(dir.dbPath()), bytes);
    // A sound file opens for writing as before.
    TempWorkdir sound;
    Connection healthy(QStringLiteral("healthy"));
    healthy.open();
    QVERIFY(healthy.damage().isEmpty());
    healthy.exec(u"insert into excel (收件人姓名) values ('新')"_qs);
}

void TestStore::missingFileIsNeverCreated()
{
    TempWorkdir dir(false);
    Connection connection(QStringLiteral("test"));
    try {
        connection.open();
        QFAIL("opening a missing file succeeded");
    } catch (const DbError &error) {
        QVERIFY(error.text().contains(QStringLiteral("data.mdb")));
    }
    QVERIFY(!QFile::exists(dir.dbPath()));
}

void TestStore::editOfEmptySenderInsertsItsRow()
{
    TempWorkdir dir;
    Connection connection(QStringLiteral("test"));
    Dataset sender(connection, QStringLiteral("ADOQuery1"));
    sender.setStatement(Select::all(kSenderTable));
    sender.open();
    QVERIFY(!sender.hasCurrent());
    QCOMPARE(sender.value(col::kYear), QString());

    sender.edit();
    sender.setValue(col::kYear, QStringLiteral("2026"));
    sender.setValue(col::kMonth, QStringLiteral("7"));
    sender.setValue(col::kDay, QStringLiteral("5"));
    sender.post();
    QCOMPARE(sender.rowCount(), 1);

    // A second edit changes that row instead of adding one.
    sender.edit();
    sender.setValue(col::kDay, QStringLiteral("6"));
    sender.post();
    RawDb raw(dir.dbPath());
    QCOMPARE(raw.rows(QStringLiteral("select 寄件人姓名 is null, 年, 月, 日 from outrxx")),
             QStringList{QStringLiteral("1|2026|7|6")});
}

void TestStore::appendPostsAtEndAndBecomesCurrent()
{
    TempWorkdir dir;
    {
        RawDb raw(dir.dbPath());
        raw.addRecipient(kRecipientTable, QStringLiteral("a"), QStringLiteral("1"));
        raw.addRecipient(kRecipientTable, QStringLiteral("b"), QStringLiteral("2"));
    }
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    list.append();
    for (const QString &column : recipientColumns())
        list.setValue(column, column + QStringLiteral("-c"));
    list.post();
    QCOMPARE(list.rowCount(), 3);
    QCOMPARE(list.currentRow(), 2);
    QCOMPARE(list.value(col::kRecipientName), QStringLiteral(u"收件人姓名-c"));
    list.open();
    QCOMPARE(list.valueAt(2, list.columnIndex(col::kRemarks)), QStringLiteral(u"备注-c"));
}

void TestStore::deleteCurrentMovesToNextOrPrevious_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("deleteAt");
    QTest::addColumn<QString>("newCurrent"); // name of the current row afterwards
    QTest::addColumn<QString>("remaining");
    QTest::newRow("first of three") << 3 << 0 << "r1"
                                    << "r1,r2";
    QTest::newRow("middle of three") << 3 << 1 << "r2"
                                     << "r0,r2";
    QTest::newRow("last of three") << 3 << 2 << "r1"
                                   << "r0,r1";
    QTest::newRow("only row") << 1 << 0 << ""
                              << "";
}

void TestStore::deleteCurrentMovesToNextOrPrevious()
{
    QFETCH(int, rows);
    QFETCH(int, deleteAt);
    QFETCH(QString, newCurrent);
    QFETCH(QString, remaining);
    TempWorkdir dir;
    RawDb raw(dir.dbPath());
    for (int i = 0; i < rows; ++i)
        raw.addRecipient(kRecipientTable, QStringLiteral("r%1").arg(i), QString::number(i));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    list.moveTo(deleteAt);
    list.deleteCurrent();
    QCOMPARE(list.value(col::kRecipientName), newCurrent);
    QCOMPARE(list.hasCurrent(), !newCurrent.isEmpty());
    QCOMPARE(raw.rows(QStringLiteral("select 收件人姓名 from inrxx")).join(QLatin1Char(',')), remaining);
}

void TestStore::stepsThroughRowsToTheEnd()
{
    TempWorkdir dir;
    RawDb raw(dir.dbPath());
    for (int i = 0; i < 4; ++i)
        raw.addRecipient(kRecipientTable, QStringLiteral("r%1").arg(i), QString::number(i));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    list.moveTo(2);
    QStringList seen;
    while (!list.atEnd()) {
        seen << list.value(col::kRecipientName);
        list.next();
    }
    QCOMPARE(seen, (QStringList{QStringLiteral("r2"), QStringLiteral("r3")}));
    QCOMPARE(list.currentRow(), 3); // stays on the last row
    list.first();
    QVERIFY(!list.atEnd());
    QCOMPARE(list.columnNames(), recipientColumns());
    QCOMPARE(list.columnCount(), 10);
}

void TestStore::unknownColumnIsDatabaseError()
{
    TempWorkdir dir;
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    QVERIFY_THROWS_EXCEPTION(DbError, list.value(QStringLiteral(u"寄件人姓名")));
    list.append();
    QVERIFY_THROWS_EXCEPTION(DbError, list.setValue(QStringLiteral("nope"), QStringLiteral("x")));
    // A search on a column the table lacks fails when the dataset opens.
    list.setStatement(Select::search(kRecipientTable, QStringLiteral("nope"), QStringLiteral("x")));
    QVERIFY_THROWS_EXCEPTION(DbError, list.open());
}

void TestStore::textsRoundTripUnchanged_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("quotes") << QStringLiteral("O'Brien \"the\" '' \"\"");
    QTest::newRow("wildcards") << QStringLiteral("100% _under_ [x]");
    QTest::newRow("outside GBK") << QStringLiteral(u"𠀀𠀁 😀 丂 ㈱ €");
    QTest::newRow("newlines") << QStringLiteral("line1\r\nline2\nline3");
    QTest::newRow("long") << QString(100000, QChar(0x4E2D));
    QTest::newRow("blank") << QStringLiteral(" ");
    QTest::newRow("sql") << QStringLiteral("x'); drop table inrxx; --");
}

void TestStore::textsRoundTripUnchanged()
{
    QFETCH(QString, text);
    TempWorkdir dir;
    {
        Connection connection(QStringLiteral("writer"));
        Dataset list(connection, QStringLiteral("ADOQuery2"));
        list.setStatement(Select::all(kRecipientTable));
        list.open();
        list.append();
        list.setValue(col::kRemarks, text);
        list.post();
        list.edit();
        list.setValue(col::kRecipientName, text);
        list.post();
    }
    Connection connection(QStringLiteral("reader"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(list.value(col::kRemarks), text);
    QCOMPARE(list.value(col::kRecipientName), text);
}

void TestStore::searchMatchesAnywhereAndBindsText_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("found");
    const QString mobile = col::kMobile;
    const QString name = col::kRecipientName;
    QTest::newRow("13 at start, middle, end") << mobile << "13" << u"张三,李四,王五"_qs;
    QTest::newRow("name part") << name << u"李"_qs << u"李四,李'明"_qs;
    QTest::newRow("percent is a wildcard") << name << "%" << u"张三,李四,王五,李'明,引\"号,百%分,下_划"_qs;
    QTest::newRow("underscore is a wildcard") << name << u"下_"_qs << u"下_划"_qs;
    QTest::newRow("apostrophe literal") << name << "'" << u"李'明"_qs;
    QTest::newRow("double quote literal") << name << "\"" << u"引\"号"_qs;
    QTest::newRow("injection attempt") << name << "\" or 1=1 or \""
                                       << "";
    QTest::newRow("injection attempt 2") << name << "' or '1'='1"
                                         << "";
    QTest::newRow("no match") << mobile << "999"
                              << "";
}

void TestStore::searchMatchesAnywhereAndBindsText()
{
    QFETCH(QString, column);
    QFETCH(QString, text);
    QFETCH(QString, found);
    TempWorkdir dir;
    {
        RawDb raw(dir.dbPath());
        raw.addRecipient(kRecipientTable, u"张三"_qs, QStringLiteral("13800000000"));
        raw.addRecipient(kRecipientTable, u"李四"_qs, QStringLiteral("15913000000"));
        raw.addRecipient(kRecipientTable, u"王五"_qs, QStringLiteral("15900000013"));
        raw.addRecipient(kRecipientTable, u"李'明"_qs, QStringLiteral("1"));
        raw.addRecipient(kRecipientTable, u"引\"号"_qs, QStringLiteral("2"));
        raw.addRecipient(kRecipientTable, u"百%分"_qs, QStringLiteral("3"));
        raw.addRecipient(kRecipientTable, u"下_划"_qs, QStringLiteral("4"));
    }
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::search(kRecipientTable, column, text));
    list.open();
    QStringList names;
    for (int row = 0; row < list.rowCount(); ++row)
        names << list.valueAt(row, list.columnIndex(col::kRecipientName));
    QCOMPARE(names.join(QLatin1Char(',')), found);
    RawDb raw(dir.dbPath());
    QCOMPARE(raw.rows(QStringLiteral("select count(*) from inrxx")), QStringList{QStringLiteral("7")});
}

void TestStore::reopenResetsSearchAndReadsWorkingDirectoryAfresh()
{
    TempWorkdir first;
    RawDb(first.dbPath()).addRecipient(kRecipientTable, QStringLiteral("first-a"), QStringLiteral("1"));
    RawDb(first.dbPath()).addRecipient(kRecipientTable, QStringLiteral("first-b"), QStringLiteral("2"));

    Connection connection(QStringLiteral("test"));
    Dataset sender(connection, QStringLiteral("ADOQuery1"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&sender, kSenderTable}, {&list, kRecipientTable}});
    list.setStatement(Select::search(kRecipientTable, col::kRecipientName, QStringLiteral("b")));
    list.open();
    QCOMPARE(list.rowCount(), 1);

    reopen(connection, {{&sender, kSenderTable}, {&list, kRecipientTable}});
    QVERIFY(!list.statement().isSearch());
    QCOMPARE(list.rowCount(), 2);
    QCOMPARE(list.currentRow(), 0);

    TempWorkdir second; // changes the working directory
    RawDb(second.dbPath()).addRecipient(kRecipientTable, QStringLiteral("second"), QStringLiteral("3"));
    reopen(connection, {{&sender, kSenderTable}, {&list, kRecipientTable}});
    QCOMPARE(list.rowCount(), 1);
    QCOMPARE(list.value(col::kRecipientName), QStringLiteral("second"));
    QCOMPARE(connection.filePath(), second.dbPath());
}

void TestStore::changeShowsInOtherConnectionAfterReopen()
{
    TempWorkdir dir;
    Connection mainConnection(QStringLiteral("main"));
    Connection batchConnection(QStringLiteral("batch"));
    Dataset mainList(mainConnection, QStringLiteral("ADOQuery2"));
    Dataset batchList(batchConnection, QStringLiteral("ADODataSet1"));
    reopen(mainConnection, {{&mainList, kRecipientTable}});
    reopen(batchConnection, {{&batchList, kRecipientTable}});

    mainList.append();
    mainList.setValue(col::kRecipientName, QStringLiteral("new"));
    mainList.post();
    QCOMPARE(batchList.rowCount(), 0); // a snapshot
    batchList.open();
    QCOMPARE(batchList.rowCount(), 1);
    QCOMPARE(batchList.value(col::kRecipientName), QStringLiteral("new"));
}

void TestStore::updateOfRowDeletedElsewhereFails_data()
{
    // What another program did to the row, what this one tries, and the
    // message: in the user's words, never the dataset's name.
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("elsewhere"); // "delete" or "change"
    QTest::addColumn<QString>("operation"); // "modify" or "delete"
    QTest::addColumn<QString>("message");
    QTest::newRow("modify a deleted recipient")
        << kRecipientTable << "delete"
        << "modify" << u"要修改的收件人已不存在（可能已被删除），修改未保存。"_qs;
    QTest::newRow("modify a changed recipient")
        << kRecipientTable << "change"
        << "modify" << u"要修改的收件人已在别处（其他电脑或窗口）被修改，修改未保存。请按“刷新”后再修改。"_qs;
    QTest::newRow("delete a changed imported row")
        << kImportedTable << "change"
        << "delete" << u"要删除的导入的收件人已在别处（其他电脑或窗口）被修改，未删除。请按“刷新”后再看。"_qs;
    QTest::newRow("delete a deleted recipient")
        << kRecipientTable << "delete"
        << "delete" << u"要删除的收件人已不存在（可能已被别处删除）。请按“刷新”。"_qs;
}

void TestStore::updateOfRowDeletedElsewhereFails()
{
    QFETCH(QString, table);
    QFETCH(QString, elsewhere);
    QFETCH(QString, operation);
    QFETCH(QString, message);
    TempWorkdir dir;
    RawDb raw(dir.dbPath());
    raw.addRecipient(table, QStringLiteral("first"), QStringLiteral("1"));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(table));
    list.open();
    raw.exec(elsewhere == QStringLiteral("delete") ? QStringLiteral("delete from %1").arg(table)
                                                   : QStringLiteral("update %1 set 手机号码 = '2'").arg(table));
    const QStringList before = raw.rows(QStringLiteral("select 收件人姓名, 手机号码 from %1").arg(table));
    QString shown;
    try {
        if (operation == QStringLiteral("modify")) {
            list.edit();
            list.setValue(col::kRecipientName, QStringLiteral("changed"));
            list.post();
        } else {
            list.deleteCurrent();
        }
    } catch (const DbError &error) {
        shown = error.text();
    }
    QCOMPARE(shown, message);
    QCOMPARE(raw.rows(QStringLiteral("select 收件人姓名, 手机号码 from %1").arg(table)), before);
}

void TestStore::rowsStoredInOtherFormsCanStillBeChanged_data()
{
    QTest::addColumn<QString>("stored"); // an SQL value for 收件人姓名
    QTest::newRow("bytes that are not UTF-8 (GBK)") << "cast(x'd5c5c8fd' as text)";
    QTest::newRow("a number") << "12345";
    QTest::newRow("a blob") << "x'00ff'";
}

void TestStore::rowsStoredInOtherFormsCanStillBeChanged()
{
    // Rows another program wrote do not compare in SQL with the texts read
    // from them; they are still as read, so modify and delete work.
    QFETCH(QString, stored);
    TempWorkdir dir;
    RawDb raw(dir.dbPath());
    QVERIFY(raw.exec(QStringLiteral("insert into inrxx (收件人姓名, 手机号码) values (%1, '1')").arg(stored)));
    QVERIFY(raw.exec(QStringLiteral("insert into inrxx (收件人姓名, 手机号码) values (%1, '2')").arg(stored)));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    list.edit();
    list.setValue(col::kMobile, QStringLiteral("139"));
    list.post();
    list.moveTo(1);
    list.deleteCurrent();
    QCOMPARE(raw.rows(QStringLiteral("select 手机号码 from inrxx")), QStringList{QStringLiteral("139")});
}

void TestStore::failedPostKeepsEditState()
{
    TempWorkdir dir;
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    RawDb(dir.dbPath()).exec(QStringLiteral("drop table inrxx"));
    list.append();
    list.setValue(col::kRecipientName, QStringLiteral("kept"));
    QVERIFY_THROWS_EXCEPTION(DbError, list.post());
    QCOMPARE(list.state(), Dataset::State::Insert);
    QCOMPARE(list.value(col::kRecipientName), QStringLiteral("kept"));
    QCOMPARE(list.rowCount(), 0);
}

void TestStore::modelFollowsDataset()
{
    TempWorkdir dir;
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, QStringLiteral("a"), QStringLiteral("1"));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    DatasetModel model(list,
                       {{col::kMobile, QStringLiteral(u"手机号码")},
                        {QStringLiteral("missing"), QStringLiteral("x")},
                        {col::kRecipientName, QStringLiteral(u"姓 名")}});
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral(u"姓 名"));
    QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("a"));
    QCOMPARE(model.index(0, 1).data().toString(), QString());

    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
    list.append();
    list.setValue(col::kRecipientName, QStringLiteral("b"));
    list.post();
    QCOMPARE(inserted.size(), 1);
    QCOMPARE(model.index(1, 2).data().toString(), QStringLiteral("b"));
    list.first();
    list.deleteCurrent();
    QCOMPARE(removed.size(), 1);
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, 2).data().toString(), QStringLiteral("b"));
}

void TestStore::oldWindowsDataAreCarriedOver_data()
{
    QTest::addColumn<QString>("fixture");
    // Written by an independent Jet writer, with the old program's database password.
    QTest::newRow("every column text") << u"data-pw"_qs;
    QTest::newRow("AutoNumber key and Memo columns") << u"data-key-memo"_qs;
}

void TestStore::oldWindowsDataAreCarriedOver()
{
    QFETCH(QString, fixture);
    const QString fixtures = QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/legacy-mdb/");
    TempWorkdir dir(false);
    QFile::copy(fixtures + fixture + u".mdb"_qs, dir.dbPath());
    QFile::setPermissions(dir.dbPath(), QFile::ReadOwner | QFile::WriteOwner);
    const QByteArray original = readAll(dir.dbPath());
    QVERIFY(isJetDatabase(dir.dbPath()));
    const JetMigration migration = migrateJetDatabase(dir.dbPath());
    QVERIFY(!isJetDatabase(dir.dbPath()));
    QCOMPARE(readAll(migration.backup), original);
    // Every row of the writer's own reading, value for value, by column name
    // (a NULL cell reads as empty text).
    QFile expected(fixtures + fixture + u".expected.jsonl"_qs);
    QVERIFY(expected.open(QIODevice::ReadOnly));
    QHash<QString, QStringList> columns;
    QHash<QString, QStringList> wanted;
    while (!expected.atEnd()) {
        const QJsonObject line = QJsonDocument::fromJson(expected.readLine()).object();
        const QString table = line.value(u"table"_qs).toString();
        if (line.contains(u"columns"_qs)) {
            for (const QJsonValue &column : line.value(u"columns"_qs).toArray())
                columns[table] << column.toString();
            continue;
        }
        QStringList row;
        for (const QJsonValue &value : line.value(u"row"_qs).toArray())
            row << value.toString();
        wanted[table] << row.join(QLatin1Char('|'));
    }
    RawDb raw(dir.dbPath());
    for (const QString &table : {kSenderTable, kRecipientTable, kImportedTable}) {
        QStringList quoted;
        for (const QString &column : columns.value(table))
            quoted << u"ifnull(\""_qs + column + u"\", '')"_qs;
        QCOMPARE(
            raw.rows(u"select "_qs + quoted.join(u" || '|' || "_qs) + u" from "_qs + table + u" order by rowid"_qs),
            wanted.value(table));
        QVERIFY(migration.rows.contains(QPair{table, int(wanted.value(table).size())}));
    }
    // The described columns come first, in their order.
    QCOMPARE(raw.rows(u"select name from pragma_table_info('inrxx') limit 10"_qs), recipientColumns());
    QVERIFY(migrationText(migration).contains(migration.backup));
}

void TestStore::damagedOldDataChangeNothing()
{
    TempWorkdir dir(false);
    const QByteArray whole = readAll(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/legacy-mdb/data-pw.mdb"));
    // The header and catalogue page only: the tables' pages are gone.
    writeAll(dir.dbPath(), whole.left(4096 * 2));
    try {
        migrateJetDatabase(dir.dbPath());
        QFAIL("a damaged file was converted");
    } catch (const AppError &error) {
        QVERIFY2(error.text().contains(u"无法读取"_qs), qPrintable(error.text()));
    }
    QCOMPARE(readAll(dir.dbPath()), whole.left(4096 * 2));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"data.mdb"_qs});
    // A file of this program is no Jet file.
    schema::createEmptyDatabase(dir.file(u"new.mdb"_qs));
    QVERIFY(!isJetDatabase(dir.file(u"new.mdb"_qs)));
}

namespace {

QByteArray legacyFixture(const QString &name)
{
    return readAll(QStringLiteral(WAYBILL_SOURCE_DIR "/tests/data/legacy-mdb/") + name);
}

} // namespace

void TestStore::oldDataThatDoNotAddUpAreRefused_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QStringList>("found");
    const QByteArray whole = legacyFixture(u"data-pw.mdb"_qs);
    QTest::newRow("a data page zeroed") << jet_damage::zeroRecipientPage(whole)
                                        << QStringList{u"inrxx：表头写有 200 行，只读出 1"_qs, u"读取时的警告："_qs};
    QTest::newRow("fewer rows declared") << jet_damage::declareRows(whole, 150)
                                         << QStringList{u"inrxx：表头写有 150 行，却读出 200 行"_qs};
    QTest::newRow("more rows declared") << jet_damage::declareRows(whole, 230)
                                        << QStringList{u"inrxx：表头写有 230 行，只读出 200 行"_qs};
    QTest::newRow("a column renamed to garbage")
        << jet_damage::garbleRecipientName(whole)
        << QStringList{u"inrxx：没有“收件人姓名”列"_qs, u"inrxx：1 列的名称无法读取"_qs};
    QTest::newRow("the tables' names garbled")
        << jet_damage::garbleTableNames(whole) << QStringList{u"找不到 outrxx、inrxx、excel 中的任何一个表"_qs};
}

void TestStore::oldDataThatDoNotAddUpAreRefused()
{
    QFETCH(QByteArray, file);
    QFETCH(QStringList, found);
    TempWorkdir dir(false);
    writeAll(dir.dbPath(), file);
    try {
        migrateJetDatabase(dir.dbPath());
        QFAIL("a file that does not add up was converted");
    } catch (const JetDamage &damage) {
        for (const QString &finding : found)
            QVERIFY2(damage.text().contains(finding), qPrintable(damage.text()));
        QVERIFY2(damage.text().contains(u"未做任何改动"_qs), qPrintable(damage.text()));
    }
    QCOMPARE(readAll(dir.dbPath()), file);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{u"data.mdb"_qs});

    // Asked to, what could be read is carried over, and the findings told.
    const JetMigration migration = migrateJetDatabase(dir.dbPath(), JetCarry::WhatCanBeRead);
    QVERIFY(!isJetDatabase(dir.dbPath()));
    QCOMPARE(readAll(migration.backup), file);
    const QString told = migrationText(migration);
    for (const QString &finding : found)
        QVERIFY2(told.contains(finding), qPrintable(told));
    QVERIFY2(!told.contains(u"旧文件中没有的表"_qs), qPrintable(told));
    QCOMPARE(integrityOf(dir.dbPath()), u"ok"_qs);
}

void TestStore::longMemosArriveWhole()
{
    // The 27th recipient's address is a memo of 10,190 characters (30,570
    // bytes in UTF-8, past libmdb's usual 16,383).
    TempWorkdir dir(false);
    writeAll(dir.dbPath(), legacyFixture(u"data-long-memo.mdb"_qs));
    const JetMigration migration = migrateJetDatabase(dir.dbPath());
    QVERIFY(migration.findings.isEmpty());
    RawDb raw(dir.dbPath());
    QCOMPARE(raw.rows(u"select length(收件地址), length(cast(收件地址 as blob)) from inrxx where rowid = 27"_qs),
             QStringList{u"10190|30570"_qs});
    QCOMPARE(raw.rows(u"select count(*) from inrxx"_qs), QStringList{u"2000"_qs});
}

void TestStore::migratedFilesAreTheUsersOwn_data()
{
    QTest::addColumn<int>("mode");
    QTest::newRow("0644") << 0644;
    QTest::newRow("0444 (read-only)") << 0444;
}

void TestStore::migratedFilesAreTheUsersOwn()
{
    QFETCH(int, mode);
    TempWorkdir dir(false);
    writeAll(dir.dbPath(), legacyFixture(u"data-pw.mdb"_qs));
    QFile::setPermissions(
        dir.dbPath(),
        QFileDevice::Permissions(((mode & 0400) ? QFile::ReadOwner : 0) | ((mode & 0200) ? QFile::WriteOwner : 0)
                                 | ((mode & 0040) ? QFile::ReadGroup : 0) | ((mode & 0004) ? QFile::ReadOther : 0)));
    const JetMigration migration = migrateJetDatabase(dir.dbPath());
    const QFileDevice::Permissions own = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
    QCOMPARE(QFile::permissions(dir.dbPath()), own);
    QCOMPARE(QFile::permissions(migration.backup), own);
    // Later writes are taken.
    Connection connection(u"test"_qs);
    connection.exec(u"insert into inrxx (收件人姓名) values ('新')"_qs);
    QCOMPARE(RawDb(dir.dbPath()).rows(u"select count(*) from inrxx"_qs), QStringList{u"201"_qs});
}

namespace {

// A list of count recipients r1, r2, ... with every seventh row deleted,
// so that no row's key is its place in the list.
void fillWithGaps(const QString &path, int count)
{
    fillRecipients(path, kRecipientTable, count, QStringLiteral("r"));
    RawDb(path).exec(QStringLiteral("delete from inrxx where rowid % 7 = 3"));
}

// Every row of the table as the whole select reads it: key|name.
QStringList wholeList(const QString &path, const QString &search)
{
    return RawDb(path).rows(
        QStringLiteral("select rowid, 收件人姓名 from inrxx%1 order by rowid")
            .arg(search.isEmpty() ? QString() : QStringLiteral(" where 收件人姓名 like '%%1%'").arg(search)));
}

QString keyAndName(const Dataset &list, int row)
{
    return QString::number(list.rowidAt(row)) + QLatin1Char('|') + list.valueAt(row, col::kRecipientName);
}

} // namespace

void TestStore::windowsReadTheListInOrder_data()
{
    QTest::addColumn<int>("windowRows");
    QTest::addColumn<QString>("search");
    QTest::addColumn<QString>("change"); // what the dataset does before the rows are read
    QTest::addColumn<QString>("order");  // forward (to the end, uncounted), backward (counted) or jumps
    QTest::newRow("one row a window, forward") << 1 << ""
                                               << ""
                                               << "forward";
    QTest::newRow("7 rows, backward") << 7 << ""
                                      << ""
                                      << "backward";
    QTest::newRow("256 rows, jumps") << 256 << ""
                                     << ""
                                     << "jumps";
    QTest::newRow("32 rows, jumps, search") << 32 << "1"
                                            << ""
                                            << "jumps";
    QTest::newRow("7 rows, backward, search") << 7 << "2"
                                              << ""
                                              << "backward";
    QTest::newRow("after deleting at a window's start") << 64 << ""
                                                        << "delete 128"
                                                        << "jumps";
    QTest::newRow("after deleting the last row") << 64 << ""
                                                 << "delete last"
                                                 << "backward";
    QTest::newRow("after deleting in a search") << 16 << "1"
                                                << "delete 40"
                                                << "forward";
    QTest::newRow("after appending") << 64 << ""
                                     << "append"
                                     << "jumps";
    QTest::newRow("after appending to a search") << 7 << "1"
                                                 << "append"
                                                 << "backward";
    QTest::newRow("after editing a window's last row") << 64 << ""
                                                       << "edit 191"
                                                       << "jumps";
    QTest::newRow("after editing in a search") << 7 << "3"
                                               << "edit 20"
                                               << "forward";
}

void TestStore::windowsReadTheListInOrder()
{
    QFETCH(int, windowRows);
    QFETCH(QString, search);
    QFETCH(QString, change);
    QFETCH(QString, order);
    TempWorkdir dir;
    fillWithGaps(dir.dbPath(), 700);
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setWindowRows(windowRows);
    list.setStatement(search.isEmpty() ? Select::all(kRecipientTable)
                                       : Select::search(kRecipientTable, col::kRecipientName, search));
    list.open();

    const QString at = change.section(QLatin1Char(' '), 1);
    const int row = at == QStringLiteral("last") ? list.rowCount() - 1 : at.toInt();
    if (change.startsWith(QStringLiteral("delete"))) {
        list.moveTo(row);
        list.deleteCurrent();
        QCOMPARE(list.currentRow(), std::min(row, list.rowCount() - 1));
    } else if (change == QStringLiteral("append")) {
        list.append();
        list.setValue(col::kRecipientName, QStringLiteral("new") + search);
        list.post();
        QCOMPARE(list.currentRow(), list.rowCount() - 1);
    } else if (change.startsWith(QStringLiteral("edit"))) {
        list.moveTo(row);
        list.edit();
        list.setValue(col::kRecipientName, QStringLiteral("edited") + search);
        list.post();
    }
    const QStringList whole = wholeList(dir.dbPath(), search);
    QVERIFY(whole.size() > 3 * windowRows || windowRows == 256);

    QList<int> rows;
    if (order == QStringLiteral("forward")) {
        // Read on until there is no next row, as a grid scrolled down does.
        for (int i = 0; list.rowidAt(i) != -1; ++i)
            rows << i;
        QVERIFY(list.allRowsKnown());
    } else if (order == QStringLiteral("backward")) {
        for (int i = list.rowCount() - 1; i >= 0; --i)
            rows << i;
    } else {
        const int n = list.rowCount();
        for (const int i : {n - 1, 0, n / 2, windowRows - 1, windowRows, windowRows + 1, n - windowRows, 2 * windowRows,
                            n - 2, 1, 2 * windowRows - 1})
            if (i >= 0 && i < n)
                rows << i;
    }
    QCOMPARE(list.rowCount(), whole.size());
    for (const int i : std::as_const(rows))
        QCOMPARE(keyAndName(list, i), whole[i]);
    QCOMPARE(list.rowidAt(list.rowCount()), -1);
    // Each row is found where it is, read or not.
    for (const int i : {0, int(whole.size()) - 1, int(whole.size()) / 3})
        QCOMPARE(list.rowOfRowid(whole[i].section(QLatin1Char('|'), 0, 0).toLongLong()), i);
}

void TestStore::modelFetchesRowsAsTheGridScrolls_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("windowRows");
    QTest::newRow("fewer rows than a window") << 20 << 64;
    QTest::newRow("rows ending on a window's edge") << 128 << 64;
    QTest::newRow("several windows") << 300 << 64;
}

void TestStore::modelFetchesRowsAsTheGridScrolls()
{
    QFETCH(int, rows);
    QFETCH(int, windowRows);
    TempWorkdir dir;
    fillRecipients(dir.dbPath(), kRecipientTable, rows, QStringLiteral("r"));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    list.setWindowRows(windowRows);
    list.setStatement(Select::all(kRecipientTable));
    list.open();
    DatasetModel model(list, {{col::kRecipientName, QStringLiteral(u"姓 名")}});
    // The first window shows without counting the list.
    QCOMPARE(model.rowCount(), std::min(rows, windowRows));
    QCOMPARE(model.canFetchMore({}), rows >= windowRows);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    while (model.canFetchMore({}))
        model.fetchMore({});
    QCOMPARE(model.rowCount(), rows);
    QCOMPARE(list.rowCount(), rows);
    for (int i = 0; i < rows; i += 37)
        QCOMPARE(model.index(i, 0).data().toString(), QStringLiteral("r%1").arg(i + 1));
    // Every row the model gained it announced.
    int announced = std::min(rows, windowRows);
    for (const QList<QVariant> &signal : std::as_const(inserted))
        announced += signal[2].toInt() - signal[1].toInt() + 1;
    QCOMPARE(announced, rows);
}

void TestStore::pageRangeReadsOnlyItsRows_data()
{
    QTest::addColumn<int>("first"); // 0-based
    QTest::addColumn<int>("count");
    QTest::newRow("the first rows") << 0 << 10;
    QTest::newRow("the last rows") << 1990 << 10;
    QTest::newRow("across a window's edge") << 1020 << 10;
    QTest::newRow("the middle") << 1500 << 40;
}

void TestStore::pageRangeReadsOnlyItsRows()
{
    QFETCH(int, first);
    QFETCH(int, count);
    TempWorkdir dir;
    fillRecipients(dir.dbPath(), kRecipientTable, 2000, QStringLiteral("r"));
    Connection connection(QStringLiteral("test"));
    Dataset list(connection, QStringLiteral("ADODataSet1"));
    list.setWindowRows(32);
    reopen(connection, {{&list, kRecipientTable}});
    // As a batch run reads them: the number of pages, then each page's row.
    QCOMPARE(list.rowCount(), 2000);
    for (int page = first; page < first + count; ++page)
        QCOMPARE(list.valueAt(page, col::kRecipientName), QStringLiteral("r%1").arg(page + 1));
    // The first window (read at open) and the windows holding the range.
    const int windows = (first + count - 1) / 32 - first / 32 + 1;
    QVERIFY2(list.rowsRead() <= 32 * (windows + 1), qPrintable(QString::number(list.rowsRead())));
}

void TestStore::largeFileIsCheckedAfterAnUncleanEnd_data()
{
    QTest::addColumn<bool>("large");
    QTest::addColumn<bool>("damaged");
    QTest::addColumn<QString>("lastEnd"); // clean, crashed (a gone process's mark) or restarted (another boot's)
    QTest::addColumn<bool>("damageFound");
    QTest::newRow("small file, clean end") << false << true << "clean" << true;
    QTest::newRow("large file, crashed") << true << true << "crashed" << true;
    QTest::newRow("large file, machine restarted") << true << true << "restarted" << true;
    QTest::newRow("large sound file, crashed") << true << false << "crashed" << false;
    QTest::newRow("large file, clean end: not read") << true << true << "clean" << false;
}

void TestStore::largeFileIsCheckedAfterAnUncleanEnd()
{
    QFETCH(bool, large);
    QFETCH(bool, damaged);
    QFETCH(QString, lastEnd);
    QFETCH(bool, damageFound);
    QTemporaryDir state;
    qputenv("XDG_STATE_HOME", QFile::encodeName(state.path()));
    TempWorkdir dir;
    if (large) {
        RawDb raw(dir.dbPath());
        raw.exec(QStringLiteral("insert into excel (备注) values (zeroblob(%1))").arg(Connection::kCheckedEveryStart));
    }
    if (damaged)
        damageDatabase(dir.dbPath());
    QCOMPARE(QFileInfo(dir.dbPath()).size() > Connection::kCheckedEveryStart, large);
    const QString path = QFileInfo(dir.dbPath()).absoluteFilePath();
    QDir().mkpath(use_marks::folder());
    const QString gone = QDir(use_marks::folder()).filePath(use_marks::markName(path, 999999999));
    if (lastEnd != QStringLiteral("clean")) {
        QFile mark(gone);
        QVERIFY(mark.open(QIODevice::WriteOnly));
        QFile boot(QStringLiteral("/proc/sys/kernel/random/boot_id"));
        const QByteArray bootId = boot.open(QIODevice::ReadOnly) ? boot.readAll().trimmed() : QByteArray();
        mark.write((lastEnd == QStringLiteral("crashed") ? bootId : QByteArray("an earlier boot")) + '\n'
                   + path.toUtf8() + '\n');
    }
    Connection::forgetCheck(path);
    Connection connection(QStringLiteral("test"));
    connection.open();
    QCOMPARE(connection.damage().contains(u"已损坏"_qs), damageFound);
    // A damaged file keeps the marks, so the next start checks it again;
    // a sound one loses those of the processes that are gone.
    QCOMPARE(QFile::exists(gone), lastEnd != QStringLiteral("clean") && damaged);
    QVERIFY(QFile::exists(
        QDir(use_marks::folder()).filePath(use_marks::markName(path, QCoreApplication::applicationPid()))));
    connection.close();
    Connection::forgetCheck(path);
    qunsetenv("XDG_STATE_HOME");
}

QTEST_GUILESS_MAIN(TestStore)
#include "test_store.moc"
