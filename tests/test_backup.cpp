// Backup and restore of data.mdb through the backup window and the command
// line: consistent copies under SQLite's locks, the ".bak" name, the checks
// before anything is replaced, the safety copy of a restore, damaged and
// locked files, and files left by a crashed writer.

#include "app/main_data.h"
#include "backup/backup_window.h"
#include "backup/database_file.h"
#include "common/error.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "test_support.h"
#include "ui/recording_dialogs.h"
#include "xls/export.h"

#include <QProcess>
#include <QPushButton>
#include <QtTest>

using namespace schema;
using Entry = RecordingDialogs::Entry;

namespace {

struct Fixture {
    Fixture() : window({[this] { ++disconnects; }, [this] { ++reconnects; }, [this] { ++ends; }})
    {
        RawDb(dir.dbPath()).addRecipient(kRecipientTable, QStringLiteral("current"), QStringLiteral("1"));
    }
    void click(const char *name)
    {
        QTest::mouseClick(window.findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton);
    }
    // The one hint shown, split into the described message and the reason.
    QStringList hintParts() const
    {
        const QStringList hints = dialogs.texts(QStringLiteral("hint"));
        return hints.size() == 1 ? hints.first().split(QStringLiteral("\n\n")) : hints;
    }

    TempWorkdir dir;
    RecordingDialogs dialogs;
    int disconnects = 0;
    int reconnects = 0;
    int ends = 0;
    BackupWindow window;
};

// Files of the folder that are neither data.mdb nor named in keep.
QStringList strayFiles(const QString &folder, const QStringList &keep)
{
    QStringList files = QDir(folder).entryList(QDir::Files | QDir::Hidden);
    files.removeAll(QStringLiteral("data.mdb"));
    for (const QString &name : keep)
        files.removeAll(name);
    return files;
}

QStringList safetyCopies(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("data.mdb.*.bak")}, QDir::Files);
}

// Writes one kind of bad database file at path.
void writeBadDatabase(const QString &path, const QString &kind)
{
    if (!QFileInfo::exists(path))
        createEmptyDatabase(path);
    if (kind == QStringLiteral("empty")) {
        writeAll(path, {});
    } else if (kind == QStringLiteral("random bytes")) {
        QByteArray bytes(8192, Qt::Uninitialized);
        for (qsizetype i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919 + 13) % 251);
        writeAll(path, bytes);
    } else if (kind == QStringLiteral("text")) {
        writeAll(path, "收件人名单，不是数据库");
    } else if (kind == QStringLiteral("truncated")) {
        fillRecipients(path, kRecipientTable, 2000, QStringLiteral("r"));
        writeAll(path, readAll(path).left(6000));
    } else if (kind == QStringLiteral("zeroed pages")) {
        fillRecipients(path, kRecipientTable, 2000, QStringLiteral("r"));
        zeroDataPages(path);
    } else if (kind == QStringLiteral("lacking a table")) {
        QFile::remove(path);
        RawDb(path).exec(QStringLiteral("create table outrxx (x text)"));
    }
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backupWritesConsistentCopy_data();
    void backupWritesConsistentCopy();
    void backupOfBadSourceKeepsPreviousBackup_data();
    void backupOfBadSourceKeepsPreviousBackup();
    void backupAfterCrashHoldsCommittedState();
    void restoreChecksAndReplaces_data();
    void restoreChecksAndReplaces();
    void restoreAsksFirstNamingTheBackup_data();
    void restoreAsksFirstNamingTheBackup();
    void restoreOverCrashedOrDamagedFile_data();
    void restoreOverCrashedOrDamagedFile();
    void restoreWaitsForLockThenRefuses();
    void restoreKeepsLastSafetyCopies();
    void restoreTakesOnlyTheProgramsTables_data();
    void restoreTakesOnlyTheProgramsTables();
    void personalDataFilesAreTheUsersOnly();
    void restoresAtOnceKeepEverySafetyCopy();
    void damagedSharePointerIsNoBackup();
    void commandLine();
    void layout();
};

