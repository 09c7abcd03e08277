#include "import/xlsx_reader.h"

#include "import/cell_text.h"
#include "import/workbook_reader.h"
#include "import/xml_scanner.h"
#include "xls/compound_file.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QXmlStreamReader>
#include <gsf/gsf-infile-zip.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-input.h>
#include <memory>

namespace {

// The largest part read: a sheet of a million rows is well below it.
constexpr gsf_off_t kMaxPartBytes = gsf_off_t(1) << 30;

struct GObjectUnref {
    void operator()(void *object) const
    {
        if (object)
            g_object_unref(object);
    }
};
using Zip = std::unique_ptr<GsfInfile, GObjectUnref>;

Zip openZip(const QString &path)
{
    initialiseGsf();
    GError *error = nullptr;
    GsfInput *input = gsf_input_stdio_new(QFile::encodeName(path).constData(), &error);
    if (!input) {
        if (error)
            g_error_free(error);
        throw WorkbookError(QStringLiteral(u"无法读取文件：%1").arg(path));
    }
    GsfInfile *zip = gsf_infile_zip_new(input, &error);
    g_object_unref(input);
    if (error)
        g_error_free(error);
    if (!zip)
        throw WorkbookError(QStringLiteral(u"工作簿已损坏（zip 压缩包无法打开）：%1").arg(path));
    return Zip(zip);
}

using Input = std::unique_ptr<GsfInput, GObjectUnref>;

// A part of the zip by its path ("xl/workbook.xml"), to read; null when
// absent.
Input openPart(GsfInfile *zip, QString path)
{
    if (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    const QList<QByteArray> names = [&] {
        QList<QByteArray> list;
        for (const QString &name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts))
            list << name.toUtf8();
        return list;
    }();
    if (names.isEmpty())
        return nullptr;
    std::vector<const char *> pointers;
    for (const QByteArray &name : names)
        pointers.push_back(name.constData());
    pointers.push_back(nullptr);
    return Input(gsf_infile_child_by_aname(zip, pointers.data()));
}

// How far a part of the workbook at path may expand: 200 times the whole
// file (real sheets compress 5 to 20 times, zip bombs a thousand), at
// least 64 MB and at most 1 GB.
qint64 expansionLimit(const QString &path)
{
    return std::clamp<qint64>(QFileInfo(path).size() * 200, qint64(64) << 20, kMaxPartBytes);
}

// A source for the scanner: the part read in chunks as it is scanned,
// refused as soon as it expands past limit bytes.
XmlScanner::Source partSource(GsfInput *input, const QString &path, qint64 limit)
{
    return [input, path, limit, read = qint64(0)](char *buffer, qsizetype size) mutable -> qsizetype {
        const qsizetype n = qsizetype(std::min<gsf_off_t>(gsf_input_remaining(input), size));
        if (n <= 0)
            return 0;
        read += n;
        if (read > limit)
            throw WorkbookError(
                QStringLiteral(u"工作簿已损坏或是恶意文件：%1 解压后超过 %2 MB").arg(path).arg(limit >> 20));
        if (!gsf_input_read(input, size_t(n), reinterpret_cast<guint8 *>(buffer)))
            throw WorkbookError(QStringLiteral(u"工作簿已损坏（无法解压 %1）").arg(path));
        return n;
    };
}

// A whole part of the zip by its path; null when absent.
std::optional<QByteArray> part(GsfInfile *zip, const QString &path)
{
    const Input child = openPart(zip, path);
    if (!child)
        return std::nullopt;
    GsfInput *input = child.get();
    const gsf_off_t size = gsf_input_size(input);
    QByteArray bytes;
    // The parts read whole (relationships, workbook, styles) are small in
    // every real workbook.
    constexpr gsf_off_t kMaxWholePartBytes = gsf_off_t(32) << 20;
    if (size > kMaxWholePartBytes)
        throw WorkbookError(
            QStringLiteral(u"工作簿已损坏或是恶意文件：%1 解压后超过 %2 MB").arg(path).arg(kMaxWholePartBytes >> 20));
    bool ok = size >= 0;
    if (ok && size > 0) {
        bytes.resize(qsizetype(size));
        ok = gsf_input_read(input, size_t(size), reinterpret_cast<guint8 *>(bytes.data())) != nullptr;
    }
    if (!ok)
        throw WorkbookError(QStringLiteral(u"工作簿已损坏（无法解压 %1）").arg(path));
    return bytes;
}

struct Relationship {
    QString target; // the part's path in the package
    QString type;   // ".../relationships/sharedStrings" and the like
    // Whether the relationship is of a kind ("sharedStrings", "styles").
    bool is(QLatin1String kind) const { return type.endsWith(QLatin1Char('/') + kind, Qt::CaseInsensitive); }
};

// Relationships by id, their targets resolved against the folder of the
// part they belong to; the package's own ones for an empty part path.
QHash<QString, Relationship> relationships(GsfInfile *zip, const QString &partPath)
{
    const qsizetype slash = partPath.lastIndexOf(QLatin1Char('/'));
    const QString folder = slash < 0 ? QString() : partPath.left(slash + 1);
    const QString relsPath = partPath.isEmpty()
        ? QStringLiteral("_rels/.rels")
        : folder + QStringLiteral("_rels/") + partPath.mid(slash + 1) + QStringLiteral(".rels");
    QHash<QString, Relationship> targets;
    const std::optional<QByteArray> rels = part(zip, relsPath);
    if (!rels)
        return targets;
    QXmlStreamReader xml(*rels);
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == QLatin1String("Relationship")) {
            QString target = xml.attributes().value(QLatin1String("Target")).toString();
            if (!target.startsWith(QLatin1Char('/')))
                target = folder + target;
            // "xl/worksheets/../sharedStrings.xml" and the like
            QStringList resolved;
            for (const QString &piece : target.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
                if (piece == QLatin1String("..")) {
                    if (!resolved.isEmpty()) // ".." above the package's root stays at the root
                        resolved.removeLast();
                } else if (piece != QLatin1String(".")) {
                    resolved << piece;
                }
            }
            targets.insert(xml.attributes().value(QLatin1String("Id")).toString(),
                           {resolved.join(QLatin1Char('/')), xml.attributes().value(QLatin1String("Type")).toString()});
        }
    }
    return targets;
}

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    return -1;
}

