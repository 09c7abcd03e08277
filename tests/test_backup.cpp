// Backup and restore of data.mdb through the backup window and the command
// line: byte-for-byte copies, the ".bak" name, the checks before a restore
// and the safe replacement.

#include "backup/backup_window.h"
#include "backup/database_file.h"
#include "store/connection.h"
#include "store/dataset.h"
#include "store/reopen.h"
#include "store/schema.h"
#include "test_support.h"
#include "ui/recording_dialogs.h"

#include <QProcess>
#include <QPushButton>
#include <QtTest>

using namespace schema;
using Entry = RecordingDialogs::Entry;

namespace {

struct Fixture {
    Fixture()
        : window([this] { ++disconnects; }, [this] { ++ends; })
    {
        RawDb(dir.dbPath()).addRecipient(kRecipientTable, QStringLiteral("current"), QStringLiteral("1"));
    }
    void click(const char *name) { QTest::mouseClick(window.findChild<QPushButton *>(QLatin1String(name)), Qt::LeftButton); }

    TempWorkdir dir;
    RecordingDialogs dialogs;
    int disconnects = 0;
    int ends = 0;
    BackupWindow window;
};

Entry hint(const QString &text) { return {QStringLiteral("hint"), text}; }

int runWaybill(const QStringList &args, const QString &workdir)
{
    QProcess process;
    process.setWorkingDirectory(workdir);
    process.start(QStringLiteral(WAYBILL_BINARY), args);
    process.waitForFinished(60000);
    return process.exitCode();
}

} // namespace

class TestBackup : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void backupCopiesWithBakAppended_data();
    void backupCopiesWithBakAppended();
    void backupTakesCommittedChangesWhileOpen();
    void restoreChecksAndReplaces_data();
    void restoreChecksAndReplaces();
    void commandLine();
    void layout();
};

void TestBackup::backupCopiesWithBakAppended_data()
{
    QTest::addColumn<QString>("answer");  // save dialog answer, relative to the folder
    QTest::addColumn<QString>("written"); // file expected, empty: none
    QTest::addColumn<QString>("message");
    QTest::newRow("plain name") << "save" << "save.bak" << u"数据备份成功！"_qs;
    QTest::newRow("existing backup picked") << "old.bak" << "old.bak.bak" << u"数据备份成功！"_qs;
    QTest::newRow("existing target replaced") << "old" << "old.bak" << u"数据备份成功！"_qs;
    QTest::newRow("cancelled") << "" << "" << "";
    QTest::newRow("folder missing") << "missing/x" << "" << u"数据备份失败，请重试！"_qs;
}

void TestBackup::backupCopiesWithBakAppended()
{
    QFETCH(QString, answer);
    QFETCH(QString, written);
    QFETCH(QString, message);
    Fixture f;
    writeAll(f.dir.file(QStringLiteral("old.bak")), "previous backup");
    f.dialogs.fileAnswers = {answer.isEmpty() ? QString() : f.dir.file(answer)};
    f.click("Button1");
    QCOMPARE(f.dialogs.texts(QStringLiteral("hint")), message.isEmpty() ? QStringList{} : QStringList{message});
    if (!written.isEmpty())
        QCOMPARE(readAll(f.dir.file(written)), readAll(f.dir.dbPath()));
    QStringList files = QDir(f.dir.path()).entryList(QDir::Files | QDir::Hidden);
    files.removeAll(QStringLiteral("data.mdb"));
    files.removeAll(QStringLiteral("old.bak"));
    if (written != QStringLiteral("old.bak"))
        QCOMPARE(files, written.isEmpty() ? QStringList{} : QStringList{written});
    QCOMPARE(f.ends, 0);
}

void TestBackup::backupTakesCommittedChangesWhileOpen()
{
    Fixture f;
    Connection connection(QStringLiteral("main"));
    Dataset list(connection, QStringLiteral("ADOQuery2"));
    reopen(connection, {{&list, kRecipientTable}});
    list.append();
    list.setValue(col::kRecipientName, QStringLiteral("just added"));
    list.post();
    backupDatabase(f.dir.dbPath(), f.dir.file(QStringLiteral("b.bak")));
    QCOMPARE(RawDb(f.dir.file(QStringLiteral("b.bak"))).rows(u"select 收件人姓名 from inrxx"_qs),
             (QStringList{QStringLiteral("current"), QStringLiteral("just added")}));
}