void TestBackup::backupWritesConsistentCopy_data()
{
    QTest::addColumn<QString>("answer");  // save dialog answer, relative to the folder
    QTest::addColumn<QString>("written"); // file expected, empty: none
    QTest::addColumn<QString>("message");
    QTest::newRow("plain name") << "save"
                                << "save.bak" << u"数据备份成功！"_qs;
    QTest::newRow("existing backup picked") << "old.bak"
                                            << "old.bak.bak" << u"数据备份成功！"_qs;
    QTest::newRow("existing target replaced") << "old"
                                              << "old.bak" << u"数据备份成功！"_qs;
    QTest::newRow("cancelled") << ""
                               << ""
                               << "";
    QTest::newRow("folder missing") << "missing/x"
                                    << "" << u"数据备份失败，请重试！"_qs;
}

void TestBackup::backupWritesConsistentCopy()
{
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(QString, message);
    Fixture f;
    writeAll(f.dir.file(QStringLiteral("old.bak")), "previous backup");
    // A connection with a committed change is open during the backup.
    Connection connection(QStringLiteral("main"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&list, kRecipientTable}});
    list.append();
    list.setValue(col::kRecipientName, QStringLiteral("just added"));
    list.post();

    f.dialogs.fileAnswers = {answer.isEmpty() ? QString() : f.dir.file(answer)};
    f.click("Button1");
    const QStringList parts = f.hintParts();
    QCOMPARE(parts.value(0), message);
    if (message.startsWith(u"数据备份失败"_qs))
        QVERIFY2(parts.size() == 2 && parts[1].contains(u"文件夹不存在"_qs), qPrintable(parts.join('|')));
    if (!written.isEmpty()) {
        // It says where the backup went.
        QCOMPARE(parts.value(1), u"备份文件："_qs + QDir::toNativeSeparators(f.dir.file(written)));
        QCOMPARE(databaseContent(f.dir.file(written)), databaseContent(f.dir.dbPath()));
        QVERIFY(databaseContent(f.dir.file(written)).contains(u"inrxx||just added||||||||"_qs));
        QCOMPARE(integrityOf(f.dir.file(written)), QStringLiteral("ok"));
    }
    if (written != QStringLiteral("old.bak"))
        QCOMPARE(readAll(f.dir.file(QStringLiteral("old.bak"))), QByteArray("previous backup"));
    QCOMPARE(strayFiles(f.dir.path(), {QStringLiteral("old.bak"), written}), QStringList{});
    QCOMPARE(f.ends, 0);
}

void TestBackup::backupOfBadSourceKeepsPreviousBackup_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"empty", "random bytes", "text", "truncated", "zeroed pages", "lacking a table"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

void TestBackup::backupOfBadSourceKeepsPreviousBackup()
{
    QFETCH(QString, kind);
    Fixture f;
    const QString previous = f.dir.file(QStringLiteral("daily.bak"));
    backupDatabase(f.dir.dbPath(), previous);
    const QByteArray good = readAll(previous);
    writeBadDatabase(f.dir.dbPath(), kind);
    const QByteArray bad = readAll(f.dir.dbPath());

    f.dialogs.fileAnswers = {f.dir.file(QStringLiteral("daily"))};
    f.click("Button1");
    const QStringList parts = f.hintParts();
    QCOMPARE(parts.value(0), u"数据备份失败，请重试！"_qs);
    QVERIFY2(parts.size() == 2 && !parts[1].isEmpty(), qPrintable(parts.join('|')));
    QCOMPARE(readAll(previous), good);
    QCOMPARE(readAll(f.dir.dbPath()), bad);
    QCOMPARE(strayFiles(f.dir.path(), {QStringLiteral("daily.bak")}), QStringList{});
}

void TestBackup::backupAfterCrashHoldsCommittedState()
{
    Fixture f;
    fillRecipients(f.dir.dbPath(), kRecipientTable, 3000, QStringLiteral("r"));
    const QStringList committed = databaseContent(f.dir.dbPath());
    QTemporaryDir crashed;
    makeCrashImage(f.dir.dbPath(), crashed.path());
    QVERIFY(QFileInfo::exists(crashed.filePath(QStringLiteral("data.mdb-journal"))));
    QVERIFY(readAll(crashed.filePath(QStringLiteral("data.mdb"))) != readAll(f.dir.dbPath()));

    const QString backup = f.dir.file(QStringLiteral("after-crash.bak"));
    backupDatabase(crashed.filePath(QStringLiteral("data.mdb")), backup);
    QCOMPARE(integrityOf(backup), QStringLiteral("ok"));
    QCOMPARE(databaseContent(backup), committed);
}

