#include "VssDataFolder.h"

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
    QString error;
    const std::unique_ptr<FileAccess::Reader> file = openItemFile(physical, error, path);
    return file ? file->read(out, limit, fileSize) : error;
}

QString VssDataFolder::readDataFile(QByteArrayView physical, char extension, QByteArray &out,
                                    QString *path, qint64 expectedSize) const
{
    const QString relative = dataRelative(physical, extension);
    if (relative.isEmpty())
        return QStringLiteral("no valid data file named for \"%1\"")
            .arg(QString::fromLatin1(physical.toByteArray()));
    QString error;
    const std::unique_ptr<FileAccess::Reader> file = openLocated(relative, error, path);
    if (!file)
        return error;
    if (expectedSize >= 0) {
        error = file->read(out, expectedSize + 1);
        if (!error.isEmpty() || out.size() <= expectedSize)
            return error; // a read shorter than asked for is the whole file
    }
    return file->read(out);
}

std::unique_ptr<FileAccess::Reader> VssDataFolder::openItemFile(QByteArrayView physical,
                                                                QString &error, QString *path) const
{
    const QString relative = itemRelative(physical);
    if (relative.isEmpty()) {
        error = QStringLiteral("invalid physical item name \"%1\"")
                    .arg(QString::fromLatin1(physical.toByteArray()));
        return nullptr;
    }
    return openLocated(relative, error, path);
}

std::unique_ptr<FileAccess::Reader> VssDataFolder::openLocated(const QString &relativeLower,
                                                               QString &error, QString *path) const
{
    QString located = firstTry(relativeLower);
    std::unique_ptr<FileAccess::Reader> file = m_files->open(located, error);
    if (!file) {
        // Another spelling, or removed or renamed since it was found.
        m_located.remove(relativeLower);
        const QString again = locate(relativeLower);
        if (again != located) {
            located = again;
            file = m_files->open(located, error);
        }
    }
    if (path)
        *path = located;
    return file;
}

QString VssDataFolder::readLocated(const QString &relativeLower, QByteArray &out, qint64 limit,
                                   qint64 *fileSize, QString *path) const
{
    QString error;
    const std::unique_ptr<FileAccess::Reader> file = openLocated(relativeLower, error, path);
    return file ? file->read(out, limit, fileSize) : error;
}

QString VssDataFolder::lowerPath(const QString &relativeLower) const
{
    return m_path + QLatin1Char('/') + relativeLower;
}

QString VssDataFolder::firstTry(const QString &relativeLower) const
{
    // The remembered spelling, else the usual lower-case one: no look-up
    // before the read.
    const auto known = m_located.constFind(relativeLower);
    return known != m_located.constEnd() ? *known : lowerPath(relativeLower);
}

VssFileStamp VssDataFolder::stampItemFile(QByteArrayView physical, qint64 listingIdleMs,
                                          qint64 &takenMs) const
{
    VssFileStamp stamp;
    const QString relative = itemRelative(physical);
    if (relative.isEmpty())
        return stamp;
    const QString path = firstTry(relative);
    if (m_files->listingsCarryStamps()) {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        return m_listed.stamp(*m_files, path.left(slash), QStringView(path).mid(slash + 1),
                              listingIdleMs, takenMs);
    }
    if (m_files->stat(path, &stamp) != FileKind::Regular)
        stamp = {};
    m_newestChangeNs = std::max(m_newestChangeNs, stamp.changedNs);
    return stamp;
}

QString VssDataFolder::locate(const QString &relativeLower) const
{
    const auto known = m_located.constFind(relativeLower);
    if (known != m_located.constEnd())
        return *known;
    if (m_files->namesIgnoreCase())
        return lowerPath(relativeLower); // every spelling names it
    const QString found = search(relativeLower);
    if (found.isEmpty())
        return lowerPath(relativeLower); // the read reports it
    if (found != lowerPath(relativeLower))
        m_located.insert(relativeLower, found);
    return found;
}

QString VssDataFolder::search(const QString &relativeLower) const
{
    const QString lower = lowerPath(relativeLower);
    if (m_files->stat(lower) != FileKind::Missing)
        return lower;
    const QString upper = m_path + QLatin1Char('/') + relativeLower.toUpper();
    if (m_files->stat(upper) != FileKind::Missing)
        return upper;
    // Mixed case: walk the components case-insensitively.
    QString current = m_path;
    std::vector<FolderEntry> entries;
    for (const QString &part : relativeLower.split(QLatin1Char('/'))) {
        if (!m_files->list(current, entries).isEmpty())
            return {};
        QString found;
        for (const FolderEntry &entry : entries)
            if (entry.name.compare(part, Qt::CaseInsensitive) == 0)
                found = entry.name;
        if (found.isEmpty())
            return {};
        current += QLatin1Char('/') + found;
    }
    return current;
}
