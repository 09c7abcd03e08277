#include "import/divisions.h"

#include <QFile>
#include <QHash>
#include <QList>
#include <QStringList>

static void initDivisionResources()
{
    Q_INIT_RESOURCE(divisions);
}

namespace {

enum class Level { Province, City, County };

struct Division {
    QString full;
    Level level = Level::Province;
    int province = -1; // its province (itself for a province)
    int city = -1;     // its city; -1 for a province, a city, a municipality's district
                       // and a county-level division the province governs itself
    QString destination;
};

// One way of writing a division.
struct Name {
    int division = -1;
    bool alternate = false; // a short or an old name
    // Only right after its province or city: a bare county stem (福清) or a
    // two-character county (蔚县), which stand in too many other words; the
    // latter also at the start of an address.
    bool needsContext = false;
    bool fullName = false;
};

// Words of the table that stand where a city would, naming none.
const QStringList &pseudoCities()
{
    static const QStringList words{QStringLiteral(u"省直辖县级行政区划"), QStringLiteral(u"自治区直辖县级行政区划"),
                                   QStringLiteral(u"直辖县级行政区划"), QStringLiteral(u"市辖区"),
                                   QStringLiteral(u"县")};
    return words;
}

// The peoples an autonomous prefecture or county is named with: it is
// called by what stands before them (恩施, 陵水).
const QStringList &peoples()
{
    static const QStringList names{
        QStringLiteral(u"土家"),   QStringLiteral(u"苗"),       QStringLiteral(u"侗"),     QStringLiteral(u"布依"),
        QStringLiteral(u"傣"),     QStringLiteral(u"景颇"),     QStringLiteral(u"白族"),   QStringLiteral(u"哈尼"),
        QStringLiteral(u"彝"),     QStringLiteral(u"壮"),       QStringLiteral(u"傈僳"),   QStringLiteral(u"藏"),
        QStringLiteral(u"羌"),     QStringLiteral(u"回"),       QStringLiteral(u"朝鲜"),   QStringLiteral(u"蒙古"),
        QStringLiteral(u"哈萨克"), QStringLiteral(u"柯尔克孜"), QStringLiteral(u"黎"),     QStringLiteral(u"满"),
        QStringLiteral(u"瑶"),     QStringLiteral(u"畲"),       QStringLiteral(u"土族"),   QStringLiteral(u"仡佬"),
        QStringLiteral(u"水族"),   QStringLiteral(u"毛南"),     QStringLiteral(u"仫佬"),   QStringLiteral(u"纳西"),
        QStringLiteral(u"拉祜"),   QStringLiteral(u"佤"),       QStringLiteral(u"傈"),     QStringLiteral(u"独龙"),
        QStringLiteral(u"怒"),     QStringLiteral(u"普米"),     QStringLiteral(u"撒拉"),   QStringLiteral(u"东乡"),
        QStringLiteral(u"保安"),   QStringLiteral(u"裕固"),     QStringLiteral(u"锡伯"),   QStringLiteral(u"塔吉克"),
        QStringLiteral(u"达斡尔"), QStringLiteral(u"鄂温克"),   QStringLiteral(u"鄂伦春"), QStringLiteral(u"各族")};
    return names;
}

// The name without its suffix, as people write it (浙江, 杭州, 恩施, 陵水);
// empty when that would leave fewer than two characters.
QString shortened(const QString &name)
{
    static const QStringList suffixes{
        QStringLiteral(u"壮族自治区"), QStringLiteral(u"回族自治区"), QStringLiteral(u"维吾尔自治区"),
        QStringLiteral(u"自治区"),     QStringLiteral(u"特别行政区"), QStringLiteral(u"省"),
        QStringLiteral(u"市"),         QStringLiteral(u"地区"),       QStringLiteral(u"盟")};
    QString text = name;
    for (const QString &autonomous : {QStringLiteral(u"自治州"), QStringLiteral(u"自治县"), QStringLiteral(u"自治旗")})
        if (text.endsWith(autonomous)) {
            text.chop(autonomous.size());
            qsizetype cut = text.size();
            for (const QString &people : peoples())
                if (const qsizetype at = text.indexOf(people); at >= 2)
                    cut = std::min(cut, at);
            text = text.left(cut);
            return text.size() >= 2 && text.size() < name.size() ? text : QString();
        }
    for (const QString &suffix : suffixes)
        if (text.endsWith(suffix)) {
            text.chop(suffix.size());
            break;
        }
    return text.size() >= 2 && text != name ? text : QString();
}

// Districts named for what they are, not for a place: no older name.
bool isGenericDistrict(const QString &name)
{
    static const QStringList generic{QStringLiteral(u"城区"), QStringLiteral(u"郊区"), QStringLiteral(u"矿区")};
    static const QStringList endings{QStringLiteral(u"新区"),   QStringLiteral(u"开发区"), QStringLiteral(u"管理区"),
                                     QStringLiteral(u"园区"),   QStringLiteral(u"名胜区"), QStringLiteral(u"示范区"),
                                     QStringLiteral(u"试验区"), QStringLiteral(u"合作区")};
    return generic.contains(name)
        || std::any_of(endings.cbegin(), endings.cend(), [&](const QString &end) { return name.endsWith(end); });
}

class Table {
public:
    static const Table &get()
    {
        static const Table table;
        return table;
    }

