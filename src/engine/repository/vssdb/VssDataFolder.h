#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

// What one stat call tells of a file. Equal stamps mean the file was not
// written since, unless it was written again within the time step of the
// file system's clock (up to 2 s on FAT) after the first stamp was taken.
struct VssFileStamp
{
    qint64 device = 0;
    qint64 inode = 0;
    qint64 size = -1; // -1: no stamp
    qint64 modifiedNs = 0;
    qint64 changedNs = 0;

    bool isValid() const { return size >= 0; }
    bool operator==(const VssFileStamp &o) const
    {
        return device == o.device && inode == o.inode && size == o.size &&
               modifiedNs == o.modifiedNs && changedNs == o.changedNs;
    }
};

// The data folder of a database: builds the paths of item and data files from
// validated physical names and reads files in one go. Database files are
// usually stored in lower case; other spellings are found on case-sensitive
// file systems too.
class VssDataFolder
{
public:
    VssDataFolder() = default;
    explicit VssDataFolder(QString path) : m_path(std::move(path)) {}

    QString path() const { return m_path; }

    // Exactly eight letters A-Z (either case): nothing else may become a path.
    static bool isPhysicalName(QByteArrayView name);

    // Path of a file directly in the data folder ("um.dat") or of an item
    // file ("BAAAAAAA") or its data file (extension 'A' or 'B'). Returns an
    // empty string for a name that is not a physical name or extension.
    QString filePath(const QString &fileName) const;
    QString itemPath(QByteArrayView physical) const;
    QString dataFilePath(QByteArrayView physical, char extension) const;

    // Reads a whole regular file (or its first `limit` bytes) with one read
    // call; `fileSize` receives the size of the whole file. A read of the
    // first bytes costs open, read and close only, unless `fileSize` is
    // asked for and the file is longer. Never blocks on a FIFO or a device
    // put in place of a file; one found not to be a regular file (always
    // on a whole read, a size or an empty read) is refused. Returns an empty
    // description on success.
    static QString readFile(const QString &path, QByteArray &out, qint64 limit = -1,
                            qint64 *fileSize = nullptr);

    // readFile on the item file of `physical`, in lower case or as found
    // before; a file that does not open there is searched for under other
    // spellings (and remembered when found). `path` receives the path read (for messages). Invalid
    // names are refused without touching the disk.
    QString readItemFile(QByteArrayView physical, QByteArray &out, qint64 limit = -1,
                         qint64 *fileSize = nullptr, QString *path = nullptr) const;
    // The stamp of the item file of `physical` where the last read found it,
    // with one system call; no stamp when the file is not there (a read
    // then looks for it) or where stamps are not used (other than Linux).
    VssFileStamp stampItemFile(QByteArrayView physical) const;
    // The same for a whole data file (extension 'A' or 'B').
    QString readDataFile(QByteArrayView physical, char extension, QByteArray &out,
                         QString *path = nullptr) const;

private:
    static QString itemRelative(QByteArrayView physical);
    static QString dataRelative(QByteArrayView physical, char extension);
    QString readLocated(const QString &relativeLower, QByteArray &out, qint64 limit,
                        qint64 *fileSize, QString *path) const;
    QString lowerPath(const QString &relativeLower) const;
    // Where a read of the file tries first: as found before, else lower case.
    QString firstTry(const QString &relativeLower) const;
    QString locate(const QString &relativeLower) const;
    // The existing file's path, or empty.
    QString search(const QString &relativeLower) const;

    QString m_path;
    // Relative lower-case path -> path found on disk, for the files found
    // under another spelling only; a missing file is looked for again on
    // every call.
    mutable QHash<QString, QString> m_located;
};
