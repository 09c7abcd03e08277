#include "import/shop_headings.h"

#include "import/workbook_reader.h"
#include "store/schema.h"
#include "waybill/form_file.h"

#include <QFile>

namespace {

const QString kFormat = QStringLiteral("waybill-shop-headings");
const QString kWhat = QStringLiteral(u"网店标题表");

} // namespace

const QStringList &shop_columns::addressParts()
{
    static const QStringList parts{kProvince, kCity, kDistrict, kRegion, kStreet};
    return parts;
}

const QStringList &shop_columns::all()
{
    static const QStringList columns = schema::recipientColumns()
        + QStringList{schema::col::kOrderNumber,
                      kChangedAddress,
                      kProvince,
                      kCity,
                      kDistrict,
                      kRegion,
                      kStreet,
                      kDetail,
                      kIgnored,
                      kWholeRecipient};
    return columns;
}

QString headingKey(const QString &heading)
{
    QString key;
    for (QChar c : headingAsSeen(heading)) {
        if (c.isSpace())
            continue;
        if (c.unicode() >= 0xFF01 && c.unicode() <= 0xFF5E)
            c = QChar(c.unicode() - 0xFEE0);
        key += c.toLower();
    }
    for (const QString &note : {QStringLiteral(u"(必填)"), QStringLiteral(u"(选填)")})
        if (key.endsWith(note))
            key.chop(note.size());
    while (key.startsWith(QLatin1Char('*')))
        key.remove(0, 1);
    while (key.endsWith(QLatin1Char('*')))
        key.chop(1);
    return key;
}

ShopHeadings ShopHeadings::read(const QString &fileName, const QByteArray &json)
{
    const FormValue document = FormValue::document(fileName, json, kWhat);
    if (document[QStringLiteral("format")].toText() != kFormat)
        document[QStringLiteral("format")].reject(QStringLiteral(u"不是网店标题表（应为 %1）").arg(kFormat));
    if (document[QStringLiteral("version")].toInt(1, 1000) != 1)
        document[QStringLiteral("version")].reject(QStringLiteral(u"是较新版本的本软件写的，请先升级本软件"));
    const QString known = shop_columns::all().join(QStringLiteral(u"、"));
    const auto checkedColumn = [&](const FormValue &where, const QString &column) {
        if (!shop_columns::all().contains(column))
            where.reject(QStringLiteral(u"没有“%1”这一列（可以用的列：%2）").arg(column, known));
    };
    const auto texts = [](const FormValue &value) {
        QStringList list;
        for (const FormValue &element : value.elements()) {
            const QString text = element.toText();
            if (headingKey(text).isEmpty())
                element.reject(QStringLiteral(u"不能为空"));
            list << text;
        }
        return list;
    };

    ShopHeadings table;
    QHash<QString, QString> listedBy; // heading key -> the shop that listed it first
    int rank = 0;
    for (const FormValue &shop : document[QStringLiteral("shops")].elements()) {
        const QString name = shop[QStringLiteral("shop")].toText().trimmed();
        if (name.isEmpty())
            shop[QStringLiteral("shop")].reject(QStringLiteral(u"网店名称不能为空"));
        if (table.m_shops.contains(name))
            shop[QStringLiteral("shop")].reject(QStringLiteral(u"“%1”列出了两次").arg(name));
        table.m_shops << name;
        for (const QString &column : shop.keys()) {
            if (column == QStringLiteral("shop"))
                continue;
            const FormValue headings = shop[column];
            checkedColumn(headings, column);
            const QStringList list = texts(headings);
            for (const QString &heading : list) {
                const QString key = headingKey(heading);
                const auto earlier = table.m_listed.constFind(key);
                if (earlier == table.m_listed.constEnd()) {
                    table.m_listed.insert(key, {column, rank++, false});
                    listedBy.insert(key, name);
                } else if (earlier->column != column) {
                    headings.reject(QStringLiteral(u"标题“%1”已归为“%2”（%3），不能再归为“%4”")
                                        .arg(heading, earlier->column, listedBy.value(key), column));
                }
            }
        }
    }
    for (const FormValue &rule : document[QStringLiteral("contains")].elements()) {
        const QString column = rule[QStringLiteral("column")].toText();
        checkedColumn(rule[QStringLiteral("column")], column);
        QStringList words;
        for (const QString &word : texts(rule[QStringLiteral("words")]))
            words << headingKey(word);
        table.m_words.append({column, words});
    }
    return table;
}

const ShopHeadings &ShopHeadings::builtIn()
{
    // Read once; a damaged table throws on every import that needs it.
    static const ShopHeadings table = [] {
        Q_INIT_RESOURCE(shop_headings);
        QFile file(QStringLiteral(":/import/shop_headings.json"));
        if (!file.open(QIODevice::ReadOnly))
            throw AppError(QStringLiteral(u"%1 shop_headings.json 缺失，请重新安装本软件").arg(kWhat));
        return read(QStringLiteral("shop_headings.json"), file.readAll());
    }();
    return table;
}

HeadingMatch ShopHeadings::match(const QString &heading) const
{
    const QString key = headingKey(heading);
    if (key.isEmpty())
        return {};
    if (const auto listed = m_listed.constFind(key); listed != m_listed.constEnd())
        return *listed;
    for (qsizetype i = 0; i < m_words.size(); ++i)
        for (const QString &word : m_words[i].second)
            if (key.contains(word))
                return {m_words[i].first, int(i), true};
    return {};
}
