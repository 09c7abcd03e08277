#include "import/csv_reader.h"

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

Sheet readCsv(const QByteArray &bytes)
{
    const QString text = decodeCsvText(bytes);
    const qsizetype firstLineEnd = [&] {
        const qsizetype end = text.indexOf(QLatin1Char('\n'));
        return end < 0 ? text.size() : end;
    }();
    const QStringView firstLine = QStringView(text).left(firstLineEnd);
    const QChar separator = firstLine.contains(QLatin1Char('\t')) && !firstLine.contains(QLatin1Char(','))
        ? QLatin1Char('\t')
        : QLatin1Char(',');

    SheetGrid grid;
    int row = 0;
    int column = 0;
    QString field;
    bool quoted = false;     // inside a quoted field
    bool fieldStarted = false;
    const auto endField = [&] {
        grid.set(row, column, std::move(field));
        field = QString();
        ++column;
        fieldStarted = false;
    };
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (quoted) {
            if (c == QLatin1Char('"')) {
                if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                    field += QLatin1Char('"');
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == QLatin1Char('"') && !fieldStarted) {
            quoted = true;
            fieldStarted = true;
        } else if (c == separator) {
            endField();
        } else if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            endField();
            ++row;
            column = 0;
        } else {
            field += c;
            fieldStarted = true;
        }
    }
    if (fieldStarted || !field.isEmpty() || column > 0)
        endField();
    return grid.finish();
}