void TestBackup::restoreChecksAndReplaces_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("reason"); // part of the reason shown; empty: restored
    QTest::newRow("a backup of this program") << "backup"
                                              << "";
    QTest::newRow("data.mdb onto itself") << "self"
                                          << "";
    QTest::newRow("text file") << "text" << u"不是数据库文件"_qs;
    QTest::newRow("random bytes") << "random bytes" << u"不是数据库文件"_qs;
    QTest::newRow("database lacking a table") << "lacking a table" << u"不是本软件的数据库文件"_qs;
    QTest::newRow("zeroed pages") << "zeroed pages" << u"损坏"_qs;
    QTest::newRow("truncated") << "truncated" << u"损坏"_qs;
    QTest::newRow("missing file") << "missing" << u"找不到文件"_qs;
    QTest::newRow("cancelled") << ""
                               << "";
}

void TestBackup::restoreChecksAndReplaces()
{
    QFETCH(QString, source);
    QFETCH(QString, reason);
    Fixture f;
    QString path;
    if (source == QStringLiteral("backup")) {
        path = f.dir.file(QStringLiteral("good.bak"));
        backupDatabase(f.dir.dbPath(), path);
        RawDb(path).addRecipient(kRecipientTable, QStringLiteral("from backup"), QStringLiteral("2"));
    } else if (source == QStringLiteral("self")) {
        path = f.dir.dbPath();
    } else if (!source.isEmpty()) {
        path = f.dir.file(QStringLiteral("chosen.bak"));
        if (source != QStringLiteral("missing"))
            writeBadDatabase(path, source);
    }
    const QStringList before = databaseContent(f.dir.dbPath());
    const QStringList expected = source == QStringLiteral("backup") ? databaseContent(path) : before;
    f.dialogs.fileAnswers = {path};
    f.dialogs.confirmAnswers = {true};
    f.click("Button2");
    QCOMPARE(databaseContent(f.dir.dbPath()), expected);
    QCOMPARE(integrityOf(f.dir.dbPath()), QStringLiteral("ok"));
    if (source.isEmpty()) {
        QCOMPARE(f.dialogs.entries, QList<Entry>{(Entry{QStringLiteral("open"), QString()})});
        QCOMPARE(f.disconnects, 0);
        return;
    }
    // A file that is no sound backup is refused before the question, the
    // main window's lists untouched.
    const bool restored = reason.isEmpty();
    QCOMPARE(f.dialogs.texts(QStringLiteral("confirm (No default)")).size(), restored ? 1 : 0);
    QCOMPARE(f.disconnects, restored ? 1 : 0);
    const QStringList parts = f.hintParts();
    QCOMPARE(parts.value(0), restored ? u"数据恢复成功！"_qs : u"数据恢复失败，请重试！"_qs);
    QVERIFY2(parts.last().contains(restored ? u"data.mdb."_qs : reason), qPrintable(parts.join('|')));
    QCOMPARE(f.ends, restored ? 1 : 0);
    QCOMPARE(f.reconnects, 0);
    const QStringList copies = safetyCopies(f.dir.path());
    QCOMPARE(copies.size(), restored ? 1 : 0);
    if (restored) {
        // It says the program closes now and how to open it again.
        QVERIFY2(parts.value(1).contains(u"程序将关闭"_qs) && parts.value(1).contains(u"再打开"_qs),
                 qPrintable(parts.value(1)));
        QVERIFY(parts.last().contains(copies.first()));
        QCOMPARE(databaseContent(f.dir.file(copies.first())), before);
    }
    QCOMPARE(strayFiles(f.dir.path(), copies + QStringList{QStringLiteral("good.bak"), QStringLiteral("chosen.bak")}),
             QStringList{});
}

