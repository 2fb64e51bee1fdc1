#include "VssGenFiles.h"

#include "VssGenRecords.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace VssGenFiles {

namespace {

[[noreturn]] void fail(const QString &what, const QFile &file)
{
    throw VssGenError(
        QStringLiteral("cannot %1 %2: %3")
            .arg(what, QDir::toNativeSeparators(file.fileName()), file.errorString()));
}

} // namespace

QByteArray read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("read"), file);
    return file.readAll();
}

void write(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail(QStringLiteral("write"), file);
}

void writeAt(const QString &path, qint64 offset, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite | QIODevice::Unbuffered) || !file.seek(offset) ||
        file.write(bytes) != bytes.size())
        fail(QStringLiteral("update"), file);
}

void remove(const QString &path)
{
    QFile file(path);
    if (file.exists() && !file.remove())
        fail(QStringLiteral("remove"), file);
}

void copyTree(const QString &from, const QString &to)
{
    for (QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories); it.hasNext();) {
        QFile file(it.next());
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(it.filePath());
        if (!QDir().mkpath(QFileInfo(target).path()) || !file.copy(target))
            fail(QStringLiteral("copy"), file);
    }
}

} // namespace VssGenFiles
