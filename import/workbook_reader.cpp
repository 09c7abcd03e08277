#include "import/workbook_reader.h"

#include "common/install_paths.h"
#include "common/safe_file.h"

#include "import/biff8_reader.h"
#include "import/csv_reader.h"
#include "import/xlsx_reader.h"
#include "xls/compound_file.h"
#include "xls/xls_writer.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryFile>
#include <QTimer>
#include <limits>

namespace {

// The sheet the helper hands back: /tmp/waybill-xls-reader-XXXXXX.sheet.
const QString kSheetPrefix = QStringLiteral("waybill-xls-reader-");
const QString kSheetSuffix = QStringLiteral(".sheet");

const QString kFormatsRead =
    QStringLiteral(u"能读取的格式：Excel 97-2003 工作簿（.xls）、Excel 工作簿（.xlsx）、CSV 文件（.csv）");

[[noreturn]] void unsupported(const QString &what)
{
    throw WorkbookError(what + QStringLiteral(u"。") + kFormatsRead);
}

// Text that web systems save with an .xls name: tab- or comma-separated,
// in UTF-16 with a byte-order mark ("Unicode 文本"), UTF-8 or GBK.
bool looksLikeSeparatedText(const QByteArray &head)
{
    if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF"))
        return true;
    if (head.contains('\0'))
        return false;
    const qsizetype end = head.indexOf('\n');
    const QByteArray firstLine = end < 0 ? head : head.left(end);
    return firstLine.contains('\t') || firstLine.contains(',');
}

bool looksLikeMarkup(const QByteArray &head)
{
    QByteArray start = head;
    if (start.startsWith("\xEF\xBB\xBF"))
        start.remove(0, 3);
    start = start.trimmed().left(256).toLower();
    return start.startsWith('<');
}

} // namespace

WorkbookKind workbookKindOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw WorkbookError(QStringLiteral(u"文件不存在：%1").arg(path));
    if (!info.isFile())
        throw WorkbookError(QStringLiteral(u"%1 不是文件").arg(path));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw WorkbookError(QStringLiteral(u"无法读取文件 %1：%2").arg(path, file.errorString()));
    const QByteArray head = file.read(512);
    if (head.isEmpty())
        throw WorkbookError(QStringLiteral(u"文件是空的：%1").arg(path));
    if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
        return WorkbookKind::Xls;
    if (head.startsWith("PK\x03\x04")) {
        switch (zipKindOf(path)) {
        case ZipKind::Xlsx:
            return WorkbookKind::Xlsx;
        case ZipKind::Xlsb:
            unsupported(
                QStringLiteral(u"这是 Excel 二进制工作簿（.xlsb），不能读取；请在 Excel 中另存为 .xlsx 或 .xls"));
        case ZipKind::Ods:
            unsupported(QStringLiteral(
                u"这是 OpenDocument 电子表格（.ods），不能读取；请在 WPS 或 LibreOffice 中另存为 .xlsx 或 .xls"));
        default:
            unsupported(QStringLiteral(u"这是 zip 压缩文件，不是工作簿，或工作簿已损坏"));
        }
    }
    const bool csvName = info.suffix().compare(QStringLiteral("csv"), Qt::CaseInsensitive) == 0
        || info.suffix().compare(QStringLiteral("txt"), Qt::CaseInsensitive) == 0;
    if (looksLikeMarkup(head) && !csvName)
        unsupported(QStringLiteral(u"这是网页（HTML 或 XML）格式的表格，不是真正的 Excel 工作簿；"
                                   u"请在 Excel 或 WPS 中打开后另存为 .xls 或 .xlsx"));
    const quint8 b0 = quint8(head[0]), b1 = head.size() > 1 ? quint8(head[1]) : 0;
    if ((b0 == 0x09 && (b1 == 0x00 || b1 == 0x02 || b1 == 0x04 || b1 == 0x08)) && !csvName)
        unsupported(QStringLiteral(u"这是 Excel 4.0 或更早版本的工作簿，不能读取"));
    if (csvName || looksLikeSeparatedText(head))
        return WorkbookKind::Csv;
    unsupported(QStringLiteral(u"不是工作簿：%1").arg(path));
}

