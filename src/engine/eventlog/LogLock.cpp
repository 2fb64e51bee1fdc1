#include "LogLock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QThread>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#else
#include <QLockFile>
#endif

namespace {

// Longer than any append, trim or amendment takes; shorter than a user waits.
constexpr int kWaitMs = 10000;

} // namespace

QString LogLock::lockPathFor(const QString &logPath)
{
    return logPath + QStringLiteral(".lock");
}

#ifdef Q_OS_UNIX
// flock: released by the kernel when a writer dies, so a crash leaves no lock
// behind. The lock file stays (removing it would race with the next writer).
LogLock::LogLock(const QString &logPath)
{
    if (logPath.isEmpty())
        return;
    m_fd = ::open(QFile::encodeName(lockPathFor(logPath)).constData(),
                  O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK, 0666);
    if (m_fd < 0)
        return;
    const QDeadlineTimer deadline(kWaitMs);
    while (!(m_held = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0) && errno == EWOULDBLOCK &&
           !deadline.hasExpired())
        QThread::msleep(2);
}

LogLock::~LogLock()
{
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock
}
#else
LogLock::LogLock(const QString &logPath)
{
    if (logPath.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(lockPathFor(logPath));
    m_lock->setStaleLockTime(0); // stale only when its writer is gone
    m_held = m_lock->tryLock(kWaitMs);
}

LogLock::~LogLock() = default; // QLockFile unlocks and removes its file
#endif
