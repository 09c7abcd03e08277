#include "waybill/waybill_number.h"

#include "common/error.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

bool isAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

const QRegularExpression &s10Shape()
{
    static const QRegularExpression shape(QStringLiteral("^([A-Z]{2})(\\d{8})(\\d)([A-Z]{2})$"));
    return shape;
}

} // namespace

QChar s10CheckDigit(QStringView serial)
{
    static constexpr int kWeights[8] = {8, 6, 4, 2, 3, 5, 9, 7};
    int sum = 0;
    for (int i = 0; i < 8; ++i)
        sum += serial[i].digitValue() * kWeights[i];
    const int check = 11 - sum % 11;
    return QLatin1Char(check == 10 ? '0' : check == 11 ? '5' : char('0' + check));
}

bool isS10Number(const QString &number)
{
    const QRegularExpressionMatch match = s10Shape().match(number);
    return match.hasMatch() && s10CheckDigit(match.capturedView(2)) == match.capturedView(3).front();
}

void checkWaybillNumber(const QString &number)
{
    if (number.isEmpty())
        return;
    const bool digits = std::any_of(number.cbegin(), number.cend(), isAsciiDigit);
    const bool blanks =
        std::any_of(number.cbegin(), number.cend(), [](QChar c) { return c.isSpace() || c.unicode() < 0x20; });
    if (number.size() > kMaxWaybillNumber || !digits || blanks)
        throw AppError(QStringLiteral(u"运单号“%1”无法往下编号：运单号应含有数字，不含空格，"
                                      u"例如 SF1234567890 或 EA123456785CN")
                           .arg(number));
}

namespace {

// The number after this one, by the S10 rule or by counting up its digits.
QString nextNumber(const QString &number, bool s10Rule)
{
    checkWaybillNumber(number);
    if (number.isEmpty())
        throw AppError(QStringLiteral(u"运单号为空"));
    const QRegularExpressionMatch s10 = s10Shape().match(number);
    if (s10Rule && s10.hasMatch()) {
        // Counting its digits on would give a number with a wrong check digit.
        if (s10.capturedView(2) == QStringLiteral("99999999"))
            throw AppError(QStringLiteral(u"运单号 %1 是这一段 EMS 国际运单号的最后一个（序号 99999999），"
                                          u"后面没有可编的号；请为后面的快递单填新一段的首张运单号")
                               .arg(number));
        const QString serial = QStringLiteral("%1").arg(s10.capturedView(2).toInt() + 1, 8, 10, QLatin1Char('0'));
        return s10.captured(1) + serial + s10CheckDigit(serial) + s10.captured(4);
    }
    // The last run of digits counts up; a run of nines carries into one more
    // digit (0999 -> 1000, 999 -> 1000).
    qsizetype end = number.size();
    while (!isAsciiDigit(number[end - 1]))
        --end;
    QString next = number;
    qsizetype i = end - 1;
    for (; i >= 0 && isAsciiDigit(next[i]); --i) {
        if (next[i] != QLatin1Char('9')) {
            next[i] = QChar(next[i].unicode() + 1);
            return next;
        }
        next[i] = QLatin1Char('0');
    }
    next.insert(i + 1, QLatin1Char('1'));
    if (next.size() > kMaxWaybillNumber)
        throw AppError(QStringLiteral(u"运单号 %1 往下编号会超过 %2 位，没有这样的运单号；"
                                      u"请为后面的快递单填新一段的首张运单号")
                           .arg(number)
                           .arg(kMaxWaybillNumber));
    return next;
}

} // namespace

QString nextWaybillNumber(const QString &number)
{
    return nextNumber(number, isS10Number(number));
}

QString offeredNextNumber(const QString &number)
{
    try {
        return nextWaybillNumber(number);
    } catch (const AppError &) {
        return {};
    }
}

QStringList waybillNumbers(const QString &first, int count)
{
    QStringList numbers;
    if (first.isEmpty())
        return numbers;
    numbers.reserve(count);
    // The first number decides the rule: a run that starts as no S10
    // number keeps counting its digits even where one happens to check.
    const bool s10Rule = isS10Number(first);
    QString number = first;
    for (int k = 0; k < count; ++k) {
        numbers << number;
        if (k + 1 < count)
            number = nextNumber(number, s10Rule);
    }
    return numbers;
}