// OOXML escapes characters XML cannot hold as _xHHHH_. One pass over the
// text, so that the time is linear in its length whatever it holds.
QString unescaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        if (text[i] == QLatin1Char('_') && i + 6 < n && text[i + 1] == QLatin1Char('x')
            && text[i + 6] == QLatin1Char('_')) {
            int code = 0;
            bool hex = true;
            for (qsizetype k = i + 2; k < i + 6 && hex; ++k) {
                const int digit = hexValue(text[k]);
                hex = digit >= 0;
                code = code * 16 + digit;
            }
            if (hex) {
                out += QChar(char16_t(code));
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The text of an <si> or <is> element: its <t> and its runs' <t>, without
// phonetic runs (<rPh>). The scanner stands on the element's start.
QString stringItem(XmlScanner &xml)
{
    QString text;
    int depth = 1;
    int phonetic = 0;
    while (depth > 0) {
        switch (xml.next()) {
        case XmlScanner::StartElement:
            if (xml.name() == "rPh") {
                ++phonetic;
                ++depth;
            } else if (xml.name() == "t") {
                const QString part = xml.readElementText();
                if (phonetic == 0)
                    text += part;
            } else {
                ++depth;
            }
            break;
        case XmlScanner::EndElement:
            --depth;
            if (xml.name() == "rPh")
                --phonetic;
            break;
        case XmlScanner::Text:
            break;
        default:
            return text;
        }
    }
    return text.contains(QLatin1String("_x")) ? unescaped(text) : text;
}

void readSharedStrings(XmlScanner &xml, TextPool &strings)
{
    XmlScanner::Token token;
    while ((token = xml.next()) != XmlScanner::EndOfDocument && token != XmlScanner::Invalid) {
        if (token == XmlScanner::StartElement && xml.name() == "si")
            strings.add(stringItem(xml));
    }
    if (token == XmlScanner::Invalid)
        throw WorkbookError(QStringLiteral(u"工作簿已损坏（共享字符串：%1）").arg(xml.errorString()));
}

NumberFormats numberFormats(const QByteArray &bytes)
{
    NumberFormats formats;
    QXmlStreamReader xml(bytes);
    bool inCellXfs = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (xml.name() == QLatin1String("numFmt"))
                formats.addFormat(xml.attributes().value(QLatin1String("numFmtId")).toInt(),
                                  xml.attributes().value(QLatin1String("formatCode")).toString());
            else if (xml.name() == QLatin1String("cellXfs"))
                inCellXfs = true;
            else if (inCellXfs && xml.name() == QLatin1String("xf"))
                formats.addStyle(xml.attributes().value(QLatin1String("numFmtId")).toInt());
        } else if (token == QXmlStreamReader::EndElement && xml.name() == QLatin1String("cellXfs")) {
            inCellXfs = false;
        }
    }
    formats.finish();
    return formats;
}

