#include "import/paste_parser.h"

#include <QFile>
#include <QHash>
#include <QRegularExpression>

static void initDivisionResources()
{
    Q_INIT_RESOURCE(divisions);
}

namespace {

const QChar kLatinBlank(0xE000); // a blank inside a Latin name while the text is split

struct City {
    QString full;
    QString shortName; // empty when the name has no shorter form people write
    QStringList districts;
};

struct Province {
    QString full;
    QString shortName;
    bool municipality = false;
    QList<City> cities;      // prefecture-level ones
    QStringList countyLevel; // county-level cities and districts governed by the province itself
};

// The name without its suffix, as people write it (浙江, 杭州, 恩施); empty
// when that would leave fewer than two characters.
QString shortened(const QString &name)
{
    static const QStringList provinceSuffixes{
        QStringLiteral(u"壮族自治区"), QStringLiteral(u"回族自治区"), QStringLiteral(u"维吾尔自治区"),
        QStringLiteral(u"自治区"),     QStringLiteral(u"特别行政区"), QStringLiteral(u"省"),
        QStringLiteral(u"市"),         QStringLiteral(u"地区"),       QStringLiteral(u"盟")};
    // An autonomous prefecture is called by what stands before its peoples.
    static const QStringList peoples{QStringLiteral(u"土家"), QStringLiteral(u"苗"),     QStringLiteral(u"侗"),
                                     QStringLiteral(u"布依"), QStringLiteral(u"傣"),     QStringLiteral(u"景颇"),
                                     QStringLiteral(u"白族"), QStringLiteral(u"哈尼"),   QStringLiteral(u"彝"),
                                     QStringLiteral(u"壮"),   QStringLiteral(u"傈僳"),   QStringLiteral(u"藏"),
                                     QStringLiteral(u"羌"),   QStringLiteral(u"回"),     QStringLiteral(u"朝鲜"),
                                     QStringLiteral(u"蒙古"), QStringLiteral(u"哈萨克"), QStringLiteral(u"柯尔克孜")};
    QString text = name;
    if (text.endsWith(QStringLiteral(u"自治州"))) {
        text.chop(3);
        qsizetype cut = text.size();
        for (const QString &people : peoples)
            if (const qsizetype at = text.indexOf(people); at >= 2)
                cut = std::min(cut, at);
        text = text.left(cut);
    } else {
        for (const QString &suffix : provinceSuffixes)
            if (text.endsWith(suffix)) {
                text.chop(suffix.size());
                break;
            }
    }
    return text.size() >= 2 && text != name ? text : QString();
}

class Divisions {
public:
    static const Divisions &table()
    {
        static const Divisions divisions;
        return divisions;
    }
    const QList<Province> &provinces() const { return m_provinces; }
    // The province or city of a district named in full, when only one has it.
    const QHash<QString, QString> &cityOfDistrict() const { return m_cityOfDistrict; }

private:
    Divisions()
    {
        initDivisionResources();
        QFile file(QStringLiteral(":/import/divisions.txt"));
        if (!file.open(QIODevice::ReadOnly))
            return;
        static const QStringList pseudoCities{QStringLiteral(u"市辖区"), QStringLiteral(u"县"),
                                              QStringLiteral(u"省直辖县级行政区划"),
                                              QStringLiteral(u"自治区直辖县级行政区划")};
        QHash<QString, QStringList> citiesOfDistrict;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'))) {
            const QStringList parts = line.split(QLatin1Char('\t'));
            if (line.startsWith(QLatin1Char('#')) || parts.size() != 3)
                continue;
            if (m_provinces.isEmpty() || m_provinces.last().full != parts[0]) {
                Province province;
                province.full = parts[0];
                province.shortName = shortened(parts[0]);
                m_provinces << province;
            }
            Province &province = m_provinces.last();
            const QStringList districts = parts[2].split(QLatin1Char(','), Qt::SkipEmptyParts);
            if (pseudoCities.contains(parts[1])) {
                // A municipality's districts (市辖区, 县) belong to it; a county-level
                // city the province governs itself is its own city.
                const bool ofMunicipality = parts[1] == pseudoCities[0] || parts[1] == pseudoCities[1];
                province.countyLevel << districts;
                for (const QString &district : districts)
                    citiesOfDistrict[district] << (ofMunicipality ? province.full : district);
            } else {
                province.cities << City{parts[1], shortened(parts[1]), districts};
                for (const QString &district : districts)
                    citiesOfDistrict[district] << parts[1];
            }
        }
        // Municipalities are 北京市, 上海市, 天津市 and 重庆市: the provinces
        // whose districts are listed under 市辖区.
        for (Province &province : m_provinces)
            province.municipality = province.cities.isEmpty() && province.full.endsWith(QStringLiteral(u"市"));
        for (auto it = citiesOfDistrict.cbegin(); it != citiesOfDistrict.cend(); ++it)
            if (it.value().size() == 1 && it.key().size() >= 3)
                m_cityOfDistrict.insert(it.key(), it.value().first());
    }

