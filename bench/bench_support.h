#pragma once
// Helpers shared by the benchmarks: a working folder with a fresh data.mdb,
// a real-looking sender and recipients, timing and memory readings.

#include "store/connection.h"
#include "store/schema.h"
#include "store/statements.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace bench {

// A temporary working folder holding an empty data.mdb.
class Workdir {
public:
    Workdir()
    {
        QDir::setCurrent(m_dir.path());
        schema::createEmptyDatabase(Connection::currentFilePath());
    }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

// The sender row and `rows` recipients in inrxx, in one transaction.
inline void fillWaybills(Connection &connection, int rows)
{
    connection.exec(QStringLiteral("insert into outrxx values (?,?,?,?,?,?,?,?,?,?,?)"),
                    {QStringLiteral(u"杭州明远贸易有限公司"), QStringLiteral(u"王建国"), QStringLiteral(u"杭州"),
                     QStringLiteral(u"浙江省杭州市西湖区文三路478号华星时代广场A座1203室"), QStringLiteral("310012"),
                     QStringLiteral("0571-88223344"), QStringLiteral("13905710001"), QStringLiteral(u"王建国"),
                     QStringLiteral("2026"), QStringLiteral("12"), QStringLiteral("8")});
    const QString sql = statements::insertRow(schema::kRecipientTable, schema::recipientColumns());
    connection.inTransaction([&] {
        for (int i = 0; i < rows; ++i)
            connection.exec(sql,
                            {QStringLiteral(u"上海联华电子有限公司"), QStringLiteral(u"收件人%1").arg(i),
                             QStringLiteral(u"上海"),
                             QStringLiteral(u"上海市浦东新区张江高科技园区碧波路%1号%2室").arg(i % 900).arg(i % 77),
                             QStringLiteral("201203"), QStringLiteral("021-50801234"),
                             QStringLiteral("138%1").arg(i, 8, 10, QLatin1Char('0')), QStringLiteral(u"样品"),
                             QStringLiteral("2"), QStringLiteral(u"易碎勿压")});
    });
}

inline double ms(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The process's resident memory in kilobytes.
inline long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

// One whole run of a program as a user waits for it: wall time and the
// largest resident memory of it and the processes it waited for.
struct ProcessRun {
    double ms = 0;     // wall
    double userMs = 0; // CPU time in the program
    double sysMs = 0;  // CPU time in the kernel on its behalf
    double maxRssMb = 0;
    int status = -1;
};

inline ProcessRun runProcess(const QString &program, const QStringList &args, const QString &workdir)
{
    std::vector<QByteArray> words{QFile::encodeName(program)};
    for (const QString &arg : args)
        words.push_back(arg.toUtf8());
    std::vector<char *> argv;
    for (QByteArray &word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const QByteArray folder = QFile::encodeName(workdir);
    QElapsedTimer timer;
    timer.start();
    const pid_t child = fork();
    if (child == 0) {
        if (chdir(folder.constData()) != 0)
            _exit(127);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    ProcessRun run;
    run.ms = ms(timer);
    run.userMs = double(usage.ru_utime.tv_sec) * 1e3 + double(usage.ru_utime.tv_usec) / 1e3;
    run.sysMs = double(usage.ru_stime.tv_sec) * 1e3 + double(usage.ru_stime.tv_usec) / 1e3;
    run.maxRssMb = double(usage.ru_maxrss) / 1024.0;
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// The median of runs made (by time; its memory with it).
inline ProcessRun median(std::vector<ProcessRun> runs)
{
    std::sort(runs.begin(), runs.end(), [](const ProcessRun &a, const ProcessRun &b) { return a.ms < b.ms; });
    return runs[runs.size() / 2];
}

// The median of several runs (by time; its memory with it).
inline ProcessRun medianRun(const QString &program, const QStringList &args, const QString &workdir, int times = 5)
{
    std::vector<ProcessRun> runs;
    for (int i = 0; i < times; ++i)
        runs.push_back(runProcess(program, args, workdir));
    std::sort(runs.begin(), runs.end(), [](const ProcessRun &a, const ProcessRun &b) { return a.ms < b.ms; });
    return runs[runs.size() / 2];
}

// Benchmarks draw offscreen unless told otherwise.
inline void useOffscreenPlatform()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace bench
