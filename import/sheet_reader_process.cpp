// waybill-xls-reader FILE SHEET: reads one worksheet of a workbook (.xls,
// .xlsx or .csv) and writes it to standard output (QDataStream: headings,
// row count, rows), telling its progress on standard error as
// "progress DONE TOTAL" lines. The import runs it as a separate process,
// so that a workbook that makes the reader crash or loop cannot take the
// program down with it.

#include "import/workbook_reader.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <cstdio>
#include <sys/resource.h>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: waybill-xls-reader FILE SHEET\n", stderr);
        return 2;
    }
    // A damaged file must not take the machine's memory.
    const rlimit memory{rlim_t(4) << 30, rlim_t(4) << 30};
    setrlimit(RLIMIT_AS, &memory);
    try {
        qint64 told = -1;
        const Sheet sheet = readSheet(QString::fromLocal8Bit(argv[1]), QString::fromUtf8(argv[2]),
                                      [&](qsizetype done, qsizetype total) {
                                          const qint64 permille = total > 0 ? done * 1000 / total : 0;
                                          if (permille != told) {
                                              told = permille;
                                              std::fprintf(stderr, "progress %lld 1000\n", static_cast<long long>(permille));
                                              std::fflush(stderr);
                                          }
                                      });
        QFile out;
        if (!out.open(stdout, QIODevice::WriteOnly))
            return 4;
        QDataStream stream(&out);
        stream << sheet.headings << quint32(sheet.rows.size());
        for (const QStringList &row : sheet.rows)
            stream << row;
        out.flush();
        return stream.status() == QDataStream::Ok ? 0 : 4;
    } catch (const WorkbookError &error) {
        std::fputs(error.text().toUtf8().constData(), stderr);
        return 3;
    } catch (const std::bad_alloc &) {
        std::fputs("工作簿太大或已损坏（内存不足）", stderr);
        return 3;
    }
}
