#include "AtomicFile.h"

#include "LogBirth.h"
#include "LogFileIo.h"
#include "engine/program/RegularFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif
#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <linux/falloc.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#endif

namespace {

std::function<void(const QString &)> &beforeReplaceHook()
{
    static std::function<void(const QString &)> hook;
    return hook;
}

AtomicFile::CopyMethod g_lastCopyMethod = AtomicFile::CopyMethod::None;

constexpr qint64 kCopyChunk = 1024 * 1024;

} // namespace

AtomicFile::AtomicFile(const QString &path, const QString &source) : m_file(path), m_source(source)
{
    if (path.isEmpty())
        throw ZelError(52, source, QStringLiteral("Bad file name or number: empty path"));
    if (!RegularFile::absentOrRegular(path)) // a FIFO is not replaced behind its reader
        throw LogFileIo::openError(m_file, QIODevice::WriteOnly, source,
                                   QStringLiteral("not a regular file"));
    // The temporary file needs a folder that takes new files.
    const QFileInfo folder(QFileInfo(path).absolutePath());
    const bool folderRefuses = folder.isDir() && !folder.isWritable();
    if (!folderRefuses && m_file.open(QIODevice::WriteOnly))
        return;
    // No temporary file: a regular file that can itself be written is
    // rewritten in place.
    if (QFileInfo(path).isFile()) {
        m_target = std::make_unique<QFile>(path);
        if (m_target->open(QIODevice::ReadWrite)) {
            m_inPlace = true;
            return;
        }
    }
    if (folderRefuses)
        throw ZelError(70, source,
                       QStringLiteral("Permission denied: no new file can be created in %1")
                           .arg(QDir::toNativeSeparators(folder.filePath())));
    throw LogFileIo::openError(m_file, QIODevice::WriteOnly, source);
}

// Without commit() the QSaveFile discards its temporary file and a rewrite
// in place has changed nothing.
AtomicFile::~AtomicFile() = default;

void AtomicFile::copyPrefix(const QString &sourcePath, qint64 length)
{
    if (m_inPlace && QFileInfo(sourcePath) == QFileInfo(m_target->fileName())) {
        if (m_target->size() < length)
            throw ZelError(62, m_source,
                           QStringLiteral("Input past end of file: %1 shrank while it was copied")
                               .arg(QDir::toNativeSeparators(sourcePath)));
        m_kept = m_length = length;
        return;
    }
    QFile source(sourcePath);
    LogFileIo::open(source, QIODevice::ReadOnly, m_source);
    if (source.size() < length)
        throw ZelError(62, m_source,
                       QStringLiteral("Input past end of file: %1 shrank while it was copied")
                           .arg(QDir::toNativeSeparators(sourcePath)));
    if (m_inPlace) {
        m_pending = source.read(length);
        if (m_pending.size() != length)
            throw LogFileIo::ioError(source, m_source);
        m_length = length;
        return;
    }
    if (cloneFrom(source.handle(), length))
        g_lastCopyMethod = CopyMethod::Clone;
    else if (kernelCopyFrom(source.handle(), length))
        g_lastCopyMethod = CopyMethod::KernelCopy;
    else {
        plainCopyFrom(source, length);
        g_lastCopyMethod = CopyMethod::ReadWrite;
    }
    if (!m_file.seek(length))
        throw LogFileIo::ioError(m_file, m_source);
    m_length = length;
}

#ifdef Q_OS_LINUX
// Shares the old file's extents (btrfs, XFS): no data is copied. The clone
// takes the whole file, which is then cut to the prefix.
bool AtomicFile::cloneFrom(int sourceFd, qint64 length)
{
    if (::ioctl(m_file.handle(), FICLONE, sourceFd) != 0)
        return false;
    if (!m_file.resize(length))
        throw LogFileIo::ioError(m_file, m_source);
    return true;
}

