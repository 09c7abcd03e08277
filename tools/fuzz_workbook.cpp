// A mutation fuzzer for the workbook readers (not part of the tests): takes
// seed workbooks (.xls, .xlsx, .csv), mutates them (bit flips, byte runs, truncation, spliced
// chunks) and reads each mutant in a child process, so that a crash or a
// hang is caught and the input kept. With --runs the run is repeatable: a
// fixed random seed (--seed, default 1) and that many mutants (CI).
//   fuzz_workbook SECONDS OUTPUT_DIR SEED.xls...
//   fuzz_workbook --runs N [--seed S] OUTPUT_DIR SEED.xls...

#include "import/workbook_reader.h"
#include "store/schema.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray mutate(QByteArray data, QRandomGenerator &random)
{
    const int steps = 1 + int(random.bounded(8));
    for (int s = 0; s < steps && !data.isEmpty(); ++s) {
        const qsizetype at = qsizetype(random.bounded(quint32(data.size())));
        switch (random.bounded(6)) {
        case 0:
            data[at] = char(data[at] ^ (1 << random.bounded(8)));
            break;
        case 1:
            data[at] = char(random.bounded(256));
            break;
        case 2:
            data[at] = char(QList<int>{0, 0xFF, 0x7F, 0x80, 0x01}[random.bounded(5)]);
            break;
        case 3:
            data.truncate(at);
            break;
        case 4: {
            const qsizetype length = std::min<qsizetype>(data.size() - at, qsizetype(random.bounded(64)));
            data.insert(qsizetype(random.bounded(quint32(data.size()))), data.mid(at, length));
            break;
        }
        default: {
            const qsizetype length = std::min<qsizetype>(data.size() - at, 4);
            for (qsizetype i = 0; i < length; ++i)
                data[at + i] = char(0xFF);
        }
        }
    }
    return data;
}

// Reads the workbook in a child; returns the child's fate.
int readInChild(const QString &path)
{
    const pid_t child = fork();
    if (child == 0) {
        alarm(10);
        try {
            const Sheet sheet = readSheet(path, QStringLiteral("Sheet1"));
            recordsByHeading(sheet, schema::recipientColumns());
            // What the helper hands over must decode whole.
            QBuffer buffer;
            buffer.open(QIODevice::WriteOnly);
            writeEncodedSheet(buffer, sheet);
        } catch (const WorkbookError &) {
        }
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return status;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    qint64 seconds = 0;
    int maxRuns = 0;
    std::optional<quint32> seedGiven;
    while (args.size() >= 2 && args.first().startsWith(QStringLiteral("--"))) {
        const QString option = args.takeFirst();
        const QString value = args.takeFirst();
        if (option == QStringLiteral("--runs"))
            maxRuns = value.toInt();
        else if (option == QStringLiteral("--seed"))
            seedGiven = value.toUInt();
    }
    // A bounded run repeats itself; a timed one explores afresh.
    const quint32 randomSeed = seedGiven.value_or(maxRuns > 0 ? 1u : quint32(QDateTime::currentMSecsSinceEpoch()));
    if (maxRuns == 0 && !args.isEmpty())
        seconds = args.takeFirst().toLongLong();
    if (args.size() < 2 || (maxRuns == 0 && seconds == 0)) {
        std::fprintf(stderr, "usage: fuzz_workbook SECONDS | --runs N [--seed S]  OUTPUT_DIR SEED.xls|.xlsx|.csv...\n");
        return 2;
    }
    QDir out(args.takeFirst());
    out.mkpath(QStringLiteral("."));
    // Each seed with its suffix: a mutant keeps it, since .csv is told by name.
    QList<QPair<QByteArray, QString>> seeds;
    for (const QString &path : args) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            seeds.append({file.readAll(), QFileInfo(file.fileName()).suffix()});
    }
    if (seeds.isEmpty()) {
        std::fprintf(stderr, "no seed could be read\n");
        return 2;
    }
    QRandomGenerator random(randomSeed);
    QElapsedTimer timer;
    timer.start();
    int runs = 0, crashes = 0;
    while (maxRuns > 0 ? runs < maxRuns : timer.elapsed() < seconds * 1000) {
        const auto &[seed, suffix] = seeds[int(random.bounded(int(seeds.size())))];
        const QByteArray data = mutate(seed, random);
        const QString mutant = out.filePath(QStringLiteral("current.") + suffix);
        QFile file(mutant);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(data);
        file.close();
        const int status = readInChild(mutant);
        ++runs;
        if (WIFSIGNALED(status)) {
            ++crashes;
            const QString kept =
                out.filePath(QStringLiteral("crash-%1-signal%2.%3").arg(crashes).arg(WTERMSIG(status)).arg(suffix));
            QFile::copy(mutant, kept);
            std::printf("signal %d: %s\n", WTERMSIG(status), qPrintable(kept));
        }
    }
    std::printf("%d mutants read, %d crashes or hangs\n", runs, crashes);
    return crashes == 0 ? 0 : 1;
}
