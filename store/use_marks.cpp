#include "store/use_marks.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace {

// The machine's boot, so that the mark of a process from before a restart
// never passes for a live process that got the same id.
QByteArray bootId()
{
    QFile file(QStringLiteral("/proc/sys/kernel/random/boot_id"));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

bool processAlive(qint64 pid)
{
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

QString hashOf(const QString &path)
{
    return QString::fromLatin1(QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1).toHex().left(20));
}

// This process's marks, removed when it ends normally (static destruction
// does not run after a crash, a kill or a power loss).
class OwnMarks {
public:
    ~OwnMarks()
    {
        for (const QString &mark : std::as_const(m_marks))
            if (!m_kept.contains(mark))
                QFile::remove(mark);
    }
    void add(const QString &mark) { m_marks.insert(mark); }
    void keep(const QString &mark) { m_kept.insert(mark); }
    QHash<QString, QStringList> gone; // path -> marks of gone processes

private:
    QSet<QString> m_marks;
    QSet<QString> m_kept;
};

OwnMarks &ownMarks()
{
    static OwnMarks marks;
    return marks;
}

} // namespace

namespace use_marks {

QString folder()
{
    QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (state.isEmpty())
        state = QDir::homePath() + QStringLiteral("/.local/state");
    return state + QStringLiteral("/waybill/open");
}

QString markName(const QString &path, qint64 pid)
{
    return hashOf(path) + QLatin1Char('.') + QString::number(pid);
}

bool markInUse(const QString &path)
{
    const QDir dir(folder());
    const QByteArray boot = bootId();
    const qint64 self = qint64(::getpid());
    QStringList gone;
    const QString ours = hashOf(path) + QLatin1Char('.');
    for (const QString &name : dir.entryList(QDir::Files)) {
        const qint64 pid = name.section(QLatin1Char('.'), 1).toLongLong();
        if (pid == self)
            continue;
        QFile mark(dir.filePath(name));
        if (!mark.open(QIODevice::ReadOnly))
            continue;
        const QByteArray markBoot = mark.readLine().trimmed();
        QByteArray markedPath = mark.readLine();
        if (markedPath.endsWith('\n'))
            markedPath.chop(1);
        mark.close();
        if (markBoot == boot && processAlive(pid))
            continue;
        if (name.startsWith(ours))
            gone << dir.filePath(name);
        else if (!QFileInfo::exists(QString::fromUtf8(markedPath)))
            QFile::remove(dir.filePath(name)); // a gone process's mark of a file that is gone too
    }
    ownMarks().gone.insert(path, gone);
    // A mark that cannot be written only loses the next start its hint.
    const QString own = dir.filePath(markName(path, self));
    if (QDir().mkpath(dir.path())) {
        QFile mark(own);
        if (mark.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            mark.write(boot + '\n' + path.toUtf8() + '\n');
            ownMarks().add(own);
        }
    }
    return !gone.isEmpty();
}

void checked(const QString &path, bool sound)
{
    if (sound) {
        for (const QString &mark : ownMarks().gone.take(path))
            QFile::remove(mark);
        return;
    }
    ownMarks().keep(QDir(folder()).filePath(markName(path, qint64(::getpid()))));
}

} // namespace use_marks
