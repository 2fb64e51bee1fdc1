#pragma once

#include <QByteArray>
#include <QString>

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

    // Reads a whole file (or its first `limit` bytes) with one read call;
    // `fileSize` receives the size of the whole file. Returns an empty
    // description on success.
    static QString readFile(const QString &path, QByteArray &out, qint64 limit = -1,
                            qint64 *fileSize = nullptr);

private:
    QString locate(const QString &relativeLower) const;

    QString m_path;
};
