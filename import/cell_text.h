#pragma once
// The text a spreadsheet user sees for a cell value, shared by the .xls and
// .xlsx readers: numbers as Excel shows them in the General format (whole
// values as their digits, 13812345678 not 1.3812345678E10), booleans as
// TRUE/FALSE, and date serials as dates when the cell's number format is a
// date or time format.

#include <QHash>
#include <QString>

enum class NumberKind { Plain, Date, Time, DateTime };

// How a cell's number format shows a number: its kind and, for a format
// that pads whole numbers with zeros (000000 for postcodes), how many
// digits it shows at least.
struct NumberStyle {
    NumberStyle(NumberKind kind = NumberKind::Plain, int zeroDigits = 0) : kind(kind), zeroDigits(zeroDigits) {}
    NumberKind kind;
    int zeroDigits;
};

// Whether a number format shows a date, a time, both or neither. id is the
// format's number; code its format string (empty for a built-in format
// without one), which decides when given.
NumberKind numberKindOf(int id, const QString &code);
// The digits a format pads whole numbers to: the count of 0 in a first
// section made of 0 and # only ("000000", "#00000000000"), else 0.
int zeroDigitsOf(const QString &code);
NumberStyle numberStyleOf(int id, const QString &code);

// A number as Excel shows it in the General format: whole values below
// 1e15 as plain digits, others with up to 15 significant digits.
QString numberText(double value);

// A date serial in the workbook's date system as 2026-12-09, 10:15:00 or
// 2026-12-09 10:15:00.
QString dateText(double serial, bool date1904, NumberKind kind);

// The text of a number under a number format.
QString formattedNumber(double value, NumberStyle style, bool date1904);

inline QString booleanText(bool value)
{
    return value ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
}

// The number formats of a workbook: each cell style (XF) index to how its
// number format shows numbers.
class NumberFormats {
public:
    void addFormat(int id, const QString &code) { m_codes.insert(id, code); }
    void addStyle(int formatId) { m_styleFormats.append(formatId); }
    // Resolves the styles once every format is known.
    void finish();
    NumberStyle styleOf(int style) const
    {
        return style >= 0 && style < m_styles.size() ? m_styles[style] : NumberStyle();
    }

private:
    QHash<int, QString> m_codes;
    QList<int> m_styleFormats;
    QList<NumberStyle> m_styles;
};