QString workbookFileFilter()
{
    const struct {
        const char16_t *label;
        const char *pattern;
    } formats[] = {{u"Excel 97-2003 工作簿", "*.xls"}, {u"Excel 工作簿", "*.xlsx"}, {u"CSV 文件", "*.csv"}};
    QStringList patterns;
    QStringList entries;
    for (const auto &format : formats) {
        const QString pattern = QString::fromLatin1(format.pattern);
        patterns << pattern;
        entries << QStringLiteral("%1 (%2)").arg(QString::fromUtf16(format.label), pattern);
    }
    entries.prepend(QStringLiteral(u"名单文件 (%1)").arg(patterns.join(QLatin1Char(' '))));
    entries << QStringLiteral(u"所有文件 (*)");
    return entries.join(QStringLiteral(";;"));
}

namespace {

void readSheetOnce(const QString &path, const QString &sheetName, const SheetSink &sink, const ReadProgress &progress)
{
    const SheetProgress told = [&](qint64 done, qint64 total) {
        if (progress)
            progress(done, total);
    };
    switch (workbookKindOf(path)) {
    case WorkbookKind::Xls: {
        QByteArray stream;
        try {
            stream = readWorkbookStream(path);
        } catch (const XlsError &error) {
            throw WorkbookError(error.text());
        }
        readBiff8Sheet(stream, sheetName, sink, told);
        return;
    }
    case WorkbookKind::Xlsx:
        readXlsxSheet(path, sheetName, sink, told);
        return;
    case WorkbookKind::Csv: {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw WorkbookError(QStringLiteral(u"无法读取文件 %1：%2").arg(path, file.errorString()));
        readCsv(file.readAll(), sink);
        return;
    }
    }
}

} // namespace

void readSheet(const QString &path, const QString &sheetName, const SheetSink &sink, const ReadProgress &progress)
{
    if (!sink.discard) {
        readSheetOnce(path, sheetName, sink, progress);
        return;
    }
    SheetSink asTheyCome = sink;
    asTheyCome.rowsAsTheyCome = true;
    try {
        readSheetOnce(path, sheetName, asTheyCome, progress);
    } catch (const SheetNeedsWholeGrid &) {
        sink.discard();
        readSheetOnce(path, sheetName, sink, progress);
    }
}

Sheet readSheet(const QString &path, const QString &sheetName, const ReadProgress &progress)
{
    Sheet sheet;
    readSheet(path, sheetName,
              {[&](const QStringList &headings) { sheet.headings = headings; },
               [&](const QStringView *cells, qsizetype count) {
                   QStringList row;
                   row.reserve(count);
                   for (qsizetype i = 0; i < count; ++i)
                       row << cells[i].toString();
                   sheet.rows.push_back(std::move(row));
               },
               [&] {
                   sheet.headings.clear();
                   sheet.rows.clear();
               }},
              progress);
    return sheet;
}

namespace {

// A list of what a file holds, as a message quotes it: at most 15 items of
// at most 20 characters (a damaged file may hold megabytes of them).
QString quotedList(const QStringList &items)
{
    constexpr int kItems = 15;
    constexpr int kChars = 20;
    QStringList shown;
    for (const QString &item : items.mid(0, kItems))
        shown << (item.size() > kChars ? item.left(kChars) + QStringLiteral(u"…") : item);
    QString text = shown.join(QStringLiteral(u"、"));
    if (items.size() > kItems)
        text += QStringLiteral(u" 等 %1 个").arg(items.size());
    return text;
}

// Where each wanted column stands among the headings.
QList<int> headingPositions(const QStringList &headings, const QStringList &columns)
{
    QStringList seen;
    for (const QString &heading : headings)
        seen << headingAsSeen(heading);
    QList<int> positions;
    for (const QString &column : columns) {
        const int position = int(seen.indexOf(column));
        if (position < 0) {
            // Each heading once (a merged title row spreads over its columns).
            QStringList found;
            for (const QString &heading : seen)
                if (!heading.isEmpty() && !found.contains(heading))
                    found << heading;
            throw WorkbookError(
                found.isEmpty()
                    ? QStringLiteral(u"工作表第一行没有标题，缺少“%1”").arg(column)
                    : QStringLiteral(u"第一行缺少标题“%1”（第一行的标题有：%2）").arg(column, quotedList(found)));
        }
        positions << position;
    }
    return positions;
}

// The records under exact headings, every one of them required.
class ExactHeadings : public RecordShape {
public:
    explicit ExactHeadings(const QStringList &columns) : m_columns(columns) {}
    void plan(const QStringList &headings) override { m_positions = headingPositions(headings, m_columns); }
    int width() const override { return int(m_columns.size()); }
    void append(TextTable &records, const QStringView *cells, qsizetype count) const override
    {
        const qsizetype before = records.rowCount();
        bool any = false;
        for (int position : m_positions) {
            const QStringView cell = position < count ? cells[position] : QStringView();
            records.appendCell(cell);
            any = any || !cell.isEmpty();
        }
        if (!any)
            records.truncate(before);
    }

private:
    QStringList m_columns;
    QList<int> m_positions;
};

} // namespace

