#include "ProgramPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace ProgramPaths {

namespace {

const QString kEventLogName = QStringLiteral("QVEvent.txt");

bool folderIsWritable(const QString &folder)
{
    const QFileInfo info(folder);
    if (folder.isEmpty() || !info.isDir())
        return false;
#ifdef Q_OS_WIN
    // Folder permissions are access lists that QFileInfo does not read (it
    // calls "C:\Program Files\..." writable): try it.
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral("quorvik-XXXXXX.tmp")));
    return probe.open();
#else
    return info.isWritable();
#endif
}

} // namespace

QString DefaultEventLogPath(const QString &programFolder)
{
    QString folder = programFolder;
    if (!folderIsWritable(folder)) {
        folder = QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation);
        QDir().mkpath(folder);
    }
    return QDir::toNativeSeparators(QDir(folder).absolutePath() + QLatin1Char('/') + kEventLogName);
}

} // namespace ProgramPaths
