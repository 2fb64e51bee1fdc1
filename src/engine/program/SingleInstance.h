#pragma once

#include <QString>

#include <memory>

class QLockFile;

// One running program per settings folder. The lock is a hidden file in the
// settings folder itself, so every process that uses those settings finds
// it, whatever its environment (another HOME, another or no runtime folder:
// a service beside a cron job or an su session), and a folder reached by
// another path or through a link is the same. A lock left by a process that
// no longer runs is taken over.
class SingleInstance
{
public:
    // configDir: the settings folder given on the command line (empty: the
    // default one), so a test or demo instance can run beside the real one.
    explicit SingleInstance(const QString &configDir = QString());
    ~SingleInstance();

    // true when this process now holds the lock (also when it held it
    // already, and when no lock can be made there at all: watching goes on).
    bool tryAcquire();
    QString lockFilePath() const { return m_path; }

    static QString lockFilePathFor(const QString &configDir);

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    bool m_held = false;
};
