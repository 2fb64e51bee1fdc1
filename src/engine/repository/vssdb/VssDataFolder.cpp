#include "VssDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#elif defined(Q_OS_WIN)
#include <qt_windows.h>
#endif

namespace {

// Largest file the reader accepts; item files of long histories stay far
// below it, and a damaged file system entry cannot make us allocate more.
constexpr qint64 MaxFileSize = 256 * 1024 * 1024;

#ifdef Q_OS_UNIX
// A file opened for reading with plain system calls, as few as a poll over
// every watched item file can make: open, one read, close; the size is asked
// for only where the read cannot tell it. Opening never blocks (a FIFO or a
// terminal put in place of a database file), and what is not a regular file
// is refused once its kind is known.
class ReadOnlyFile
{
public:
    ReadOnlyFile() = default;
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;
    ~ReadOnlyFile()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    bool open(const QString &path)
    {
        const QByteArray local = QFile::encodeName(path);
        do
            m_fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        while (m_fd < 0 && errno == EINTR);
        return m_fd >= 0 || fail();
    }
    // The size of a regular file; false for anything else.
    bool statRegular(qint64 &size)
    {
        struct stat info;
        if (::fstat(m_fd, &info) != 0)
            return fail();
        if (!S_ISREG(info.st_mode))
            return fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, true);
        size = qint64(info.st_size);
        return true;
    }
    // One read of at most `wanted` bytes: the count, 0 at the end, -1 on failure.
    qint64 readSome(char *data, qint64 wanted)
    {
        for (;;) {
            const ssize_t n = ::read(m_fd, data, size_t(wanted));
            if (n >= 0)
                return n;
            if (errno != EINTR)
                return fail(), -1;
        }
    }
    QString errorString() const
    {
        return m_notRegular && m_error != EISDIR ? QStringLiteral("not a regular file")
                                                 : qt_error_string(m_error);
    }

private:
    bool fail(int error = errno, bool notRegular = false)
    {
        m_error = error;
        m_notRegular = notRegular;
        return false;
    }

    int m_fd = -1;
    int m_error = 0;
    bool m_notRegular = false;
};
#elif defined(Q_OS_WIN)
// The same with Win32 calls. The file stays open to others for every use,
// deleting and renaming included: a VSS client that rewrites it while we read
// must not fail because of us. Only a file on disk is read (not a device
// such as NUL or a pipe).
class ReadOnlyFile
{
public:
    ReadOnlyFile() = default;
    ReadOnlyFile(const ReadOnlyFile &) = delete;
    ReadOnlyFile &operator=(const ReadOnlyFile &) = delete;
    ~ReadOnlyFile()
    {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }

