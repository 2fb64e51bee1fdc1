#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One running program per user and settings folder. The lock is a file in the
// user's runtime (or temporary) folder; a lock left by a process that no longer
// runs is taken over.
class SingleInstance
{
public:
    // configDir: the settings folder given on the command line (empty: the
    // default one), so a test or demo instance can run beside the real one.
    explicit SingleInstance(const QString &configDir = QString());
    ~SingleInstance();

    // true when this process now holds the lock (also when it held it already).
    bool tryAcquire();
    QString lockFilePath() const { return m_path; }

    static QString lockFilePathFor(const QString &configDir);

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
