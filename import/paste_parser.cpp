#include "import/paste_parser.h"

#include "store/schema.h"

#include <QRegularExpression>

namespace {

const QChar kLatinBlank(0xE000); // a blank inside a Latin name while the text is split

// What a label says the text after it is.
enum class Field { None, Name, Contact, SecondPhone, Address, Region, Postcode, Company, Remarks, Ignore };

// A stretch of the pasted text and what its label (if any) says it is.
struct Segment {
    Field field = Field::None;
    QString text;
    qsizetype start = 0; // where text stands in the pasted text
};

// The words of a list written with blanks between them.
QStringList wordsOf(const char16_t *list)
{
    return QString::fromUtf16(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

// The labels people and shop back-ends write, each with its field. Unknown
// labels before a colon are classified by the words they contain (below).
const QList<QPair<QString, Field>> &knownLabels()
{
    static const QList<QPair<QString, Field>> labels = [] {
        const QList<QPair<Field, const char16_t *>> groups{
            {Field::Name, u"收件人姓名 收货人姓名 收件人 收货人 联系人 姓名 名字 提货人 客户姓名 买家姓名 收件"},
            {Field::SecondPhone,
             u"备用手机号码 备用手机号 备用手机 备用电话 备用号码 其他电话 其它电话 备用联系方式 第二联系电话"},
            {Field::Contact,
             u"收件人手机号码 收件人手机号 收件人手机 收货人手机号码 收货人手机号 收货人手机 收件人电话 收货人电话 "
             u"联系手机 "
             u"手机号码 手机号 手机 联系电话 电话号码 联系方式 电话 固话 座机 固定电话 虚拟号 隐私号 号码 Tel TEL tel "
             u"Phone phone Mobile mobile"},
            {Field::Address,
             u"收件人地址 收货人地址 收货地址 收件地址 详细地址 街道地址 配送地址 邮寄地址 寄送地址 客户地址 地址 "
             u"住址"},
            {Field::Region, u"所在地区 收货地区 省市区县 省市区 省市县 所在城市 所在地 地区 区域 省市"},
            {Field::Postcode, u"邮政编码 邮编"},
            {Field::Company, u"单位名称 公司名称 收件单位 收件公司 工作单位 单位 公司"},
            {Field::Remarks, u"买家留言 买家备注 订单备注 备注信息 备注 留言 附言"},
            {Field::Ignore,
             u"订单编号 订单号 运单号 快递单号 下单时间 付款时间 买家昵称 昵称 微信号 微信 旺旺 商品名称 商品 实付金额 "
             u"金额"},
        };
        QList<QPair<QString, Field>> list;
        for (const auto &[field, words] : groups)
            for (const QString &word : wordsOf(words))
                list << QPair{word, field};
        // The longest first: 收件人手机 before 收件人.
        std::stable_sort(list.begin(), list.end(),
                         [](const auto &a, const auto &b) { return a.first.size() > b.first.size(); });
        return list;
    }();
    return labels;
}

// What an unknown label before a colon is, by the words in it.
Field classifiedLabel(const QString &label)
{
    static const QList<QPair<Field, const char16_t *>> words{
        {Field::Remarks, u"备注 留言 附言"},
        {Field::Ignore, u"订单 单号 时间 日期 昵称 账号 编号 金额 寄件 发件"},
        {Field::Postcode, u"邮编 邮政"},
        {Field::SecondPhone, u"备用"},
        {Field::Contact, u"电话 手机 联系方式 号码 座机 固话"},
        {Field::Address, u"地址 住址"},
        {Field::Region, u"地区 省市 所在地 区域 省份 城市"},
        {Field::Company, u"单位 公司"},
        {Field::Name, u"姓名 收件人 收货人 联系人 名字"},
    };
    for (const auto &[field, list] : words)
        for (const QString &word : wordsOf(list))
            if (label.contains(word))
                return field;
    return Field::None;
}

bool isHan(QChar c)
{
    return c.unicode() >= 0x3400 && c.unicode() <= 0x9FFF;
}

// Words that stand before a label as part of it (家庭住址, 联系地址, 主订单编号).
bool isLabelModifier(const QString &word)
{
    static const QStringList words = wordsOf(
        u"家庭 联系 收货 收件 配送 邮寄 寄送 详细 所在 主 子 买家 客户 本人 常用 现 新 工作 默认 订单 用户 会员 "
        u"收货人 收件人 提货人 送货 快递 完整 具体 通讯 通信 家 单位 公司 本次 平台");
    return words.contains(word);
}

// Where a label may start: the start of the text or of a line, or after a
// separator.
bool atBoundary(const QString &text, qsizetype at)
{
    return at == 0 || !(isHan(text[at - 1]) || text[at - 1].isLetterOrNumber() || text[at - 1] == u'*');
}

// Full-width forms as ASCII, traditional characters as simplified, the many
// middle dots of names as one, brackets as [ ], invisible characters gone.
QString normalized(const QString &pasted, QString *written)
{
    QString text = simplifiedChinese(pasted);
    QString result;
    result.reserve(text.size());
    written->clear();
    for (QChar c : text) {
        const QChar as = c;
        const char16_t u = c.unicode();
        if (u >= 0xFF01 && u <= 0xFF5E)
            c = QChar(char16_t(u - 0xFEE0));
        else if (u == 0x3000 || u == 0xA0 || (u >= 0x2002 && u <= 0x200A))
            c = QLatin1Char(' ');
        else if (u == 0x2022 || u == 0x30FB || u == 0x2027 || u == 0x2219 || u == 0xFF65 || u == 0x25CF || u == 0x00B7
                 || u == 0x2E31 || u == 0x318D || u == 0x22C5)
            c = QChar(0x00B7);
        else if (u == 0x3010 || u == 0x3014 || u == 0x3016)
            c = QLatin1Char('[');
        else if (u == 0x3011 || u == 0x3015 || u == 0x3017)
            c = QLatin1Char(']');
        else if (u == '\r')
            c = QLatin1Char('\n');
        else if (u == 0x200B || u == 0x200C || u == 0x200D || u == 0xFEFF)
            continue;
        result += c;
        *written += as == u'\r' ? QChar(u'\n') : as;
    }
    return result;
}

// The text cut at its labels: each labelled value up to the next label or
// the end of its line, the unlabelled text between them as Field::None.
QList<Segment> segmented(const QString &text)
{
    struct Label {
        qsizetype start, end; // the label, with its colon
        Field field;
    };
    QList<Label> labels;
    const auto knownAt = [&](qsizetype at) -> const QPair<QString, Field> * {
        for (const auto &label : knownLabels())
            if (QStringView(text).mid(at).startsWith(label.first))
                return &label;
        return nullptr;
    };
    for (qsizetype at = 0; at < text.size(); ++at) {
        // A label in brackets ([收货人]陆欣[电话]…) needs nothing before it.
        if (!atBoundary(text, at) && text[at] != u'[')
            continue;
        qsizetype start = at;
        if (text[at] == u'[')
            ++start;
        // A label ends in a colon (or a bracket), or is known and followed by
        // a blank, a number or, for names, the name itself.
        qsizetype end = start;
        while (end < text.size() && end - start < 10 && (isHan(text[end]) || text[end].isLetter()))
            ++end;
        if (end == start)
            continue;
        qsizetype after = end;
        if (after < text.size() && text[after] == u']')
            ++after;
        while (after < text.size() && (text[after] == u' ' || text[after] == u'\t'))
            ++after;
        const bool colon = after < text.size() && text[after] == u':';
        const QString word = text.mid(start, end - start);
        if (colon) {
            // The label is the known one ending at the colon; what stands
            // before it on the same word is text of its own (张三电话:).
            Field field = classifiedLabel(word);
            qsizetype labelStart = start;
            for (const auto &[known, knownField] : knownLabels())
                if (word.endsWith(known)) {
                    // 家庭住址, 主订单编号: the whole word is the label;
                    // 张三电话: the name, then the label.
                    const QString before = word.chopped(known.size());
                    if (before.isEmpty() || !isLabelModifier(before)) {
                        field = knownField;
                        labelStart = end - known.size();
                    } else if (field == Field::None) {
                        field = knownField;
                    }
                    break;
                }
            if (field == Field::None && word.size() > 8)
                continue; // a sentence before a colon, not a label
            labels << Label{labelStart == start ? at : labelStart, after + 1, field};
            at = after;
            continue;
        }
        const QPair<QString, Field> *known = knownAt(start);
        if (!known)
            continue;
        const qsizetype valueAt = start + known->first.size();
        const QChar next = valueAt < text.size() ? text[valueAt] : QChar();
        const bool spaced = QStringView(u" \t\n|,;、").contains(next) || (next == u']' && start > at);
        const bool number = known->second == Field::Contact || known->second == Field::SecondPhone
            || known->second == Field::Postcode || known->second == Field::Ignore;
        const bool place = known->second == Field::Address || known->second == Field::Region;
        const bool glued = (number && (next.isDigit() || next == u'+' || next == u'('))
            || (known->second == Field::Name && isHan(next))
            || (place && regionAt(QStringView(text).mid(valueAt)).length > 0);
        if (!spaced && !glued)
            continue;
        labels << Label{at, valueAt + (next == u']' || (spaced && next != u' ' && next != u'\t') ? 1 : 0),
                        known->second};
        at = valueAt - 1;
    }
    QList<Segment> segments;
    qsizetype at = 0;
    for (qsizetype i = 0; i < labels.size(); ++i) {
        const Label &label = labels[i];
        if (label.start > at)
            segments << Segment{Field::None, text.mid(at, label.start - at), at};
        qsizetype end = i + 1 < labels.size() ? labels[i + 1].start : text.size();
        // The value runs to the end of its line; a label alone on its line
        // labels the next one.
        qsizetype valueAt = label.end;
        while (valueAt < end && text[valueAt].isSpace())
            ++valueAt;
        if (const qsizetype line = text.indexOf(u'\n', valueAt); line >= 0 && line < end)
            end = line;
        segments << Segment{label.field, text.mid(valueAt, end - valueAt), valueAt};
        at = end;
    }
    if (at < text.size())
        segments << Segment{Field::None, text.mid(at), at};
    return segments;
}

// The numbers of a pasted text, taken out of its segments.
struct Numbers {
    QStringList mobiles;       // in the order found
    QStringList secondMobiles; // under a label such as 备用手机
    QStringList landlines;
    QString postcode;
    QString bracketExtension; // a privacy number's extension written [5521]
};

// Takes every match of pattern out of text (each replaced by a separator).
template <typename Take>
void takeAll(QString &text, const QRegularExpression &pattern, Take take)
{
    for (QRegularExpressionMatch match = pattern.match(text); match.hasMatch(); match = pattern.match(text)) {
        take(match);
        text.replace(match.capturedStart(), match.capturedLength(), QStringLiteral("\n"));
    }
}

void takeNumbers(Segment &segment, Numbers &numbers)
{
    if (segment.field == Field::Remarks || segment.field == Field::Company)
        return;
    QString &text = segment.text;
    static const QRegularExpression bracketExtension(QStringLiteral("\\[\\s*(\\d{3,5})\\s*\\]"));
    takeAll(text, bracketExtension,
            [&](const QRegularExpressionMatch &m) { numbers.bracketExtension = m.captured(1); });
    // Order numbers and other long digit runs are no part of a recipient.
    static const QRegularExpression longRun(
        QStringLiteral("(?<![\\d*+])(?!(?:00)?861[3-9]\\d{9}(?!\\d))\\d{12,}(?![\\d*])"));
    takeAll(text, longRun, [](const QRegularExpressionMatch &) {});
    // A mobile, also masked (138****5678), with +86, blanks or dashes, and a
    // privacy number's extension (转 5566, -7804, #123).
    static const QRegularExpression mobile(QStringLiteral(
        "(?<![\\d*])(?:\\(?(?:\\+|00)?86\\)?[\\s-]*)?(1[3-9][\\d*])[\\s-]*([\\d*]{4})[\\s-]*([\\d*]{4})(?![\\d*])"
        "(?:\\s*(?:转分机|转|分机号?|-|#|ext\\.?)\\s*(\\d{3,5})(?!\\d))?"));
    takeAll(text, mobile, [&](const QRegularExpressionMatch &m) {
        QString number = m.captured(1) + m.captured(2) + m.captured(3);
        if (!m.captured(4).isEmpty())
            number += QStringLiteral(u"转") + m.captured(4);
        (segment.field == Field::SecondPhone ? numbers.secondMobiles : numbers.mobiles) << number;
    });
    static const QRegularExpression service(QStringLiteral("(?<!\\d)([48]00)[\\s-]?(\\d{3})[\\s-]?(\\d{4})(?!\\d)"));
    takeAll(text, service, [&](const QRegularExpressionMatch &m) {
        numbers.landlines << m.captured(1) + QLatin1Char('-') + m.captured(2) + QLatin1Char('-') + m.captured(3);
    });
    static const QRegularExpression landline(
        QStringLiteral("(?<![\\d])\\(?(0\\d{2,3})\\)?[\\s-]*(\\d{7,8}|\\d{3,4}[\\s-]\\d{4})"
                       "(?:\\s*(?:-|转|#|分机|ext\\.?)\\s*(\\d{1,6}))?(?![\\d])"));
    takeAll(text, landline, [&](const QRegularExpressionMatch &m) {
        QString local = m.captured(2);
        local.removeIf([](QChar c) { return !c.isDigit(); });
        numbers.landlines << m.captured(1) + QLatin1Char('-') + local
                + (m.captured(3).isEmpty() ? QString() : QLatin1Char('-') + m.captured(3));
    });
    static const QRegularExpression postcode(QStringLiteral("(?<![\\d#-])(\\d{6})(?![\\d号室楼栋幢层])"));
    takeAll(text, postcode, [&](const QRegularExpressionMatch &m) {
        if (numbers.postcode.isEmpty())
            numbers.postcode = m.captured(1);
    });
}

// Words of a chat message round the recipient (亲，麻烦寄到…谢谢).
QString withoutChat(QString piece)
{
    static const QStringList leading =
        wordsOf(u"亲爱的 亲亲 亲 您好 你好 在吗 老板 麻烦您 麻烦 帮忙 帮我 请 寄到 寄给 寄往 发到 发给 发往 送到 寄 "
                u"我的地址是 我的地址 地址是 我的 收件信息 收货信息 信息如下 如下 一下 下 尽快发货 尽快 发货 谢谢 "
                u"发这个地址 这个地址 在吗 哈喽 hello");
    static const QStringList trailing =
        wordsOf(u"谢谢老板 谢谢 谢啦 谢了 辛苦了 哈 哦 啊 呢 吧 啦 呀 亲 尽快发货 发货 哈哈 麻烦了 麻烦");
    for (bool stripped = true; stripped && !piece.isEmpty();) {
        stripped = false;
        for (const QString &word : leading)
            // 下 and 寄 only before more chat, never a name's own first character.
            if (piece.startsWith(word) && (word.size() > 1 || piece.size() == 1 || word == QStringLiteral(u"请"))) {
                piece = piece.mid(word.size());
                stripped = true;
                break;
            }
        for (const QString &word : trailing)
            if (piece.endsWith(word) && piece.size() > word.size() + 1) {
                piece.chop(word.size());
                stripped = true;
                break;
            }
        for (const QString &word : trailing)
            if (piece == word) {
                piece.clear();
                stripped = true;
            }
    }
    return piece;
}

const QRegularExpression &addressWords()
{
    static const QRegularExpression words(QStringLiteral(
        u"[省市区县镇乡村路街道巷弄号栋幢楼室座层组屯]|单元|大厦|小区|花园|公寓|广场|中心|园区|社区|大道|开发区|工业区|"
        u"公司|学校|大学|医院|宿舍|仓库|门市|商城|市场"));
    return words;
}

bool isCompanyName(const QString &piece)
{
    static const QRegularExpression ending(
        QStringLiteral(u"(公司|集团|工作室|商行|经营部|门市部|工厂|厂|商店|事务所|研究所|研究院|协会|合作社)$"));
    return piece.size() >= 4 && piece.contains(ending);
}

bool looksLikeAddress(const QString &piece)
{
    return regionAt(piece).length > 0 || piece.contains(addressWords())
        || std::any_of(piece.cbegin(), piece.cend(), [](QChar c) { return c.isDigit(); });
}

// The name without what people write after it (（收）, 收).
QString withoutReceiveMark(QString name)
{
    for (const QString &mark : {QStringLiteral(u"(收)"), QStringLiteral(u"[收]"), QStringLiteral(u"(收件人)")})
        if (name.endsWith(mark))
            name.chop(mark.size());
    if (name.size() >= 3 && name.endsWith(u'收') && (isHan(name[0]) || name[0].isLetter()))
        name.chop(1);
    return name;
}

bool looksLikeName(const QString &piece)
{
    static const QRegularExpression chinese(QStringLiteral(u"^[\\x{3400}-\\x{9FFF}][\\x{3400}-\\x{9FFF}*]{0,5}$"));
    static const QRegularExpression dotted(
        QStringLiteral(u"^[\\x{3400}-\\x{9FFF}]{1,10}(·[\\x{3400}-\\x{9FFF}]{1,10}){1,3}$"));
    static const QRegularExpression latin(QStringLiteral("^[A-Za-z][A-Za-z\\x{E000}.'-]{0,30}$"));
    const QString name = withoutReceiveMark(piece);
    return (chinese.match(name).hasMatch() || dotted.match(name).hasMatch() || latin.match(name).hasMatch())
        && regionAt(name).length == 0;
}

bool isCompoundSurname(const QString &word)
{
    static const QStringList surnames = wordsOf(
        u"欧阳 司马 诸葛 上官 司徒 东方 皇甫 尉迟 公孙 慕容 长孙 宇文 夏侯 令狐 独孤 端木 西门 南宫 轩辕 百里 呼延 "
        u"申屠 太史 闻人 澹台 公冶 濮阳 淳于 单于 钟离 赫连 万俟 拓跋");
    return surnames.contains(word);
}

// The pieces of unlabelled text, split at separators; a surname written
// apart from the given name (陈 静) joined to it.
QStringList piecesOf(const QString &text)
{
    static const QRegularExpression separators(QStringLiteral(u"[\\s,;|/:、。!?！？~]+"));
    QStringList pieces;
    for (const QString &raw : text.split(separators, Qt::SkipEmptyParts)) {
        static const QStringList receiveMarks{QStringLiteral(u"(收)"), QStringLiteral(u"[收]"), QStringLiteral(u"收")};
        if (receiveMarks.contains(raw))
            continue;
        QString piece = withoutChat(raw);
        piece.remove(QRegularExpression(QStringLiteral("\\(\\s*\\)|\\[\\s*\\]")));
        // Left-over brackets and punctuation round a piece.
        while (!piece.isEmpty() && QStringLiteral(u"()[]-_\"'“”‘’.").contains(piece.front()))
            piece.remove(0, 1);
        while (!piece.isEmpty() && QStringLiteral(u"([-_\"'“”‘’.").contains(piece.back()))
            piece.chop(1);
        if (piece.isEmpty() || piece == QStringLiteral(u"收"))
            continue;
        pieces << piece;
    }
    for (qsizetype i = 0; i + 1 < pieces.size(); ++i) {
        const QString &first = pieces[i];
        const QString &second = pieces[i + 1];
        if ((first.size() == 1 || isCompoundSurname(first)) && isHan(first[0]) && second.size() <= 2
            && looksLikeName(first + second) && !looksLikeAddress(second)) {
            pieces[i] = first + second;
            pieces.removeAt(i + 1);
        }
    }
    return pieces;
}

QString withoutBlanks(QString text)
{
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

QString trimmedValue(QString text)
{
    text = text.trimmed();
    while (!text.isEmpty() && QStringLiteral(u",;|、。").contains(text.back()))
        text.chop(1);
    return text.trimmed();
}

// An address's part with what its label or its place left round it.
QString cleanedAddressPart(QString part)
{
    part.remove(QRegularExpression(QStringLiteral("\\(\\s*\\)|\\[\\s*\\]")));
    part = withoutBlanks(part);
    while (!part.isEmpty() && QStringLiteral(u",;|、。:-").contains(part.front()))
        part.remove(0, 1);
    while (!part.isEmpty() && QStringLiteral(u",;|、。:-(").contains(part.back()))
        part.chop(1);
    // A label written onto the address before its number (…90号电话0571-…).
    for (const auto &[label, field] : knownLabels())
        if ((field == Field::Contact || field == Field::SecondPhone || field == Field::Postcode) && part.endsWith(label)
            && part.size() > label.size()) {
            part.chop(label.size());
            break;
        }
    return part;
}

class Splitter {
public:
    explicit Splitter(const QString &pasted)
    {
        QString text = normalized(pasted, &m_written);
        // A Latin name keeps its blanks (Tom Lee): they are not separators.
        static const QRegularExpression latinBlank(QStringLiteral("(?<=[A-Za-z]) (?=[A-Za-z])"));
        text.replace(latinBlank, QString(kLatinBlank));
        m_segments = segmented(text);
        for (Segment &segment : m_segments) {
            if (segment.field == Field::Ignore) {
                // The value's first word (an order number, a nickname); the
                // rest is text of its own.
                static const QRegularExpression firstWord(QStringLiteral("^\\s*[^\\s,;|]*"));
                segment.text.remove(firstWord);
                segment.field = Field::None;
            }
            takeNumbers(segment, m_numbers);
        }
        assignNumbers();
        for (const Segment &segment : m_segments)
            take(segment);
        finish();
    }
    PastedRecipient result() const { return m_result; }

private:
    // A segment's text as pasted (its punctuation and digits not narrowed).
    QString asWritten(const Segment &segment) const
    {
        return trimmedValue(m_written.mid(segment.start, segment.text.size()));
    }

    void assignNumbers()
    {
        QStringList mobiles = m_numbers.mobiles;
        QStringList seconds = m_numbers.secondMobiles;
        if (mobiles.isEmpty() && !seconds.isEmpty())
            mobiles << seconds.takeFirst();
        if (!mobiles.isEmpty()) {
            m_result.mobile = mobiles.takeFirst();
            if (!m_numbers.bracketExtension.isEmpty() && !m_result.mobile.contains(u'转'))
                m_result.mobile += QStringLiteral(u"转") + m_numbers.bracketExtension;
        }
        const QStringList phones = m_numbers.landlines + seconds + mobiles;
        m_result.phone = phones.value(0);
        m_result.postcode = m_numbers.postcode;
    }

    void take(const Segment &segment)
    {
        switch (segment.field) {
        case Field::Name: {
            // The name, then what follows it on its line as text of its own.
            QStringList pieces = piecesOf(segment.text);
            // 收件人是谭小龙
            if (!pieces.isEmpty() && pieces.first().size() >= 3
                && (pieces.first().startsWith(u'是') || pieces.first().startsWith(u'为')))
                pieces.first().remove(0, 1);
            if (!pieces.isEmpty() && m_labelledName.isEmpty() && looksLikeName(pieces.first()))
                m_labelledName = pieces.takeFirst();
            for (const QString &piece : pieces)
                takeUnlabelled(piece);
            break;
        }
        case Field::Company:
            if (m_result.company.isEmpty())
                m_result.company = asWritten(segment);
            break;
        case Field::Remarks:
            if (m_result.remarks.isEmpty())
                m_result.remarks = asWritten(segment);
            break;
        case Field::Region:
            m_regionParts << cleanedAddressPart(segment.text);
            break;
        case Field::Address: {
            // The address, and a name written after it on its line (地址：…195号 徐美玲).
            const QStringList pieces = piecesOf(segment.text);
            for (qsizetype i = 0; i < pieces.size(); ++i) {
                if (i == 0) {
                    addAddressPart(pieces[i]);
                    m_addressStarted = true;
                } else {
                    takeUnlabelled(pieces[i]);
                }
            }
            break;
        }
        case Field::Ignore:
        case Field::Contact:
        case Field::SecondPhone:
        case Field::Postcode:
        case Field::None:
            for (const QString &piece : piecesOf(segment.text))
                takeUnlabelled(piece);
            break;
        }
    }

    // A part of the address. A name guessed from a word after the address's
    // start was part of it when more of the address follows (华星 科技大厦).
    void addAddressPart(const QString &part)
    {
        if (m_nameInAddressAt >= 0) {
            m_addressParts.insert(m_nameInAddressAt, m_name);
            m_name.clear();
            m_nameInAddressAt = -1;
        }
        m_addressParts << part;
    }

    void guessName(const QString &piece)
    {
        m_name = piece;
        m_nameInAddressAt = m_addressStarted ? int(m_addressParts.size()) : -1;
    }

    void takeUnlabelled(const QString &piece)
    {
        const FoundRegion region = findRegion(piece);
        // A company's name on a line of its own before the address (杭州华星科技有限公司).
        if (!m_addressStarted && m_result.company.isEmpty() && isCompanyName(piece)
            && (region.start < 0 || !region.match.certain)) {
            m_result.company = piece;
            return;
        }
        if (region.start > 0) {
            // A name or a word written onto the address: 张三浙江省杭州市…
            const QString before = piece.left(region.start);
            if (m_name.isEmpty() && !m_addressStarted && looksLikeName(before))
                guessName(before);
            else if (m_addressStarted)
                addAddressPart(before);
            addAddressPart(piece.mid(region.start));
            m_addressStarted = true;
            return;
        }
        if (m_name.isEmpty() && !m_addressStarted && looksLikeName(piece)) {
            guessName(piece);
        } else if (region.start == 0 || looksLikeAddress(piece)) {
            addAddressPart(piece);
            m_addressStarted = true;
        } else if (m_name.isEmpty() && looksLikeName(piece)) {
            guessName(piece);
        } else if (m_addressStarted) {
            addAddressPart(piece); // a word between parts of the address belongs to it
        } else {
            m_before << piece;
        }
    }

    void finish()
    {
        if (!m_labelledName.isEmpty()) {
            // The labelled name wins; a guess of a name before it was a word of the address (a department).
            // The guess was a word of the address (a department): kept where
            // it stood; before the address, only a department's name (技术部).
            static const QRegularExpression department(QStringLiteral(u"(部|科|处|室|组|车间|中心|办|队|所|站)$"));
            if (!m_name.isEmpty() && m_name != m_labelledName
                && (m_nameInAddressAt >= 0 || m_name.contains(department)))
                m_addressParts.insert(std::max(m_nameInAddressAt, 0), m_name);
            m_name = m_labelledName;
        }
        if (m_name.isEmpty())
            for (const QString &piece : m_before)
                if (looksLikeName(piece)) {
                    m_name = piece;
                    break;
                }
        m_result.name = withoutReceiveMark(m_name).replace(kLatinBlank, QLatin1Char(' '));
        // The region's parts before the street, wherever they were written.
        QStringList parts = m_regionParts;
        for (const QString &part : std::as_const(m_addressParts))
            parts << cleanedAddressPart(part);
        QString address = parts.join(QString());
        address.replace(kLatinBlank, QLatin1Char(' '));
        m_result.address = address;
        m_result.destination = cityNamedIn(address);
    }

    QString m_written; // the pasted text, as long as the normalized one
    QList<Segment> m_segments;
    Numbers m_numbers;
    PastedRecipient m_result;
    QString m_name;         // the name as guessed from unlabelled text
    QString m_labelledName; // the name under a label
    QStringList m_addressParts;
    QStringList m_regionParts; // under a region label (所在地区：)
    QStringList m_before;      // words before the address that are neither
    bool m_addressStarted = false;
    int m_nameInAddressAt = -1; // where in the address the guessed name stood (-1: before it)
};

} // namespace

PastedRecipient parsePastedRecipient(const QString &pasted)
{
    return Splitter(pasted).result();
}

QList<QPair<QString, QString>> pastedColumns(const PastedRecipient &recipient)
{
    using namespace schema::col;
    return {{kCompany, recipient.company},         {kRecipientName, recipient.name},
            {kDestination, recipient.destination}, {kRecipientAddress, recipient.address},
            {kPostcode, recipient.postcode},       {kPhone, recipient.phone},
            {kMobile, recipient.mobile},           {kRemarks, recipient.remarks}};
}
