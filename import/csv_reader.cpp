#include "import/csv_reader.h"

#include "import/workbook_reader.h"

#include <QStringDecoder>

QString decodeCsvText(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.constData() + 3, bytes.size() - 3);
    if (bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF")) {
        QStringDecoder utf16(bytes.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
        return utf16(bytes.mid(2));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError())
        return text;
    QStringDecoder gb18030("GB18030");
    return gb18030.isValid() ? QString(gb18030(bytes)) : text;
}

void readCsv(QByteArray bytes, const SheetSink &sink)
{
    const QString text = decodeCsvText(bytes);
    bytes = QByteArray(); // the text is what is read
    const qsizetype firstLineEnd = [&] {
        const qsizetype end = text.indexOf(QLatin1Char('\n'));
        return end < 0 ? text.size() : end;
    }();
    const QStringView firstLine = QStringView(text).left(firstLineEnd);
    const QChar separator = firstLine.contains(QLatin1Char('\t')) && !firstLine.contains(QLatin1Char(','))
        ? QLatin1Char('\t')
        : QLatin1Char(',');

    SheetGrid grid(sink);
    const QChar *p = text.constData();
    const QChar *const end = p + text.size();
    int row = 0;
    int column = 0;
    const auto isLineEnd = [](QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    QString quoted; // a quoted field's text, the quotes undone
    while (p < end) {
        QStringView field;
        if (*p == QLatin1Char('"')) {
            quoted.clear();
            // A quoted field: runs of text between doubled quotes.
            ++p;
            while (p < end) {
                const QChar *quote = p;
                while (quote < end && *quote != QLatin1Char('"'))
                    ++quote;
                quoted.append(p, quote - p);
                p = quote + 1;
                if (quote < end && p < end && *p == QLatin1Char('"')) {
                    quoted += QLatin1Char('"');
                    ++p;
                    continue;
                }
                break;
            }
            // Anything between the closing quote and the separator is kept.
            const QChar *stop = p;
            while (stop < end && *stop != separator && !isLineEnd(*stop))
                ++stop;
            if (p < stop)
                quoted.append(p, stop - p);
            p = std::min(stop, end);
            field = quoted;
        } else {
            const QChar *stop = p;
            while (stop < end && *stop != separator && !isLineEnd(*stop))
                ++stop;
            field = QStringView(p, stop - p);
            p = stop;
        }
        // ="13812345678": how shop exports keep a number's digits as text.
        if (field.size() >= 3 && field.startsWith(QLatin1String("=\"")) && field.endsWith(QLatin1Char('"')))
            field = field.mid(2, field.size() - 3);
        grid.set(row, column, field);
        if (p < end && *p == separator) {
            ++p;
            ++column;
            if (p == end)
                break;
        } else if (p < end) {
            if (*p == QLatin1Char('\r') && p + 1 < end && p[1] == QLatin1Char('\n'))
                ++p;
            ++p;
            ++row;
            column = 0;
            // Every line imports, or none: a sheet holds no more rows.
            if (row >= SheetGrid::kMaxRows && p < end)
                throw WorkbookError(QStringLiteral(u"CSV 文件超过 %1 行（表格的上限），未导入；请分成几个文件导入")
                                        .arg(SheetGrid::kMaxRows));
        }
    }
    grid.finish();
}