    QList<Division> divisions;
    QHash<QString, QList<Name>> names;
    qsizetype longest = 0;
    QHash<QChar, QChar> simplified;

private:
    Table()
    {
        initDivisionResources();
        readDivisions(readLines(QStringLiteral(":/import/divisions.txt")));
        readChanges(readLines(QStringLiteral(":/import/division_changes.txt")));
        for (const QStringList &line : readLines(QStringLiteral(":/import/traditional.txt")))
            if (line.size() == 2 && line[0].size() == 1 && line[1].size() == 1)
                simplified.insert(line[0][0], line[1][0]);
    }

    static QList<QStringList> readLines(const QString &path)
    {
        QFile file(path);
        QList<QStringList> lines;
        if (!file.open(QIODevice::ReadOnly))
            return lines;
        for (const QString &line : QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')))
            if (!line.isEmpty() && !line.startsWith(QLatin1Char('#')))
                lines << line.split(QLatin1Char('\t'));
        return lines;
    }

    void add(const QString &name, int division, bool alternate, bool needsContext = false)
    {
        if (name.size() < 2)
            return;
        QList<Name> &entries = names[name];
        for (const Name &entry : entries)
            if (entry.division == division)
                return;
        entries << Name{division, alternate, needsContext, !alternate};
        longest = std::max(longest, name.size());
    }

    int addDivision(Division division)
    {
        divisions << std::move(division);
        return int(divisions.size() - 1);
    }

    void addCounty(const QString &full, int province, int city, const QString &destination)
    {
        const int at = addDivision({full, Level::County, province, city, destination});
        add(full, at, false, full.size() < 3);
        if (const QString stem = shortened(full); !stem.isEmpty()) {
            // 陵水黎族自治县: 陵水县 as often as 陵水 after 海南.
            add(stem + QStringLiteral(u"县"), at, true);
            add(stem, at, true, true);
        } else if (full.size() >= 3 && !isGenericDistrict(full)
                   && (full.endsWith(u'区') || full.endsWith(u'市') || full.endsWith(u'县'))) {
            // Counties became districts or cities (富阳市 -> 富阳区, 溧水县 ->
            // 溧水区): addresses keep the old name. The bare stem is written
            // after the city (福建福清).
            const QString base = full.chopped(1);
            if (full.endsWith(u'区')) {
                add(base + QStringLiteral(u"县"), at, true);
                add(base + QStringLiteral(u"市"), at, true);
            } else if (full.endsWith(u'市')) {
                add(base + QStringLiteral(u"县"), at, true);
            }
            add(base, at, true, true);
        }
    }

    void readDivisions(const QList<QStringList> &lines)
    {
        QHash<QString, int> provinces;
        for (const QStringList &line : lines) {
            if (line.size() != 3)
                continue;
            const QString &provinceName = line[0];
            int province = provinces.value(provinceName, -1);
            if (province < 0) {
                province = addDivision({provinceName, Level::Province, -1, -1, QString()});
                divisions[province].province = province;
                provinces.insert(provinceName, province);
                add(provinceName, province, false);
                add(shortened(provinceName), province, true);
            }
            const QStringList counties = line[2].split(QLatin1Char(','), Qt::SkipEmptyParts);
            const qsizetype pseudo = pseudoCities().indexOf(line[1]);
            if (pseudo >= 0) {
                // A municipality's districts (市辖区, 县) are sent to it; a
                // county-level city the province governs itself is its own city.
                const bool municipality = line[1] == QStringLiteral(u"市辖区") || line[1] == QStringLiteral(u"县");
                if (municipality)
                    divisions[province].destination = provinceName;
                for (const QString &county : counties)
                    addCounty(county, province, -1, municipality ? provinceName : county);
                continue;
            }
            const int city = addDivision({line[1], Level::City, province, -1, line[1]});
            add(line[1], city, false);
            add(shortened(line[1]), city, true);
            for (const QString &county : counties)
                addCounty(county, province, city, line[1]);
        }
    }

    // Old names, each an alternate of the division it is part of today.
    void readChanges(const QList<QStringList> &lines)
    {
        for (const QStringList &line : lines) {
            if (line.size() != 3)
                continue;
            for (int at = 0; at < divisions.size(); ++at) {
                const Division &division = divisions[at];
                if (division.full == line[2] && divisions[division.province].full == line[0]) {
                    add(line[1], at, true);
                    add(shortened(line[1]), at, true, true);
                    break;
                }
            }
        }
    }
};

// Whether entry may stand after what was matched so far (at: where in the text).
bool fits(const Table &table, const Name &entry, int level, int province, int city, qsizetype at)
{
    const Division &division = table.divisions[entry.division];
    if (int(division.level) <= level)
        return false;
    if (province >= 0 && division.province != province)
        return false;
    if (city >= 0 && division.city != city)
        return false;
    return !entry.needsContext || province >= 0 || city >= 0 || (at == 0 && entry.fullName);
}

} // namespace

RegionMatch regionAt(QStringView text)
{
    const Table &table = Table::get();
    RegionMatch match;
    qsizetype at = 0;
    int level = -1;
    int province = -1;
    int city = -1;
    bool ambiguous = false;
    while (at < text.size() && level < int(Level::County)) {
        if (match.names > 0)
            for (const QString &pseudo : pseudoCities())
                if (pseudo.size() > 1 && text.mid(at).startsWith(pseudo)) {
                    at += pseudo.size();
                    break;
                }
        QList<const Name *> found;
        qsizetype length = std::min(table.longest, text.size() - at);
        for (; length >= 2 && found.isEmpty(); --length) {
            const auto entries = table.names.constFind(text.mid(at, length).toString());
            if (entries == table.names.constEnd())
                continue;
            const QChar next = at + length < text.size() ? text[at + length] : QChar();
            // A name of what was matched already, written again (北京 北京市 朝阳区): passed over.
            const bool repeated = std::any_of(entries->cbegin(), entries->cend(), [&](const Name &entry) {
                return match.names > 0 && (entry.division == province || entry.division == city);
            });
            if (repeated) {
                at += length;
                length = std::min(table.longest, text.size() - at) + 1;
                continue;
            }
            for (const Name &entry : *entries) {
                // A short city or province name followed by 区 or 县 is part of a district's name (海南区).
                const bool partOfDistrict = entry.alternate && (next == u'区' || next == u'县')
                    && table.divisions[entry.division].level != Level::County;
                if (!partOfDistrict && fits(table, entry, level, province, city, at))
                    found << &entry;
            }
            if (!found.isEmpty())
                break;
        }
        if (found.isEmpty())
            break;
        // Of a province and a city of the same name (吉林), the province:
        // more names may follow it.
        const auto shallowest = std::min_element(found.cbegin(), found.cend(), [&](const Name *a, const Name *b) {
            return table.divisions[a->division].level < table.divisions[b->division].level;
        });
        const Level chosenLevel = table.divisions[(*shallowest)->division].level;
        QList<const Name *> same;
        for (const Name *entry : found)
            if (table.divisions[entry->division].level == chosenLevel)
                same << entry;
        const Division &division = table.divisions[same.first()->division];
        const bool oneCity = std::all_of(same.cbegin(), same.cend(), [&](const Name *entry) {
            return table.divisions[entry->division].destination == division.destination;
        });
        ++match.names;
        match.certain = match.certain || (!same.first()->alternate && length >= 3) || match.names >= 2;
        at += length;
        level = int(chosenLevel);
        if (same.size() == 1) {
            province = division.province;
            if (chosenLevel == Level::City)
                city = same.first()->division;
            ambiguous = false;
        } else {
            ambiguous = !oneCity;
        }
        if (!ambiguous)
            match.destination = division.destination;
        else
            match.destination.clear();
    }
    match.length = match.names > 0 ? at : 0;
    return match;
}

FoundRegion findRegion(QStringView text)
{
    for (qsizetype at = 0; at < text.size(); ++at) {
        if (text[at].unicode() < 0x3400)
            continue;
        const RegionMatch match = regionAt(text.mid(at));
        if (match.length > 0 && (at == 0 || match.certain))
            return {at, match};
    }
    return {};
}

QString cityNamedIn(const QString &address)
{
    QString text = address;
    text.removeIf([](QChar c) { return c.isSpace(); });
    const FoundRegion found = findRegion(text);
    return found.start >= 0 ? found.match.destination : QString();
}

QString simplifiedChinese(QString text)
{
    const QHash<QChar, QChar> &simplified = Table::get().simplified;
    for (QChar &c : text)
        if (c.unicode() >= 0x3400)
            if (const auto it = simplified.constFind(c); it != simplified.constEnd())
                c = it.value();
    return text;
}
