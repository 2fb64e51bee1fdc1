#include "SingleInstance.h"

#include "RegularFile.h"
#include "engine/settings/SettingsStore.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

SingleInstance::SingleInstance(const QString &configDir)
    : m_path(lockFilePathFor(configDir)), m_lock(std::make_unique<QLockFile>(m_path))
{
    m_lock->setStaleLockTime(0); // staleness by process id only
}

SingleInstance::~SingleInstance() = default; // QLockFile unlocks on destruction

QString SingleInstance::lockFilePathFor(const QString &configDir)
{
    QString folder = configDir;
    if (folder.isEmpty()) {
#ifdef Q_OS_WIN
        // The settings are in the user's part of the registry.
        folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
#else
        folder = SettingsStore::defaultConfigDir();
#endif
    }
    return QDir(folder).absoluteFilePath(QStringLiteral(".quorvik.lock"));
}

bool SingleInstance::tryAcquire()
{
    if (m_held)
        return true;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    // QLockFile reads what is at its path: a FIFO there would hang it.
    if (!RegularFile::absentOrRegular(m_path))
        return m_held = true;
    m_held = m_lock->tryLock(0) || m_lock->error() != QLockFile::LockFailedError;
    return m_held;
}
