#include "RegularFile.h"

#include <QFile>
#include <QFileInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace RegularFile {

namespace {

const QString kNotRegular = QStringLiteral("not a regular file");

} // namespace

#ifdef Q_OS_UNIX
bool absentOrRegular(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return errno == ENOENT;
    return S_ISREG(info.st_mode);
}

QString open(QFile &file, QIODevice::OpenMode mode)
{
    int flags = O_CLOEXEC | O_NOCTTY | O_NONBLOCK; // a FIFO opens at once
    const bool writing = mode & (QIODevice::WriteOnly | QIODevice::Append);
    if (!writing)
        flags |= O_RDONLY;
    else
        flags |= ((mode & QIODevice::ReadOnly) ? O_RDWR : O_WRONLY) | O_CREAT;
    if (mode & QIODevice::Append)
        flags |= O_APPEND;
    else if ((mode & QIODevice::Truncate) || (writing && !(mode & QIODevice::ReadOnly)))
        flags |= O_TRUNC;
    int fd;
    do
        fd = ::open(QFile::encodeName(file.fileName()).constData(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        const int error = errno; // a FIFO without a reader refuses a writer
        return absentOrRegular(file.fileName()) ? qt_error_string(error) : kNotRegular;
    }
    struct stat info = {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const QString why = S_ISREG(info.st_mode) ? qt_error_string(errno) : kNotRegular;
        ::close(fd);
        return why;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!file.open(fd, mode, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return file.errorString();
    }
    return {};
}

#else
QString open(QFile &file, QIODevice::OpenMode mode)
{
    if (!file.open(mode))
        return file.errorString();
    if (file.isSequential()) { // a pipe or a device such as CON
        file.close();
        return kNotRegular;
    }
    return {};
}

bool absentOrRegular(const QString &path)
{
    const QFileInfo info(path);
    return !info.exists() || info.isFile();
}
#endif

} // namespace RegularFile