QString headingAsSeen(const QString &heading)
{
    QString text;
    text.reserve(heading.size());
    for (const QChar c : heading)
        if (c != QLatin1Char('\n') && c != QLatin1Char('\r') && c.category() != QChar::Other_Format)
            text += c;
    return text.trimmed();
}

QString noSuchSheetText(const QString &sheetName, const QStringList &names)
{
    QString text = QStringLiteral(u"工作簿中没有名为 %1 的工作表（有：%2）").arg(sheetName, quotedList(names));
    if (!names.isEmpty())
        text += QStringLiteral(u"。请在 Excel 或 WPS 中把收件人所在的工作表改名为 %1"
                               u"（右键点击下方的工作表标签“%2”，选“重命名”），保存后再导入")
                    .arg(sheetName, quotedList({names.first()}));
    return text;
}

void cleanReaderLeftovers()
{
    removeUnheldFiles(QDir::tempPath(), [](const QByteArray &name) {
        const QString text = QFile::decodeName(name);
        return text.startsWith(kSheetPrefix) && text.endsWith(kSheetSuffix) ? name : QByteArray();
    });
    // The sheets of earlier versions, never held: after the time limit.
    cleanStaleFolders(QDir::tempPath(), kSheetPrefix);
}

TextTable readRecordsIsolated(const QString &path, const QString &sheetName, const QStringList &columns,
                              const ReadProgress &progress)
{
    ExactHeadings shape(columns);
    return readRecordsIsolated(path, sheetName, shape, progress);
}

TextTable readRecordsIsolated(const QString &path, const QString &sheetName, RecordShape &shape,
                              const ReadProgress &progress)
{
    IsolatedSheet sheet(path, sheetName, progress);
    shape.plan(sheet.headings());
    TextTable records(shape.width());
    sheet.readRecords(shape, std::numeric_limits<qsizetype>::max(),
                      [&](TextTable &all, qsizetype) { records = std::move(all); });
    return records;
}

// The rows of a sheet: from the helper's file, or held whole when read in
// this process.
struct IsolatedSheet::Rows {
    QStringList headings;
    qsizetype count = 0;
    // Read by the helper.
    std::unique_ptr<QTemporaryFile> output;
    std::unique_ptr<FileHold> held;
    std::unique_ptr<EncodedSheetReader> encoded;
    QString path;
    // Read here.
    std::vector<QStringList> whole;

    [[noreturn]] void damaged() const { throw WorkbookError(QStringLiteral(u"无法读取工作簿：%1").arg(path)); }
};

