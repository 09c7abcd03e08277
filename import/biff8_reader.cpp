#include "import/biff8_reader.h"

#include "import/cell_text.h"
#include "import/workbook_reader.h"
#include "xls/biff8_records.h"

#include <QtEndian>
#include <cstring>

namespace {

using namespace biff8;

[[noreturn]] void damaged(const QString &what)
{
    throw WorkbookError(QStringLiteral(u"工作簿已损坏（%1）").arg(what));
}

struct Record {
    quint16 type = 0;
    qsizetype offset = 0; // of the data, in the stream
    quint16 length = 0;
};

// Walks the records of a stream.
class Records {
public:
    explicit Records(const QByteArray &stream, qsizetype start = 0) : m_stream(stream), m_next(start) {}

    bool next(Record &record)
    {
        if (m_next + 4 > m_stream.size())
            return false;
        const auto *p = reinterpret_cast<const uchar *>(m_stream.constData()) + m_next;
        record.type = qFromLittleEndian<quint16>(p);
        record.length = qFromLittleEndian<quint16>(p + 2);
        record.offset = m_next + 4;
        if (record.offset + record.length > m_stream.size())
            damaged(QStringLiteral(u"记录超出文件末尾"));
        m_next = record.offset + record.length;
        return true;
    }
    // The record after the current one, without moving on.
    bool peek(Record &record) const
    {
        Records copy(m_stream, m_next);
        return copy.next(record);
    }
    qsizetype position() const { return m_next; }

private:
    const QByteArray &m_stream;
    qsizetype m_next;
};

// The data of a record and its CONTINUE records as one sequence of bytes,
// remembering where each CONTINUE starts: character data that runs over
// such a boundary carries a new option byte there.
class ContinuedData {
public:
    ContinuedData(const QByteArray &stream, const Record &first, Records &records) : m_stream(stream)
    {
        append(first);
        Record next;
        while (records.peek(next) && next.type == kContinue) {
            records.next(next);
            m_boundaries.push_back(m_data.size());
            append(next);
        }
    }

    qsizetype remaining() const { return m_data.size() - m_at; }
    bool atEnd() const { return m_at >= m_data.size(); }

    quint8 u8()
    {
        need(1);
        return quint8(m_data[m_at++]);
    }
    quint16 u16()
    {
        need(2);
        const quint16 v = qFromLittleEndian<quint16>(m_data.constData() + m_at);
        m_at += 2;
        return v;
    }
    quint32 u32()
    {
        need(4);
        const quint32 v = qFromLittleEndian<quint32>(m_data.constData() + m_at);
        m_at += 4;
        return v;
    }
    void skip(qint64 bytes)
    {
        if (bytes < 0 || bytes > remaining())
            damaged(QStringLiteral(u"字符串超出记录"));
        m_at += bytes;
    }

    // cch characters, the first run with the given compression, appended
    // to text. Where the characters run over into a CONTINUE record, that
    // record starts with an option byte giving the compression of the rest.
    void appendCharacters(QString &text, quint32 cch, bool highByte)
    {
        while (cch > 0) {
            if (atBoundary())
                highByte = (u8() & 0x01) != 0;
            const qsizetype width = highByte ? 2 : 1;
            const qsizetype count = std::min<qsizetype>(cch, (boundaryAfter() - m_at) / width);
            if (count <= 0)
                damaged(QStringLiteral(u"字符串不完整"));
            const char *p = m_data.constData() + m_at;
            if (highByte) {
                const qsizetype start = text.size();
                text.resize(start + count);
                QChar *out = text.data() + start;
                for (qsizetype i = 0; i < count; ++i)
                    out[i] = QChar(qFromLittleEndian<quint16>(p + 2 * i));
            } else {
                text += QLatin1StringView(p, count);
            }
            m_at += count * width;
            cch -= quint32(count);
        }
    }
    QString characters(quint32 cch, bool highByte)
    {
        QString text;
        text.reserve(qsizetype(std::min<quint32>(cch, 32767)));
        appendCharacters(text, cch, highByte);
        return text;
    }

    // An XLUnicodeRichExtendedString (the shared strings), added to strings.
    void addRichString(TextPool &strings)
    {
        const quint16 cch = u16();
        const quint8 flags = u8();
        const quint16 runs = (flags & 0x08) ? u16() : 0;
        const quint32 phonetic = (flags & 0x04) ? u32() : 0;
        appendCharacters(strings.buffer(), cch, flags & 0x01);
        strings.endText();
        skip(qint64(runs) * 4);
        skip(qint64(phonetic));
    }

