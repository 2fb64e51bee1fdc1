#pragma once

#include <QDeadlineTimer>
#include <QString>

#include <memory>

class QLockFile;

// Serialises the writers of one event log across processes: an advisory lock
// held from construction to destruction. Every append, trim and amendment
// takes it, so no writer's read-and-replace can drop a record another process
// wrote meanwhile.
//
// The lock belongs to the log file, not to the path it was reached by: a log
// reached through a symbolic link takes the lock of the file the link points
// to. Its lock file is a hidden one beside that file (".QVEvent.txt.lock"),
// readable and writable by its owner only, so no other user can hold it.
// Where no lock file can be made (a folder that takes no new files) or
// another writer holds the lock past the deadline, the caller goes on
// without it: a record is worth more than the order of two writers.
class LogLock
{
public:
    static constexpr int kDefaultWaitMs = 10000; // longer than any write takes

    explicit LogLock(const QString &logPath,
                     QDeadlineTimer deadline = QDeadlineTimer(kDefaultWaitMs));
    ~LogLock();
    LogLock(const LogLock &) = delete;
    LogLock &operator=(const LogLock &) = delete;

    bool held() const { return m_held; }
    // Another writer held the lock until the deadline passed.
    bool refused() const { return m_refused; }

    static QString lockPathFor(const QString &logPath);
    // Removes the log's lock file when no writer holds it (at exit).
    static void removeUnused(const QString &logPath);

private:
    bool m_held = false;
    bool m_refused = false;
#ifdef Q_OS_UNIX
    int m_fd = -1;
#else
    std::unique_ptr<QLockFile> m_lock;
#endif
};
