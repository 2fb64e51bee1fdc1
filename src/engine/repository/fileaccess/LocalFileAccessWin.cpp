#include "LocalFileAccess.h"

#ifdef Q_OS_WIN
#include <QDir>

#include <qt_windows.h>

#include <algorithm>

namespace {

const wchar_t *wide(const QString &native)
{
    return reinterpret_cast<const wchar_t *>(native.utf16());
}

// A file opened with Win32 calls. It stays open to others for every use,
// deleting and renaming included: a VSS client that rewrites it while we
// read must not fail because of us. Only a file on disk is read (not a
// device such as NUL or a pipe).
class WinFile : public FileAccess::OpenFile
{
public:
    explicit WinFile(HANDLE handle) : m_handle(handle) {}
    ~WinFile() override { CloseHandle(m_handle); }

    bool statRegular(qint64 &size) override
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
    qint64 readSome(char *data, qint64 wanted) override
    {
        DWORD n = 0;
        if (!ReadFile(m_handle, data, DWORD(std::min(wanted, qint64(1) << 30)), &n, nullptr))
            return fail(), -1;
        return n;
    }
    bool seek(qint64 offset) override
    {
        LARGE_INTEGER to;
        to.QuadPart = offset;
        return SetFilePointerEx(m_handle, to, nullptr, FILE_BEGIN) || fail();
    }
    QString errorString() const override
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

    HANDLE m_handle;
    DWORD m_error = 0;
    bool m_notRegular = false;
};

// Windows counts 100 ns steps from 1601; in nanoseconds from 1970, as the
// POSIX calls give them, today's times fit in 64 bits (from 1601 they do not).
qint64 nanoseconds(qint64 hundreds)
{
    constexpr qint64 From1601To1970 = 116444736000000000;
    return (hundreds - From1601To1970) * 100;
}

qint64 nanoseconds(const FILETIME &t)
{
    return nanoseconds(qint64(t.dwHighDateTime) << 32 | t.dwLowDateTime);
}

FileKind kindOf(DWORD attributes)
{
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? FileKind::Folder
           : (attributes & FILE_ATTRIBUTE_DEVICE)  ? FileKind::Other
                                                   : FileKind::Regular;
}

bool isDotName(const wchar_t *name, size_t length)
{
    return (length == 1 && name[0] == L'.') || (length == 2 && name[0] == L'.' && name[1] == L'.');
}

// The listing with each entry's file id and change time: one request per
// 64 KiB of entries. False (and GetLastError set) where the call or the
// place does not support it.
bool listWithIds(const QString &native, std::vector<FolderEntry> &out)
{
    const HANDLE dir = CreateFileW(wide(native), FILE_LIST_DIRECTORY,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (dir == INVALID_HANDLE_VALUE)
        return false;
    std::vector<LONGLONG> buffer(64 * 1024 / sizeof(LONGLONG)); // 8-byte aligned entries
    while (GetFileInformationByHandleEx(dir, FileIdBothDirectoryInfo, buffer.data(),
                                        DWORD(buffer.size() * sizeof(LONGLONG)))) {
        const char *at = reinterpret_cast<const char *>(buffer.data());
        for (;;) {
            const auto *info = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO *>(at);
            const size_t length = info->FileNameLength / sizeof(wchar_t);
            if (!isDotName(info->FileName, length)) {
                FolderEntry entry;
                entry.name = QString::fromWCharArray(info->FileName, qsizetype(length));
                entry.kind = kindOf(info->FileAttributes);
                entry.stamp.inode = info->FileId.QuadPart;
                entry.stamp.size = info->EndOfFile.QuadPart;
                entry.stamp.modifiedNs = nanoseconds(info->LastWriteTime.QuadPart);
                entry.stamp.changedNs = nanoseconds(info->ChangeTime.QuadPart);
                out.push_back(std::move(entry));
            }
            if (info->NextEntryOffset == 0)
                break;
            at += info->NextEntryOffset;
        }
    }
    const DWORD error = GetLastError();
    const bool ok = error == ERROR_NO_MORE_FILES;
    CloseHandle(dir);
    SetLastError(error);
    return ok;
}

// The listing every Windows file system gives: sizes and last-write times,
// fetched in large batches.
QString listWithFind(const QString &native, std::vector<FolderEntry> &out)
{
    WIN32_FIND_DATAW data;
    const QString pattern = native + QStringLiteral("\\*");
    const HANDLE find = FindFirstFileExW(wide(pattern), FindExInfoBasic, &data,
                                         FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE)
        return qt_error_string(int(GetLastError()));
    do {
        const size_t length = wcslen(data.cFileName);
        if (isDotName(data.cFileName, length))
            continue;
        FolderEntry entry;
        entry.name = QString::fromWCharArray(data.cFileName, qsizetype(length));
        entry.kind = kindOf(data.dwFileAttributes);
        entry.stamp.size = qint64(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        entry.stamp.modifiedNs = nanoseconds(data.ftLastWriteTime);
        out.push_back(std::move(entry));
    } while (FindNextFileW(find, &data));
    const DWORD error = GetLastError();
    FindClose(find);
    return error == ERROR_NO_MORE_FILES ? QString() : qt_error_string(int(error));
}

} // namespace

bool LocalFileAccess::listingsCarryStamps() const
{
    return true;
}

bool LocalFileAccess::namesIgnoreCase() const
{
    return true;
}

bool LocalFileAccess::watch(const QString &folder, std::function<void(const QString &)> onChange)
{
    m_tree = std::make_unique<FolderTreeWatch>();
    QString reason;
    const auto changed = [onChange = std::move(onChange)](const QString &path, bool) {
        onChange(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1)); // the file's own name
    };
    if (m_tree->start(folder, changed, reason))
        return true;
    m_tree.reset();
    return false;
}

std::unique_ptr<FileAccess::OpenFile> LocalFileAccess::openFile(const QString &path, QString &error)
{
    const HANDLE handle = CreateFileW(wide(QDir::toNativeSeparators(path)), GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        error = qt_error_string(int(GetLastError()));
        return nullptr;
    }
    return std::make_unique<WinFile>(handle);
}

FileKind LocalFileAccess::statPath(const QString &path, FileStamp *stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExW(wide(QDir::toNativeSeparators(path)), GetFileExInfoStandard, &data))
        return FileKind::Missing;
    const FileKind kind = kindOf(data.dwFileAttributes);
    if (stamp && kind == FileKind::Regular) {
        stamp->size = qint64(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
        stamp->modifiedNs = nanoseconds(data.ftLastWriteTime);
    }
    return kind;
}

QString LocalFileAccess::listFolder(const QString &folder, std::vector<FolderEntry> &out)
{
    const QString native = QDir::toNativeSeparators(folder);
    if (listWithIds(native, out))
        return {};
    // Some servers and file systems answer only the plain enumeration.
    out.clear();
    return listWithFind(native, out);
}
#endif
