#include "ProgramPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace ProgramPaths {

namespace {

const QString kEventLogName = QStringLiteral("QVEvent.txt");

bool folderIsWritable(const QString &folder)
{
    const QFileInfo info(folder);
    return !folder.isEmpty() && info.isDir() && info.isWritable();
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