// "BC12" -> row 11, column 54; false when it is no cell reference.
bool cellReference(QByteArrayView ref, int &row, int &column)
{
    qsizetype i = 0;
    int col = 0;
    while (i < ref.size() && ((ref[i] >= 'A' && ref[i] <= 'Z') || (ref[i] >= 'a' && ref[i] <= 'z'))) {
        col = col * 26 + ((ref[i] & ~0x20) - 'A' + 1);
        if (col > SheetGrid::kMaxColumns)
            return false;
        ++i;
    }
    bool ok = false;
    const int r = ref.sliced(i).toInt(&ok);
    if (i == 0 || !ok || r < 1)
        return false;
    row = r - 1;
    column = col - 1;
    return true;
}

// An attribute's value as UTF-8, references decoded (into spare when it
// has any); empty when absent.
QByteArrayView attributeBytes(const XmlScanner &xml, QByteArrayView name, QByteArray &spare)
{
    QByteArrayView value;
    if (!xml.rawAttribute(name, value))
        return {};
    if (!value.contains('&'))
        return value;
    spare = decodeXmlText(value).toUtf8();
    return spare;
}

enum class CellType { Number, Shared, Inline, Text, Boolean, Date };

CellType cellTypeOf(QByteArrayView t)
{
    if (t == "s")
        return CellType::Shared;
    if (t == "inlineStr")
        return CellType::Inline;
    if (t == "str" || t == "e")
        return CellType::Text;
    if (t == "b")
        return CellType::Boolean;
    if (t == "d")
        return CellType::Date;
    return CellType::Number;
}

// What a <c> element holds, the scanner standing on its start tag.
struct CellValue {
    QByteArray value;   // its <v>, as UTF-8
    QString inlineText; // its <is>
    bool hasInline = false;

    void read(XmlScanner &xml)
    {
        value.clear();
        inlineText.clear();
        hasInline = false;
        int depth = 1;
        while (depth > 0) {
            const XmlScanner::Token inner = xml.next();
            if (inner == XmlScanner::StartElement) {
                if (xml.name() == "v") {
                    xml.readElementUtf8(value);
                } else if (xml.name() == "is") {
                    inlineText = stringItem(xml);
                    hasInline = true;
                } else {
                    xml.skipElement();
                }
            } else if (inner == XmlScanner::EndElement) {
                --depth;
            } else if (inner != XmlScanner::Text) {
                break;
            }
        }
    }
};

void readCells(XmlScanner &xml, qint64 size, const TextPool &strings, const NumberFormats &formats, bool date1904,
               const SheetSink &sink, const SheetProgress &progress)
{
    SheetGrid grid(sink);
    grid.setSharedStrings(&strings);
    int row = -1;
    int column = -1;
    int counted = 0;
    CellValue cell;
    QByteArray spare;
    XmlScanner::Token token;
    while ((token = xml.next()) != XmlScanner::EndOfDocument && token != XmlScanner::Invalid) {
        if (token != XmlScanner::StartElement)
            continue;
        const QByteArrayView name = xml.name();
        if (name == "row") {
            bool ok = false;
            const int r = attributeBytes(xml, "r", spare).toInt(&ok);
            row = ok && r >= 1 ? r - 1 : row + 1;
            column = -1;
            if (progress && ++counted % 2048 == 0)
                progress(xml.position(), size);
        } else if (name == "c") {
            int r = row, c = column + 1;
            if (xml.hasAttribute("r") && !cellReference(attributeBytes(xml, "r", spare), r, c)) {
                xml.skipElement();
                continue;
            }
            column = c;
            const CellType type = cellTypeOf(attributeBytes(xml, "t", spare));
            const int style = attributeBytes(xml, "s", spare).toInt();
            cell.read(xml);
            const QByteArray &value = cell.value;
            if (type == CellType::Shared) {
                // <c t="s" s="0"/>: an empty cell with a style (Go's writers).
                if (value.isEmpty())
                    continue;
                bool ok = false;
                const int index = value.toInt(&ok);
                if (!ok || index < 0 || index >= strings.size())
                    throw WorkbookError(QStringLiteral(u"工作簿已损坏（共享字符串的序号 %1）").arg(xmlUtf8Text(value)));
                grid.setShared(r, c, quint32(index));
                continue;
            }
            QString text;
            if (type == CellType::Inline) {
                text = cell.hasInline ? cell.inlineText : xmlUtf8Text(value);
            } else if (type == CellType::Text) {
                text = xmlUtf8Text(value);
                if (text.contains(QLatin1String("_x")))
                    text = unescaped(text);
            } else if (type == CellType::Boolean) {
                text = value.isEmpty() ? QString() : booleanText(value.trimmed() != "0");
            } else if (type == CellType::Date) {
                const QString written = xmlUtf8Text(value);
                const QDateTime when = QDateTime::fromString(written, Qt::ISODate);
                text = !when.isValid()           ? written
                    : when.time() == QTime(0, 0) ? when.date().toString(QStringLiteral("yyyy-MM-dd"))
                                                 : when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
            } else if (!value.isEmpty()) {
                bool ok = false;
                const double number = value.toDouble(&ok);
                text = ok ? formattedNumber(number, formats.styleOf(style), date1904) : xmlUtf8Text(value);
            }
            grid.set(r, c, text);
        } else if (name == "mergeCell") {
            const QList<QByteArray> corners = attributeBytes(xml, "ref", spare).toByteArray().split(':');
            int r1, c1, r2, c2;
            if (corners.size() == 2 && cellReference(corners[0], r1, c1) && cellReference(corners[1], r2, c2))
                grid.merge(r1, r2, c1, c2);
        }
    }
    if (token == XmlScanner::Invalid)
        throw WorkbookError(QStringLiteral(u"工作簿已损坏（工作表：%1）").arg(xml.errorString()));
    grid.finish();
}

} // namespace

