#include "report/fonts.h"

#include <QFont>
#include <QStringList>

void installFontSubstitutions()
{
    const QStringList song{QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL UMing TW")};
    QFont::insertSubstitutions(QStringLiteral(u"宋体"), song);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), song);
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
}
