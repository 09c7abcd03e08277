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

QTEST_GUILESS_MAIN(TestCli)
#include "test_cli.moc"
