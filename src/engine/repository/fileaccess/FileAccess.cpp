#include "FileAccess.h"

#include "LocalFileAccess.h"
#include "engine/SteadyMs.h"

#include <QDir>
#include <QHash>

#include <limits>

namespace {

// Largest file the reader accepts; item files of long histories stay far
// below it, and a damaged file system entry cannot make us allocate more.
constexpr qint64 MaxFileSize = 256 * 1024 * 1024;

QHash<QString, FileAccess::Opener> &schemes()
{
    static QHash<QString, FileAccess::Opener> registered;
    return registered;
}

} // namespace

void FileAccess::registerScheme(const QString &scheme, Opener open)
{
    schemes().insert(scheme.toLower(), std::move(open));
}

std::shared_ptr<FileAccess> FileAccess::local()
{
    return std::make_shared<LocalFileAccess>();
}

bool FileAccess::isRemote(const QString &path)
{
    // "smb://server/share/..." and the like; a drive letter ("C:/") is no scheme.
    return path.indexOf(QLatin1String("://")) > 1;
}

std::shared_ptr<FileAccess> FileAccess::forPath(const QString &path, QString *error)
{
    if (!isRemote(path))
        return local();
    const qsizetype colon = path.indexOf(QLatin1String("://"));
    const QString scheme = path.left(colon + 3).toLower();
    const auto opener = schemes().constFind(scheme);
    if (opener != schemes().constEnd())
        return (*opener)(path, error);
    if (error)
        *error = QStringLiteral("%1 databases cannot be read by this build").arg(scheme);
    return nullptr;
}

bool FileAccess::watch(const QString &, std::function<void(const QString &)>)
{
    return false;
}

qint64 FileAccess::idleMs() const
{
    return m_lastCallEndMs < 0 ? std::numeric_limits<qint64>::max() : steadyMs() - m_lastCallEndMs;
}

void FileAccess::callEnded()
{
    m_lastCallEndMs = steadyMs();
}

FileKind FileAccess::stat(const QString &path, FileStamp *stamp)
{
    ++m_counts.stats;
    const FileKind kind = statPath(path, stamp);
    callEnded();
    return kind;
}

QString FileAccess::list(const QString &folder, std::vector<FolderEntry> &out)
{
    ++m_counts.listings;
    out.clear();
    const QString error = listFolder(folder, out);
    callEnded();
    return error;
}

qint64 FileAccess::readUpTo(OpenFile &file, char *data, qint64 wanted, bool once)
{
    qint64 got = 0;
    while (got < wanted) {
        ++m_counts.reads;
        const qint64 n = file.readSome(data + got, wanted - got);
        if (n < 0)
            return -1;
        got += n;
        m_counts.bytes += n;
        if (n == 0 || once)
            break;
    }
    return got;
}

std::unique_ptr<FileAccess::Reader> FileAccess::open(const QString &path, QString &error)
{
    ++m_counts.opens;
    std::unique_ptr<OpenFile> file = openFile(path, error);
    callEnded();
    if (!file) {
        error = QStringLiteral("cannot open %1: %2").arg(QDir::toNativeSeparators(path), error);
        return nullptr;
    }
    return std::make_unique<Reader>(*this, path, std::move(file));
}

QString FileAccess::readFile(const QString &path, QByteArray &out, qint64 limit, qint64 *fileSize)
{
    QString error;
    const std::unique_ptr<Reader> file = open(path, error);
    return file ? file->read(out, limit, fileSize) : error;
}

FileAccess::Reader::Reader(FileAccess &owner, QString path, std::unique_ptr<OpenFile> file)
    : m_owner(owner), m_path(std::move(path)), m_file(std::move(file))
{}

FileAccess::Reader::~Reader()
{
    m_file.reset(); // the close: a read's last call to the place
    m_owner.callEnded();
}

QString FileAccess::Reader::failed(const char *what, const QString &reason) const
{
    return QStringLiteral("cannot %1 %2: %3")
        .arg(QLatin1String(what), QDir::toNativeSeparators(m_path), reason);
}

QString FileAccess::Reader::seekTo(qint64 offset)
{
    if (offset != m_position && !m_file->seek(offset))
        return failed("read", m_file->errorString());
    m_position = offset;
    return {};
}

QString FileAccess::Reader::read(QByteArray &out, qint64 limit, qint64 *fileSize)
{
    out.clear();
    QString error = seekTo(0);
    if (!error.isEmpty())
        return error;
    // The first `limit` bytes in one read, before asking for the size: a
    // shorter read is the whole file (an empty one may be no file at all),
    // and the size of a longer one is asked for only when wanted.
    qint64 got = -1;
    if (limit > 0) {
        out.resize(limit);
        got = m_owner.readUpTo(*m_file, out.data(), limit, true);
        if (got < 0)
            return failed("read", m_file->errorString());
        out.resize(got);
        m_position = got;
    }
    qint64 size = got;
    if (got <= 0 || (got == limit && fileSize)) {
        ++m_owner.m_counts.stats;
        if (!m_file->statRegular(size))
            return failed("open", m_file->errorString());
        if (size > MaxFileSize)
            return QStringLiteral("%1 is too large (%2 bytes)")
                .arg(QDir::toNativeSeparators(m_path))
                .arg(size);
    }
    if (fileSize)
        *fileSize = size;
    if (limit >= 0)
        return {};
    out.resize(size);
    got = size > 0 ? m_owner.readUpTo(*m_file, out.data(), size, false) : 0;
    if (got < 0)
        return failed("read", m_file->errorString());
    m_position = got;
    // A file that shrank while we read it yields fewer bytes; the parser then
    // sees a short file and rejects the read as torn.
    out.resize(got);
    return {};
}

QString FileAccess::Reader::readAt(qint64 offset, qint64 length, QByteArray &out)
{
    out.clear();
    if (offset < 0 || length < 0 || length > MaxFileSize)
        return failed("read",
                      QStringLiteral("no such part (%1 bytes at %2)").arg(length).arg(offset));
    QString error = seekTo(offset);
    if (!error.isEmpty())
        return error;
    out.resize(length);
    const qint64 got = length > 0 ? m_owner.readUpTo(*m_file, out.data(), length, false) : 0;
    if (got < 0)
        return failed("read", m_file->errorString());
    m_position = offset + got;
    out.resize(got);
    return {};
}