void TestBackup::restoreAsksFirstNamingTheBackup_data()
{
    QTest::addColumn<int>("answer"); // 1 Yes, 0 No, -1 Enter (the default button)
    QTest::newRow("Yes") << 1;
    QTest::newRow("No") << 0;
    QTest::newRow("Enter") << -1;
}

void TestBackup::restoreAsksFirstNamingTheBackup()
{
    QFETCH(int, answer);
    Fixture f;
    const QString backup = f.dir.file(QStringLiteral("monday.bak"));
    backupDatabase(f.dir.dbPath(), backup);
    fillRecipients(backup, kRecipientTable, 3, QStringLiteral("kept"));
    fillRecipients(backup, kImportedTable, 2, QStringLiteral("imported"));
    {
        QFile file(backup);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(QDateTime(QDate(2026, 12, 10), QTime(10, 27, 40)), QFileDevice::FileModificationTime));
    }
    const QStringList before = databaseContent(f.dir.dbPath());
    f.dialogs.fileAnswers = {backup};
    if (answer >= 0)
        f.dialogs.confirmAnswers = {answer == 1};
    f.click("Button2");
    const QStringList asked = f.dialogs.texts(QStringLiteral("confirm (No default)"));
    QCOMPARE(asked.size(), 1);
    QVERIFY2(asked.first().startsWith(u"用 2026-12-10 10:27 的备份（4 个收件人，2 行导入的名单）替换现在的数据？"_qs),
             qPrintable(asked.first()));
    if (answer != 1) {
        // Nothing replaced, nothing closed, the program goes on.
        QCOMPARE(databaseContent(f.dir.dbPath()), before);
        QCOMPARE(f.disconnects, 0);
        QCOMPARE(f.ends, 0);
        QCOMPARE(f.dialogs.texts(QStringLiteral("hint")), QStringList{});
        return;
    }
    QCOMPARE(f.ends, 1);
    // Opened again, the program shows the backup's recipients.
    MainData reopened;
    reopened.reopen();
    QStringList names;
    for (int row = 0; row < reopened.recipients.rowCount(); ++row)
        names << reopened.recipients.valueAt(row, reopened.recipients.columnIndex(col::kRecipientName));
    QCOMPARE(names, (QStringList{u"current"_qs, u"kept1"_qs, u"kept2"_qs, u"kept3"_qs}));
}

void TestBackup::restoreOverCrashedOrDamagedFile_data()
{
    QTest::addColumn<QString>("state");
    QTest::newRow("hot journal of a killed writer") << "crashed";
    QTest::newRow("random bytes") << "random bytes";
    QTest::newRow("zeroed pages") << "zeroed pages";
    QTest::newRow("empty") << "empty";
    QTest::newRow("no data.mdb") << "missing";
}

void TestBackup::restoreOverCrashedOrDamagedFile()
{
    QFETCH(QString, state);
    TempWorkdir dir;
    fillRecipients(dir.dbPath(), kRecipientTable, 3000, QStringLiteral("before"));
    const QString backup = dir.file(QStringLiteral("good.bak"));
    backupDatabase(dir.dbPath(), backup);
    fillRecipients(backup, kImportedTable, 500, QStringLiteral("restored"));
    const QStringList wanted = databaseContent(backup);

    QTemporaryDir work;
    const QString target = work.filePath(QStringLiteral("data.mdb"));
    if (state == QStringLiteral("crashed"))
        makeCrashImage(dir.dbPath(), work.path());
    else if (state != QStringLiteral("missing"))
        writeBadDatabase(target, state);
    const QByteArray damaged = QFileInfo::exists(target) ? readAll(target) : QByteArray();

    const QString kept = restoreDatabase(backup, target).safetyCopy;
    QCOMPARE(integrityOf(target), QStringLiteral("ok"));
    QCOMPARE(databaseContent(target), wanted);
    QVERIFY(!QFileInfo::exists(target + QStringLiteral("-journal")));
    if (state == QStringLiteral("missing")) {
        QVERIFY(kept.isEmpty());
    } else if (state == QStringLiteral("crashed")) {
        // The safety copy holds the committed state before the restore.
        QCOMPARE(databaseContent(kept), databaseContent(dir.dbPath()));
    } else if (state == QStringLiteral("random bytes")) {
        QCOMPARE(readAll(kept), damaged);
    } else {
        // A file SQLite still opens is kept page for page (past the header).
        QCOMPARE(readAll(kept).mid(4096), damaged.mid(4096));
    }
}

