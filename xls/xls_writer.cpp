#include "xls/xls_writer.h"

#include "common/safe_file.h"
#include "xls/compound_file.h"

#include <QHash>

namespace {

// Record types.
enum : quint16 {
    kBof = 0x0809,
    kEof = 0x000A,
    kCodepage = 0x0042,
    kFont = 0x0031,
    kXf = 0x00E0,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kContinue = 0x003C,
    kExtSst = 0x00FF,
    kDimensions = 0x0200,
    kLabelSst = 0x00FD,
    kWindow2 = 0x023E,
};

constexpr int kMaxRecordData = 8224;

class Bytes {
public:
    void u8(quint8 v) { m_data.append(char(v)); }
    void u16(quint16 v)
    {
        u8(quint8(v & 0xFF));
        u8(quint8(v >> 8));
    }
    void u32(quint32 v)
    {
        u16(quint16(v & 0xFFFF));
        u16(quint16(v >> 16));
    }
    void raw(const QByteArray &bytes) { m_data.append(bytes); }
    const QByteArray &data() const { return m_data; }
    qsizetype size() const { return m_data.size(); }

private:
    QByteArray m_data;
};

QByteArray utf16(QStringView text)
{
    QByteArray bytes;
    bytes.reserve(text.size() * 2);
    for (QChar c : text) {
        bytes.append(char(c.unicode() & 0xFF));
        bytes.append(char(c.unicode() >> 8));
    }
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
    b.u16(0);                        // font 0
    b.u16(0);                        // format General
    b.u16(style ? 0xFFF5 : 0x0001);  // style XF (parent 0xFFF) or cell XF (parent 0), locked
    b.u8(0x20);                      // bottom aligned
    b.u8(0);                         // no rotation
    b.u8(0);                         // no indent
    b.u8(style ? 0x00 : 0xF8);       // attributes used by the cell XF
    b.u32(0);                        // no borders
    b.u32(0);
    b.u16(0x20C0);                   // default pattern colours
    return b.data();
}

// The shared string table split into SST and CONTINUE records, plus the
// positions EXTSST needs (every eighth string: offset in the stream of the
// string and within its record).
struct SstOutput {
    QList<QByteArray> records; // data of SST, then CONTINUEs
    QList<std::pair<qsizetype, qsizetype>> bucketStarts; // (record index, offset in record data)
};

// Strings per EXTSST bucket: at least 8, and few enough buckets for the
// EXTSST record to stay within one record (8 bytes a bucket).
int bucketSize(qsizetype strings)
{
    return int(std::max<qsizetype>(8, (strings + 1022) / 1023));
}

SstOutput buildSst(const QStringList &strings, quint32 totalCells)
{
    SstOutput out;
    const int bucket = bucketSize(strings.size());
    QByteArray current;
    {
        Bytes header;
        header.u32(totalCells);
        header.u32(quint32(strings.size()));
        current = header.data();
    }
    const auto flush = [&] {
        out.records.append(current);
        current.clear();
    };
    for (qsizetype i = 0; i < strings.size(); ++i) {
        const QString &text = strings[i];
        // The 3-byte header and at least one character stay together.
        if (current.size() + 3 + 2 > kMaxRecordData)
            flush();
        if (i % bucket == 0)
            out.bucketStarts.append({out.records.size(), current.size()});
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
            current.append(utf16(QStringView(text).mid(done, take)));
            done += take;
        }
    }
    flush();
    return out;
}

} // namespace

QByteArray buildWorkbookStream(const QString &sheetName, const std::vector<QStringList> &rows)
{
    if (rows.size() > size_t(xls::kMaxRows))
        throw XlsError(QStringLiteral(u"行数超过 Excel 97-2003 工作表的上限（%1 行）").arg(xls::kMaxRows));
    int columns = 0;
    QStringList strings;
    QHash<QString, quint32> index;
    quint32 cells = 0;
    struct Cell {
        quint16 row, column;
        quint32 sst;
    };
    std::vector<Cell> cellList;
    for (size_t r = 0; r < rows.size(); ++r) {
        if (rows[r].size() > xls::kMaxColumns)
            throw XlsError(QStringLiteral(u"列数超过 Excel 97-2003 工作表的上限（%1 列）").arg(xls::kMaxColumns));
        columns = std::max(columns, int(rows[r].size()));
        for (int c = 0; c < rows[r].size(); ++c) {
            const QString &text = rows[r][c];
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
            cellList.push_back({quint16(r), quint16(c), *it});
            ++cells;
        }
    }

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
    const SstOutput sst = buildSst(strings, cells);
    QList<qsizetype> recordStarts;
    for (qsizetype i = 0; i < sst.records.size(); ++i) {
        recordStarts << globals.size();
        record(globals, i == 0 ? kSst : kContinue, sst.records[i]);
    }
    {
        Bytes b;
        b.u16(quint16(bucketSize(strings.size())));
        for (const auto &[recordIndex, offset] : sst.bucketStarts) {
            b.u32(quint32(recordStarts[recordIndex] + 4 + offset));
            b.u16(quint16(4 + offset));
            b.u16(0);
        }
        record(globals, kExtSst, b.data());
    }
    record(globals, kEof, {});

    Bytes sheet;
    record(sheet, kBof, bof(0x0010));
    {
        Bytes b;
        b.u32(0);
        b.u32(quint32(rows.size()));
        b.u16(0);
        b.u16(quint16(columns));
        b.u16(0);
        record(sheet, kDimensions, b.data());
    }
    for (const Cell &cell : cellList) {
        Bytes b;
        b.u16(cell.row);
        b.u16(cell.column);
        b.u16(15);
        b.u32(cell.sst);
        record(sheet, kLabelSst, b.data());
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

    QByteArray stream = globals.data();
    const quint32 sheetOffset = quint32(stream.size());
    for (int i = 0; i < 4; ++i)
        stream[boundSheetAt + 4 + i] = char((sheetOffset >> (8 * i)) & 0xFF);
    stream.append(sheet.data());
    return stream;
}

void saveXls(const QString &target, const QString &sheetName, const std::vector<QStringList> &rows)
{
    const QByteArray file = buildCompoundFile("Workbook", buildWorkbookStream(sheetName, rows));
    try {
        SafeFile out(target);
        out.write(file);
        out.commit();
    } catch (const FileError &error) {
        throw XlsError(error.text());
    }
}
