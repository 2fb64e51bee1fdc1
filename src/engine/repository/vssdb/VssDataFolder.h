#pragma once

#include "VssListedStamps.h"
#include "engine/repository/fileaccess/FileAccess.h"

#include <QByteArray>
#include <QHash>
#include <QString>

#include <algorithm>

using VssFileStamp = FileStamp;

// The data folder of a database: builds the paths of item and data files from
// validated physical names and reads files in one go. Database files are
// usually stored in lower case; other spellings are found on case-sensitive
// file systems too. Every file is reached through one FileAccess.
class VssDataFolder
{
public:
    VssDataFolder() = default;
    explicit VssDataFolder(QString path, std::shared_ptr<FileAccess> files = FileAccess::local())
        : m_path(std::move(path)), m_files(std::move(files))
    {}

    QString path() const { return m_path; }
    // Null before the folder is set.
    FileAccess *files() const { return m_files.get(); }

    // Exactly eight letters A-Z (either case): nothing else may become a path.
    static bool isPhysicalName(QByteArrayView name);

    // Path of a file directly in the data folder ("um.dat") or of an item
    // file ("BAAAAAAA") or its data file (extension 'A' or 'B'). Returns an
    // empty string for a name that is not a physical name or extension.
    QString filePath(const QString &fileName) const;
    QString itemPath(QByteArrayView physical) const;
    QString dataFilePath(QByteArrayView physical, char extension) const;

    // FileAccess::readFile.
    QString readFile(const QString &path, QByteArray &out, qint64 limit = -1,
                     qint64 *fileSize = nullptr) const
    {
        return m_files->readFile(path, out, limit, fileSize);
    }

    // readFile on `fileName` in the data folder ("um.dat"), found as
    // readItemFile finds an item file.
    QString readFolderFile(const QString &fileName, QByteArray &out, QString *path = nullptr) const
    {
        return readLocated(fileName.toLower(), out, -1, nullptr, path);
    }
    // Where a read of `fileName` in the data folder tries first (no look at
    // the place): as found before, else in lower case.
    QString readPath(const QString &fileName) const { return firstTry(fileName.toLower()); }

    // readFile on the item file of `physical`, in lower case or as found
    // before; a file that does not open there is searched for under other
    // spellings (and remembered when found). `path` receives the path read (for messages). Invalid
    // names are refused without touching the disk.
    QString readItemFile(QByteArrayView physical, QByteArray &out, qint64 limit = -1,
                         qint64 *fileSize = nullptr, QString *path = nullptr) const;
    // The item file of `physical` opened for reads in parts, found as
    // readItemFile finds it; null (and `error` set) where it does not open.
    std::unique_ptr<FileAccess::Reader> openItemFile(QByteArrayView physical, QString &error,
                                                     QString *path = nullptr) const;
    // The stamp of the item file of `physical` where the last read found it:
    // where listings carry stamps, as the latest listing of its folder shows
    // it (VssListedStamps, reused within a pass over the files that pauses
    // at most `listingIdleMs`), elsewhere
    // with one stat call. No stamp when the file is not there (a read then
    // looks for it). `takenMs` receives when a listing that answered was
    // taken (steady clock); it is left as it is after a stat call.
    VssFileStamp stampItemFile(QByteArrayView physical, qint64 listingIdleMs,
                               qint64 &takenMs) const;
    // The newest change time any stamp of an item file showed so far (0:
    // none): the place's clock has passed it, as it wrote it, whatever the
    // clock of this machine says.
    qint64 newestChangeSeenNs() const
    {
        return std::max(m_newestChangeNs, m_listed.newestChangeNs());
    }
    // A poll begins: listings taken before answer no more looks. The place
    // may keep the folders it reaches open until the poll ends.
    void beginPoll()
    {
        m_listed.beginRound();
        if (m_files)
            m_files->beginPass();
    }
    void endPoll()
    {
        if (m_files)
            m_files->endPass();
    }
    // The same for a whole data file (extension 'A' or 'B'). A file of at
    // most `expectedSize` bytes is read in one read, without asking its size.
    QString readDataFile(QByteArrayView physical, char extension, QByteArray &out,
                         QString *path = nullptr, qint64 expectedSize = -1) const;

private:
    static QString itemRelative(QByteArrayView physical);
    static QString dataRelative(QByteArrayView physical, char extension);
    QString readLocated(const QString &relativeLower, QByteArray &out, qint64 limit,
                        qint64 *fileSize, QString *path) const;
    std::unique_ptr<FileAccess::Reader> openLocated(const QString &relativeLower, QString &error,
                                                    QString *path) const;
    QString lowerPath(const QString &relativeLower) const;
    // Where a read of the file tries first: as found before, else lower case.
    QString firstTry(const QString &relativeLower) const;
    QString locate(const QString &relativeLower) const;
    // The existing file's path, or empty.
    QString search(const QString &relativeLower) const;

    QString m_path;
    std::shared_ptr<FileAccess> m_files;
    // Relative lower-case path -> path found on disk, for the files found
    // under another spelling only; a missing file is looked for again on
    // every call.
    mutable QHash<QString, QString> m_located;
    mutable VssListedStamps m_listed;
    mutable qint64 m_newestChangeNs = 0; // of the stamps stat calls gave
};