    bool open(const QString &path)
    {
        const QString native = QDir::toNativeSeparators(path);
        m_handle = CreateFileW(reinterpret_cast<const wchar_t *>(native.utf16()), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        return m_handle != INVALID_HANDLE_VALUE || fail();
    }
    bool statRegular(qint64 &size)
    {
        BY_HANDLE_FILE_INFORMATION info;
        if (GetFileType(m_handle) != FILE_TYPE_DISK)
            return fail(0, true);
        if (!GetFileInformationByHandle(m_handle, &info))
            return fail();
        if (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            return fail(0, true);
        size = qint64(info.nFileSizeHigh) << 32 | info.nFileSizeLow;
        return true;
    }
    qint64 readSome(char *data, qint64 wanted)
    {
        DWORD n = 0;
        if (!ReadFile(m_handle, data, DWORD(std::min(wanted, qint64(1) << 30)), &n, nullptr))
            return fail(), -1;
        return n;
    }
    QString errorString() const
    {
        return m_notRegular ? QStringLiteral("not a regular file") : qt_error_string(int(m_error));
    }

private:
    bool fail(DWORD error = GetLastError(), bool notRegular = false)
    {
        m_error = error;
        m_notRegular = notRegular;
        return false;
    }

    HANDLE m_handle = INVALID_HANDLE_VALUE;
    DWORD m_error = 0;
    bool m_notRegular = false;
};
#endif

// Up to `wanted` bytes; fewer only at the end of the file. With `once`, a
// single read: for a regular file a short read is its end.
qint64 readUpTo(ReadOnlyFile &file, char *data, qint64 wanted, bool once = false)
{
    qint64 got = 0;
    while (got < wanted) {
        const qint64 n = file.readSome(data + got, wanted - got);
        if (n < 0)
            return -1;
        got += n;
        if (n == 0 || once)
            break;
    }
    return got;
}

} // namespace

bool VssDataFolder::isPhysicalName(QByteArrayView name)
{
    if (name.size() != 8)
        return false;
    for (char c : name)
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            return false;
    return true;
}

QString VssDataFolder::filePath(const QString &fileName) const
{
    return locate(fileName.toLower());
}

QString VssDataFolder::itemRelative(QByteArrayView physical)
{
    if (!isPhysicalName(physical))
        return {};
    const QString name = QString::fromLatin1(physical).toLower();
    return name.left(1) + QLatin1Char('/') + name;
}

QString VssDataFolder::dataRelative(QByteArrayView physical, char extension)
{
    const char ext = char(extension | 0x20);
    const QString item = itemRelative(physical);
    if (item.isEmpty() || (ext != 'a' && ext != 'b'))
        return {};
    return item + QLatin1Char('.') + QLatin1Char(ext);
}

QString VssDataFolder::itemPath(QByteArrayView physical) const
{
    const QString relative = itemRelative(physical);
    return relative.isEmpty() ? QString() : locate(relative);
}

QString VssDataFolder::dataFilePath(QByteArrayView physical, char extension) const
{
    const QString relative = dataRelative(physical, extension);
    return relative.isEmpty() ? QString() : locate(relative);
}

QString VssDataFolder::readItemFile(QByteArrayView physical, QByteArray &out, qint64 limit,
                                    qint64 *fileSize, QString *path) const
{
    const QString relative = itemRelative(physical);
    if (relative.isEmpty())
        return QStringLiteral("invalid physical item name \"%1\"")
            .arg(QString::fromLatin1(physical.toByteArray()));
    return readLocated(relative, out, limit, fileSize, path);
}

QString VssDataFolder::readDataFile(QByteArrayView physical, char extension, QByteArray &out,
                                    QString *path) const
{
    const QString relative = dataRelative(physical, extension);
    if (relative.isEmpty())
        return QStringLiteral("no valid data file named for \"%1\"")
            .arg(QString::fromLatin1(physical.toByteArray()));
    return readLocated(relative, out, -1, nullptr, path);
}

QString VssDataFolder::readLocated(const QString &relativeLower, QByteArray &out, qint64 limit,
                                   qint64 *fileSize, QString *path) const
{
    QString located = firstTry(relativeLower);
    QString error = readFile(located, out, limit, fileSize);
    if (!error.isEmpty()) {
        // Another spelling, or removed or renamed since it was found.
        m_located.remove(relativeLower);
        const QString again = locate(relativeLower);
        if (again != located) {
            located = again;
            error = readFile(located, out, limit, fileSize);
        }
    }
    if (path)
        *path = located;
    return error;
}

QString VssDataFolder::lowerPath(const QString &relativeLower) const
{
    return m_path + QLatin1Char('/') + relativeLower;
}

QString VssDataFolder::firstTry(const QString &relativeLower) const
{
    // The remembered spelling, else the usual lower-case one: no look-up
    // before the read.
    const auto known = m_located.constFind(relativeLower);
    return known != m_located.constEnd() ? *known : lowerPath(relativeLower);
}

VssFileStamp VssDataFolder::stampItemFile(QByteArrayView physical) const
{
    VssFileStamp stamp;
#ifdef Q_OS_LINUX
    const QString relative = itemRelative(physical);
    struct stat info;
    if (relative.isEmpty() ||
        ::stat(QFile::encodeName(firstTry(relative)).constData(), &info) != 0 ||
        !S_ISREG(info.st_mode))
        return stamp;
    const auto ns = [](const timespec &t) { return qint64(t.tv_sec) * 1000000000 + t.tv_nsec; };
    stamp.device = qint64(info.st_dev);
    stamp.inode = qint64(info.st_ino);
    stamp.size = qint64(info.st_size);
    stamp.modifiedNs = ns(info.st_mtim);
    stamp.changedNs = ns(info.st_ctim);
#else
    Q_UNUSED(physical);
#endif
    return stamp;
}

QString VssDataFolder::locate(const QString &relativeLower) const
{
    const auto known = m_located.constFind(relativeLower);
    if (known != m_located.constEnd())
        return *known;
    const QString found = search(relativeLower);
    if (found.isEmpty())
        return lowerPath(relativeLower); // the read reports it
    if (found != lowerPath(relativeLower))
        m_located.insert(relativeLower, found);
    return found;
}

QString VssDataFolder::search(const QString &relativeLower) const
{
    const QString lower = lowerPath(relativeLower);
    if (QFileInfo::exists(lower))
        return lower;
    const QString upper = m_path + QLatin1Char('/') + relativeLower.toUpper();
    if (QFileInfo::exists(upper))
        return upper;
    // Mixed case: walk the components case-insensitively.
    QString current = m_path;
    for (const QString &part : relativeLower.split(QLatin1Char('/'))) {
        const QStringList entries =
            QDir(current).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QString found;
        for (const QString &entry : entries)
            if (entry.compare(part, Qt::CaseInsensitive) == 0)
                found = entry;
        if (found.isEmpty())
            return {};
        current += QLatin1Char('/') + found;
    }
    return current;
}

QString VssDataFolder::readFile(const QString &path, QByteArray &out, qint64 limit,
                                qint64 *fileSize)
{
    const auto failed = [&path](const char *what, const ReadOnlyFile &file) {
        return QStringLiteral("cannot %1 %2: %3")
            .arg(QLatin1String(what), QDir::toNativeSeparators(path), file.errorString());
    };
    ReadOnlyFile file;
    if (!file.open(path))
        return failed("open", file);
    // The first `limit` bytes in one read, before asking for the size: a
    // shorter read is the whole file (an empty one may be no file at all),
    // and the size of a longer one is asked for only when wanted.
    qint64 got = -1;
    out.clear();
    if (limit > 0) {
        out.resize(limit);
        got = readUpTo(file, out.data(), limit, true);
        if (got < 0)
            return failed("read", file);
        out.resize(got);
    }
    qint64 size = got;
    if (got <= 0 || (got == limit && fileSize)) {
        if (!file.statRegular(size))
            return failed("open", file);
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
    got = size > 0 ? readUpTo(file, out.data(), size) : 0;
    if (got < 0)
        return failed("read", file);
    // A file that shrank while we read it yields fewer bytes; the parser then
    // sees a short file and rejects the read as torn.
    out.resize(got);
    return {};
}
