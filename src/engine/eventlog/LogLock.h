#pragma once

#include <QString>

#include <memory>

class QLockFile;

// Serialises the writers of one event log across processes: an advisory lock
// on "<log>.lock" beside the log, held from construction to destruction.
// Every append, trim and amendment takes it, so no writer's read-and-replace
// can drop a record another process wrote meanwhile. Where no lock file can
// be made (a folder that takes no new files) or another writer holds the lock
// for longer than a hung process would, the caller goes on without it: a
// record is worth more than the order of two writers.
class LogLock
{
public:
    explicit LogLock(const QString &logPath);
    ~LogLock();
    LogLock(const LogLock &) = delete;
    LogLock &operator=(const LogLock &) = delete;

    bool held() const { return m_held; }

    static QString lockPathFor(const QString &logPath);

private:
    bool m_held = false;
#ifdef Q_OS_UNIX
    int m_fd = -1;
#else
    std::unique_ptr<QLockFile> m_lock;
#endif
};
