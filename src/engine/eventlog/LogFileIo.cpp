#include "LogFileIo.h"

#include "engine/program/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace LogFileIo {

namespace {

constexpr qint64 kSearchChunk = 64 * 1024;

QString detail(const QFileDevice &file, const QString &reason = QString())
{
    return QStringLiteral("%1 (%2)").arg(QDir::toNativeSeparators(file.fileName()),
                                         reason.isEmpty() ? file.errorString() : reason);
}

} // namespace

void open(QFile &file, QIODevice::OpenMode mode, const QString &source)
{
    const QString failure = RegularFile::open(file, mode);
    if (!failure.isEmpty())
        throw openError(file, mode, source, failure);
}

ZelError openError(const QFileDevice &file, QIODevice::OpenMode mode, const QString &source,
                   const QString &reason)
{
    const QFileInfo info(file.fileName());
    const bool writing = mode & (QIODevice::WriteOnly | QIODevice::Append);
    if (!info.absoluteDir().exists())
        return ZelError(76, source, QStringLiteral("Path not found: ") + detail(file, reason));
    const bool denied = info.exists() ? (writing ? !info.isWritable() : !info.isReadable())
                                      : writing && !QFileInfo(info.absolutePath()).isWritable();
    if (denied)
        return ZelError(70, source, QStringLiteral("Permission denied: ") + detail(file, reason));
    return ZelError(75, source, QStringLiteral("Path/File access error: ") + detail(file, reason));
}

ZelError ioError(const QFileDevice &file, const QString &source)
{
    if (file.error() == QFileDevice::ResourceError)
        return ZelError(61, source, QStringLiteral("Disk full: ") + detail(file));
    return ZelError(57, source, QStringLiteral("Device I/O error: ") + detail(file));
}

qint64 length(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() ? info.size() : 0;
}

QByteArray readAll(const QString &path, const QString &source)
{
    QFile file(path);
    if (!file.exists())
        return {};
    open(file, QIODevice::ReadOnly, source);
    const qint64 size = file.size();
    if (size > kMaxWholeRead)
        throw ZelError(7, source,
                       QStringLiteral("Out of memory: %1 is %2 bytes long; at most %3 bytes can "
                                      "be read")
                           .arg(QDir::toNativeSeparators(path))
                           .arg(size)
                           .arg(kMaxWholeRead));
    QByteArray bytes(size, Qt::Uninitialized);
    if (file.read(bytes.data(), size) != size)
        throw ioError(file, source);
    return bytes;
}

qint64 lastIndexOf(const QString &path, char byte, const QString &source)
{
    QFile file(path);
    if (!file.exists())
        return -1;
    open(file, QIODevice::ReadOnly, source);
    QByteArray chunk;
    for (qint64 end = file.size(); end > 0;) {
        const qint64 start = std::max<qint64>(0, end - kSearchChunk);
        chunk.resize(end - start);
        if (!file.seek(start) || file.read(chunk.data(), chunk.size()) != chunk.size())
            throw ioError(file, source);
        const qsizetype found = chunk.lastIndexOf(byte);
        if (found >= 0)
            return start + found;
        end = start;
    }
    return -1;
}

void append(const QString &path, const QByteArray &bytes, const QString &source)
{
    QFile file(path);
    // Unbuffered: a failed write leaves nothing queued that a later flush
    // could still half-write after the cut below.
    open(file, QIODevice::Append | QIODevice::Unbuffered, source);
    const qint64 oldLength = file.size();
    if (file.write(bytes) != bytes.size()) {
        const ZelError error = ioError(file, source);
        if (!file.isSequential())
            file.resize(oldLength); // best effort: leave no partial entry
        throw error;
    }
}

} // namespace LogFileIo
