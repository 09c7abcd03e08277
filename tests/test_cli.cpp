// The command line as a user runs it: the real binary in a temporary
// working directory.

#include "test_support.h"

#include <QProcess>
#include <QtTest>

namespace {

struct Run {
    int status;
    QString out;
    QString err;
};

Run runWaybill(const QStringList &args, const QString &workdir)
{
    QProcess process;
    process.setWorkingDirectory(workdir);
    process.start(QStringLiteral(WAYBILL_BINARY), args);
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initCreatesEmptyDatabaseOnce();
    void usage_data();
    void usage();
    void failuresWriteNoFile_data();
    void failuresWriteNoFile();
    void twoImportsAtOnceLeaveOneWorkbook();
};

void TestCli::initCreatesEmptyDatabaseOnce()
{
    TempWorkdir dir(false);
    const Run first = runWaybill({QStringLiteral("init")}, dir.path());
    QCOMPARE(first.status, 0);
    RawDb raw(dir.dbPath());
    QCOMPARE(raw.rows(QStringLiteral("select name from sqlite_master where type='table' order by name")),
             (QStringList{QStringLiteral("excel"), QStringLiteral("inrxx"), QStringLiteral("outrxx")}));
    raw.addRecipient(QStringLiteral("inrxx"), QStringLiteral("kept"), QStringLiteral("1"));

    const Run second = runWaybill({QStringLiteral("init")}, dir.path());
    QCOMPARE(second.status, 1);
    QVERIFY2(second.err.contains(QStringLiteral(u"已存在")), qPrintable(second.err));
    QCOMPARE(raw.rows(QStringLiteral("select 收件人姓名 from inrxx")), QStringList{QStringLiteral("kept")});
}

void TestCli::usage_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("outContains");
    QTest::addColumn<QString>("errContains");
    QTest::newRow("--help lists sub-commands") << QStringList{"--help"} << 0 << "init" << "";
    QTest::newRow("sub-command help") << QStringList{"init", "--help"} << 0 << u"用法：waybill init"_qs << "";
    QTest::newRow("unknown sub-command") << QStringList{"frobnicate"} << 2 << "" << "frobnicate";
    QTest::newRow("init with arguments") << QStringList{"init", "x"} << 2 << "" << "init";
}

void TestCli::usage()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, outContains);
    QFETCH(QString, errContains);
    TempWorkdir dir(false);
    const Run run = runWaybill(args, dir.path());
    QCOMPARE(run.status, status);
    QVERIFY2(run.out.contains(outContains), qPrintable(run.out));
    QVERIFY2(run.err.contains(errContains), qPrintable(run.err));
    QVERIFY(!QFile::exists(dir.dbPath()));
}

void TestCli::failuresWriteNoFile_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("errContains");
    QTest::addColumn<QString>("file"); // must not exist afterwards
    QTest::newRow("page range past the rows")
        << QStringList{"print", "sf", "--batch", "--pages", "4-9", "--pdf", "out.pdf"} << 1 << u"没有可打印的页"_qs << "out.pdf";
    QTest::newRow("shift past the int range")
        << QStringList{"print", "sf", "--shift-x", "2147483647", "--pdf", "out.pdf"} << 1 << u"移出了纸张"_qs << "out.pdf";
    QTest::newRow("shift off the paper")
        << QStringList{"print", "yt", "--shift-y", "-5000", "--pdf", "out.pdf"} << 1 << u"移出了纸张"_qs << "out.pdf";
    QTest::newRow("export into a missing folder")
        << QStringList{"export", "nowhere/list"} << 1 << u"nowhere"_qs << "nowhere/list.xls";
    QTest::newRow("export option unknown") << QStringList{"export", "--bogus"} << 2 << "--bogus" << "--bogus.xls";
    QTest::newRow("restore of a missing file") << QStringList{"restore", "gone.bak"} << 1 << u"找不到文件"_qs << "";
}

void TestCli::failuresWriteNoFile()
{
    QFETCH(QStringList, args);
    QFETCH(int, status);
    QFETCH(QString, errContains);
    QFETCH(QString, file);
    TempWorkdir dir;
    for (int i = 0; i < 3; ++i)
        RawDb(dir.dbPath()).addRecipient(QStringLiteral("inrxx"), QStringLiteral("r%1").arg(i), QStringLiteral("1"));
    const Run run = runWaybill(args, dir.path());
    QCOMPARE(run.status, status);
    QVERIFY2(run.err.contains(errContains), qPrintable(run.err));
    if (!file.isEmpty())
        QVERIFY(!QFileInfo::exists(dir.file(file)));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("data.mdb")});
}

void TestCli::twoImportsAtOnceLeaveOneWorkbook()
{
    TempWorkdir dir;
    // Two workbooks of this program's own export: 3000 rows named a…, b….
    for (const char *prefix : {"a", "b"}) {
        RawDb(dir.dbPath()).exec(QStringLiteral("delete from inrxx"));
        fillRecipients(dir.dbPath(), QStringLiteral("inrxx"), 3000, QString::fromLatin1(prefix));
        QCOMPARE(runWaybill({QStringLiteral("export"), QString::fromLatin1(prefix)}, dir.path()).status, 0);
    }
    QProcess first, second;
    for (auto [process, file] : {std::pair{&first, "a.xls"}, std::pair{&second, "b.xls"}}) {
        process->setWorkingDirectory(dir.path());
        process->start(QStringLiteral(WAYBILL_BINARY), {QStringLiteral("import"), QString::fromLatin1(file)});
    }
    QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
    QCOMPARE(first.exitCode(), 0);
    QCOMPARE(second.exitCode(), 0);
    const QStringList names = RawDb(dir.dbPath()).rows(QStringLiteral("select distinct substr(收件人姓名, 1, 1) from excel"));
    QCOMPARE(names.size(), 1);
    QCOMPARE(RawDb(dir.dbPath()).rows(QStringLiteral("select count(*) from excel")), QStringList{QStringLiteral("3000")});
}

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
