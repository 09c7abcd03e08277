#include "common/safe_file.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kSuffix = QStringLiteral(".waybill-tmp");

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// Older than this, a temporary nobody holds is a leftover: the margin
// covers the moment between creating a file and locking it.
constexpr qint64 kStaleAfterSeconds = 5;

// Whether a live writer holds the lock on a file of the folder (opened
// through the folder, never through a symbolic link).
bool lockedByLiveWriter(int folder, const QByteArray &name)
{
    const int fd = ::openat(folder, name.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return held;
}

// The names this program gives its temporaries, and only those: a file of
// another program is never taken for one by its name's shape.
const QRegularExpression &temporaryPattern()
{
    static const QRegularExpression pattern(QStringLiteral("^\\..+\\.[0-9a-f]{8}\\.waybill-tmp(-journal)?$"));
    return pattern;
}

// What stands under path, without following a link: nothing (0), or the
// kind of file (S_IFREG, S_IFLNK, ...).
mode_t kindAt(const QString &path, struct stat *info)
{
    if (::lstat(QFile::encodeName(path).constData(), info) != 0)
        return 0;
    return info->st_mode & S_IFMT;
}

// Refuses a target that is a device, a pipe or a socket: a rename would put
// a regular file in its place (as root, in place of /dev/full). A link is
// replaced by the new file, never followed.
void refuseSpecialFile(const QString &path)
{
    struct stat info;
    const mode_t kind = kindAt(path, &info);
    QString what;
    switch (kind) {
    case 0:
    case S_IFREG:
    case S_IFLNK:
        return;
    case S_IFDIR:
        throw FileError(QStringLiteral(u"%1 是一个文件夹").arg(native(path)));
    case S_IFIFO:
        what = QStringLiteral(u"管道");
        break;
    case S_IFSOCK:
        what = QStringLiteral(u"套接字");
        break;
    default:
        what = QStringLiteral(u"设备");
        break;
    }
    throw FileError(QStringLiteral(u"%1 是%2，不是普通文件，没有写入；请换一个文件名").arg(native(path), what));
}

} // namespace

bool isProgramTemporary(const QString &fileName)
{
    return temporaryPattern().match(fileName).hasMatch();
}

QString writeFailureText(const QString &path, int errorNumber)
{
    switch (errorNumber) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral(u"磁盘已满：无法写入 %1，请腾出空间后再试").arg(native(path));
    case EACCES:
    case EPERM:
    case EROFS:
        return QStringLiteral(u"没有写入权限，无法写入 %1").arg(native(path));
    default:
        return QStringLiteral(u"无法写入 %1：%2").arg(native(path), QString::fromLocal8Bit(std::strerror(errorNumber)));
    }
}

void syncFolder(const QString &folder)
{
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

void removeUnheldFiles(const QString &folder, const std::function<QByteArray(const QByteArray &)> &holderOf)
{
    // Everything through one descriptor of the folder: a name swapped for a
    // symbolic link meanwhile is never followed, and only regular files of
    // this user are removed.
    const int dirFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd < 0)
        return;
    DIR *listing = ::fdopendir(::dup(dirFd));
    if (!listing) {
        ::close(dirFd);
        return;
    }
    const time_t staleBefore = ::time(nullptr) - kStaleAfterSeconds;
    while (const dirent *entry = ::readdir(listing)) {
        const QByteArray name(entry->d_name);
        const QByteArray holder = holderOf(name);
        if (holder.isEmpty())
            continue;
        struct stat info;
        if (::fstatat(dirFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(info.st_mode)
            || info.st_uid != ::geteuid() || info.st_mtime > staleBefore)
            continue;
        if (!lockedByLiveWriter(dirFd, holder))
            ::unlinkat(dirFd, name.constData(), 0);
    }
    ::closedir(listing);
    ::close(dirFd);
}

void cleanStaleTemporaries(const QString &folder)
{
    removeUnheldFiles(folder, [](const QByteArray &name) {
        if (!isProgramTemporary(QFile::decodeName(name)))
            return QByteArray();
        // A journal belongs to the temporary file it is named after: the
        // writer holds the lock on that one.
        return name.endsWith("-journal") ? name.chopped(8) : name;
    });
}

FileHold::FileHold(const QString &path)
    : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC))
{
    if (m_fd >= 0)
        ::flock(m_fd, LOCK_EX);
}