IsolatedSheet::IsolatedSheet(const QString &path, const QString &sheetName, const ReadProgress &progress)
    : m_rows(std::make_unique<Rows>())
{
    m_rows->path = path;
    const QString helper = readerHelperPath();
    if (!QFileInfo(helper).isExecutable()) {
        Sheet sheet = readSheet(path, sheetName, progress);
        m_rows->headings = std::move(sheet.headings);
        m_rows->whole = std::move(sheet.rows);
        m_rows->count = qsizetype(m_rows->whole.size());
        return;
    }
    QProcess process;
    QEventLoop loop;
    QByteArray errors;
    bool timedOut = false;
    // The helper tells its progress on stderr ("progress DONE TOTAL" lines)
    // and ends with its message there when it fails.
    QObject::connect(&process, &QProcess::readyReadStandardError, &loop, [&] {
        errors += process.readAllStandardError();
        qsizetype end;
        while ((end = errors.indexOf('\n')) >= 0 && errors.startsWith("progress ")) {
            const QList<QByteArray> parts = errors.left(end).split(' ');
            if (progress && parts.size() == 3)
                progress(parts[1].toLongLong(), parts[2].toLongLong());
            errors.remove(0, end + 1);
        }
    });
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, [&](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            loop.quit();
    });
    QTimer limit;
    limit.setSingleShot(true);
    QObject::connect(&limit, &QTimer::timeout, &loop, [&] {
        timedOut = true;
        process.kill();
    });
    // The sheet comes back through a file: reading it through a pipe costs
    // the event loop more than the whole reading. It is held while in use,
    // so that the start of another run can tell it from a killed import's.
    cleanReaderLeftovers();
    m_rows->output = std::make_unique<QTemporaryFile>(QDir::tempPath() + QLatin1Char('/') + kSheetPrefix
                                                      + QStringLiteral("XXXXXX") + kSheetSuffix);
    QTemporaryFile &output = *m_rows->output;
    if (!output.open())
        throw WorkbookError(QStringLiteral(u"无法在临时文件夹中写入：%1").arg(output.errorString()));
    m_rows->held = std::make_unique<FileHold>(output.fileName());
    output.close();
    process.setStandardOutputFile(output.fileName(), QIODevice::Truncate);
    process.start(helper, {path, sheetName});
    limit.start(kReadLimitMs);
    if (process.state() != QProcess::NotRunning)
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    process.waitForFinished(5000);
    errors += process.readAllStandardError();
    if (timedOut)
        throw WorkbookError(QStringLiteral(u"读取工作簿超时，文件可能已损坏：%1").arg(path));
    if (process.exitStatus() != QProcess::NormalExit)
        throw WorkbookError(QStringLiteral(u"工作簿已损坏，无法读取：%1").arg(path));
    if (process.exitCode() != 0) {
        const QString text = QString::fromUtf8(errors).trimmed();
        throw WorkbookError(text.isEmpty() ? QStringLiteral(u"无法读取工作簿：%1").arg(path) : text);
    }
    // The row count stands at the end of the file.
    if (!output.open() || output.size() < 12 || !output.seek(output.size() - 4))
        m_rows->damaged();
    quint32 rows = 0;
    if (output.read(reinterpret_cast<char *>(&rows), 4) != 4 || rows > quint32(SheetGrid::kMaxRows) || !output.seek(0))
        m_rows->damaged();
    m_rows->count = qsizetype(rows);
    m_rows->encoded = std::make_unique<EncodedSheetReader>(output);
    if (!m_rows->encoded->headings(m_rows->headings))
        m_rows->damaged();
}

IsolatedSheet::~IsolatedSheet() = default;

const QStringList &IsolatedSheet::headings() const
{
    return m_rows->headings;
}

qsizetype IsolatedSheet::rowCount() const
{
    return m_rows->count;
}

void IsolatedSheet::readRecords(const RecordShape &shape, qsizetype batchRows, const Batch &onBatch)
{
    TextTable records(shape.width());
    qsizetype read = 0;
    const auto add = [&](const QStringView *cells, qsizetype count) {
        shape.append(records, cells, count);
        ++read;
        if (records.rowCount() >= batchRows) {
            onBatch(records, read);
            records = TextTable(shape.width());
        }
    };
    if (m_rows->encoded) {
        std::vector<QStringView> cells;
        while (m_rows->encoded->nextRow(cells))
            add(cells.data(), qsizetype(cells.size()));
        if (!m_rows->encoded->atEnd())
            m_rows->damaged();
    } else {
        std::vector<QStringView> cells;
        for (const QStringList &row : m_rows->whole) {
            cells.assign(row.cbegin(), row.cend());
            add(cells.data(), qsizetype(cells.size()));
        }
    }
    onBatch(records, read);
}

TextTable recordsOf(const Sheet &sheet, RecordShape &shape)
{
    shape.plan(sheet.headings);
    TextTable records(shape.width());
    std::vector<QStringView> cells;
    for (const QStringList &row : sheet.rows) {
        cells.assign(row.cbegin(), row.cend());
        shape.append(records, cells.data(), qsizetype(cells.size()));
    }
    return records;
}

TextTable recordsByHeading(const Sheet &sheet, const QStringList &columns)
{
    ExactHeadings shape(columns);
    return recordsOf(sheet, shape);
}