    QList<Province> m_provinces;
    QHash<QString, QString> m_cityOfDistrict;
};

QString withoutBlanks(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

// How much of text a name (full, or short when not followed by a district's
// 区 or 县) covers at its start; 0 when neither.
qsizetype matchAt(const QString &text, qsizetype at, const QString &full, const QString &shortName)
{
    if (QStringView(text).mid(at).startsWith(full))
        return full.size();
    if (!shortName.isEmpty() && QStringView(text).mid(at).startsWith(shortName)) {
        const qsizetype end = at + shortName.size();
        const QChar next = end < text.size() ? text[end] : QChar();
        if (next != QChar(u'区') && next != QChar(u'县'))
            return shortName.size();
    }
    return 0;
}

QString cityAt(const QString &text, qsizetype at, const Province &province)
{
    for (const City &city : province.cities)
        if (matchAt(text, at, city.full, city.shortName) > 0)
            return city.full;
    // A county-level city (义乌市) is the city people send to.
    for (const QString &county : province.countyLevel)
        if (QStringView(text).mid(at).startsWith(county) && county.endsWith(QStringLiteral(u"市")))
            return county;
    for (const City &city : province.cities)
        for (const QString &district : city.districts)
            if (district.endsWith(QStringLiteral(u"市")) && QStringView(text).mid(at).startsWith(district))
                return district;
    return {};
}

// The length of the division names at the start of text (province, city,
// district), 0 when it starts with none.
qsizetype divisionsAtStart(const QString &text)
{
    const QList<Province> &provinces = Divisions::table().provinces();
    for (const Province &province : provinces)
        if (const qsizetype length = matchAt(text, 0, province.full, province.shortName))
            return length;
    for (const Province &province : provinces)
        for (const City &city : province.cities)
            if (const qsizetype length = matchAt(text, 0, city.full, city.shortName))
                return length;
    return 0;
}

const QRegularExpression &addressWords()
{
    static const QRegularExpression words(QStringLiteral(
        u"[省市区县镇乡村路街道巷弄号栋幢楼室座层]|单元|大厦|小区|花园|公寓|广场|中心|园区|社区|大道|开发区|工业区"));
    return words;
}

bool looksLikeAddress(const QString &segment)
{
    return divisionsAtStart(segment) > 0 || segment.contains(addressWords())
        || std::any_of(segment.cbegin(), segment.cend(), [](QChar c) { return c.isDigit(); });
}

bool looksLikeName(const QString &segment)
{
    static const QRegularExpression chinese(QStringLiteral(u"^[\\x{3400}-\\x{9FFF}·]{1,6}$"));
    static const QRegularExpression latin(QStringLiteral("^[A-Za-z][A-Za-z\\x{E000}.'-]{0,30}$"));
    return (chinese.match(segment).hasMatch() || latin.match(segment).hasMatch()) && divisionsAtStart(segment) == 0;
}

// Full-width digits, letters and punctuation as their ASCII forms.
QString narrowed(const QString &text)
{
    QString result = text;
    for (QChar &c : result) {
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000)
            c = QLatin1Char(' ');
    }
    return result;
}

// Takes the first match of pattern out of text (replaced by a separator)
// and returns it; empty when none.
QRegularExpressionMatch takeOut(QString &text, const QRegularExpression &pattern)
{
    const QRegularExpressionMatch match = pattern.match(text);
    if (match.hasMatch())
        text.replace(match.capturedStart(), match.capturedLength(), QStringLiteral("\n"));
    return match;
}

} // namespace

