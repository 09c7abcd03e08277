#include "xls/xls_writer.h"

#include "common/safe_file.h"
#include "xls/biff8_records.h"
#include "xls/compound_file.h"

#include <QHash>
#include <QtEndian>

namespace {

using namespace biff8;

class Bytes {
public:
    void u8(quint8 v) { m_data.append(char(v)); }
    void u16(quint16 v)
    {
        char b[2];
        qToLittleEndian(v, b);
        m_data.append(b, 2);
    }
    void u32(quint32 v)
    {
        char b[4];
        qToLittleEndian(v, b);
        m_data.append(b, 4);
    }
    void reserve(qsizetype bytes) { m_data.reserve(bytes); }
    void patch32(qsizetype at, quint32 v) { qToLittleEndian(v, m_data.data() + at); }
    QByteArray take() { return std::move(m_data); }
    void raw(const QByteArray &bytes) { m_data.append(bytes); }
    const QByteArray &data() const { return m_data; }
    qsizetype size() const { return m_data.size(); }

private:
    QByteArray m_data;
};

// The UTF-16 little-endian bytes of a text.
QByteArray utf16(QStringView text)
{
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    qToLittleEndian<quint16>(text.utf16(), text.size(), bytes.data());
    return bytes;
}

// A record: type, length, data.
void record(Bytes &out, quint16 type, const QByteArray &data)
{
    out.u16(type);
    out.u16(quint16(data.size()));
    out.raw(data);
}

// A short Latin-1 name as an 8-bit XLUnicodeString with a 1-byte length.
QByteArray shortName(const QString &name, bool utf16Chars)
{
    Bytes b;
    b.u8(quint8(name.size()));
    b.u8(utf16Chars ? 1 : 0);
    b.raw(utf16Chars ? utf16(name) : name.toLatin1());
    return b.data();
}

QByteArray bof(quint16 kind)
{
    Bytes b;
    b.u16(0x0600); // BIFF8
    b.u16(kind);   // 0x0005 workbook globals, 0x0010 worksheet
    b.u16(0x0DBB);
    b.u16(0x07CC);
    b.u32(0x00000041);
    b.u32(0x00000006);
    return b.data();
}

QByteArray font()
{
    Bytes b;
    b.u16(200);    // 10 points in twips
    b.u16(0);      // no italic, strike-out
    b.u16(0x7FFF); // automatic colour
    b.u16(400);    // normal weight
    b.u16(0);      // no super/subscript
    b.u8(0);       // no underline
    b.u8(0);       // family
    b.u8(0x86);    // GB2312 character set
    b.u8(0);
    b.raw(shortName(QStringLiteral("SimSun"), false));
    return b.data();
}

QByteArray xf(bool style)
{
    Bytes b;
    b.u16(0);                       // font 0
    b.u16(0);                       // format General
    b.u16(style ? 0xFFF5 : 0x0001); // style XF (parent 0xFFF) or cell XF (parent 0), locked
    b.u8(0x20);                     // bottom aligned
    b.u8(0);                        // no rotation
    b.u8(0);                        // no indent
    b.u8(style ? 0x00 : 0xF8);      // attributes used by the cell XF
    b.u32(0);                       // no borders
    b.u32(0);
    b.u16(0x20C0); // default pattern colours
    return b.data();
}

// Where an EXTSST bucket's first string starts: in the stream, and within
// its record's data.
struct BucketStart {
    qsizetype streamOffset;
    qsizetype recordOffset;
};

// Strings per EXTSST bucket: at least 8, and few enough buckets for the
// EXTSST record to stay within one record (8 bytes a bucket).
int bucketSize(qsizetype strings)
{
    return int(std::max<qsizetype>(8, (strings + 1022) / 1023));
}

// Appends the shared string table to out as SST and CONTINUE records;
// returns the positions EXTSST needs (every bucket's first string).
QList<BucketStart> writeSst(Bytes &out, const QList<QStringView> &strings, quint32 totalCells)
{
    QList<BucketStart> starts;
    bool first = true;
    const int bucket = bucketSize(strings.size());
    QByteArray current;
    {
        Bytes header;
        header.u32(totalCells);
        header.u32(quint32(strings.size()));
        current = header.data();
    }
    const auto flush = [&] {
        record(out, first ? kSst : kContinue, current);
        first = false;
        current.clear();
    };
    for (qsizetype i = 0; i < strings.size(); ++i) {
        const QStringView text = strings[i];
        // The 3-byte header and at least one character stay together.
        if (current.size() + 3 + 2 > kMaxRecordData)
            flush();
        if (i % bucket == 0)
            starts.append({out.size() + 4 + current.size(), current.size()});
        Bytes header;
        header.u16(quint16(text.size()));
        header.u8(0x01); // UTF-16 characters
        current.append(header.data());
        qsizetype done = 0;
        while (done < text.size()) {
            qsizetype room = (kMaxRecordData - current.size()) / 2;
            if (room <= 0) {
                flush();
                current.append(char(0x01)); // a continued string repeats its option byte
                room = (kMaxRecordData - current.size()) / 2;
            }
            qsizetype take = std::min(room, text.size() - done);
            // Keep a surrogate pair in one record.
            if (take < text.size() - done && take > 0 && text[done + take - 1].isHighSurrogate())
                --take;
            if (take == 0) {
                flush();
                current.append(char(0x01));
                continue;
            }
            current.append(utf16(text.mid(done, take)));
            done += take;
        }
    }
    flush();
    return starts;
}

} // namespace

