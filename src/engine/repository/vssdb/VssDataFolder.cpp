#include "VssDataFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// Largest file the reader accepts; item files of long histories stay far
// below it, and a damaged file system entry cannot make us allocate more.
constexpr qint64 MaxFileSize = 256 * 1024 * 1024;

#ifdef Q_OS_UNIX
// A file opened for reading with plain system calls: QFile stats a file
// twice per open (once to refuse a folder, once more for its size), and a
// poll opens every watched item file.
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
            m_fd = ::open(local.constData(), O_RDONLY | O_CLOEXEC);
        while (m_fd < 0 && errno == EINTR);
        struct stat info;
        if (m_fd < 0 || ::fstat(m_fd, &info) != 0)
            return fail();
        if (S_ISDIR(info.st_mode))
            return fail(EISDIR);
        m_size = qint64(info.st_size);
        return true;
    }
    qint64 size() const { return m_size; }
    // Up to `wanted` bytes; fewer only at the end of the file.
    qint64 read(char *data, qint64 wanted)
    {
        qint64 got = 0;
        while (got < wanted) {
            const ssize_t n = ::read(m_fd, data + got, size_t(wanted - got));
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                return fail(), -1;
            if (n == 0)
                break;
            got += n;
        }
        return got;
    }
    QString errorString() const { return qt_error_string(m_error); }

private:
    bool fail(int error = errno)
    {
        m_error = error;
        return false;
    }

    int m_fd = -1;
    int m_error = 0;
    qint64 m_size = 0;
};
#else
class ReadOnlyFile
{
public:
    bool open(const QString &path)
    {
        m_file.setFileName(path);
        return m_file.open(QIODevice::ReadOnly);
    }
    qint64 size() const { return m_file.size(); }
    qint64 read(char *data, qint64 wanted) { return m_file.read(data, wanted); }
    QString errorString() const { return m_file.errorString(); }

private:
    QFile m_file;
};
#endif

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
    const bool remembered = m_located.contains(relativeLower);
    QString located = locate(relativeLower);
    QString error = readFile(located, out, limit, fileSize);
    if (!error.isEmpty() && remembered) {
        // Removed or renamed since it was found: search again.
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

QString VssDataFolder::locate(const QString &relativeLower) const
{
    const auto known = m_located.constFind(relativeLower);
    if (known != m_located.constEnd())
        return *known;
    const QString found = search(relativeLower);
    if (found.isEmpty())
        return m_path + QLatin1Char('/') + relativeLower; // the read reports it
    m_located.insert(relativeLower, found);
    return found;
}

QString VssDataFolder::search(const QString &relativeLower) const
{
    const QString lower = m_path + QLatin1Char('/') + relativeLower;
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
    ReadOnlyFile file;
    if (!file.open(path))
        return QStringLiteral("cannot open %1: %2")
            .arg(QDir::toNativeSeparators(path), file.errorString());
    const qint64 size = file.size();
    if (size > MaxFileSize)
        return QStringLiteral("%1 is too large (%2 bytes)")
            .arg(QDir::toNativeSeparators(path))
            .arg(size);
    if (fileSize)
        *fileSize = size;
    const qint64 wanted = limit >= 0 ? std::min(limit, size) : size;
    out.resize(wanted);
    const qint64 got = wanted > 0 ? file.read(out.data(), wanted) : 0;
    if (got < 0)
        return QStringLiteral("cannot read %1: %2")
            .arg(QDir::toNativeSeparators(path), file.errorString());
    // A file that shrank while we read it yields fewer bytes; the parser then
    // sees a short file and rejects the read as torn.
    out.resize(got);
    return {};
}
