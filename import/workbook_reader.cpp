#include "import/workbook_reader.h"

#include <QCoreApplication>
#include <QDataStream>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QFileInfo>
#include <QTemporaryDir>
#include "xls/compound_file.h"
#include "xls/xls_writer.h"
#include <cmath>
#include <freexl.h>
#include <memory>

namespace {

struct Closer {
    void operator()(const void *handle) const { freexl_close(handle); }
};
using Handle = std::unique_ptr<const void, Closer>;

// A FreeXL handle on a clean copy of the workbook: the workbook stream is
// taken out of the compound file with libgsf (which refuses damaged sector
// chains that make FreeXL loop) and put into a fresh one.
struct Workbook {
    QTemporaryDir dir;
    Handle handle;
};

std::unique_ptr<Workbook> openWorkbook(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw WorkbookError(QStringLiteral(u"文件不存在：%1").arg(path));
    if (!info.isFile() || !info.isReadable())
        throw WorkbookError(QStringLiteral(u"无法读取文件：%1").arg(path));
    auto workbook = std::make_unique<Workbook>();
    const QString clean = workbook->dir.filePath(QStringLiteral("workbook.xls"));
    try {
        QFile out(clean);
        if (!out.open(QIODevice::WriteOnly) || out.write(buildCompoundFile("Workbook", readWorkbookStream(path))) < 0)
            throw WorkbookError(QStringLiteral(u"无法读取工作簿：%1").arg(path));
    } catch (const XlsError &error) {
        throw WorkbookError(error.text());
    }
    const void *handle = nullptr;
    const int status = freexl_open(QFile::encodeName(clean).constData(), &handle);
    if (status != FREEXL_OK || !handle) {
        if (handle)
            freexl_close(handle);
        throw WorkbookError(QStringLiteral(u"不是 Excel 97-2003 工作簿（.xls），或文件已损坏：%1").arg(path));
    }
    workbook->handle = Handle(handle);
    return workbook;
}

QString cellText(const FreeXL_CellValue &cell)
{
    switch (cell.type) {
    case FREEXL_CELL_INT:
        return QString::number(cell.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return numberText(cell.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
    case FREEXL_CELL_TIME:
        return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
    default:
        return {};
    }
}

} // namespace

QString numberText(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

Sheet readSheet(const QString &path, const QString &sheetName, const ReadProgress &progress)
{
    const std::unique_ptr<Workbook> workbook = openWorkbook(path);
    const Handle &handle = workbook->handle;
    unsigned int sheets = 0;
    if (freexl_get_info(handle.get(), FREEXL_BIFF_SHEET_COUNT, &sheets) != FREEXL_OK)
        throw WorkbookError(QStringLiteral(u"无法读取工作簿的工作表：%1").arg(path));
    int found = -1;
    for (unsigned int i = 0; i < sheets && i < 65536 && found < 0; ++i) {
        const char *name = nullptr;
        if (freexl_get_worksheet_name(handle.get(), static_cast<unsigned short>(i), &name) == FREEXL_OK && name
            && QString::fromUtf8(name) == sheetName)
            found = int(i);
    }
    if (found < 0)
        throw WorkbookError(QStringLiteral(u"工作簿中没有名为 %1 的工作表").arg(sheetName));
    unsigned int rows = 0;
    unsigned short columns = 0;
    if (freexl_select_active_worksheet(handle.get(), static_cast<unsigned short>(found)) != FREEXL_OK
        || freexl_worksheet_dimensions(handle.get(), &rows, &columns) != FREEXL_OK)
        throw WorkbookError(QStringLiteral(u"无法读取工作表 %1").arg(sheetName));

    // A BIFF8 sheet has at most 65,536 rows and 256 columns; larger
    // dimensions come from a damaged file.
    if (rows > 65536 || columns > 256)
        throw WorkbookError(QStringLiteral(u"工作表 %1 的大小异常（%2 行 %3 列），文件可能已损坏")
                                .arg(sheetName)
                                .arg(rows)
                                .arg(columns));
    Sheet sheet;
    if (rows == 0)
        return sheet;
    const auto rowTexts = [&](unsigned int row) {
        QStringList texts;
        texts.reserve(columns);
        for (unsigned short column = 0; column < columns; ++column) {
            FreeXL_CellValue cell;
            if (freexl_get_cell_value(handle.get(), row, column, &cell) != FREEXL_OK)
                throw WorkbookError(QStringLiteral(u"无法读取第 %1 行第 %2 列的单元格").arg(row + 1).arg(column + 1));
            texts << cellText(cell);
        }
        return texts;
    };
    sheet.headings = rowTexts(0);
    sheet.rows.reserve(rows - 1);
    for (unsigned int row = 1; row < rows; ++row) {
        QStringList texts = rowTexts(row);
        if (std::any_of(texts.cbegin(), texts.cend(), [](const QString &text) { return !text.isEmpty(); }))
            sheet.rows.push_back(std::move(texts));
        if (progress && row % 1024 == 0)
            progress(row, rows - 1);
    }
    return sheet;
}

Sheet readSheetIsolated(const QString &path, const QString &sheetName, const ReadProgress &progress)
{
    const QString helper = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("waybill-xls-reader"));
    if (!QFileInfo(helper).isExecutable())
        return readSheet(path, sheetName, progress);
    QProcess process;
    process.start(helper, {path, sheetName});
    QElapsedTimer timer;
    timer.start();
    constexpr qint64 kLimitMs = 120000;
    while (!process.waitForFinished(50)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (timer.elapsed() > kLimitMs) {
            process.kill();
            process.waitForFinished();
            throw WorkbookError(QStringLiteral(u"读取工作簿超时，文件可能已损坏：%1").arg(path));
        }
        if (progress)
            progress(0, 1); // still reading
    }
    if (process.exitStatus() != QProcess::NormalExit)
        throw WorkbookError(QStringLiteral(u"不是 Excel 97-2003 工作簿（.xls），或文件已损坏：%1").arg(path));
    if (process.exitCode() != 0) {
        const QString text = QString::fromUtf8(process.readAllStandardError()).trimmed();
        throw WorkbookError(text.isEmpty() ? QStringLiteral(u"无法读取工作簿：%1").arg(path) : text);
    }
    const QByteArray data = process.readAllStandardOutput();
    QDataStream stream(data);
    Sheet sheet;
    quint32 rows = 0;
    stream >> sheet.headings >> rows;
    sheet.rows.reserve(std::min<quint32>(rows, 65536));
    for (quint32 i = 0; i < rows && stream.status() == QDataStream::Ok; ++i) {
        QStringList row;
        stream >> row;
        sheet.rows.push_back(std::move(row));
    }
    if (stream.status() != QDataStream::Ok || sheet.rows.size() != rows)
        throw WorkbookError(QStringLiteral(u"无法读取工作簿：%1").arg(path));
    if (progress)
        progress(1, 1);
    return sheet;
}

std::vector<QStringList> recordsByHeading(const Sheet &sheet, const QStringList &columns)
{
    QList<int> positions;
    for (const QString &column : columns) {
        int position = -1;
        for (int i = 0; i < sheet.headings.size() && position < 0; ++i)
            if (sheet.headings[i].trimmed() == column)
                position = i;
        if (position < 0)
            throw WorkbookError(QStringLiteral(u"第一行缺少标题“%1”").arg(column));
        positions << position;
    }
    std::vector<QStringList> records;
    records.reserve(sheet.rows.size());
    for (const QStringList &row : sheet.rows) {
        QStringList record;
        record.reserve(columns.size());
        for (int position : positions)
            record << row.value(position);
        records.push_back(std::move(record));
    }
    return records;
}
