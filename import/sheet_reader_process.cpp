// waybill-xls-reader FILE SHEET: reads one worksheet of an .xls workbook and
// writes it to standard output (QDataStream: headings, row count, rows).
// The import runs it as a separate process, so that a workbook that makes
// the reading library crash or loop cannot take the program down with it.

#include "import/workbook_reader.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QFile>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fputs("usage: waybill-xls-reader FILE SHEET\n", stderr);
        return 2;
    }
    try {
        const Sheet sheet = readSheet(QString::fromLocal8Bit(argv[1]), QString::fromUtf8(argv[2]));
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
    }
}
