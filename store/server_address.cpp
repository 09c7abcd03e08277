#include "store/server_address.h"

#include "common/error.h"

#include <QRegularExpression>

ServerAddress ServerAddress::parse(const QString &url)
{
    static const QRegularExpression pattern(
        QStringLiteral("^postgres(?:ql)?://([^:@/?#\\s]+)(:[^@/]*)?@([A-Za-z0-9.\\-]+|\\[[0-9A-Fa-f:]+\\])(?::(\\d{1,5}))?/([^/?#\\s]+)$"));
    const QRegularExpressionMatch match = pattern.match(url.trimmed());
    if (!match.hasMatch())
        throw AppError(QStringLiteral(u"共享数据库的地址应写成 postgresql://用户名@服务器[:端口]/数据库名：%1").arg(url));
    if (!match.captured(2).isEmpty())
        throw AppError(QStringLiteral(u"密码不能写在地址里：请把它写进密码文件 ~/.pgpass（或 PGPASSFILE 指定的文件）。"));
    ServerAddress address;
    address.user = match.captured(1);
    address.host = match.captured(3);
    if (address.host.startsWith(QLatin1Char('[')))
        address.host = address.host.mid(1, address.host.size() - 2);
    if (!match.captured(4).isEmpty()) {
        address.port = match.captured(4).toInt();
        if (address.port < 1 || address.port > 65535)
            throw AppError(QStringLiteral(u"端口号 %1 不在 1 到 65535 之间").arg(match.captured(4)));
    }
    address.database = match.captured(5);
    return address;
}

QString ServerAddress::url() const
{
    const QString host = this->host.contains(QLatin1Char(':')) ? QLatin1Char('[') + this->host + QLatin1Char(']') : this->host;
    return QStringLiteral("postgresql://%1@%2%3/%4")
        .arg(user, host, port == 5432 ? QString() : QLatin1Char(':') + QString::number(port), database);
}
