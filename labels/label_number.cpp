#include "labels/label_number.h"

#include <QRegularExpression>

namespace {

// A courier's number: 10 to 20 letters and digits, at least ten digits.
bool looksLikeNumber(const QString &word)
{
    static const QRegularExpression shape(QStringLiteral("^[A-Z]{0,4}[0-9]{10,20}[A-Z]{0,2}$"));
    static const QRegularExpression mobile(QStringLiteral("^1[3-9][0-9]{9}$"));
    static const QRegularExpression date(
        QStringLiteral("^20[0-9]{2}[01][0-9][0-3][0-9]([0-2][0-9]([0-5][0-9]){1,2})?$"));
    return shape.match(word).hasMatch() && !mobile.match(word).hasMatch() && !date.match(word).hasMatch();
}

} // namespace

QString labelledWaybillNumber(const QString &text)
{
    static const QRegularExpression labelled(
        QStringLiteral(u"(?:运单号码?|快递单号|面单号|单号|No\\.?)\\s*[:：]?\\s*((?:[A-Za-z0-9] ?){10,24})"));
    QRegularExpressionMatchIterator it = labelled.globalMatch(text);
    while (it.hasNext()) {
        QString word = it.next().captured(1).remove(QLatin1Char(' ')).trimmed().toUpper();
        if (looksLikeNumber(word))
            return word;
    }
    return {};
}

namespace {

QString unlabelledNumber(const QString &text)
{
    // Numbers are often printed in groups ("SF 1234 5678 9012"): the groups
    // of one line are joined before they are looked at.
    static const QRegularExpression grouped(QStringLiteral("(?:[A-Za-z]{1,4} ?)?\\b[0-9]{3,6}(?: [0-9]{3,6}){2,}\\b"));
    static const QRegularExpression word(QStringLiteral("[A-Za-z0-9]+"));
    QString joined = text;
    QRegularExpressionMatchIterator groups = grouped.globalMatch(text);
    while (groups.hasNext()) {
        const QRegularExpressionMatch match = groups.next();
        joined.replace(match.captured(0), QString(match.captured(0)).remove(QLatin1Char(' ')));
    }
    QString found;
    QRegularExpressionMatchIterator words = word.globalMatch(joined);
    while (words.hasNext()) {
        const QString candidate = words.next().captured(0).toUpper();
        if (!looksLikeNumber(candidate))
            continue;
        if (!found.isEmpty() && found != candidate)
            return {}; // two different numbers: not sure which
        found = candidate;
    }
    return found;
}

} // namespace

QString waybillNumberInText(const QString &text)
{
    const QString labelled = labelledWaybillNumber(text);
    return labelled.isEmpty() ? unlabelledNumber(text) : labelled;
}

QString labelNumber(const QString &text, const QString &code128)
{
    const QString labelled = labelledWaybillNumber(text);
    if (!labelled.isEmpty())
        return labelled;
    const QString code = code128.trimmed();
    if (!code.isEmpty())
        return code;
    return unlabelledNumber(text);
}