void TestBackup::restoreWaitsForLockThenRefuses()
{
    TempWorkdir dir;
    const QString backup = dir.file(QStringLiteral("good.bak"));
    backupDatabase(dir.dbPath(), backup);
    fillRecipients(backup, kRecipientTable, 10, QStringLiteral("restored"));
    const QStringList before = databaseContent(dir.dbPath());
    // Another program is writing: it holds the write lock throughout.
    RawDb writer(dir.dbPath());
    QVERIFY(writer.exec(QStringLiteral("begin immediate")));
    QVERIFY(writer.exec(QStringLiteral("insert into inrxx (收件人姓名) values ('uncommitted')")));
    try {
        restoreDatabase(backup, dir.dbPath());
        QFAIL("restore went on under another writer's lock");
    } catch (const AppError &error) {
        QVERIFY2(error.text().contains(u"正被其他程序使用"_qs), qPrintable(error.text()));
    }
    QVERIFY(writer.exec(QStringLiteral("rollback")));
    QCOMPARE(databaseContent(dir.dbPath()), before);
}

void TestBackup::restoreKeepsLastSafetyCopies()
{
    TempWorkdir dir;
    const QString backup = dir.file(QStringLiteral("good.bak"));
    backupDatabase(dir.dbPath(), backup);
    for (int i = 0; i < kKeptSafetyCopies + 3; ++i)
        restoreDatabase(backup, dir.dbPath());
    const QStringList copies = safetyCopies(dir.path());
    QCOMPARE(copies.size(), kKeptSafetyCopies);
    // The newest are kept: the last one written is among them.
    QVERIFY(copies.last().endsWith(QStringLiteral("-%1.bak").arg(kKeptSafetyCopies + 3))
            || copies.size() == kKeptSafetyCopies);
}

void TestBackup::restoreTakesOnlyTheProgramsTables_data()
{
    // What a tampered backup carries besides the data.
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QString>("says"); // in the closing message; empty: nothing more
    QTest::newRow("a shared-store pointer")
        << QStringList{"create table shared_store (url TEXT)",
                       "insert into shared_store values ('postgresql://attacker@192.0.2.1/loot')"}
        << u"已恢复为本机数据"_qs;
    QTest::newRow("a trigger that empties the list")
        << QStringList{"create trigger wipe after insert on inrxx begin delete from inrxx; end"} << QString();
    QTest::newRow("a view, an index, an extra table")
        << QStringList{"create view everyone as select * from inrxx", "create index by_name on inrxx (收件人姓名)",
                       "create table extra (x TEXT)", "insert into extra values ('kept out')"}
        << u"备份中有本版本不认识的内容，没有恢复：表 extra。"_qs;
    QTest::newRow("a newer version's column and table")
        << QStringList{"alter table inrxx add column 微信号 TEXT", "create table coupons (code TEXT)"}
        << u"没有恢复：表 coupons、字段 inrxx.微信号。这个备份可能是较新版本的软件做的"_qs;
    QTest::newRow("saved calibrations come along")
        << QStringList{"create table calibration (courier TEXT, printer TEXT, shift_x TEXT, shift_y TEXT, scale_x "
                       "TEXT, "
                       "scale_y TEXT, font TEXT, color TEXT, unique (courier, printer))",
                       "insert into calibration values ('sf', '', '4', '2', '1', '1', '', '')"}
        << QString();
}

