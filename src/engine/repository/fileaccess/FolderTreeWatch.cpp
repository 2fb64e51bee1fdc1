#include "FolderTreeWatch.h"

#ifdef Q_OS_WIN
#include <QDir>
#include <QList>
#include <QTimer>
#include <QWinEventNotifier>

#include <qt_windows.h>

namespace {

// File names come and go (a check-in's new data file), item files are
// rewritten in place (their size or time changes); a folder that comes or
// goes holds other files than before.
constexpr DWORD kFilter = FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME |
                          FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_SIZE;
// A request to a file server takes at most 64 KB.
constexpr DWORD kBufferBytes = 64 * 1024;
constexpr int kLongestPauseMs = 30000;

const wchar_t *wide(const QString &text)
{
    return reinterpret_cast<const wchar_t *>(text.utf16());
}

// Wine's tree notification takes in a folder below the watched one only
// once it is made or a handle to it is opened after the watch began: there,
// each one is opened once. Windows itself needs nothing of the kind.
bool underWine()
{
    static const bool wine =
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
    return wine;
}

void takeIn(const QString &native)
{
    const HANDLE folder = CreateFileW(wide(native), FILE_LIST_DIRECTORY,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (folder != INVALID_HANDLE_VALUE)
        CloseHandle(folder);
}

void takeInFoldersOf(const QString &native)
{
    WIN32_FIND_DATAW entry;
    const HANDLE find = FindFirstFileExW(wide(native + QLatin1String("\\*")), FindExInfoBasic,
                                         &entry, FindExSearchLimitToDirectories, nullptr, 0);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const QString name = QString::fromWCharArray(entry.cFileName);
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != QLatin1String(".") &&
            name != QLatin1String(".."))
            takeIn(native + QLatin1Char('\\') + name);
    } while (FindNextFileW(find, &entry));
    FindClose(find);
}

} // namespace

struct FolderTreeWatch::Request
{
    HANDLE folder = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    bool waiting = false; // a request is with the system
    QWinEventNotifier *done = nullptr;
    alignas(DWORD) char buffer[kBufferBytes];
};

FolderTreeWatch::FolderTreeWatch(QObject *parent) : QObject(parent) {}

FolderTreeWatch::~FolderTreeWatch()
{
    stop();
}

bool FolderTreeWatch::start(const QString &folder, Callback onChange, QString &reason)
{
    stop();
    m_folder = folder;
    m_onChange = std::move(onChange);
    return open(reason);
}

void FolderTreeWatch::stop()
{
    close();
    m_onChange = nullptr;
    m_pauseMs = 0;
}

bool FolderTreeWatch::armed() const
{
    return m_request && m_request->waiting;
}

bool FolderTreeWatch::open(QString &reason)
{
    close();
    auto request = std::make_unique<Request>();
    const QString native = QDir::toNativeSeparators(m_folder);
    request->folder = CreateFileW(
        wide(native), FILE_LIST_DIRECTORY, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
    if (request->folder == INVALID_HANDLE_VALUE) {
        reason = qt_error_string(int(GetLastError()));
        return false;
    }
    request->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    request->done = new QWinEventNotifier(request->overlapped.hEvent, this);
    connect(request->done, &QWinEventNotifier::activated, this, &FolderTreeWatch::completed);
    m_request = std::move(request);
    if (!ReadDirectoryChangesW(m_request->folder, m_request->buffer, kBufferBytes, TRUE, kFilter,
                               nullptr, &m_request->overlapped, nullptr)) {
        reason = qt_error_string(int(GetLastError()));
        close();
        return false;
    }
    m_request->waiting = true;
    if (underWine())
        takeInFoldersOf(native);
    return true;
}

void FolderTreeWatch::close()
{
    if (!m_request)
        return;
    Request &r = *m_request;
    if (r.waiting) {
        // The buffer stays until the system has let go of it.
        DWORD bytes = 0;
        CancelIoEx(r.folder, &r.overlapped);
        GetOverlappedResult(r.folder, &r.overlapped, &bytes, TRUE);
    }
    r.done->setEnabled(false);
    r.done->deleteLater(); // close() may run from its own signal
    CloseHandle(r.overlapped.hEvent);
    CloseHandle(r.folder);
    m_request.reset();
}

void FolderTreeWatch::retryLater()
{
    m_pauseMs = std::clamp(m_pauseMs * 2, 1000, kLongestPauseMs);
    QTimer::singleShot(m_pauseMs, this, [this, pause = m_pauseMs] {
        if (!m_onChange || m_request || pause != m_pauseMs)
            return; // stopped, or watching again
        QString ignored;
        if (!open(ignored))
            return retryLater();
        m_onChange(QString(), false); // what changed meanwhile is unknown
    });
}

void FolderTreeWatch::completed()
{
    Request &r = *m_request;
    DWORD bytes = 0;
    const bool ok = GetOverlappedResult(r.folder, &r.overlapped, &bytes, FALSE);
    const DWORD error = ok ? DWORD(ERROR_SUCCESS) : GetLastError();
    if (error == ERROR_IO_INCOMPLETE)
        return;
    // ERROR_NOTIFY_ENUM_DIR: more changed than the buffer holds.
    const bool answered = ok || error == ERROR_NOTIFY_ENUM_DIR;
    if (!ok)
        bytes = 0;
    r.waiting = false;
    // Taken out of the buffer before the next request fills it again.
    QList<std::pair<QString, bool>> changes;
    for (DWORD at = 0; answered && bytes > 0 && at + sizeof(FILE_NOTIFY_INFORMATION) <= bytes;) {
        const auto *info = reinterpret_cast<const FILE_NOTIFY_INFORMATION *>(r.buffer + at);
        const DWORD length = std::min<DWORD>(info->FileNameLength, bytes - at) / sizeof(WCHAR);
        changes.append({QString::fromWCharArray(info->FileName, int(length))
                            .replace(QLatin1Char('\\'), QLatin1Char('/')),
                        info->Action != FILE_ACTION_MODIFIED});
        if (info->NextEntryOffset == 0)
            break;
        at += info->NextEntryOffset;
    }
    ResetEvent(r.overlapped.hEvent);
    // The next request is waiting before the changes are told, so none is
    // missed in between. Nothing told (the buffer ran over) or a failure:
    // the caller looks for itself.
    if (answered && ReadDirectoryChangesW(r.folder, r.buffer, kBufferBytes, TRUE, kFilter, nullptr,
                                          &r.overlapped, nullptr))
        r.waiting = true;
    if (changes.isEmpty())
        changes.append({QString(), false});
    else if (underWine())
        for (const auto &[path, named] : std::as_const(changes))
            if (named) // what came may be a folder (moved in)
                takeIn(QDir::toNativeSeparators(m_folder + QLatin1Char('/') + path));
    if (!r.waiting) {
        // The folder went, or the server broke the connection: try again
        // later, each time after a longer pause.
        close();
        retryLater();
    } else if (bytes > 0) {
        m_pauseMs = 0;
    }
    for (const auto &[path, named] : std::as_const(changes))
        if (m_onChange) // a callback may stop the watch
            m_onChange(path, named);
}
#else
struct FolderTreeWatch::Request
{
};

FolderTreeWatch::FolderTreeWatch(QObject *parent) : QObject(parent) {}

FolderTreeWatch::~FolderTreeWatch() = default;

bool FolderTreeWatch::start(const QString &, Callback, QString &reason)
{
    reason = QStringLiteral("no recursive folder notification on this system");
    return false;
}

void FolderTreeWatch::stop() {}

bool FolderTreeWatch::armed() const
{
    return false;
}
#endif
