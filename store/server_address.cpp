#include "store/server_address.h"

#include "common/error.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

// An address as a message may show it: a password in it replaced by ***.
QString withoutPassword(const QString &url)
{
    static const QRegularExpression password(QStringLiteral("(//[^:/@\\s]*):[^@/\\s]*@"));
    return QString(url).replace(password, QStringLiteral("\\1:***@"));
}

} // namespace

ServerAddress ServerAddress::parse(const QString &url)
{
    static const QRegularExpression pattern(
        QStringLiteral("^postgres(?:ql)?://([^:@/?#\\s]+)(:[^@/"
                       "]*)?@([A-Za-z0-9.\\-]+|\\[[0-9A-Fa-f:]+\\])(?::(\\d{1,5}))?/([^/?#\\s]+)"
                       "(?:\\?sslmode=(require|verify-full))?$"));
    const QRegularExpressionMatch match = pattern.match(url.trimmed());
    if (!match.hasMatch())
        throw AppError(QStringLiteral(u"共享数据库的地址应写成 postgresql://用户名@服务器[:端口]/数据库名"
                                      u"（要求加密连接时在后面加 ?sslmode=require 或 ?sslmode=verify-full）：%1")
                           .arg(withoutPassword(url)));
    if (!match.captured(2).isEmpty())
        throw AppError(
            QStringLiteral(u"密码不能写在地址里：请把它写进密码文件 ~/.pgpass（或 PGPASSFILE 指定的文件）。"));
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
    address.sslMode = match.captured(6);
    return address;
}

QString ServerAddress::passwordFileProblem()
{
    const QString path = qEnvironmentVariableIsSet("PGPASSFILE") ? qEnvironmentVariable("PGPASSFILE")
                                                                 : QDir::homePath() + QStringLiteral("/.pgpass");
    const QFileInfo file(path);
    if (!file.exists())
        return QStringLiteral(u"没有密码文件 %1").arg(QDir::toNativeSeparators(path));
    const auto others = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
        | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    if (file.permissions() & others)
        return QStringLiteral(u"密码文件 %1 别人也能读，libpq 因此不用它；请运行 chmod 600 %1")
            .arg(QDir::toNativeSeparators(path));
    return {};
}

QString ServerAddress::url() const
{
    const QString host =
        this->host.contains(QLatin1Char(':')) ? QLatin1Char('[') + this->host + QLatin1Char(']') : this->host;
    return QStringLiteral("postgresql://%1@%2%3/%4%5")
        .arg(user, host, port == 5432 ? QString() : QLatin1Char(':') + QString::number(port), database,
             sslMode.isEmpty() ? QString() : QStringLiteral("?sslmode=") + sslMode);
}