void TestBackup::restoreChecksAndReplaces_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("restored");
    QTest::newRow("a backup of this program") << "backup" << true;
    QTest::newRow("data.mdb onto itself") << "self" << true;
    QTest::newRow("text file") << "text" << false;
    QTest::newRow("database lacking a table") << "lacking" << false;
    QTest::newRow("missing file") << "missing" << false;
    QTest::newRow("cancelled") << "" << false;
}

void TestBackup::restoreChecksAndReplaces()
{
    QFETCH(QString, source);
    QFETCH(bool, restored);
    Fixture f;
    QString path;
    if (source == QStringLiteral("backup")) {
        path = f.dir.file(QStringLiteral("good.bak"));
        backupDatabase(f.dir.dbPath(), path);
        RawDb(path).addRecipient(kRecipientTable, QStringLiteral("from backup"), QStringLiteral("2"));
    } else if (source == QStringLiteral("self")) {
        path = f.dir.dbPath();
    } else if (source == QStringLiteral("text")) {
        path = f.dir.file(QStringLiteral("notes.txt"));
        writeAll(path, "not a database");
    } else if (source == QStringLiteral("lacking")) {
        path = f.dir.file(QStringLiteral("other.mdb"));
        RawDb(path).exec(QStringLiteral("create table outrxx (x text)"));
    } else if (source == QStringLiteral("missing")) {
        path = f.dir.file(QStringLiteral("nothing.bak"));
    }
    const QByteArray before = readAll(f.dir.dbPath());
    const QByteArray expected = source == QStringLiteral("backup") ? readAll(path) : before;
    f.dialogs.fileAnswers = {path};
    f.click("Button2");
    QCOMPARE(readAll(f.dir.dbPath()), expected);
    if (source.isEmpty()) {
        QCOMPARE(f.dialogs.entries, QList<Entry>{(Entry{QStringLiteral("open"), QString()})});
        QCOMPARE(f.disconnects, 0);
        return;
    }
    QCOMPARE(f.disconnects, 1);
    QCOMPARE(f.dialogs.texts(QStringLiteral("hint")),
             QStringList{restored ? u"数据恢复成功！"_qs : u"数据恢复失败，请重试！"_qs});
    QCOMPARE(f.ends, restored ? 1 : 0);
    QStringList leftovers = QDir(f.dir.path()).entryList({QStringLiteral(".*tmp")}, QDir::Files | QDir::Hidden);
    QVERIFY(leftovers.isEmpty());
}

void TestBackup::commandLine()
{
    TempWorkdir dir;
    RawDb(dir.dbPath()).addRecipient(kRecipientTable, QStringLiteral("kept"), QStringLiteral("1"));
    QCOMPARE(runWaybill({QStringLiteral("backup"), QStringLiteral("copy")}, dir.path()), 0);
    QCOMPARE(readAll(dir.file(QStringLiteral("copy.bak"))), readAll(dir.dbPath()));
    writeAll(dir.file(QStringLiteral("bad.bak")), "junk");
    const QByteArray before = readAll(dir.dbPath());
    QCOMPARE(runWaybill({QStringLiteral("restore"), QStringLiteral("bad.bak")}, dir.path()), 1);
    QCOMPARE(readAll(dir.dbPath()), before);
    RawDb(dir.file(QStringLiteral("copy.bak"))).exec(u"delete from inrxx"_qs);
    QCOMPARE(runWaybill({QStringLiteral("restore"), QStringLiteral("copy.bak")}, dir.path()), 0);
    QVERIFY(RawDb(dir.dbPath()).rows(u"select * from inrxx"_qs).isEmpty());
    QCOMPARE(runWaybill({QStringLiteral("backup")}, dir.path()), 2);
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