void TestBackup::restoreTakesOnlyTheProgramsTables()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, says);
    Fixture f;
    const QString path = f.dir.file(QStringLiteral("tampered.bak"));
    backupDatabase(f.dir.dbPath(), path);
    // The rows as the program's tables hold them, before the tampering.
    QStringList data;
    {
        RawDb raw(path);
        raw.addRecipient(kRecipientTable, QStringLiteral("from backup"), QStringLiteral("2"));
        data = databaseContent(path);
        for (const QString &statement : statements)
            QVERIFY2(raw.exec(statement), qPrintable(statement));
    }
    f.dialogs.fileAnswers = {path};
    f.dialogs.confirmAnswers = {true};
    f.click("Button2");
    const QStringList parts = f.hintParts();
    QCOMPARE(parts.value(0), u"数据恢复成功！"_qs);
    QCOMPARE(parts.join(QLatin1Char('|')).contains(says), true);
    if (says.isEmpty())
        QVERIFY(!parts.join(QLatin1Char('|')).contains(u"本机数据"_qs));
    // The rows, and nothing else: the program's tables only.
    QCOMPARE(databaseContent(f.dir.dbPath()), data);
    const bool calibrations = QTest::currentDataTag() == QByteArray("saved calibrations come along");
    QStringList expected{QStringLiteral("table|excel"), QStringLiteral("table|inrxx"), QStringLiteral("table|outrxx")};
    if (calibrations)
        expected.prepend(QStringLiteral("table|calibration"));
    QCOMPARE(
        RawDb(f.dir.dbPath())
            .rows(QStringLiteral("select type, name from sqlite_master where name not like 'sqlite_%' order by name")),
        expected);
    if (calibrations)
        QCOMPARE(RawDb(f.dir.dbPath()).rows(QStringLiteral("select courier, shift_x from calibration")),
                 QStringList{"sf|4"});
    // The next recipient added is simply added, and the folder is not shared.
    Connection connection(QStringLiteral("after"));
    connection.open();
    QVERIFY(!connection.server());
    connection.exec(u"insert into inrxx (收件人姓名) values ('next')"_qs);
    QCOMPARE(RawDb(f.dir.dbPath()).rows(QStringLiteral("select count(*) from inrxx")), QStringList{"3"});
}

void TestBackup::personalDataFilesAreTheUsersOnly()
{
    TempWorkdir dir(false);
    const auto mode = [](const QString &path) {
        return QFile::permissions(path) & (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther);
    };
    QProcess init;
    init.setWorkingDirectory(dir.path());
    init.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("init"), QStringLiteral("--data=data.mdb")});
    QVERIFY(init.waitForFinished(60000) && init.exitCode() == 0);
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, QStringLiteral("r"), QStringLiteral("1"));
    const QString backup = dir.file(QStringLiteral("b.bak"));
    backupDatabase(dir.dbPath(), backup);
    const QString safety = restoreDatabase(backup, dir.dbPath()).safetyCopy;
    Connection connection(QStringLiteral("export"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&list, kRecipientTable}});
    exportDataset(list, dir.file(QStringLiteral("list.xls")));
    exportDataset(list, dir.file(QStringLiteral("list.xlsx")));
    for (const QString &path :
         {dir.dbPath(), backup, safety, dir.file(QStringLiteral("list.xls")), dir.file(QStringLiteral("list.xlsx"))})
        QVERIFY2(mode(path) == 0, qPrintable(path));
    // A file the user made readable by others on purpose stays so when replaced.
    QFile::setPermissions(backup, QFile::permissions(backup) | QFile::ReadGroup | QFile::ReadOther);
    backupDatabase(dir.dbPath(), backup);
    QCOMPARE(mode(backup), QFile::ReadGroup | QFile::ReadOther);
}

void TestBackup::restoresAtOnceKeepEverySafetyCopy()
{
    // Two restores started together, twice: each keeps its own safety copy
    // (their names once came out the same, and one copy overwrote the other).
    Fixture f;
    backupDatabase(f.dir.dbPath(), f.dir.file(QStringLiteral("a.bak")));
    for (int round = 0; round < 2; ++round) {
        QProcess first, second;
        for (QProcess *process : {&first, &second}) {
            process->setWorkingDirectory(f.dir.path());
            process->start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("restore"), QStringLiteral("a.bak")});
        }
        for (QProcess *process : {&first, &second}) {
            QVERIFY(process->waitForFinished(60000));
            QCOMPARE(process->exitCode(), 0);
        }
    }
    QCOMPARE(safetyCopies(f.dir.path()).size(), 4);
}

