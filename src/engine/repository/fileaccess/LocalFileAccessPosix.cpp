#include "LocalFileAccess.h"

#ifdef Q_OS_UNIX
#include <QFile>

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A file opened for reading with plain system calls, as few as a poll over
// every watched item file can make: open, one read, close; the size is asked
// for only where the read cannot tell it. Opening never blocks (a FIFO or a
// terminal put in place of a database file), and what is not a regular file
// is refused once its kind is known.
class PosixFile : public FileAccess::OpenFile
{
public:
    explicit PosixFile(int fd) : m_fd(fd) {}
    ~PosixFile() override { ::close(m_fd); }

    bool statRegular(qint64 &size) override
    {
        struct stat info;
        if (::fstat(m_fd, &info) != 0)
            return fail();
        if (!S_ISREG(info.st_mode))
            return fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL, true);
        size = qint64(info.st_size);
        return true;
    }
    qint64 readSome(char *data, qint64 wanted) override
    {
        for (;;) {
            const ssize_t n = ::read(m_fd, data, size_t(wanted));
            if (n >= 0)
                return n;
            if (errno != EINTR)
                return fail(), -1;
        }
    }
    bool seek(qint64 offset) override
    {
        return ::lseek(m_fd, off_t(offset), SEEK_SET) >= 0 || fail();
    }
    QString errorString() const override
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

    int m_fd;
    int m_error = 0;
    bool m_notRegular = false;
};

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

FileKind kindOf(mode_t mode)
{
    return S_ISREG(mode) ? FileKind::Regular : S_ISDIR(mode) ? FileKind::Folder : FileKind::Other;
}

} // namespace

bool LocalFileAccess::listingsCarryStamps() const
{
    return false;
}

bool LocalFileAccess::namesIgnoreCase() const
{
    return false;
}

void LocalFileAccess::beginPass()
{
    endPass();
    m_inPass = true;
}

void LocalFileAccess::endPass()
{
    for (const int fd : std::as_const(m_folders))
        if (fd >= 0)
            ::close(fd);
    m_folders.clear();
    m_inPass = false;
}

int LocalFileAccess::inFolder(const QString &path, QByteArray &name)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    if (m_inPass && slash >= 0) {
        const QString folder = path.left(qMax(slash, qsizetype(1))); // "/" for "/name"
        auto at = m_folders.find(folder);
        if (at == m_folders.end()) {
            countFolderWalk();
#ifdef O_PATH
            const int flags = O_PATH | O_DIRECTORY | O_CLOEXEC; // no open at a FUSE server
#else
            const int flags = O_RDONLY | O_DIRECTORY | O_NONBLOCK | O_CLOEXEC;
#endif
            at = m_folders.insert(folder, ::open(QFile::encodeName(folder).constData(), flags));
        }
        if (*at >= 0) {
            name = QFile::encodeName(path.mid(slash + 1));
            return *at;
        }
    }
    countFolderWalk();
    name = QFile::encodeName(path);
    return AT_FDCWD;
}

std::unique_ptr<FileAccess::OpenFile> LocalFileAccess::openFile(const QString &path, QString &error)
{
    QByteArray name;
    const int folder = inFolder(path, name);
    int fd;
    do
        fd = ::openat(folder, name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        error = qt_error_string(errno);
        return nullptr;
    }
    return std::make_unique<PosixFile>(fd);
}

FileKind LocalFileAccess::statPath(const QString &path, FileStamp *stamp)
{
    QByteArray name;
    const int folder = inFolder(path, name);
    struct stat info;
    if (::fstatat(folder, name.constData(), &info, 0) != 0)
        return FileKind::Missing;
    const FileKind kind = kindOf(info.st_mode);
    if (stamp && kind == FileKind::Regular) {
        stamp->device = qint64(info.st_dev);
        stamp->inode = qint64(info.st_ino);
        stamp->size = qint64(info.st_size);
        stamp->modifiedNs = nanoseconds(info.st_mtim);
        stamp->changedNs = nanoseconds(info.st_ctim);
    }
    return kind;
}

QString LocalFileAccess::listFolder(const QString &folder, std::vector<FolderEntry> &out)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return qt_error_string(errno);
    for (;;) {
        errno = 0;
        const dirent *entry = ::readdir(dir);
        if (!entry)
            break;
        const char *name = entry->d_name;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        FolderEntry item;
        item.name = QFile::decodeName(name);
        item.kind = entry->d_type == DT_REG   ? FileKind::Regular
                    : entry->d_type == DT_DIR ? FileKind::Folder
                                              : FileKind::Other; // DT_UNKNOWN too
        item.stamp.inode = qint64(entry->d_ino);
        out.push_back(std::move(item));
    }
    const int error = errno;
    ::closedir(dir);
    return error != 0 ? qt_error_string(error) : QString();
}
#endif
