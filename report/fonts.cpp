#include "report/fonts.h"

#include <QFont>
#include <QStringList>

void installFontSubstitutions()
{
    // A Simplified-Chinese face of whatever the desktop has (Debian: AR PL
    // UMing; deepin, UOS, Kylin: Noto CJK or WenQuanYi), never a Japanese,
    // Korean or Traditional one, whose glyph forms differ.
    const QStringList song{QStringLiteral("AR PL UMing CN"), QStringLiteral("Noto Serif CJK SC"),
                           QStringLiteral("Noto Sans CJK SC"),
                           // Micro Hei first: Zen Hei's digits are wide enough to run a
                           // mobile number into the next field of some forms.
                           QStringLiteral("WenQuanYi Micro Hei"), QStringLiteral("WenQuanYi Zen Hei")};
    QFont::insertSubstitutions(QStringLiteral(u"宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}

QString fontText(const QFont &font)
{
    QString text = font.family() + QLatin1Char(',') + QString::number(font.pointSizeF(), 'g', 4);
    if (font.bold())
        text += QStringLiteral(",bold");
    if (font.italic())
        text += QStringLiteral(",italic");
    return text;
}

std::optional<QFont> parseFontText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok = false;
    const double points = parts.value(1).trimmed().toDouble(&ok);
    if (parts.size() < 2 || parts[0].trimmed().isEmpty() || !ok || points < 4 || points > 72)
        return std::nullopt;
    QFont font(parts[0].trimmed());
    font.setPointSizeF(points);
    for (const QString &style : parts.mid(2)) {
        if (style.trimmed() == QStringLiteral("bold"))
            font.setBold(true);
        else if (style.trimmed() == QStringLiteral("italic"))
            font.setItalic(true);
        else
            return std::nullopt;
    }
    return font;
}
