#pragma once

#include "FileAccess.h"
#include "FolderTreeWatch.h"

#include <QHash>

// Files on this machine's file systems, mounts and (on Windows) UNC paths
// included: POSIX calls (LocalFileAccessPosix.cpp) or Win32 calls
// (LocalFileAccessWin.cpp).
//
// POSIX listings give names, kinds and inode numbers only: a stamp costs a
// stat call per file. Win32 listings carry each file's size, times and file
// id, so one listing of a folder stands for a look at every file in it.
// Within a pass, POSIX calls reach a file relative to its folder, opened
// once for the pass (openat, fstatat), not by walking its whole path.
// On Windows watch() is the folder tree's own notification (for a share, the
// server's answer to it), which ShareWatch uses; ChangeTrigger watches local
// folders itself.
class LocalFileAccess : public FileAccess
{
public:
    bool listingsCarryStamps() const override;
    bool namesIgnoreCase() const override;
#ifndef Q_OS_WIN
    ~LocalFileAccess() override
    {
        endPass();
    }
    void beginPass() override;
    void endPass() override;
#else
    bool watch(const QString &folder, std::function<void(const QString &)> onChange) override;
    void stopWatching() override
    {
        m_tree.reset();
    }
#endif

protected:
    std::unique_ptr<OpenFile> openFile(const QString &path, QString &error) override;
    FileKind statPath(const QString &path, FileStamp *stamp) override;
    QString listFolder(const QString &folder, std::vector<FolderEntry> &out) override;

private:
#ifndef Q_OS_WIN
    // The folder of `path` opened for this pass and the name in it; outside
    // a pass (or where the folder does not open) AT_FDCWD and the whole path.
    int inFolder(const QString &path, QByteArray &name);

    bool m_inPass = false;
    QHash<QString, int> m_folders; // opened this pass (-1: did not open)
#else
    std::unique_ptr<FolderTreeWatch> m_tree;
#endif
};