// Copies inside the kernel (no trip through user space). False when the
// file systems do not support it and nothing was copied yet.
bool AtomicFile::kernelCopyFrom(int sourceFd, qint64 length)
{
    loff_t in = 0;
    loff_t out = 0;
    while (out < length) {
        const ssize_t copied =
            ::copy_file_range(sourceFd, &in, m_file.handle(), &out, size_t(length - out), 0);
        if (copied > 0)
            continue;
        const int error = errno;
        if (copied < 0 && out == 0 &&
            (error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL))
            return false;
        const QString reason =
            copied == 0 ? QStringLiteral("unexpected end of file") : qt_error_string(error);
        throw ZelError(error == ENOSPC ? 61 : 57, m_source,
                       QStringLiteral("%1: %2 (%3)")
                           .arg(error == ENOSPC ? QStringLiteral("Disk full")
                                                : QStringLiteral("Device I/O error"),
                                QDir::toNativeSeparators(m_file.fileName()), reason));
    }
    return true;
}
#else
bool AtomicFile::cloneFrom(int, qint64)
{
    return false;
}

bool AtomicFile::kernelCopyFrom(int, qint64)
{
    return false;
}
#endif

void AtomicFile::plainCopyFrom(QFile &source, qint64 length)
{
    QByteArray chunk;
    for (qint64 done = 0; done < length;) {
        chunk.resize(std::min(kCopyChunk, length - done));
        if (source.read(chunk.data(), chunk.size()) != chunk.size())
            throw LogFileIo::ioError(source, m_source);
        if (m_file.write(chunk) != chunk.size())
            throw LogFileIo::ioError(m_file, m_source);
        done += chunk.size();
    }
}

void AtomicFile::write(const QByteArray &bytes)
{
    if (m_inPlace) {
        m_pending += bytes;
        m_length += bytes.size();
        return;
    }
    if (m_file.write(bytes) != bytes.size())
        throw LogFileIo::ioError(m_file, m_source);
    m_length += bytes.size();
}

qint64 AtomicFile::commit()
{
    if (m_inPlace)
        return commitInPlace();
    if (!m_file.flush())
        throw LogFileIo::ioError(m_file, m_source);
    LogBirth::carryOver(m_file.fileName(), m_file);
    if (beforeReplaceHook())
        beforeReplaceHook()(m_file.fileName());
    // QSaveFile::commit syncs the new file to disk before the rename.
    if (!m_file.commit())
        throw LogFileIo::ioError(m_file, m_source);
    return m_length;
}

// Careful in place: room for a longer file is reserved before any byte
// changes, so a full disk changes nothing. New bytes then go over the old
// ones front to back; every rewrite here keeps a tail of the old content or
// moves it towards the start (a trim), so a crash half-way leaves old bytes
// after the new ones, records doubled but none lost. The cut to the new
// length and the sync come last.
qint64 AtomicFile::commitInPlace()
{
    QFile &file = *m_target;
    if (file.size() < m_kept)
        throw ZelError(62, m_source,
                       QStringLiteral("Input past end of file: %1 shrank while it was rewritten")
                           .arg(QDir::toNativeSeparators(file.fileName())));
#ifdef Q_OS_LINUX
    if (m_length > file.size() &&
        ::fallocate(file.handle(), FALLOC_FL_KEEP_SIZE, 0, m_length) != 0 && errno == ENOSPC)
        throw ZelError(61, m_source,
                       QStringLiteral("Disk full: ") + QDir::toNativeSeparators(file.fileName()));
#endif
    if (beforeReplaceHook())
        beforeReplaceHook()(file.fileName());
    if (!file.seek(m_kept) || file.write(m_pending) != m_pending.size() || !file.flush() ||
        !file.resize(m_length))
        throw LogFileIo::ioError(file, m_source);
#ifdef Q_OS_UNIX
    ::fsync(file.handle());
#endif
    return m_length;
}

AtomicFile::CopyMethod AtomicFile::lastCopyMethod()
{
    return g_lastCopyMethod;
}

void AtomicFile::setBeforeReplaceHook(std::function<void(const QString &)> hook)
{
    beforeReplaceHook() = std::move(hook);
}