FileHold::~FileHold()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

void cleanStaleFolders(const QString &parent, const QString &prefix)
{
    const QDateTime staleBefore = QDateTime::currentDateTime().addSecs(-600);
    const QFileInfoList entries = QDir(parent).entryInfoList(
        {prefix + QLatin1Char('*')}, QDir::Dirs | QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden);
    for (const QFileInfo &entry : entries) {
        if (entry.lastModified() >= staleBefore || entry.isSymLink() || entry.ownerId() != ::geteuid())
            continue;
        if (entry.isDir())
            QDir(entry.absoluteFilePath()).removeRecursively();
        else
            QFile::remove(entry.absoluteFilePath());
    }
}

SafeFile::SafeFile(const QString &target) : m_target(QFileInfo(target).absoluteFilePath())
{
    const QFileInfo info(m_target);
    if (!info.absoluteDir().exists())
        throw FileError(QStringLiteral(u"文件夹不存在：%1").arg(native(info.absolutePath())));
    refuseSpecialFile(m_target);
    cleanStaleTemporaries(info.absolutePath());
    for (int attempt = 0; attempt < 16 && m_lockFd < 0; ++attempt) {
        m_temp = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.')
            + QString::number(QRandomGenerator::global()->generate(), 16).rightJustified(8, QLatin1Char('0')) + kSuffix;
        // Readable by the user only: the files hold recipients' personal data.
        m_lockFd = ::open(QFile::encodeName(m_temp).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (m_lockFd < 0 && errno != EEXIST)
            throw FileError(writeFailureText(m_target, errno));
    }
    if (m_lockFd < 0)
        throw FileError(writeFailureText(m_target, EEXIST));
    ::flock(m_lockFd, LOCK_EX);
    if (!m_file.open(m_lockFd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle))
        throw FileError(QStringLiteral(u"无法写入 %1：%2").arg(native(m_target), m_file.errorString()));
}

SafeFile::~SafeFile()
{
    m_file.close();
    if (!m_committed) {
        QFile::remove(m_temp);
        QFile::remove(m_temp + QStringLiteral("-journal"));
    }
    if (m_lockFd >= 0)
        ::close(m_lockFd);
}

void SafeFile::write(const QByteArray &bytes)
{
    qint64 done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_lockFd, bytes.constData() + done, size_t(bytes.size() - done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(writeFailureText(m_target, errno));
        }
        done += n;
    }
}

void SafeFile::syncTemporary()
{
    if (!m_file.flush())
        throw FileError(writeFailureText(m_target, ENOSPC));
    if (::fsync(m_lockFd) != 0)
        throw FileError(writeFailureText(m_target, errno));
}

void SafeFile::commitAsNew()
{
    syncTemporary();
    // link() fails when the target exists, so a file that appeared
    // meanwhile is kept as it is.
    if (::link(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0) {
        if (errno == EEXIST)
            throw FileError(QStringLiteral(u"文件已存在，未做任何改动：%1").arg(native(m_target)));
        throw FileError(writeFailureText(m_target, errno));
    }
    QFile::remove(m_temp);
    m_committed = true;
    syncFolder(QFileInfo(m_target).absolutePath());
}

void SafeFile::commit(Mode mode)
{
    // A regular file replaced keeps the mode the user gave it; in place of a
    // link (replaced, not followed) the file is a new one: 0600.
    refuseSpecialFile(m_target);
    struct stat existing;
    if (mode == Mode::KeepReplaced && kindAt(m_target, &existing) == S_IFREG)
        ::fchmod(m_lockFd, existing.st_mode & 07777);
    syncTemporary();
    if (std::rename(QFile::encodeName(m_temp).constData(), QFile::encodeName(m_target).constData()) != 0)
        throw FileError(
            QStringLiteral(u"无法替换 %1：%2").arg(native(m_target), QString::fromLocal8Bit(std::strerror(errno))));
    m_committed = true;
    syncFolder(QFileInfo(m_target).absolutePath());
}
