#include "LogLock.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#else
#include <QLockFile>

#include <algorithm>
#endif

namespace {

// The log file itself: links and other spellings of its folder resolved,
// also for a log not written yet (or reached through a dangling link).
QString canonicalLogPath(const QString &logPath)
{
    QFileInfo info(logPath);
    for (int hops = 0; hops < 16 && info.isSymLink(); ++hops)
        info.setFile(info.symLinkTarget());
    const QString file = info.canonicalFilePath();
    if (!file.isEmpty())
        return file;
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

} // namespace

QString LogLock::lockPathFor(const QString &logPath)
{
    const QFileInfo log(canonicalLogPath(logPath));
    return log.absolutePath() + QStringLiteral("/.") + log.fileName() + QStringLiteral(".lock");
}

#ifdef Q_OS_UNIX
namespace {

// Owner-only, never a FIFO or a link planted in its place, never blocking.
int openLockFile(const QByteArray &path, int create)
{
    const int fd = ::open(path.constData(),
                          O_RDWR | create | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0600);
    struct stat info;
    if (fd < 0 || (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode))) {
        // A lock file an older version made readable by all is narrowed.
        if (fd >= 0 && (info.st_mode & 077) && info.st_uid == ::geteuid())
            ::fchmod(fd, 0600);
        return fd;
    }
    ::close(fd);
    return -1;
}

// The locked file is still the one at `path`: a writer that ended may have
// removed it between our open and our lock.
bool stillAt(int fd, const QByteArray &path)
{
    struct stat open, named;
    return ::fstat(fd, &open) == 0 && ::lstat(path.constData(), &named) == 0 &&
           open.st_dev == named.st_dev && open.st_ino == named.st_ino;
}

} // namespace

// flock: released by the kernel when a writer dies, so a crash leaves no lock
// behind.
LogLock::LogLock(const QString &logPath, QDeadlineTimer deadline)
{
    if (logPath.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(lockPathFor(logPath));
    while ((m_fd = openLockFile(path, O_CREAT)) >= 0) {
        int error;
        while ((error = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno) == EWOULDBLOCK &&
               !deadline.hasExpired())
            QThread::msleep(2);
        if (error != 0) {
            m_refused = error == EWOULDBLOCK;
            return;
        }
        if ((m_held = stillAt(m_fd, path)))
            return;
        ::close(m_fd);
    }
}

LogLock::~LogLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}

void LogLock::removeUnused(const QString &logPath)
{
    if (logPath.isEmpty())
        return;
    const QByteArray path = QFile::encodeName(lockPathFor(logPath));
    const int fd = openLockFile(path, 0);
    if (fd < 0)
        return;
    // Held while removed: a writer waiting on this file sees it gone and
    // locks a new one.
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && stillAt(fd, path))
        ::unlink(path.constData());
    ::close(fd);
}
#else
LogLock::LogLock(const QString &logPath, QDeadlineTimer deadline)
{
    if (logPath.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(lockPathFor(logPath));
    m_lock->setStaleLockTime(0); // stale only when its writer is gone
    m_held = m_lock->tryLock(int(std::max<qint64>(0, deadline.remainingTime())));
    m_refused = !m_held && m_lock->error() == QLockFile::LockFailedError;
}

LogLock::~LogLock() = default; // QLockFile unlocks and removes its file

void LogLock::removeUnused(const QString &) {} // QLockFile removed it at each unlock
#endif
