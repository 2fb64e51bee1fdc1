#include "FileAccess.h"

#include "LocalFileAccess.h"

#include <QDir>
#include <QHash>

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

FileKind FileAccess::stat(const QString &path, FileStamp *stamp)
{
    ++m_counts.stats;
    return statPath(path, stamp);
}

QString FileAccess::list(const QString &folder, std::vector<FolderEntry> &out)
{
    ++m_counts.listings;
    out.clear();
    return listFolder(folder, out);
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

QString FileAccess::readFile(const QString &path, QByteArray &out, qint64 limit, qint64 *fileSize)
{
    const auto failed = [&path](const char *what, const QString &reason) {
        return QStringLiteral("cannot %1 %2: %3")
            .arg(QLatin1String(what), QDir::toNativeSeparators(path), reason);
    };
    ++m_counts.opens;
    QString error;
    const std::unique_ptr<OpenFile> file = openFile(path, error);
    if (!file)
        return failed("open", error);
    // The first `limit` bytes in one read, before asking for the size: a
    // shorter read is the whole file (an empty one may be no file at all),
    // and the size of a longer one is asked for only when wanted.
    qint64 got = -1;
    out.clear();
    if (limit > 0) {
        out.resize(limit);
        got = readUpTo(*file, out.data(), limit, true);
        if (got < 0)
            return failed("read", file->errorString());
        out.resize(got);
    }
    qint64 size = got;
    if (got <= 0 || (got == limit && fileSize)) {
        ++m_counts.stats;
        if (!file->statRegular(size))
            return failed("open", file->errorString());
        if (size > MaxFileSize)
            return QStringLiteral("%1 is too large (%2 bytes)")
                .arg(QDir::toNativeSeparators(path))
                .arg(size);
    }
    if (fileSize)
        *fileSize = size;
    if (limit >= 0)
        return {};
    out.resize(size);
    got = size > 0 ? readUpTo(*file, out.data(), size, false) : 0;
    if (got < 0)
        return failed("read", file->errorString());
    // A file that shrank while we read it yields fewer bytes; the parser then
    // sees a short file and rejects the read as torn.
    out.resize(got);
    return {};
}
