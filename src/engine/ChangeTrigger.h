#pragma once

#include "ChangeWatch.h"
#include "ShareWatch.h"
#include "repository/fileaccess/FolderTreeWatch.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

class QFileSystemWatcher;
class QSocketNotifier;

// ChangeWatch over the file system. It watches the folders that hold the
// files (a database keeps its item files in a few dozen folders, so any list
// costs a few dozen watches), reacts to writes of the watched files and of
// files named after them (an item's data files), and calls back once the
// writes have been quiet for `quietMs`, or at the latest `maxWaitMs` after
// the first one, so that one repository operation gives one poll.
//
// On Linux the folders are watched with inotify, which also reports writes
// into existing files; on Windows one notification covers the folder that
// holds them all (the data folder) and everything below it, and looks at no
// file (FolderTreeWatch). Where neither can be had, QFileSystemWatcher watches
// the folders and the files themselves, and a folder's change counts only
// when the names with a watched stem in it changed (another item's new file
// does not). Changes made on other
// machines reach neither on a Linux mount of a network share: ShareWatch adds them (the server's
// notification for smb:// databases, where the folder watcher has nothing to watch, or a sweep
// of a mount's folders). A folder whose watch is lost (deleted, moved away, unmounted) starts a
// poll; Rearm() watches whatever its path names now (a folder made again, a
// mount replaced), and Problem() tells which folders cannot be watched.
class ChangeTrigger : public QObject, public ChangeWatch
{
public:
    explicit ChangeTrigger(int quietMs = 300, int maxWaitMs = 2000, QObject *parent = nullptr);
    ~ChangeTrigger() override;

    void Watch(const QStringList &files, std::function<void()> onChange) override;
    void Stop() override;
    void Rearm() override;
    void PollBegins() override { m_share.pollBegins(); }
    QString Problem() const override { return m_problem; }

    // The folders being watched.
    int folderCount() const { return int(m_folders.size()); }
    // Files watched one at a time (the fallback watcher, which looks at
    // each as it is added): none where the folders' own watch serves.
    int filesWatchedOneByOne() const;
    const ShareWatch &share() const { return m_share; }

private:
    // A write to `name` (a file name; empty when unknown) in a watched folder;
    // the poll follows once writes were quiet for `quietMs` (-1: quietMs as
    // constructed).
    void written(const QString &name, int quietMs = -1);
    bool watchFolders();
    // Watches `folder` where its path leads now; false (and why) when it
    // cannot be.
    bool arm(const QString &folder, QString &reason);
    bool fallbackArm(const QString &folder, QString &reason);
    void startFallback();
    // Windows: the one notification on the folder tree holding them all.
    bool armTree(QString &reason);
    void watchFilesAgain();
    // An inotify watch ended or its folder moved away: forgotten (and
    // removed); false when it was not one of the folders' watches.
    bool dropWatch(int watch);
    void readEvents();
    // The fallback watcher: a folder changed.
    void folderChanged(const QString &folder);
    QSet<QString> watchedNamesIn(const QString &folder) const;

    const int m_quietMs;
    const int m_maxWaitMs;
    QTimer m_quiet;
    QElapsedTimer m_firstWrite;
    std::function<void()> m_onChange;
    QSet<QString> m_folders;
    // Lower-case stems of the watched files' names: a write to a file with
    // one of these stems counts.
    QSet<QString> m_names;
    int m_fd = -1;
    QHash<QString, int> m_watchOf;  // folder -> inotify watch (-1: none)
    QHash<int, QString> m_folderOf; // inotify watch -> folder
    QString m_problem;
    QSocketNotifier *m_notifier = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
    FolderTreeWatch m_tree;
    QString m_root;                               // the folder the tree's notification is on
    QSet<QString> m_treeFolders;                  // the watched folders below it, lower case
    QStringList m_paths;                          // the watched files
    QHash<QString, QSet<QString>> m_watchedNames; // per folder: watchedNamesIn()
    ShareWatch m_share;
    bool m_remote = false; // smb:// files: nothing for the local watcher
};
