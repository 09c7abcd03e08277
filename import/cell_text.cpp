#include "import/cell_text.h"

#include <QDate>
#include <QDateTime>
#include <cmath>

namespace {

// Built-in number formats that show dates or times, including those of
// Chinese Excel (27-36, 50-58).
NumberKind builtInKind(int id)
{
    switch (id) {
    case 14:
    case 15:
    case 16:
    case 17:
    case 27:
    case 28:
    case 29:
    case 30:
    case 31:
    case 36:
    case 50:
    case 51:
    case 52:
    case 53:
    case 54:
    case 57:
    case 58:
        return NumberKind::Date;
    case 18:
    case 19:
    case 20:
    case 21:
    case 45:
    case 46:
    case 47:
    case 32:
    case 33:
    case 34:
    case 35:
    case 55:
    case 56:
        return NumberKind::Time;
    case 22:
        return NumberKind::DateTime;
    default:
        return NumberKind::Plain;
    }
}

} // namespace

NumberKind numberKindOf(int id, const QString &code)
{
    if (code.isEmpty())
        return builtInKind(id);
    if (code.compare(QStringLiteral("General"), Qt::CaseInsensitive) == 0 || code == QStringLiteral(u"G/通用格式"))
        return NumberKind::Plain;
    // The first section decides; quoted texts, escaped characters, colours
    // and conditions ([Red], [>100]) are not format letters, while elapsed
    // times ([h], [mm], [ss]) are.
    bool date = false;
    bool time = false;
    bool inQuote = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (inQuote) {
            inQuote = c != QLatin1Char('"');
            continue;
        }
        if (c == QLatin1Char('"')) {
            inQuote = true;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('_') || c == QLatin1Char('*')) {
            ++i;
        } else if (c == QLatin1Char(';')) {
            break;
        } else if (c == QLatin1Char('[')) {
            const qsizetype end = code.indexOf(QLatin1Char(']'), i);
            if (end < 0)
                break;
            const QString inside = code.mid(i + 1, end - i - 1).toLower();
            if (!inside.isEmpty()
                && (inside[0] == QLatin1Char('h') || inside[0] == QLatin1Char('m') || inside[0] == QLatin1Char('s'))
                && inside.count(inside[0]) == inside.size())
                time = true;
            i = end;
        } else {
            const QChar lower = c.toLower();
            if (lower == QLatin1Char('y') || lower == QLatin1Char('d'))
                date = true;
            else if (lower == QLatin1Char('h') || lower == QLatin1Char('s'))
                time = true;
            else if (lower == QLatin1Char('m'))
                date = date || !time; // month unless it follows an hour
        }
    }
    if (date && time)
        return NumberKind::DateTime;
    return date ? NumberKind::Date : time ? NumberKind::Time : NumberKind::Plain;
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("#NUM!");
    if (value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    return QString::number(value, 'g', 15);
}

QString dateText(double serial, bool date1904, NumberKind kind)
{
    if (!std::isfinite(serial) || serial < 0 || serial > 2958466) // past 9999-12-31
        return numberText(serial);
    qint64 days = qint64(std::floor(serial));
    qint64 seconds = qint64(std::llround((serial - double(days)) * 86400.0));
    if (seconds >= 86400) {
        ++days;
        seconds -= 86400;
    }
    QDate date;
    if (date1904) {
        date = QDate(1904, 1, 1).addDays(days);
    } else {
        // Excel counts 1900-02-29, which never was: serial 60. Dates after
        // it are one day further on than their count from 1899-12-31.
        date = days >= 61 ? QDate(1899, 12, 30).addDays(days) : QDate(1899, 12, 31).addDays(days);
    }
    QString time = QTime(0, 0).addSecs(int(seconds)).toString(QStringLiteral("hh:mm:ss"));
    switch (kind) {
    case NumberKind::Time:
        return time;
    case NumberKind::DateTime:
        if (seconds != 0)
            return date.toString(QStringLiteral("yyyy-MM-dd")) + QLatin1Char(' ') + time;
        [[fallthrough]];
    default:
        return date.toString(QStringLiteral("yyyy-MM-dd"));
    }
}

int zeroDigitsOf(const QString &code)
{
    // Colours and conditions ([Red], [>0]) in front do not count.
    int zeros = 0;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const QChar c = code[i];
        if (c == QLatin1Char(';'))
            break;
        if (c == QLatin1Char('[')) {
            const qsizetype end = code.indexOf(QLatin1Char(']'), i);
            if (end < 0)
                return 0;
            i = end;
        } else if (c == QLatin1Char('0')) {
            ++zeros;
        } else if (c != QLatin1Char('#')) {
            return 0;
        }
    }
    return zeros >= 2 ? zeros : 0;
}

NumberStyle numberStyleOf(int id, const QString &code)
{
    const NumberKind kind = numberKindOf(id, code);
    return {kind, kind == NumberKind::Plain ? zeroDigitsOf(code) : 0};
}

QString formattedNumber(double value, NumberStyle style, bool date1904)
{
    if (style.kind != NumberKind::Plain)
        return dateText(value, date1904, style.kind);
    QString text = numberText(value);
    // A padding format shows whole numbers with its zeros: 10010 as 010010.
    if (style.zeroDigits > 0 && std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15) {
        const bool negative = text.startsWith(QLatin1Char('-'));
        QString digits = negative ? text.mid(1) : text;
        if (digits.size() < style.zeroDigits)
            digits = QString(style.zeroDigits - digits.size(), QLatin1Char('0')) + digits;
        text = negative ? QLatin1Char('-') + digits : digits;
    }
    return text;
}

void NumberFormats::finish()
{
    m_styles.clear();
    m_styles.reserve(m_styleFormats.size());
    QHash<int, NumberStyle> styles;
    for (int id : m_styleFormats) {
        auto it = styles.constFind(id);
        if (it == styles.cend())
            it = styles.insert(id, numberStyleOf(id, m_codes.value(id)));
        m_styles.append(*it);
    }
}
