#pragma once
// The headings web shops and order tools write over the recipient columns,
// kept as data (import/data/shop_headings.json, one line per shop): each
// heading names the column it fills, an address part (省, 市, 区, 省市区,
// 街道, 详细地址), the changed address or nothing to import; headings no shop
// lists are told by the words they contain. The file is read through a
// validating reader that names what is wrong with it.

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

namespace shop_columns {
// Besides the recipient columns and 订单号:
inline const QString kChangedAddress = QStringLiteral(u"修改后的收件地址");
inline const QString kProvince = QStringLiteral(u"省");
inline const QString kCity = QStringLiteral(u"市");
inline const QString kDistrict = QStringLiteral(u"区");
inline const QString kRegion = QStringLiteral(u"省市区"); // province, city and district in one cell
inline const QString kStreet = QStringLiteral(u"街道");
inline const QString kDetail = QStringLiteral(u"详细地址"); // joined after the address and its parts
inline const QString kIgnored = QStringLiteral(u"不导入");
// A cell holding the whole recipient (name, numbers and address), split as a paste is.
inline const QString kWholeRecipient = QStringLiteral(u"收件信息");
// The address parts in the order they are joined.
const QStringList &addressParts();
// Every column a heading can be listed under.
const QStringList &all();
} // namespace shop_columns

// What a heading holds.
struct HeadingMatch {
    QString column;       // empty: nothing known
    int rank = 0;         // among headings of the same column, lower first
    bool byWords = false; // told by the words it contains, not listed
};

class ShopHeadings {
public:
    // Reads the table from a file's bytes; throws AppError naming the file
    // and what is wrong (bad JSON, an unknown column, a heading listed
    // under two columns, a shop without a name ...).
    static ShopHeadings read(const QString &fileName, const QByteArray &json);
    // The table compiled into the program; throws AppError when it is damaged.
    static const ShopHeadings &builtIn();

    HeadingMatch match(const QString &heading) const;
    // The shops listed, in the file's order.
    QStringList shops() const { return m_shops; }

private:
    QHash<QString, HeadingMatch> m_listed; // by headingKey
    QList<QPair<QString, QStringList>> m_words;
    QStringList m_shops;
};

// A heading as it is looked up: no blanks, full-width letters, digits and
// brackets as their ASCII forms, Latin letters in lower case, without a
// leading or trailing * and a trailing (必填) or (选填).
QString headingKey(const QString &heading);
