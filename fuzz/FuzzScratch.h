#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

// A private scratch folder for targets whose parser reads files, in memory
// (/dev/shm) where available; removed when the process exits normally.
namespace FuzzScratch {

inline QString dir()
{
    static const QTemporaryDir scratch((QDir(QStringLiteral("/dev/shm")).exists()
                                            ? QStringLiteral("/dev/shm")
                                            : QDir::tempPath()) +
                                       QStringLiteral("/quorvik-fuzz-XXXXXX"));
    return scratch.path();
}

inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

inline QByteArray read(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace FuzzScratch
