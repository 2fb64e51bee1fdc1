#pragma once

#include "FileAccess.h"

// Files on this machine's file systems, mounts and (on Windows) UNC paths
// included: POSIX calls (LocalFileAccessPosix.cpp) or Win32 calls
// (LocalFileAccessWin.cpp).
//
// POSIX listings give names, kinds and inode numbers only: a stamp costs a
// stat call per file. Win32 listings carry each file's size, times and file
// id, so one listing of a folder stands for a look at every file in it.
class LocalFileAccess : public FileAccess
{
public:
    bool listingsCarryStamps() const override;
    bool namesIgnoreCase() const override;

protected:
    std::unique_ptr<OpenFile> openFile(const QString &path, QString &error) override;
    FileKind statPath(const QString &path, FileStamp *stamp) override;
    QString listFolder(const QString &folder, std::vector<FolderEntry> &out) override;
};
