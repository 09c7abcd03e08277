#pragma once
// The administrative divisions of China as addresses name them: provinces,
// prefecture-level cities and county-level divisions from the table shipped
// with the program (import/data/divisions.txt), with the shorter names people
// write (浙江, 杭州, 陵水), the names from before a change (莱芜市, 富阳市,
// import/data/division_changes.txt), and the city a courier sorts by.

#include <QString>
#include <QStringView>

// The division names at one place of an address.
struct RegionMatch {
    qsizetype length = 0; // characters the names cover; 0: no division named there
    int names = 0;        // names in a row (浙江省杭州市西湖区: 3)
    // A full name of three or more characters, or two names in a row: an
    // address starts here, not a word that happens to be a short name.
    bool certain = false;
    // The prefecture-level city (杭州市, 恩施土家族苗族自治州); a
    // municipality's or a county-level division's governed by the province
    // itself is its own name (北京市, 仙桃市); empty when the names give no
    // one city (a province alone, a district several cities have).
    QString destination;
};

// The names at the start of text (without blanks), in their order: a
// province, a city of it, a county-level division of that; any may be missing.
RegionMatch regionAt(QStringView text);

// Where in text the division names of an address start: the first place
// they are certain, or the start of text when they stand there. start is
// -1 when text names no division.
struct FoundRegion {
    qsizetype start = -1;
    RegionMatch match;
};
FoundRegion findRegion(QStringView text);

// The city an address names (the destination of regionAt at its start,
// blanks ignored), else of a district only one city has; empty when none.
QString cityNamedIn(const QString &address);

// Traditional characters of division names, labels and address words as
// their simplified forms (廣東省 -> 广东省, 電話 -> 电话).
QString simplifiedChinese(QString text);
