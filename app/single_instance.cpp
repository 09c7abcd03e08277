#include "app/single_instance.h"

#include "common/error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

namespace {

constexpr int kAnswerMs = 3000;

} // namespace

SingleInstance::SingleInstance(const QString &dataFile, QObject *parent) : QObject(parent), m_name(serverName(dataFile))
{
}

SingleInstance::~SingleInstance() = default;

QString SingleInstance::serverName(const QString &dataFile)
{
    const QFileInfo info(dataFile);
    const QString path = info.exists() ? info.canonicalFilePath() : info.absoluteFilePath();
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(QDir::homePath().toUtf8());
    hash.addData(QByteArrayView("\n"));
    hash.addData(path.toUtf8());
    return QStringLiteral("waybill-") + QString::fromLatin1(hash.result().toHex().left(24));
}

bool SingleInstance::handOver(const QString &workbook)
{
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(kAnswerMs))
        return false;
    socket.write(workbook.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(kAnswerMs))
        return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(kAnswerMs))
            return false;
    return socket.readLine().trimmed() == "ok";
}

SingleInstance::Start SingleInstance::claim(const QString &workbook)
{
    if (handOver(workbook))
        return Start::HandedOver;
    // Only the holder of the lock listens, so that two starts at once never
    // take each other's socket away; a lock left by a program that died is
    // taken over.
    m_lock = std::make_unique<QLockFile>(QDir(QDir::tempPath()).filePath(m_name + QStringLiteral(".lock")));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(kAnswerMs)) {
        // The holder may just be starting: ask it once more.
        if (handOver(workbook))
            return Start::HandedOver;
        qint64 pid = 0;
        QString host, application;
        m_lock->getLockInfo(&pid, &host, &application);
        throw AppError(QStringLiteral(u"本软件已经在使用这份数据（进程 %1），但没有响应。"
                                      u"请等它打开，或把它关闭后再打开本软件。")
                           .arg(pid));
    }
    QLocalServer::removeServer(m_name); // a socket left by a program that died
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_name))
        return Start::First; // this start goes on; only later starts are not told
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::answer);
    return Start::First;
}

void SingleInstance::answer()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QString workbook = QString::fromUtf8(socket->readLine()).trimmed();
            socket->write("ok\n");
            socket->flush();
            Q_EMIT activationRequested(workbook);
        });
    }
}