ZipKind zipKindOf(const QString &path)
{
    try {
        const Zip zip = openZip(path);
        if (part(zip.get(), QStringLiteral("xl/workbook.xml")))
            return ZipKind::Xlsx;
        if (part(zip.get(), QStringLiteral("xl/workbook.bin")))
            return ZipKind::Xlsb;
        const std::optional<QByteArray> mime = part(zip.get(), QStringLiteral("mimetype"));
        if (mime && mime->startsWith("application/vnd.oasis.opendocument"))
            return ZipKind::Ods;
        // A workbook named elsewhere by the package's relationships.
        for (const Relationship &relationship : relationships(zip.get(), QString()))
            if (relationship.is(QLatin1String("officeDocument")) && part(zip.get(), relationship.target)
                && relationship.target.endsWith(QLatin1String(".xml")))
                return ZipKind::Xlsx;
    } catch (const WorkbookError &) {
    }
    return ZipKind::Other;
}

void readXlsxSheet(const QString &path, const QString &sheetName, const SheetSink &sink, const SheetProgress &progress)
{
    const Zip zip = openZip(path);
    QString workbookPath = QStringLiteral("xl/workbook.xml");
    for (const Relationship &relationship : relationships(zip.get(), QString()))
        if (relationship.is(QLatin1String("officeDocument")))
            workbookPath = relationship.target;
    const std::optional<QByteArray> workbook = part(zip.get(), workbookPath);
    if (!workbook)
        throw WorkbookError(QStringLiteral(u"工作簿已损坏（缺少 %1）").arg(workbookPath));
    const QHash<QString, Relationship> targets = relationships(zip.get(), workbookPath);

    // The sheets, the date system.
    bool date1904 = false;
    QString sheetPath;
    QStringList names;
    QXmlStreamReader xml(*workbook);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("workbookPr")) {
            const QStringView value = xml.attributes().value(QLatin1String("date1904"));
            date1904 = value == QLatin1String("1") || value == QLatin1String("true");
        } else if (xml.name() == QLatin1String("sheet")) {
            const QString name = xml.attributes().value(QLatin1String("name")).toString();
            QString id;
            for (const QXmlStreamAttribute &attribute : xml.attributes())
                if (attribute.name() == QLatin1String("id"))
                    id = attribute.value().toString();
            if (sheetPath.isEmpty() && name.compare(sheetName, Qt::CaseInsensitive) == 0)
                sheetPath = targets.value(id).target;
            names << name;
        }
    }
    if (xml.hasError())
        throw WorkbookError(QStringLiteral(u"工作簿已损坏（%1：%2）").arg(workbookPath, xml.errorString()));
    if (sheetPath.isEmpty())
        throw WorkbookError(noSuchSheetText(sheetName, names));

    TextPool strings;
    NumberFormats formats;
    // The shared strings and styles are found by their relationship's type,
    // whatever their parts are named.
    for (const Relationship &relationship : targets) {
        if (relationship.is(QLatin1String("sharedStrings"))) {
            if (const Input input = openPart(zip.get(), relationship.target)) {
                XmlScanner xml(partSource(input.get(), relationship.target, expansionLimit(path)));
                readSharedStrings(xml, strings);
            }
        } else if (relationship.is(QLatin1String("styles"))) {
            if (const auto bytes = part(zip.get(), relationship.target))
                formats = numberFormats(*bytes);
        }
    }
    const Input sheet = openPart(zip.get(), sheetPath);
    if (!sheet)
        throw WorkbookError(QStringLiteral(u"工作簿已损坏（缺少工作表 %1 的内容）").arg(sheetName));
    XmlScanner cells(partSource(sheet.get(), sheetPath, expansionLimit(path)));
    readCells(cells, qint64(gsf_input_size(sheet.get())), strings, formats, date1904, sink, progress);
}
