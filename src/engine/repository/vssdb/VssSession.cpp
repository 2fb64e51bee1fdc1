#include "VssSession.h"

#include <QThread>

#include "VssIni.h"
#include "VssLayout.h"
#include "VssRecord.h"
#include "VssUsers.h"
#include "engine/Repository.h"

#include <QDir>

#include <algorithm>

namespace {

[[noreturn]] void refuse(const QString &description)
{
    throw RepositoryOpenError(description);
}

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

QString VssSession::readDataPath(FileAccess &files, const QString &iniPath, FileStamp *stamp)
{
    FileStamp seen;
    const FileKind kind = iniPath.isEmpty() ? FileKind::Missing : files.stat(iniPath, &seen);
    if (stamp)
        *stamp = seen;
    if (kind == FileKind::Missing)
        refuse(QStringLiteral("The database settings file %1 does not exist").arg(native(iniPath)));
    if (kind != FileKind::Regular)
        refuse(QStringLiteral("The database settings file %1 is not a regular file")
                   .arg(native(iniPath)));
    // Asked for the size the stamp showed and one byte more: a server reads
    // (and counts) as much as it is asked for. A file that grew since is
    // read again up to the limit.
    QByteArray iniText;
    qint64 iniSize = 0;
    const qint64 limit = VssIni::MaxSize + 1;
    const qint64 asked = seen.isValid() ? std::min(seen.size + 1, limit) : limit;
    QString error = files.readFile(iniPath, iniText, asked, &iniSize);
    if (error.isEmpty() && iniText.size() == asked && asked < limit)
        error = files.readFile(iniPath, iniText, limit, &iniSize);
    if (!error.isEmpty())
        refuse(QStringLiteral("Cannot read the database settings: %1").arg(error));
    if (iniSize > VssIni::MaxSize || iniText.size() > VssIni::MaxSize)
        refuse(QStringLiteral("%1 is too large for a database settings file (%2 bytes; at "
                              "most %3)")
                   .arg(native(iniPath))
                   .arg(std::max(iniSize, qint64(iniText.size())))
                   .arg(VssIni::MaxSize));
    const VssIni ini = VssIni::parse(iniText);
    if (ini.dataPath.isEmpty())
        refuse(QStringLiteral("%1 names no Data_Path").arg(native(iniPath)));
    return VssIni::resolvePath(iniPath, ini.dataPath);
}

bool VssSession::dataPathMoved(bool force)
{
    FileAccess *files = m_folder.files();
    if (m_iniPath.isEmpty() || !files)
        return false;
    FileStamp stamp;
    files->stat(m_iniPath, &stamp);
    if (!force && stamp.isValid() && stamp == m_iniStamp)
        return false;
    m_iniStamp = stamp;
    try {
        return QDir::cleanPath(readDataPath(*files, m_iniPath)) != QDir::cleanPath(m_folder.path());
    } catch (const RepositoryError &) {
        return false; // unreadable for now: the polls say what they cannot read
    }
}

void VssSession::open(const QString &iniPath, const QString &user, const QString &password)
{
    QString failure;
    std::shared_ptr<FileAccess> files =
        m_options.files ? m_options.files : FileAccess::forPath(iniPath, &failure);
    if (!files)
        refuse(failure);
    FileStamp stamp;
    const QString dataPath = readDataPath(*files, iniPath, &stamp);
    if (files->stat(dataPath) != FileKind::Folder)
        refuse(QStringLiteral("The data folder %1 does not exist").arg(native(dataPath)));
    m_folder = VssDataFolder(dataPath, std::move(files));
    m_iniPath = iniPath;
    m_iniStamp = stamp;

    QString error;
    QByteArray version;
    error = m_folder.readFolderFile(QStringLiteral("version.dat"), version);
    if (!error.isEmpty())
        refuse(QStringLiteral("Not a SourceSafe database: %1").arg(error));
    if (version.size() < 2 || VssBytes(version).u16(0) != VssLayout::FormatVersion)
        refuse(
            QStringLiteral("Unsupported SourceSafe database format in %1").arg(native(dataPath)));

    error = loadNames();
    if (!error.isEmpty())
        refuse(error);
    m_codePage = std::make_unique<VssCodePage>(chooseCodePage(m_options.codePage));

    QByteArray userFile;
    error = m_folder.readFolderFile(QStringLiteral("um.dat"), userFile);
    QList<VssUser> users;
    if (error.isEmpty())
        error = VssUsers::parse(VssBytes(userFile), users);
    if (!error.isEmpty())
        refuse(QStringLiteral("Cannot read the user list: %1").arg(error));
    const VssUser *account = nullptr;
    for (const VssUser &candidate : users)
        if (decode(candidate.name).compare(user.trimmed(), Qt::CaseInsensitive) == 0)
            account = &candidate;
    if (!account || user.trimmed().isEmpty())
        throw RepositoryLoginError(
            QStringLiteral("User \"%1\" is not a user of this database").arg(user));
    const quint16 hash = VssUsers::passwordHash(m_codePage->encode(password.toUpper()));
    if (hash != account->passwordHash)
        throw RepositoryLoginError(
            QStringLiteral("Wrong password for user \"%1\"").arg(decode(account->name)));
    m_userName = decode(account->name);
}

QString VssSession::chooseCodePage(const QString &configured)
{
    if (!configured.isEmpty())
        return configured;
    // Sample the long names and the root project's entries.
    QList<QByteArray> names = m_names.allNames();
    QByteArray root;
    VssItemState state;
    m_folder.readItemFile("AAAAAAAA", root, VssLayout::DH::PrefixSize);
    if (VssItemFile::parseHeader(VssBytes(root), state).isEmpty()) {
        QByteArray data;
        std::vector<VssProjectEntry> entries;
        m_folder.readDataFile("AAAAAAAA", state.header.dataExtension, data);
        VssItemFile::parseProjectData(VssBytes(data), state.header, entries);
        for (const VssProjectEntry &entry : entries)
            names.append(entry.name.shortName);
    }
    // A Chinese database read on a Western Windows still shows its names.
    return VssCodePage::guess(names, VssCodePage::systemDefault());
}

QString VssSession::loadNames()
{
    // Read where it usually is; looked for under other spellings only when
    // it is not there (a database without it keeps short names).
    const QString name = QStringLiteral("names.dat");
    const QString usual = m_folder.readPath(name);
    const QString error = m_names.load(usual, m_folder.files());
    const QString found = m_names.isPresent() ? usual : m_folder.filePath(name);
    return found == usual ? error : m_names.load(found, m_folder.files());
}

QString VssSession::displayName(const VssNameBlock &block)
{
    if (block.namesOffset == 0 || !m_names.isPresent())
        return decode(block.shortName); // a copy without names.dat keeps short names
    const quint16 kind = (block.flags & VssLayout::Name::ProjectFlag) ? VssLayout::SN::KindProject
                                                                      : VssLayout::SN::KindLong;
    QByteArray name;
    QString error = m_names.covers(block.namesOffset)
                        ? m_names.lookup(block.namesOffset, kind, name)
                        : QStringLiteral("no name record at offset %1").arg(block.namesOffset);
    if (!error.isEmpty()) {
        // names.dat grows as items are added, and our copy may have caught a
        // record half written: read it again once.
        error = loadNames();
        if (error.isEmpty())
            error = m_names.lookup(block.namesOffset, kind, name);
        if (!error.isEmpty())
            fail(m_folder.readPath(QStringLiteral("names.dat")), error);
    }
    return decode(name.isEmpty() ? block.shortName : name);
}

QString VssSession::displayNameOrShort(const VssNameBlock &block)
{
    try {
        return displayName(block);
    } catch (const RepositoryError &) {
        return decode(block.shortName);
    }
}

void VssSession::fail(const QString &path, const QString &what) const
{
    throw RepositoryError(QStringLiteral("%1: %2").arg(native(path), what));
}

void VssSession::readConsistently(const QByteArray &physical,
                                  const std::function<QString(QString &path)> &tryOnce) const
{
    if (!VssDataFolder::isPhysicalName(physical))
        throw RepositoryError(
            QStringLiteral("Invalid physical item name \"%1\"").arg(QString::fromLatin1(physical)));
    QString path;
    QString error;
    const int attempts = std::max(1, m_options.readAttempts);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(5 * attempt); // let a writer finish
        error = tryOnce(path);
        if (error.isEmpty())
            return;
    }
    fail(path, error);
}