    // An XLUnicodeString (LABEL, RSTRING, STRING, FORMAT).
    QString plainString()
    {
        const quint16 cch = u16();
        const quint8 flags = u8();
        return characters(cch, flags & 0x01);
    }

private:
    void append(const Record &record) { m_data.append(m_stream.constData() + record.offset, record.length); }
    void need(qsizetype bytes) const
    {
        if (m_at + bytes > m_data.size())
            damaged(QStringLiteral(u"记录内容不完整"));
    }
    // Reading only moves forward, so the boundaries are passed in order.
    bool atBoundary()
    {
        while (m_boundary < m_boundaries.size() && m_boundaries[m_boundary] < m_at)
            ++m_boundary;
        return m_boundary < m_boundaries.size() && m_boundaries[m_boundary] == m_at;
    }
    qsizetype boundaryAfter()
    {
        size_t i = m_boundary;
        while (i < m_boundaries.size() && m_boundaries[i] <= m_at)
            ++i;
        return i < m_boundaries.size() ? m_boundaries[i] : m_data.size();
    }

    const QByteArray &m_stream;
    QByteArray m_data;
    std::vector<qsizetype> m_boundaries;
    size_t m_boundary = 0;
    qsizetype m_at = 0;
};

// The fixed fields of a record's data.
class Fields {
public:
    Fields(const QByteArray &stream, const Record &record)
        : m_p(reinterpret_cast<const uchar *>(stream.constData()) + record.offset), m_length(record.length)
    {
    }
    quint16 u16(int at) const { return need(at, 2), qFromLittleEndian<quint16>(m_p + at); }
    quint32 u32(int at) const { return need(at, 4), qFromLittleEndian<quint32>(m_p + at); }
    quint8 u8(int at) const { return need(at, 1), m_p[at]; }
    double f64(int at) const
    {
        need(at, 8);
        double value;
        const quint64 bits = qFromLittleEndian<quint64>(m_p + at);
        std::memcpy(&value, &bits, 8);
        return value;
    }
    int length() const { return m_length; }

private:
    void need(int at, int bytes) const
    {
        if (at + bytes > m_length)
            damaged(QStringLiteral(u"记录太短"));
    }
    const uchar *m_p;
    int m_length;
};

double rkValue(quint32 rk)
{
    double value;
    if (rk & 0x02) {
        value = double(qint32(rk) >> 2);
    } else {
        const quint64 bits = quint64(rk & 0xFFFFFFFC) << 32;
        std::memcpy(&value, &bits, 8);
    }
    return (rk & 0x01) ? value / 100.0 : value;
}

QString errorText(quint8 code)
{
    switch (code) {
    case 0x00:
        return QStringLiteral("#NULL!");
    case 0x07:
        return QStringLiteral("#DIV/0!");
    case 0x0F:
        return QStringLiteral("#VALUE!");
    case 0x17:
        return QStringLiteral("#REF!");
    case 0x1D:
        return QStringLiteral("#NAME?");
    case 0x24:
        return QStringLiteral("#NUM!");
    case 0x2A:
        return QStringLiteral("#N/A");
    default:
        return QStringLiteral("#ERR");
    }
}

struct SheetEntry {
    QString name;
    quint32 offset;
    quint8 type;
};

struct Globals {
    std::vector<SheetEntry> sheets;
    TextPool strings;
    NumberFormats formats;
    bool date1904 = false;
};

void checkBof(const QByteArray &stream, const Record &record)
{
    if (record.type != kBof)
        throw WorkbookError(QStringLiteral(u"不是 Excel 工作簿（工作簿数据流的开头不对）"));
    const quint16 version = Fields(stream, record).u16(0);
    if (version != 0x0600)
        throw WorkbookError(
            QStringLiteral(u"这是 Excel 5.0/95 或更早版本的工作簿，不能读取；"
                           u"请在 Excel 或 WPS 中另存为 Excel 97-2003 工作簿（.xls）或 Excel 工作簿（.xlsx）后再导入"));
}

Globals readGlobals(const QByteArray &stream)
{
    Globals globals;
    Records records(stream);
    Record record;
    if (!records.next(record))
        throw WorkbookError(QStringLiteral(u"工作簿是空的"));
    checkBof(stream, record);
    while (records.next(record) && record.type != kEof) {
        switch (record.type) {
        case kFilePass:
            throw WorkbookError(QStringLiteral(u"工作簿设有打开密码，不能读取；请在 Excel 或 WPS 中取消密码后再导入"));
        case kDateMode:
            globals.date1904 = Fields(stream, record).u16(0) == 1;
            break;
        case kBoundSheet: {
            ContinuedData data(stream, record, records);
            SheetEntry entry;
            entry.offset = data.u32();
            data.u8(); // visibility: hidden sheets are read too
            entry.type = data.u8();
            const quint8 cch = data.u8();
            const quint8 flags = data.u8();
            entry.name = data.characters(cch, flags & 0x01);
            globals.sheets.push_back(entry);
            break;
        }
        case kFormat: {
            ContinuedData data(stream, record, records);
            const quint16 id = data.u16();
            globals.formats.addFormat(id, data.plainString());
            break;
        }
        case kXf:
            globals.formats.addStyle(Fields(stream, record).u16(2));
            break;
        case kSst: {
            ContinuedData data(stream, record, records);
            data.u32(); // total references
            const quint32 unique = data.u32();
            // Each string takes at least three bytes: a count beyond that is damage.
            if (qint64(unique) * 3 > data.remaining() + 3)
                damaged(QStringLiteral(u"共享字符串表"));
            globals.strings.reserve(qsizetype(unique));
            for (quint32 i = 0; i < unique; ++i)
                data.addRichString(globals.strings);
            break;
        }
        default:
            break;
        }
    }
    globals.formats.finish();
    return globals;
}

// The cells of the sheet whose BOF lies at offset, handed to sink.
void readCells(const QByteArray &stream, const Globals &globals, quint32 offset, const SheetSink &sink,
               const SheetProgress &progress)
{
    if (offset >= quint32(stream.size()))
        damaged(QStringLiteral(u"工作表位置"));
    Records records(stream, offset);
    Record record;
    if (!records.next(record))
        damaged(QStringLiteral(u"工作表"));
    checkBof(stream, record);
    SheetGrid grid(sink);
    grid.setSharedStrings(&globals.strings);
    const auto number = [&](int row, int column, int style, double value) {
        grid.set(row, column, formattedNumber(value, globals.formats.styleOf(style), globals.date1904));
    };
    int depth = 1; // BOF/EOF pairs: embedded charts have their own
    int counted = 0;
    while (depth > 0 && records.next(record)) {
        if (progress && ++counted % 4096 == 0)
            progress(records.position(), stream.size());
        if (record.type == kBof) {
            ++depth;
            continue;
        }
        if (record.type == kEof) {
            --depth;
            continue;
        }
        if (depth > 1)
            continue;
        const Fields f(stream, record);
        // Cell records of a fixed size that have another are damage (a
        // wrong length would swallow the records after them).
        const int fixedLength = record.type == kLabelSst ? 10
            : record.type == kNumber                     ? 14
            : record.type == kRk                         ? 10
            : record.type == kBoolErr                    ? 8
                                                         : -1;
        if (fixedLength >= 0 && f.length() != fixedLength)
            damaged(QStringLiteral(u"单元格记录的长度不对"));
        switch (record.type) {
        case kLabelSst: {
            const quint32 index = f.u32(6);
            if (index >= quint32(globals.strings.size()))
                damaged(QStringLiteral(u"共享字符串的序号"));
            grid.setShared(f.u16(0), f.u16(2), index);
            break;
        }
        case kLabel:
        case kRString: {
            const int row = f.u16(0), column = f.u16(2);
            ContinuedData data(stream, record, records);
            data.skip(6);
            grid.set(row, column, data.plainString());
            break;
        }
        case kNumber:
            number(f.u16(0), f.u16(2), f.u16(4), f.f64(6));
            break;
        case kRk:
            number(f.u16(0), f.u16(2), f.u16(4), rkValue(f.u32(6)));
            break;
        case kMulRk: {
            const int row = f.u16(0);
            const int first = f.u16(2);
            const int count = (f.length() - 6) / 6;
            for (int i = 0; i < count; ++i)
                number(row, first + i, f.u16(4 + 6 * i), rkValue(f.u32(6 + 6 * i)));
            break;
        }
        case kBoolErr:
            grid.set(f.u16(0), f.u16(2), f.u8(7) ? errorText(f.u8(6)) : booleanText(f.u8(6) != 0));
            break;
        case kFormula: {
            const int row = f.u16(0), column = f.u16(2), style = f.u16(4);
            if (f.u16(12) != 0xFFFF) {
                number(row, column, style, f.f64(6));
                break;
            }
            switch (f.u8(6)) {
            case 0: { // text: the STRING record after the formula's own records
                Record next;
                while (records.peek(next) && next.type != kString && next.type != kEof && next.type != kFormula
                       && next.type != kLabelSst && next.type != kNumber)
                    records.next(next);
                if (records.peek(next) && next.type == kString) {
                    records.next(next);
                    ContinuedData data(stream, next, records);
                    grid.set(row, column, data.plainString());
                }
                break;
            }
            case 1:
                grid.set(row, column, booleanText(f.u8(8) != 0));
                break;
            case 2:
                grid.set(row, column, errorText(f.u8(8)));
                break;
            default: // an empty text
                break;
            }
            break;
        }
        case kMergedCells: {
            const int count = f.u16(0);
            for (int i = 0; i < count && 2 + 8 * i + 8 <= f.length(); ++i)
                grid.merge(f.u16(2 + 8 * i), f.u16(4 + 8 * i), f.u16(6 + 8 * i), f.u16(8 + 8 * i));
            break;
        }
        default:
            break;
        }
    }
    grid.finish();
}

} // namespace

void readBiff8Sheet(const QByteArray &stream, const QString &sheetName, const SheetSink &sink,
                    const SheetProgress &progress)
{
    const Globals globals = readGlobals(stream);
    QStringList names;
    for (const SheetEntry &entry : globals.sheets) {
        if (entry.type != 0)
            continue;
        if (entry.name.compare(sheetName, Qt::CaseInsensitive) == 0)
            return readCells(stream, globals, entry.offset, sink, progress);
        names << entry.name;
    }
    throw WorkbookError(noSuchSheetText(sheetName, names));
}
