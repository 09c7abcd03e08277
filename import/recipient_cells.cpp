#include "import/recipient_cells.h"

#include <QRegularExpression>

namespace {

bool isBlank(QChar c)
{
    return c.isSpace() || c == QChar(0xFEFF);
}

QString withoutBlanks(QString text)
{
    text.removeIf(isBlank);
    return text;
}

// Where needle (without blanks) stands in text, blanks in text skipped:
// [start, end) in text, or start -1.
std::pair<qsizetype, qsizetype> findIgnoringBlanks(const QString &text, const QString &needle)
{
    if (needle.isEmpty())
        return {-1, -1};
    for (qsizetype start = 0; start < text.size(); ++start) {
        if (isBlank(text[start]))
            continue;
        qsizetype t = start;
        qsizetype n = 0;
        while (t < text.size() && n < needle.size()) {
            if (isBlank(text[t])) {
                ++t;
            } else if (text[t] == needle[n]) {
                ++t;
                ++n;
            } else {
                break;
            }
        }
        if (n == needle.size())
            return {start, t};
    }
    return {-1, -1};
}

// a then b, the end of a that b begins with written once
// ("浙江省杭州市西湖区" + "西湖区文三路90号").
QString overlapped(const QString &a, QString b)
{
    while (!b.isEmpty() && isBlank(b.front()))
        b.remove(0, 1);
    for (qsizetype k = std::min(a.size(), b.size()); k >= 2; --k)
        if (a.endsWith(QStringView(b).left(k)))
            return a + b.mid(k);
    return a + b;
}

// A division's name without what it is: 浙江 of 浙江省, 广西 of 广西壮族自治区.
QString shortName(const QString &name)
{
    static const QStringList suffixes{QStringLiteral(u"维吾尔自治区"),
                                      QStringLiteral(u"壮族自治区"),
                                      QStringLiteral(u"回族自治区"),
                                      QStringLiteral(u"自治区"),
                                      QStringLiteral(u"特别行政区"),
                                      QStringLiteral(u"省"),
                                      QStringLiteral(u"市")};
    for (const QString &suffix : suffixes)
        if (name.endsWith(suffix) && name.size() - suffix.size() >= 2)
            return name.left(name.size() - suffix.size());
    return name;
}

bool isPlaceholder(const QString &part)
{
    static const QStringList names{QStringLiteral(u"市辖区"), QStringLiteral(u"县"),
                                   QStringLiteral(u"省直辖县级行政区划"), QStringLiteral(u"自治区直辖县级行政区划")};
    return names.contains(part);
}

} // namespace

QString mobileNumberOf(const QString &text)
{
    // A privacy number's extension stays with it: 17012345678-1234,
    // 17012345678转1234 give 17012345678转1234.
    static const QRegularExpression extension(
        QStringLiteral(u"^(.+?)\\s*(?:转分机|转|分机号?|[-#＃—]|ext\\.?)\\s*([0-9]{3,5})$"));
    if (const QRegularExpressionMatch match = extension.match(text.trimmed()); match.hasMatch())
        if (const QString head = mobileNumberOf(match.captured(1)); head.size() == 11)
            return head + QStringLiteral(u"转") + match.captured(2);
    QString number;
    for (QChar c : text) {
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19) // full-width digits
            c = QChar(c.unicode() - 0xFF10 + '0');
        if (c == QChar(0xFF0B))
            c = QLatin1Char('+');
        if (c == QChar(0xFF0A))
            c = QLatin1Char('*');
        if (isBlank(c) || c == QLatin1Char('-') || c == QChar(0xFF0D) || c == QChar(0x2014))
            continue;
        number += c;
    }
    for (const QString &country : {QStringLiteral("+86"), QStringLiteral("0086"), QStringLiteral("(+86)")})
        if (number.startsWith(country)) {
            number.remove(0, country.size());
            break;
        }
    if (number.size() == 13 && number.startsWith(QStringLiteral("86")))
        number.remove(0, 2);
    static const QRegularExpression mobile(QStringLiteral("^1[3-9](?:[0-9]{9}|[0-9]\\*{4}[0-9]{4})$"));
    return mobile.match(number).hasMatch() ? number : QString();
}

AddressPostcode splitTrailingPostcode(const QString &address)
{
    // In brackets, after 邮编, or after a comma or a blank; never glued to
    // other digits (a house number).
    static const QRegularExpression trailing(
        QStringLiteral(u"(?:[(（\\[【]\\s*(?:邮编|邮政编码)?[:：]?\\s*([0-8][0-9]{5})\\s*[)）\\]】]"
                       u"|(?:邮编|邮政编码)[:：]?\\s*([0-8][0-9]{5})"
                       u"|(?<=[^0-9])[\\s,，;；、]+([0-8][0-9]{5}))\\s*$"));
    const QRegularExpressionMatch match = trailing.match(address);
    if (!match.hasMatch())
        return {address, {}, false};
    QString rest = address.left(match.capturedStart());
    while (!rest.isEmpty() && (isBlank(rest.back()) || QStringLiteral(u",，;；、").contains(rest.back())))
        rest.chop(1);
    if (rest.isEmpty())
        return {address, {}, false};
    QString postcode = match.captured(1) + match.captured(2) + match.captured(3);
    if (postcode == QStringLiteral("000000"))
        postcode.clear();
    return {rest, postcode, true};
}

QString joinedAddress(const QString &address, const QStringList &details, const QStringList &parts)
{
    QString joined = address;
    for (const QString &detail : details) {
        const QString bare = withoutBlanks(detail);
        if (bare.isEmpty() || withoutBlanks(joined).contains(bare))
            continue;
        joined = withoutBlanks(joined).isEmpty() || bare.contains(withoutBlanks(joined)) ? detail
                                                                                         : overlapped(joined, detail);
    }
    // Each part after the coarser ones the address names; a part of several
    // names ("北京市 北京市 朝阳区") name by name.
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    QStringList names;
    for (const QString &part : parts)
        names += part.split(blanks, Qt::SkipEmptyParts);
    qsizetype at = 0;
    for (const QString &name : std::as_const(names)) {
        const QString bare = withoutBlanks(name);
        if (bare.isEmpty() || isPlaceholder(bare))
            continue;
        if (const auto [start, end] = findIgnoringBlanks(joined, bare); start >= 0) {
            at = std::max(at, end);
            continue;
        }
        // Written short where it belongs ("浙江杭州市…" for 浙江省): named.
        const QString brief = shortName(bare);
        const QStringView rest = QStringView(joined).mid(at);
        const qsizetype lead = std::find_if_not(rest.cbegin(), rest.cend(), isBlank) - rest.cbegin();
        if (brief.size() < bare.size() && rest.mid(lead).startsWith(brief)) {
            at += lead + brief.size();
            continue;
        }
        // A short name before it ("上海" of 上海市) gives way to the full one.
        QString before = joined.left(at);
        for (qsizetype k = std::min(before.size(), bare.size() - 1); k >= 2; --k)
            if (before.endsWith(QStringView(bare).left(k))) {
                before.chop(k);
                break;
            }
        joined = before + overlapped(bare, joined.mid(at));
        at = before.size() + bare.size();
    }
    return joined;
}
