// waybill-xls-reader FILE SHEET: reads one worksheet of a workbook (.xls,
// .xlsx or .csv) and writes it to standard output (EncodedSheetWriter's
// bytes, row by row as the sheet hands them on), telling its progress on standard error as "progress DONE TOTAL"
// lines and ending with its message there when it fails. The import runs
// it as a separate process, so that a workbook that makes the reader crash
// or loop cannot take the program down with it.

#include "common/safe_file.h"
#include "import/workbook_reader.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Whatever a library prints goes nowhere: standard output and error carry
// only the sheet and this program's own lines, through descriptors of
// their own.
struct OwnStreams {
    int data = ::dup(STDOUT_FILENO);
    FILE *messages = ::fdopen(::dup(STDERR_FILENO), "w");

    OwnStreams()
    {
        const int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, STDOUT_FILENO);
        ::dup2(null, STDERR_FILENO);
        ::close(null);
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: waybill-xls-reader FILE SHEET\n", stderr);
        return 2;
    }
    const OwnStreams streams;
    if (streams.data < 0 || !streams.messages)
        return 4;
        // A damaged file must not take the machine's memory. (AddressSanitizer
        // maps terabytes of shadow memory, so a sanitizer build goes without.)
#ifndef __SANITIZE_ADDRESS__
    const rlimit memory{rlim_t(4) << 30, rlim_t(4) << 30};
    setrlimit(RLIMIT_AS, &memory);
#endif
    try {
        QFile out;
        if (!out.open(streams.data, QIODevice::WriteOnly | QIODevice::Unbuffered))
            return 4;
        EncodedSheetWriter writer(out);
        // Why the first write failed.
        int failure = 0;
        const auto check = [&](bool ok) {
            if (!ok && failure == 0)
                failure = errno != 0 ? errno : EIO;
        };
        qint64 told = -1;
        readSheet(QString::fromLocal8Bit(argv[1]), QString::fromUtf8(argv[2]),
                  {[&](const QStringList &headings) { check(writer.headings(headings)); },
                   [&](const QStringView *cells, qsizetype count) { check(writer.row(cells, count)); },
                   // The sheet needs reading whole after all: what was written goes.
                   [&] {
                       writer.restart();
                       check(out.resize(0) && out.seek(0));
                   }},
                  [&](qsizetype done, qsizetype total) {
                      const qint64 permille = total > 0 ? done * 1000 / total : 0;
                      // A sheet read again after all tells nothing twice.
                      if (permille > told) {
                          told = permille;
                          std::fprintf(streams.messages, "progress %lld 1000\n", static_cast<long long>(permille));
                          std::fflush(streams.messages);
                      }
                  });
        errno = 0;
        check(writer.finish());
        if (failure == 0)
            return 0;
        // The sheet goes to a file of the temporary folder: a full disk there
        // is told as such.
        std::fputs(writeFailureText(QDir::tempPath() + QStringLiteral(u"（导入时暂存读出的内容）"), failure)
                       .toUtf8()
                       .constData(),
                   streams.messages);
        return 3;
    } catch (const WorkbookError &error) {
        std::fputs(error.text().toUtf8().constData(), streams.messages);
        return 3;
    } catch (const std::bad_alloc &) {
        std::fputs("工作簿太大或已损坏（内存不足）", streams.messages);
        return 3;
    }
}