void TestBackup::damagedSharePointerIsNoBackup()
{
    // data.mdb says its data are on a server, in words nobody can read: the
    // local tables are stale, and a backup of them is refused, saying why.
    Fixture f;
    backupDatabase(f.dir.dbPath(), f.dir.file(QStringLiteral("good.bak")));
    RawDb(f.dir.dbPath()).exec(QStringLiteral("create table shared_store (url TEXT)"));
    RawDb(f.dir.dbPath()).exec(QStringLiteral("insert into shared_store values ('not an address')"));
    try {
        backupDatabase(f.dir.dbPath(), f.dir.file(QStringLiteral("b.bak")));
        QFAIL("backed up stale local data");
    } catch (const AppError &error) {
        QVERIFY2(error.text().contains(u"共享数据库地址已损坏"_qs), qPrintable(error.text()));
    }
    QVERIFY(!QFileInfo::exists(f.dir.file(QStringLiteral("b.bak"))));
    // A restore is how the user mends it: it replaces the damaged pointer.
    restoreDatabase(f.dir.file(QStringLiteral("good.bak")), f.dir.dbPath());
    QCOMPARE(
        RawDb(f.dir.dbPath()).rows(QStringLiteral("select count(*) from sqlite_master where name = 'shared_store'")),
        QStringList{QStringLiteral("0")});
}

void TestBackup::commandLine()
{
    TempWorkdir dir;
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, QStringLiteral("kept"), QStringLiteral("1"));
    QCOMPARE(runWaybill({QStringLiteral("backup"), QStringLiteral("copy")}, dir.path()).status, 0);
    QCOMPARE(databaseContent(dir.file(QStringLiteral("copy.bak"))), databaseContent(dir.dbPath()));
    writeAll(dir.file(QStringLiteral("bad.bak")), "junk");
    const QByteArray before = readAll(dir.dbPath());
    const Run bad = runWaybill({QStringLiteral("restore"), QStringLiteral("bad.bak")}, dir.path());
    QCOMPARE(bad.status, 1);
    QVERIFY2(bad.err.contains(u"数据恢复失败，请重试！"_qs) && bad.err.contains(u"不是数据库文件"_qs),
             qPrintable(bad.err));
    const Run missing = runWaybill({QStringLiteral("restore"), QStringLiteral("nothing.bak")}, dir.path());
    QCOMPARE(missing.status, 1);
    QVERIFY2(missing.err.contains(u"找不到文件"_qs) && missing.err.contains(u"nothing.bak"_qs),
             qPrintable(missing.err));
    QCOMPARE(readAll(dir.dbPath()), before);
    RawDb(dir.file(QStringLiteral("copy.bak"))).exec(u"delete from inrxx"_qs);
    const Run good = runWaybill({QStringLiteral("restore"), QStringLiteral("copy.bak")}, dir.path());
    QCOMPARE(good.status, 0);
    QVERIFY2(good.out.contains(u"data.mdb."_qs), qPrintable(good.out));
    QVERIFY(RawDb(dir.dbPath()).rows(u"select * from inrxx"_qs).isEmpty());
    for (const QStringList &args :
         {QStringList{QStringLiteral("backup")}, QStringList{QStringLiteral("backup"), QStringLiteral("--bogus")},
          QStringList{QStringLiteral("restore"), QStringLiteral("--bogus")},
          QStringList{QStringLiteral("export"), QStringLiteral("--bogus")}})
        QCOMPARE(runWaybill(args, dir.path()).status, 2);
    QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("--bogus.bak"))));
    QVERIFY(!QFileInfo::exists(dir.file(QStringLiteral("--bogus.xls"))));
}

void TestBackup::layout()
{
    Fixture f;
    QCOMPARE(f.window.windowTitle(), u"数据库备份与恢复"_qs);
    QCOMPARE(f.window.size(), QSize(376, 116));
    QCOMPARE(f.window.findChild<QPushButton *>(QStringLiteral("Button1"))->geometry(), QRect(64, 64, 110, 33));
    QCOMPARE(f.window.findChild<QPushButton *>(QStringLiteral("Button2"))->text(), u"数据库恢复"_qs);
}

QTEST_MAIN(TestBackup)
#include "test_backup.moc"
