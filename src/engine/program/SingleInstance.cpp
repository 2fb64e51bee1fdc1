#include "SingleInstance.h"

#include <QCryptographicHash>
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
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    // The temporary folder is shared by all users: the home folder names the
    // user; the settings folder tells instances with their own settings apart.
    // The canonical folder: one reached through a symbolic link is the same.
    QString folderPath;
    if (!configDir.isEmpty()) {
        folderPath = QFileInfo(configDir).canonicalFilePath();
        if (folderPath.isEmpty()) // not there (yet)
            folderPath = QDir(configDir).absolutePath();
    }
    QString who = QDir::homePath() + QLatin1Char('\n') + folderPath;
#ifdef Q_OS_WIN
    who = who.toCaseFolded(); // "C:\\Cfg" and "c:/cfg" are one folder
#endif
    const QByteArray hash =
        QCryptographicHash::hash(who.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return folder + QStringLiteral("/quorvik-") + QString::fromLatin1(hash) +
           QStringLiteral(".lock");
}

bool SingleInstance::tryAcquire()
{
    if (!m_held)
        m_held = m_lock->tryLock(0);
    return m_held;
}
