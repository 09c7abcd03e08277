#include "report/print_job.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <stdexcept>

void printPages(QPagedPaintDevice &device, int dpi, int pageCount, const PageSource &compose, PageRange range,
                const PrintProgress &progress)
{
    const int first = std::max(1, range.from);
    const int last = range.to <= 0 ? pageCount : std::min(range.to, pageCount);
    if (first > last)
        return;
    ComposedPage page = compose(first - 1);
    setUpPaper(device, page.paperMm);
    QPainter painter;
    if (!painter.begin(&device))
        throw std::runtime_error(QStringLiteral(u"无法开始打印：打印机或文件不可用。").toStdString());
    const qreal dotsPerUnit = dpi / 96.0;
    const int total = last - first + 1;
    for (int number = first; number <= last; ++number) {
        if (number != first) {
            page = compose(number - 1);
            device.newPage();
        }
        paintPage(painter, page, dotsPerUnit);
        if (progress && !progress(number - first + 1, total))
            break;
    }
    if (!painter.end())
        throw std::runtime_error(QStringLiteral(u"打印失败。").toStdString());
}

void printToPdf(const QString &path, int pageCount, const PageSource &compose, PageRange range)
{
    const QFileInfo target(path);
    if (!target.absoluteDir().exists())
        throw std::runtime_error(
            QStringLiteral(u"文件夹不存在：%1").arg(QDir::toNativeSeparators(target.absolutePath())).toStdString());
    // QSaveFile writes beside the target and renames on commit.
    QSaveFile file(target.absoluteFilePath());
    if (!file.open(QIODevice::WriteOnly))
        throw std::runtime_error(QStringLiteral(u"无法写入文件 %1：%2")
                                     .arg(QDir::toNativeSeparators(path), file.errorString())
                                     .toStdString());
    {
        QPdfWriter writer(&file);
        writer.setCreator(QStringLiteral(u"快递单打印软件"));
        printPages(writer, writer.resolution(), pageCount, compose, range);
    }
    if (!file.commit())
        throw std::runtime_error(QStringLiteral(u"无法写入文件 %1：%2")
                                     .arg(QDir::toNativeSeparators(path), file.errorString())
                                     .toStdString());
}
