#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// What one look at a file tells of it. Equal stamps mean the file was not
// written since, unless it was written again within the time step of the
// file system's clock (up to 2 s on FAT) after the first stamp was taken.
// Fields a place does not give stay 0.
struct FileStamp
{
    qint64 device = 0;     // volume
    qint64 inode = 0;      // file id
    qint64 size = -1;      // -1: no stamp
    qint64 modifiedNs = 0; // nanoseconds since 1970 by the place's clock
    qint64 changedNs = 0;

    bool isValid() const { return size >= 0; }
    bool operator==(const FileStamp &o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modifiedNs == o.modifiedNs && changedNs == o.changedNs;
    }
    bool operator!=(const FileStamp &o) const { return !(*this == o); }
};

enum class FileKind
{
    Missing,
    Regular,
    Folder,
    Other
};

// One name in a folder listing. `stamp` is valid only where listings carry
// attributes (FileAccess::listingsCarryStamps); `kind` may be Other where
// the listing does not tell.
struct FolderEntry
{
    QString name;
    FileKind kind = FileKind::Other;
    FileStamp stamp;
};

// How the database reader reaches files: a local or mounted folder (POSIX
// or Win32 calls) or a place reached by a protocol of its own (smb://).
// Every call is counted, so that tests and benchmarks can tell what a poll
// costs the place, the same way on every platform.
//
// A backend implements the protected hooks; the public calls count and
// hold the rules every backend shares (the bounded read below). Paths use
// '/' separators. Not thread-safe: one reader uses one instance.
class FileAccess
{
public:
    // Calls made so far. A read of a file is one open, one or more reads,
    // and a stat of the open file where its size is needed.
    struct Counts
    {
        qint64 opens = 0;
        qint64 stats = 0;
        qint64 listings = 0;
        qint64 reads = 0;
        qint64 bytes = 0;
        // Walks of a path to the folder of the file asked for (POSIX: at
        // each call, within a pass once per folder); 0 where not told.
        qint64 folderWalks = 0;
    };

    virtual ~FileAccess() = default;

    // The backend for a database at `path` (srcsafe.ini or any file or
    // folder in it): the local one, or the one registered for its scheme.
    // Null (and `error` set) for a scheme no backend serves.
    static std::shared_ptr<FileAccess> forPath(const QString &path, QString *error = nullptr);
    // Whether `path` names a place reached by a protocol of its own
    // ("smb://server/share/..."), not a local or mounted file.
    static bool isRemote(const QString &path);
    // The local backend (POSIX or Win32 calls).
    static std::shared_ptr<FileAccess> local();
    // Registration point for backends of other places: paths starting with
    // `scheme` ("smb://") go to `open`, which returns null (and sets its
    // error text) when it cannot serve the path.
    using Opener = std::function<std::shared_ptr<FileAccess>(const QString &path, QString *error)>;
    static void registerScheme(const QString &scheme, Opener open);

    // Whether list() gives every entry's stamp (size and times) in bulk, so
    // that one listing stands for a stat call per file in it. False where
    // listings give names only (Linux folders and FUSE mounts).
    virtual bool listingsCarryStamps() const = 0;
    // Whether names match in any letter case here (Windows, SMB servers), so
    // a file's usual spelling needs no look before it is used.
    virtual bool namesIgnoreCase() const { return false; }

    // What is at `path`, with its stamp for a regular file (a stat call).
    FileKind stat(const QString &path, FileStamp *stamp = nullptr);
    // The entries of `folder` ("." and ".." left out) in one listing call;
    // returns an error description, empty on success.
    QString list(const QString &folder, std::vector<FolderEntry> &out);

    // Reads a whole regular file (or its first `limit` bytes): open,
    // Reader::read, close.
    QString readFile(const QString &path, QByteArray &out, qint64 limit = -1,
                     qint64 *fileSize = nullptr);

    class Reader;
    // Opens `path` for reads in parts (one open, however many reads); null
    // and `error` set when it does not open.
    std::unique_ptr<Reader> open(const QString &path, QString &error);

    // Change notification of the place itself where the local folder
    // watcher cannot see writes (a server's notification): calls `onChange`
    // from the event loop with the written file's name (empty when unknown)
    // when something under `folder` was written, until stopWatching(). False
    // where the place has none of its own.
    virtual bool watch(const QString &folder, std::function<void(const QString &)> onChange);
    virtual void stopWatching() {}

    // A pass over many files (a poll) begins and ends: meanwhile a backend
    // may reach the files of a folder through the folder opened once (on a
    // network mount the kernel asks the server about every folder on a
    // path again once its cache aged, about once a second, so a slow pass
    // walking each path costs more). A folder replaced during a pass is
    // seen from the next one on.
    virtual void beginPass() {}
    virtual void endPass() {}

    const Counts &counts() const { return m_counts; }
    // How long ago (steady clock, ms) the last call to the place ended: the
    // reader's pause between two passes over its files. Large before the
    // first call.
    qint64 idleMs() const;

    // A file opened for reading by openFile().
    class OpenFile
    {
    public:
        virtual ~OpenFile() = default;
        // The size of a regular file; false for anything else.
        virtual bool statRegular(qint64 &size) = 0;
        // One read of at most `wanted` bytes: the count, 0 at the end, -1
        // on failure.
        virtual qint64 readSome(char *data, qint64 wanted) = 0;
        // Where the next read starts; false on failure (a pipe).
        virtual bool seek(qint64 offset) = 0;
        virtual QString errorString() const = 0;
    };

protected:
    void countFolderWalk() { ++m_counts.folderWalks; }
    // Opens `path` for reading without blocking and without keeping others
    // from writing, renaming or deleting it. On failure returns null and
    // sets `error`.
    virtual std::unique_ptr<OpenFile> openFile(const QString &path, QString &error) = 0;
    virtual FileKind statPath(const QString &path, FileStamp *stamp) = 0;
    virtual QString listFolder(const QString &folder, std::vector<FolderEntry> &out) = 0;

private:
    qint64 readUpTo(OpenFile &file, char *data, qint64 wanted, bool once);
    void callEnded();

    Counts m_counts;
    qint64 m_lastCallEndMs = -1; // steady clock; -1: never asked
};

// An open file read in parts: its first bytes, then any range further on (a
// seek, which costs the place nothing, and a read), closed when destroyed.
class FileAccess::Reader
{
public:
    Reader(FileAccess &owner, QString path, std::unique_ptr<OpenFile> file);
    ~Reader();

    // The whole file (or its first `limit` bytes) from its start, with one
    // read call; `fileSize` receives the size of the whole file. A read of
    // the first bytes costs one read only, unless `fileSize` is asked for
    // and the file is longer. Never blocks on a FIFO or a device put in
    // place of a file; one found not to be a regular file (always on a
    // whole read, a size or an empty read) is refused. Files over 256 MiB
    // are refused. Returns an empty description on success.
    QString read(QByteArray &out, qint64 limit = -1, qint64 *fileSize = nullptr);
    // Up to `length` bytes from `offset`: fewer where the file ends first.
    QString readAt(qint64 offset, qint64 length, QByteArray &out);

private:
    QString failed(const char *what, const QString &reason) const;
    QString seekTo(qint64 offset);

    FileAccess &m_owner;
    QString m_path;
    std::unique_ptr<OpenFile> m_file;
    qint64 m_position = 0;
};
