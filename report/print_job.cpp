#include "report/print_job.h"

#include "common/safe_file.h"
#include "report/pdf_page_box.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>

int printPages(QPagedPaintDevice &device, int dpi, int pageCount, const PageSource &compose, PageRange range,
               const PrintProgress &progress)
{
    const int first = firstPage(range);
    const int last = lastPage(range, pageCount);
    if (first > last)
        throw PrintError(pageCount == 0 ? QStringLiteral(u"没有可打印的快递单（收件人列表为空）。")
                                        : QStringLiteral(u"所选页码范围内没有可打印的页（共 %1 页）。").arg(pageCount));
    ComposedPage page = compose(first - 1, dpi);
    setUpPaper(device, page.paperMm);
    QPainter painter;
    if (!painter.begin(&device))
        throw PrintError(QStringLiteral(u"无法开始打印：打印机或文件不可用。"));
    const qreal dotsPerUnit = dpi / kUnitsPerInch;
    const int total = last - first + 1;
    int printed = 0;
    for (int number = first; number <= last; ++number) {
        if (number != first) {
            page = compose(number - 1, dpi);
            device.newPage();
        }
        paintPage(painter, page, dotsPerUnit);
        ++printed;
        if (progress && !progress(printed, total))
            break;
    }
    if (!painter.end())
        throw PrintError(QStringLiteral(u"打印失败。"));
    return printed;
}

int firstPage(PageRange range)
{
    return std::max(1, range.from);
}

int lastPage(PageRange range, int pageCount)
{
    return range.to <= 0 ? pageCount : std::min(range.to, pageCount);
}

namespace {

// Writes a PDF beside the target through PdfPageBoxes, so that its pages
// come out exactly as large as the paper write() prints on (write tells
// the paper before its first page), and renames it into place.
void intoPdf(const QString &path, const std::function<void(QPdfWriter &, PdfPageBoxes &)> &write)
{
    try {
        SafeFile out(path);
        {
            PdfPageBoxes boxes(
                [&](const char *data, qsizetype length) { out.write(QByteArray::fromRawData(data, length)); });
            {
                QPdfWriter writer(&boxes);
                writer.setCreator(QStringLiteral(u"快递单打印软件"));
                write(writer, boxes);
            }
            boxes.close();
            if (!boxes.failure().isEmpty())
                throw FileError(boxes.failure());
        }
        out.commit();
    } catch (const FileError &error) {
        throw PrintError(error.text());
    }
}

} // namespace

void printToPdf(const QString &path, int pageCount, const PageSource &compose, PageRange range)
{
    intoPdf(path, [&](QPdfWriter &writer, PdfPageBoxes &boxes) {
        printPages(
            writer, writer.resolution(), pageCount,
            [&](int page, int dpi) {
                ComposedPage composed = compose(page, dpi);
                boxes.setPaper(composed.paperMm);
                return composed;
            },
            range);
    });
}

int printSheets(QPagedPaintDevice &device, int dpi, const QSizeF &paperMm, int count, const SheetsPainter &paint,
                const PrintProgress &progress)
{
    if (count <= 0)
        throw PrintError(QStringLiteral(u"没有可打印的页。"));
    setUpPaper(device, paperMm);
    QPainter painter;
    if (!painter.begin(&device))
        throw PrintError(QStringLiteral(u"无法开始打印：打印机或文件不可用。"));
    int printed = 0;
    for (int sheet = 0; sheet < count; ++sheet) {
        if (sheet > 0)
            device.newPage();
        paint(painter, sheet, dpi);
        ++printed;
        if (progress && !progress(printed, count))
            break;
    }
    if (!painter.end())
        throw PrintError(QStringLiteral(u"打印失败。"));
    return printed;
}

int printSheetsToPdf(const QString &path, const QSizeF &paperMm, int count, const SheetsPainter &paint,
                     const PrintProgress &progress)
{
    int printed = 0;
    intoPdf(path, [&](QPdfWriter &writer, PdfPageBoxes &boxes) {
        boxes.setPaper(paperMm);
        printed = printSheets(writer, writer.resolution(), paperMm, count, paint, progress);
    });
    return printed;
}

void printSheet(QPagedPaintDevice &device, int dpi, const QSizeF &paperMm, const SheetPainter &paint)
{
    printSheets(device, dpi, paperMm, 1,
                [&](QPainter &painter, int, int dots) { paint(painter, dots / kUnitsPerInch); });
}

void printSheetToPdf(const QString &path, const QSizeF &paperMm, const SheetPainter &paint)
{
    intoPdf(path, [&](QPdfWriter &writer, PdfPageBoxes &boxes) {
        boxes.setPaper(paperMm);
        printSheet(writer, writer.resolution(), paperMm, paint);
    });
}
