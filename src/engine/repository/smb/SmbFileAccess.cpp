#include "SmbFileAccess.h"

#include "SmbNotifier.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

namespace {

constexpr uint16_t kDirectoryAttribute = 0x10;

qint64 nanoseconds(const timespec &t)
{
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

// An open file of the share. The server opens it for reading with others
// free to write, rename and delete it.
class SmbFile : public FileAccess::OpenFile
{
public:
    SmbFile(SMBCCTX *context, SMBCFILE *file) : m_context(context), m_file(file) {}
    ~SmbFile() override
    {
        const auto locked = SmbContext::lock();
        SmbLibrary::api().smbc_getFunctionClose(m_context)(m_context, m_file);
    }

    bool statRegular(qint64 &size) override
    {
        const auto locked = SmbContext::lock();
        struct stat info;
        if (SmbLibrary::api().smbc_getFunctionFstat(m_context)(m_context, m_file, &info) != 0)
            return fail(errno);
        if (!S_ISREG(info.st_mode))
            return fail(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
        size = qint64(info.st_size);
        return true;
    }
    qint64 readSome(char *data, qint64 wanted) override
    {
        const auto locked = SmbContext::lock();
        const ssize_t n = SmbLibrary::api().smbc_getFunctionRead(m_context)(m_context, m_file, data,
                                                                            size_t(wanted));
        return n >= 0 ? qint64(n) : (fail(errno), -1);
    }
    bool seek(qint64 offset) override
    {
        // Moves libsmbclient's offset for the next read: no request.
        const auto locked = SmbContext::lock();
        return SmbLibrary::api().smbc_getFunctionLseek(m_context)(m_context, m_file, off_t(offset),
                                                                  SEEK_SET) >= 0 ||
               fail(errno);
    }
    QString errorString() const override
    {
        return m_error == EINVAL ? QStringLiteral("not a regular file")
                                 : SmbContext::errorText(m_error);
    }

private:
    bool fail(int error)
    {
        m_error = error;
        return false;
    }

    SMBCCTX *m_context;
    SMBCFILE *m_file;
    int m_error = 0;
};

} // namespace

SmbFileAccess::SmbFileAccess(const ShareLogin &login) : m_context(login) {}

SmbFileAccess::~SmbFileAccess()
{
    stopWatching();
}

void SmbFileAccess::registerScheme()
{
    FileAccess::registerScheme(QStringLiteral("smb://"), [](const QString &, QString *error) {
        auto files = std::make_shared<SmbFileAccess>(ShareLogin::current());
        if (files->m_context.get())
            return std::shared_ptr<FileAccess>(std::move(files));
        if (error)
            *error = QStringLiteral("Cannot reach shares: ") + files->m_context.error();
        return std::shared_ptr<FileAccess>();
    });
}

std::unique_ptr<FileAccess::OpenFile> SmbFileAccess::openFile(const QString &path, QString &error)
{
    const auto locked = SmbContext::lock();
    SMBCCTX *c = m_context.get();
    SMBCFILE *file = SmbLibrary::api().smbc_getFunctionOpen(c)(c, SmbContext::url(path).constData(),
                                                               O_RDONLY, 0);
    if (!file) {
        error = SmbContext::errorText(errno);
        return nullptr;
    }
    return std::make_unique<SmbFile>(c, file);
}

FileKind SmbFileAccess::statPath(const QString &path, FileStamp *stamp)
{
    const auto locked = SmbContext::lock();
    SMBCCTX *c = m_context.get();
    struct stat info;
    if (SmbLibrary::api().smbc_getFunctionStat(c)(c, SmbContext::url(path).constData(), &info) != 0)
        return FileKind::Missing;
    if (S_ISDIR(info.st_mode))
        return FileKind::Folder;
    if (!S_ISREG(info.st_mode))
        return FileKind::Other;
    if (stamp) {
        // The fields a listing gives too, so that both compare.
        *stamp = FileStamp();
        stamp->size = qint64(info.st_size);
        stamp->modifiedNs = nanoseconds(info.st_mtim);
        stamp->changedNs = nanoseconds(info.st_ctim);
    }
    return FileKind::Regular;
}

QString SmbFileAccess::listFolder(const QString &folder, std::vector<FolderEntry> &out)
{
    const auto locked = SmbContext::lock();
    SMBCCTX *c = m_context.get();
    SMBCFILE *dir =
        SmbLibrary::api().smbc_getFunctionOpendir(c)(c, SmbContext::url(folder).constData());
    if (!dir)
        return QStringLiteral("cannot list %1: %2").arg(folder, SmbContext::errorText(errno));
    while (const libsmb_file_info *e = SmbLibrary::api().smbc_getFunctionReaddirPlus(c)(c, dir)) {
        const QString name = QString::fromUtf8(e->name);
        if (name == QLatin1String(".") || name == QLatin1String(".."))
            continue;
        FolderEntry entry;
        entry.name = name;
        if (e->attrs & kDirectoryAttribute) {
            entry.kind = FileKind::Folder;
        } else {
            entry.kind = FileKind::Regular;
            entry.stamp.size = qint64(e->size);
            entry.stamp.modifiedNs = nanoseconds(e->mtime_ts);
            entry.stamp.changedNs = nanoseconds(e->ctime_ts);
        }
        out.push_back(std::move(entry));
    }
    SmbLibrary::api().smbc_getFunctionClosedir(c)(c, dir);
    return {};
}

bool SmbFileAccess::watch(const QString &folder, std::function<void(const QString &)> onChange)
{
    stopWatching();
    m_notifier = std::make_unique<SmbNotifier>(folder, ShareLogin::current(), std::move(onChange));
    if (m_notifier->start())
        return true;
    m_notifier.reset();
    return false;
}

void SmbFileAccess::stopWatching()
{
    m_notifier.reset();
}
