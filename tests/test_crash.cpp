// Killing the command line (SIGKILL) at random moments of import, export,
// backup and restore: data.mdb always passes SQLite's integrity check and
// holds the old or the new content, never a mix, and no half-written file
// is ever found under its final name. The leftovers of the killed runs
// (temporaries beside data.mdb, the imports' sheets in the temporary
// folder) are cleaned by the next start of the program.

#include "import/workbook_reader.h"
#include "test_support.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QThread>
#include <QtTest>

using namespace schema;

namespace {

constexpr int kKills = 20;
constexpr int kRows = 20000;

QProcess *startWaybill(const QStringList &args, const QString &workdir)
{
    auto *process = new QProcess;
    process->setWorkingDirectory(workdir);
    process->start(QStringLiteral(WAYBILL_BINARY), args);
    process->waitForStarted();
    return process;
}

// How long an uninterrupted run takes, in milliseconds.
qint64 timeOf(const QStringList &args, const QString &workdir)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<QProcess> process(startWaybill(args, workdir));
    process->waitForFinished(120000);
    return std::max<qint64>(timer.elapsed(), 20);
}

// Runs the command and kills it at a random moment of a run of that length.
void runAndKill(const QStringList &args, const QString &workdir, qint64 durationMs)
{
    std::unique_ptr<QProcess> process(startWaybill(args, workdir));
    QThread::msleep(QRandomGenerator::global()->bounded(quint32(durationMs)));
    process->kill();
    process->waitForFinished(10000);
}

QStringList tableContent(const QString &path, const QString &table)
{
    return RawDb(path).rows(QStringLiteral("select * from %1 order by rowid").arg(table));
}

int leftoverTemporaries(const QString &folder)
{
    return int(QDir(folder).entryList({QStringLiteral(".*waybill-tmp*")}, QDir::Files | QDir::Hidden).size());
}

int leftoverSheets(const QString &folder)
{
    return int(QDir(folder).entryList({QStringLiteral("waybill-xls-reader-*")}, QDir::Files).size());
}

} // namespace

class TestCrash : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void killedImport();
    void killedExport();
    void killedBackup();
    void killedRestore();
    void leftoversCleanedAtNextStart();

private:
    // The temporary folder of the runs (TMPDIR), where the imports leave their sheets.
    QTemporaryDir m_temp;
    std::unique_ptr<TempWorkdir> m_dir;
};

void TestCrash::initTestCase()
{
    qputenv("TMPDIR", QFile::encodeName(m_temp.path()));
    m_dir = std::make_unique<TempWorkdir>();
    fillRecipients(m_dir->dbPath(), kRecipientTable, kRows, QStringLiteral("r"));
    fillRecipients(m_dir->dbPath(), kImportedTable, 300, QStringLiteral("old"));
    QProcess exporter;
    exporter.setWorkingDirectory(m_dir->path());
    exporter.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("export"), QStringLiteral("big")});
    QVERIFY(exporter.waitForFinished(120000) && exporter.exitCode() == 0);
}

void TestCrash::killedImport()
{
    const QString db = m_dir->dbPath();
    const QStringList old = tableContent(db, kImportedTable);
    const QStringList args{QStringLiteral("import"), QStringLiteral("big.xls")};
    const qint64 duration = timeOf(args, m_dir->path());
    const QStringList imported = tableContent(db, kImportedTable);
    QCOMPARE(imported.size(), kRows);
    for (int i = 0; i < kKills; ++i) {
        // Back to the old imported list before each attempt.
        RawDb(db).exec(QStringLiteral("delete from excel"));
        fillRecipients(db, kImportedTable, 300, QStringLiteral("old"));
        runAndKill(args, m_dir->path(), duration);
        QCOMPARE(integrityOf(db), QStringLiteral("ok"));
        const QStringList now = tableContent(db, kImportedTable);
        // The described end states: the old rows, emptied by the first
        // step, or the whole workbook.
        QVERIFY2(now == old || now.isEmpty() || now == imported, qPrintable(QString::number(now.size())));
        QCOMPARE(RawDb(db).rows(QStringLiteral("select count(*) from inrxx")), QStringList{QString::number(kRows)});
    }
}

void TestCrash::killedExport()
{
    const QString target = m_dir->file(QStringLiteral("list.xls"));
    writeAll(target, "the previous export");
    const QStringList args{QStringLiteral("export"), QStringLiteral("list")};
    for (int i = 0; i < kKills; ++i) {
        runAndKill(args, m_dir->path(), 600);
        const QByteArray bytes = readAll(target);
        if (bytes == "the previous export")
            continue;
        const Sheet sheet = readSheet(target, QStringLiteral("Sheet1"));
        QCOMPARE(int(sheet.rows.size()), kRows);
        QCOMPARE(sheet.rows.back().value(1), QStringLiteral("r%1").arg(kRows));
        writeAll(target, "the previous export");
    }
}

void TestCrash::killedBackup()
{
    const QString target = m_dir->file(QStringLiteral("daily.bak"));
    const QStringList args{QStringLiteral("backup"), QStringLiteral("daily")};
    const qint64 duration = timeOf(args, m_dir->path());
    const QStringList current = databaseContent(m_dir->dbPath());
    QCOMPARE(databaseContent(target), current);
    for (int i = 0; i < kKills; ++i) {
        // A previous backup that differs from data.mdb.
        RawDb(target).exec(QStringLiteral("delete from excel"));
        const QStringList previous = databaseContent(target);
        runAndKill(args, m_dir->path(), duration);
        QCOMPARE(integrityOf(target), QStringLiteral("ok"));
        const QStringList now = databaseContent(target);
        QVERIFY(now == previous || now == current);
    }
}

void TestCrash::killedRestore()
{
    const QString db = m_dir->dbPath();
    const QString source = m_dir->file(QStringLiteral("source.bak"));
    QFile::remove(source);
    QVERIFY(QFile::copy(m_dir->file(QStringLiteral("daily.bak")), source));
    RawDb(source).exec(QStringLiteral("update inrxx set 备注 = 'restored'"));
    const QStringList restored = databaseContent(source);
    const QStringList args{QStringLiteral("restore"), QStringLiteral("source.bak")};
    for (int i = 0; i < kKills; ++i) {
        RawDb(db).exec(QStringLiteral("update inrxx set 备注 = 'before %1'").arg(i));
        const QStringList before = databaseContent(db);
        runAndKill(args, m_dir->path(), i == 0 ? 400 : 250);
        QCOMPARE(integrityOf(db), QStringLiteral("ok"));
        const QStringList now = databaseContent(db);
        QVERIFY(now == before || now == restored);
    }
}

void TestCrash::leftoversCleanedAtNextStart()
{
    // Leftovers of the killed runs are older than a live run's after a few
    // seconds; the next start of the program removes them, even one that
    // writes nothing.
    if (leftoverTemporaries(m_dir->path()) + leftoverSheets(m_temp.path()) == 0)
        QSKIP("no kill landed while a temporary file was open");
    QThread::sleep(6);
    QProcess help;
    help.setWorkingDirectory(m_dir->path());
    help.start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("--help")});
    QVERIFY(help.waitForFinished(60000) && help.exitCode() == 0);
    QCOMPARE(leftoverTemporaries(m_dir->path()), 0);
    QCOMPARE(leftoverSheets(m_temp.path()), 0);
}

QTEST_GUILESS_MAIN(TestCrash)
#include "test_crash.moc"
