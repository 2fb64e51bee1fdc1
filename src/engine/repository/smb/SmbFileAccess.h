#pragma once

#include "SmbContext.h"
#include "engine/repository/fileaccess/FileAccess.h"

#include <memory>

class SmbNotifier;

// Databases given as smb://server/share/path/srcsafe.ini, read through
// libsmbclient: no mount, no root. One listing of a folder gives every
// entry's size and times (one enumeration on the server), so a poll needs
// no look at each file; the server's change notification tells of writes
// made by other machines.
class SmbFileAccess : public FileAccess
{
public:
    explicit SmbFileAccess(const ShareLogin &login);
    ~SmbFileAccess() override;

    // Registers the backend for "smb://" paths.
    static void registerScheme();

    bool listingsCarryStamps() const override { return true; }
    bool namesIgnoreCase() const override { return true; }
    bool watch(const QString &folder, std::function<void(const QString &)> onChange) override;
    void stopWatching() override;

protected:
    std::unique_ptr<OpenFile> openFile(const QString &path, QString &error) override;
    FileKind statPath(const QString &path, FileStamp *stamp) override;
    QString listFolder(const QString &folder, std::vector<FolderEntry> &out) override;

private:
    SmbContext m_context;
    std::unique_ptr<SmbNotifier> m_notifier;
};