QString cityNamedIn(const QString &address)
{
    const QString text = withoutBlanks(address);
    const Divisions &divisions = Divisions::table();
    for (const Province &province : divisions.provinces())
        if (const qsizetype length = matchAt(text, 0, province.full, province.shortName)) {
            if (province.municipality)
                return province.full;
            return cityAt(text, length, province);
        }
    for (const Province &province : divisions.provinces())
        if (QString city = cityAt(text, 0, province); !city.isEmpty())
            return city;
    // A district only one city has (海淀区, 余杭区).
    for (qsizetype length = 6; length >= 3; --length)
        if (const auto it = divisions.cityOfDistrict().constFind(text.left(length));
            it != divisions.cityOfDistrict().constEnd())
            return it.value();
    return {};
}

PastedRecipient parsePastedRecipient(const QString &pasted)
{
    PastedRecipient result;
    QString text = narrowed(pasted);
    // Labels say what follows; the shapes below find it anyway.
    static const QRegularExpression labels(QStringLiteral(
        u"(收件人姓名|收货人姓名|收件人|收货人|联系人|姓名|名字|手机号码|手机号|手机|联系电话|电话号码|联系方式|电话|"
        u"固话|收货地址|收件地址|详细地址|所在地区|地址|邮政编码|邮编)\\s*[:：]"));
    text.replace(labels, QStringLiteral("\n"));
    static const QRegularExpression postcodeWord(QStringLiteral(u"(邮政编码|邮编)"));
    text.replace(postcodeWord, QStringLiteral("\n"));
    // A Latin name keeps its blanks (Tom Lee): they are not separators.
    static const QRegularExpression latinBlank(QStringLiteral("(?<=[A-Za-z]) (?=[A-Za-z])"));
    text.replace(latinBlank, QString(kLatinBlank));

    static const QRegularExpression mobile(
        QStringLiteral("(?<![\\d])(?:\\+?86[\\s-]*)?(1[3-9]\\d)[\\s-]*(\\d{4})[\\s-]*(\\d{4})(?![\\d])"));
    if (const QRegularExpressionMatch match = takeOut(text, mobile); match.hasMatch())
        result.mobile = match.captured(1) + match.captured(2) + match.captured(3);
    static const QRegularExpression phone(QStringLiteral(
        "(?<![\\d])\\(?(0\\d{2,3})\\)?[\\s-]*(\\d{7,8})(?:\\s*(?:-|转|ext\\.?)\\s*(\\d{1,6}))?(?![\\d])"));
    if (const QRegularExpressionMatch match = takeOut(text, phone); match.hasMatch())
        result.phone = match.captured(1) + QLatin1Char('-') + match.captured(2)
            + (match.captured(3).isEmpty() ? QString() : QLatin1Char('-') + match.captured(3));
    static const QRegularExpression postcode(QStringLiteral("(?<![\\d])(\\d{6})(?![\\d])"));
    if (const QRegularExpressionMatch match = takeOut(text, postcode); match.hasMatch())
        result.postcode = match.captured(1);

    // What is left, in pieces: the address ones joined, the first name-like one the name.
    static const QRegularExpression separators(QStringLiteral(u"[\\s,，、;；|/:：]+"));
    QStringList addressParts;
    for (const QString &piece : text.split(separators, Qt::SkipEmptyParts)) {
        if (result.name.isEmpty() && addressParts.isEmpty() && looksLikeName(piece))
            result.name = piece;
        else if (looksLikeAddress(piece))
            addressParts << piece;
        else if (result.name.isEmpty() && looksLikeName(piece))
            result.name = piece;
        else if (!addressParts.isEmpty() && looksLikeName(piece) && result.name.isEmpty())
            result.name = piece;
        else if (!addressParts.isEmpty() || looksLikeName(piece))
            addressParts << piece; // a word between parts of the address belongs to it
    }
    result.address = addressParts.join(QString());
    result.name.replace(kLatinBlank, QLatin1Char(' '));
    result.address.replace(kLatinBlank, QLatin1Char(' '));
    // A name written onto the address: 张三浙江省杭州市…
    if (result.name.isEmpty())
        for (qsizetype length = 2; length <= 4 && length < result.address.size(); ++length)
            if (divisionsAtStart(result.address.mid(length)) > 0 && looksLikeName(result.address.left(length))) {
                result.name = result.address.left(length);
                result.address = result.address.mid(length);
                break;
            }
    result.destination = cityNamedIn(result.address);
    return result;
}
