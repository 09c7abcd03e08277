#pragma once
// The text a spreadsheet user sees for a cell value, shared by the .xls and
// .xlsx readers: numbers as Excel shows them in the General format (whole
// values as their digits, 13812345678 not 1.3812345678E10), booleans as
// TRUE/FALSE, and date serials as dates when the cell's number format is a
// date or time format.

#include <QHash>
#include <QString>

enum class NumberKind { Plain, Date, Time, DateTime };

// Whether a number format shows a date, a time, both or neither. id is the
// format's number; code its format string (empty for a built-in format
// without one), which decides when given.
NumberKind numberKindOf(int id, const QString &code);

// A number as Excel shows it in the General format: whole values below
// 1e15 as plain digits, others with up to 15 significant digits.
QString numberText(double value);

// A date serial in the workbook's date system as 2026-12-09, 10:15:00 or
// 2026-12-09 10:15:00.
QString dateText(double serial, bool date1904, NumberKind kind);

// The text of a number under a number format.
QString formattedNumber(double value, NumberKind kind, bool date1904);

inline QString booleanText(bool value)
{
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

// The number formats of a workbook: each cell style (XF) index to the kind
// of its number format.
class NumberFormats {
public:
    void addFormat(int id, const QString &code) { m_codes.insert(id, code); }
    void addStyle(int formatId) { m_styleFormats.append(formatId); }
    // Resolves the styles once every format is known.
    void finish();
    NumberKind kindOfStyle(int style) const
    {
        return style >= 0 && style < m_styleKinds.size() ? m_styleKinds[style] : NumberKind::Plain;
    }

private:
    QHash<int, QString> m_codes;
    QList<int> m_styleFormats;
    QList<NumberKind> m_styleKinds;
};