QByteArray buildWorkbookStream(const QString &sheetName, const TextRows &rows)
{
    if (rows.rowCount() > xls::kMaxRows)
        throw XlsError(QStringLiteral(u"行数超过 Excel 97-2003 工作表的上限（%1 行）").arg(xls::kMaxRows));
    if (rows.width() > xls::kMaxColumns)
        throw XlsError(QStringLiteral(u"列数超过 Excel 97-2003 工作表的上限（%1 列）").arg(xls::kMaxColumns));
    const int columns = rows.width();
    // The texts are views into rows, which outlives the stream's building.
    QList<QStringView> strings;
    QHash<QStringView, quint32> index;
    quint32 cells = 0;
    // The shared string of every cell, row by row (kEmpty: no cell).
    constexpr quint32 kEmpty = 0xFFFFFFFF;
    std::vector<quint32> cellStrings(size_t(rows.rowCount()) * size_t(columns), kEmpty);
    for (qsizetype r = 0; r < rows.rowCount(); ++r) {
        for (int c = 0; c < columns; ++c) {
            const QStringView text = rows.cell(r, c);
            if (text.isEmpty())
                continue;
            if (text.size() > xls::kMaxCellChars)
                throw XlsError(QStringLiteral(u"第 %1 行第 %2 列的内容超过 Excel 单元格的上限（%3 个字符）")
                                   .arg(r + 1)
                                   .arg(c + 1)
                                   .arg(xls::kMaxCellChars));
            auto it = index.find(text);
            if (it == index.end()) {
                it = index.insert(text, quint32(strings.size()));
                strings << text;
            }
            cellStrings[size_t(r) * size_t(columns) + size_t(c)] = *it;
            ++cells;
        }
    }

    index = {}; // no longer needed: free it before the stream grows

    // Globals; the sheet's offset goes into BOUNDSHEET once known.
    Bytes globals;
    record(globals, kBof, bof(0x0005));
    {
        Bytes b;
        b.u16(1200); // UTF-16
        record(globals, kCodepage, b.data());
    }
    for (int i = 0; i < 4; ++i)
        record(globals, kFont, font());
    for (int i = 0; i < 15; ++i)
        record(globals, kXf, xf(true));
    record(globals, kXf, xf(false)); // XF 15: the cells
    const qsizetype boundSheetAt = globals.size();
    {
        Bytes b;
        b.u32(0); // patched below
        b.u16(0); // visible worksheet
        b.raw(shortName(sheetName, true));
        record(globals, kBoundSheet, b.data());
    }
    const QList<BucketStart> buckets = writeSst(globals, strings, cells);
    {
        Bytes b;
        b.u16(quint16(bucketSize(strings.size())));
        for (const BucketStart &start : buckets) {
            b.u32(quint32(start.streamOffset));
            b.u16(quint16(4 + start.recordOffset));
            b.u16(0);
        }
        record(globals, kExtSst, b.data());
    }
    record(globals, kEof, {});

    // The worksheet follows in the same stream.
    const quint32 sheetOffset = quint32(globals.size());
    globals.patch32(boundSheetAt + 4, sheetOffset);
    Bytes &sheet = globals;
    record(sheet, kBof, bof(0x0010));
    {
        Bytes b;
        b.u32(0);
        b.u32(quint32(rows.rowCount()));
        b.u16(0);
        b.u16(quint16(columns));
        b.u16(0);
        record(sheet, kDimensions, b.data());
    }
    {
        // The LABELSST records, written straight into their bytes.
        QByteArray labels(qsizetype(cells) * 14, Qt::Uninitialized);
        char *p = labels.data();
        for (size_t at = 0; at < cellStrings.size(); ++at) {
            if (cellStrings[at] == kEmpty)
                continue;
            qToLittleEndian<quint16>(kLabelSst, p);
            qToLittleEndian<quint16>(10, p + 2);
            qToLittleEndian<quint16>(quint16(at / size_t(columns)), p + 4);
            qToLittleEndian<quint16>(quint16(at % size_t(columns)), p + 6);
            qToLittleEndian<quint16>(15, p + 8);
            qToLittleEndian<quint32>(cellStrings[at], p + 10);
            p += 14;
        }
        cellStrings = {};
        sheet.raw(labels);
    }
    {
        Bytes b;
        b.u16(0x06B6);
        b.u16(0);
        b.u16(0);
        b.u32(0x40);
        b.u16(0);
        b.u16(0);
        b.u32(0);
        record(sheet, kWindow2, b.data());
    }
    record(sheet, kEof, {});

    return globals.take();
}

void saveXls(const QString &target, const QString &sheetName, const TextRows &rows)
{
    try {
        SafeFile out(target);
        writeCompoundFile(out.handle(), target, "Workbook", buildWorkbookStream(sheetName, rows));
        out.commit();
    } catch (const FileError &error) {
        throw XlsError(error.text());
    }
}
