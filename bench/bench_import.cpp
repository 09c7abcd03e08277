// Import benchmark, measured as a user waits: whole `waybill import`
// processes (the reader process included) of 65,535 recipients of ten
// columns in .xls, .xlsx and .csv files the program's own export wrote,
// each run alternating with the C reading floor of its format in the same
// run: FreeXL reading every cell of the .xls (floor_xls_freexl), libgsf and
// expat streaming the .xlsx's shared strings and sheet (floor_xlsx_expat).
// With --before PROGRAM another build of waybill is run alternating too
// (the figures before a change). Prints wall, user, sys and max RSS
// (medians of the runs) and the ratios to the floors.
//
// bench_import [--runs N] [--before PROGRAM] [--keep]   (--keep: the files
// stay in ./bench-import-files for profiling)

#include "bench_support.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>
#include <cstdio>
#include <map>

namespace {

constexpr int kRows = 65535;

struct Series {
    std::vector<bench::ProcessRun> runs;
    // The median of each figure on its own.
    bench::ProcessRun median() const
    {
        const auto of = [&](double bench::ProcessRun::*field) {
            std::vector<double> values;
            for (const bench::ProcessRun &run : runs)
                values.push_back(run.*field);
            std::sort(values.begin(), values.end());
            return values.empty() ? 0.0 : values[values.size() / 2];
        };
        bench::ProcessRun m;
        m.ms = of(&bench::ProcessRun::ms);
        m.userMs = of(&bench::ProcessRun::userMs);
        m.sysMs = of(&bench::ProcessRun::sysMs);
        m.maxRssMb = of(&bench::ProcessRun::maxRssMb);
        m.status = 0;
        for (const bench::ProcessRun &run : runs)
            m.status = m.status != 0 ? m.status : run.status;
        return m;
    }
};

void printRun(const QString &what, const bench::ProcessRun &run, const bench::ProcessRun *floor)
{
    std::printf("%-36s wall %6.0f ms  user %5.0f ms  sys %4.0f ms  cpu %5.0f ms  max RSS %5.1f MB", qPrintable(what),
                run.ms, run.userMs, run.sysMs, run.userMs + run.sysMs, run.maxRssMb);
    if (floor)
        std::printf("  (x%.2f cpu, x%.2f wall of the floor)", (run.userMs + run.sysMs) / (floor->userMs + floor->sysMs),
                    run.ms / floor->ms);
    std::printf("%s\n", run.status == 0 ? "" : "  FAILED");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int runs = 5;
    QString before;
    const QStringList args = app.arguments();
    const QString started = QDir::currentPath();
    bool keep = false;
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QStringLiteral("--before") && i + 1 < args.size())
            before = QFileInfo(args[++i]).absoluteFilePath();
        else if (args[i] == QStringLiteral("--keep"))
            keep = true;
    }
    const QDir bin(QCoreApplication::applicationDirPath());
    const QString waybill = bin.filePath(QStringLiteral("waybill"));

    bench::Workdir dir;
    const QString folder = QDir::currentPath();
    {
        Connection connection(QStringLiteral("bench"));
        bench::fillWaybills(connection, kRows);
    }
    for (const char *file : {"list.xls", "list.xlsx"})
        if (bench::runProcess(waybill, {QStringLiteral("export"), QString::fromLatin1(file)}, folder).status != 0) {
            std::printf("export to %s failed\n", file);
            return 1;
        }
    {
        QFile csv(dir.file(QStringLiteral("list.csv")));
        csv.open(QIODevice::WriteOnly);
        QTextStream out(&csv);
        out << schema::recipientColumns().join(QLatin1Char(',')) << '\n';
        for (int i = 0; i < kRows; ++i)
            out << QStringLiteral(
                       u"上海联华电子有限公司,收件人%1,上海,\"上海市浦东新区张江高科技园区碧波路%2号%3室\",201203,"
                       u"021-50801234,138%4,样品,2,易碎勿压\n")
                       .arg(i)
                       .arg(i % 900)
                       .arg(i % 77)
                       .arg(i, 8, 10, QLatin1Char('0'));
    }

    struct Program {
        QString label;
        QString path;
        QStringList args;
        QString floorOf; // the floor's label, for a program measured against one
    };
    std::vector<Program> programs;
    const QString xlsFloor = bin.filePath(QStringLiteral("floor_xls_freexl"));
    const QString xlsxFloor = bin.filePath(QStringLiteral("floor_xlsx_expat"));
    const bool haveXlsFloor = QFileInfo(xlsFloor).isExecutable();
    const bool haveXlsxFloor = QFileInfo(xlsxFloor).isExecutable();
    for (const char *file : {"list.xls", "list.xlsx", "list.csv"}) {
        const QString name = QString::fromLatin1(file);
        const QString floorLabel = name == QStringLiteral("list.xls") && haveXlsFloor
            ? QStringLiteral("floor: FreeXL reads list.xls")
            : name == QStringLiteral("list.xlsx") && haveXlsxFloor ? QStringLiteral("floor: gsf+expat read list.xlsx")
                                                                   : QString();
        if (name == QStringLiteral("list.xls") && haveXlsFloor)
            programs.push_back({floorLabel, xlsFloor, {name, QStringLiteral("Sheet1")}, {}});
        if (name == QStringLiteral("list.xlsx") && haveXlsxFloor)
            programs.push_back({floorLabel, xlsxFloor, {name}, {}});
        programs.push_back(
            {QStringLiteral("import %1").arg(name), waybill, {QStringLiteral("import"), name}, floorLabel});
        if (!before.isEmpty())
            programs.push_back(
                {QStringLiteral("import %1 (before)").arg(name), before, {QStringLiteral("import"), name}, floorLabel});
    }
    if (!haveXlsFloor || !haveXlsxFloor)
        std::printf("(a floor was not built: libfreexl-dev or libexpat1-dev missing)\n");

    // Every program once per round, so that the machine's load falls on all alike.
    std::map<QString, Series> series;
    for (int round = 0; round < runs; ++round)
        for (const Program &program : programs)
            series[program.label].runs.push_back(bench::runProcess(program.path, program.args, folder));

    std::printf("%d recipients x 10 columns, whole processes (reader included), medians of %d alternating runs\n",
                kRows, runs);
    for (const Program &program : programs) {
        const bench::ProcessRun run = series[program.label].median();
        const bench::ProcessRun floor =
            program.floorOf.isEmpty() ? bench::ProcessRun() : series[program.floorOf].median();
        printRun(program.label, run, program.floorOf.isEmpty() ? nullptr : &floor);
    }
    std::printf("targets: import .xls and .xlsx <= 2x their floor's cpu, <= 40 MB max RSS\n");
    if (keep) {
        const QString kept = QDir(started).filePath(QStringLiteral("bench-import-files"));
        QDir(kept).removeRecursively();
        QDir().mkpath(kept);
        for (const char *file : {"list.xls", "list.xlsx", "list.csv", "data.mdb"})
            QFile::copy(dir.file(QString::fromLatin1(file)), QDir(kept).filePath(QString::fromLatin1(file)));
    }
    return 0;
}
