#include "ChangeTrigger.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QSocketNotifier>

#ifdef Q_OS_LINUX
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#endif

ChangeTrigger::ChangeTrigger(int quietMs, int maxWaitMs, QObject *parent)
    : QObject(parent), m_quietMs(quietMs), m_maxWaitMs(maxWaitMs)
{
    m_quiet.setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, [this] {
        if (m_onChange)
            m_onChange();
    });
}

ChangeTrigger::~ChangeTrigger()
{
    Stop();
}

void ChangeTrigger::Stop()
{
    m_quiet.stop();
    m_onChange = nullptr;
    m_folders.clear();
    m_names.clear();
    delete m_notifier;
    m_notifier = nullptr;
    if (m_fd >= 0) {
#ifdef Q_OS_LINUX
        ::close(m_fd);
#endif
        m_fd = -1;
    }
    delete m_watcher;
    m_watcher = nullptr;
    m_tree.stop();
    m_root.clear();
    m_treeFolders.clear();
    m_share.stop();
    m_remote = false;
    m_paths.clear();
    m_watchedNames.clear();
    m_watchOf.clear();
    m_folderOf.clear();
    m_problem.clear();
}

void ChangeTrigger::Rearm()
{
    if (m_remote || m_share.notifying())
        return; // no local folders, or the place's own notification covers them
    QString reason, treeReason;
    if (!m_root.isEmpty()) {
        if (m_tree.armed() || armTree(treeReason)) {
            delete m_watcher; // the folder notification is back
            m_watcher = nullptr;
            m_watchedNames.clear();
            m_problem.clear();
            return;
        }
        if (!m_watcher)
            startFallback();
    }
    QStringList lost;
    for (const QString &folder : std::as_const(m_folders))
        if (!arm(folder, reason))
            lost << QDir::toNativeSeparators(folder);
    lost.sort();
    m_problem.clear();
    if (!lost.isEmpty())
        m_problem = QStringLiteral("Writes in %1 of %2 database folders start no poll (%3: %4); "
                                   "the poll timer still notices them")
                        .arg(lost.size())
                        .arg(m_folders.size())
                        .arg(lost.constFirst(), reason);
    else if (!treeReason.isEmpty())
        m_problem = QStringLiteral("The change notification on %1 failed (%2): each watched "
                                   "file is watched on its own instead")
                        .arg(QDir::toNativeSeparators(m_root), treeReason);
}

void ChangeTrigger::Watch(const QStringList &files, std::function<void()> onChange)
{
    QSet<QString> folders, names;
    QStringList paths;
    for (const QString &file : files) {
        if (file.isEmpty())
            continue;
        const QString path = FileAccess::isRemote(file) ? file : QFileInfo(file).absoluteFilePath();
        folders.insert(ShareWatch::folderOf(path));
        names.insert(ShareWatch::stem(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1)));
        paths << path;
    }
    if (m_onChange && folders == m_folders && names == m_names) {
        // The same files again (every session start): a poll already due
        // stays due; what was lost is watched again.
        m_onChange = std::move(onChange);
        Rearm();
        return;
    }
    Stop();
    if (folders.isEmpty())
        return;
    m_folders = folders;
    m_names = names;
    m_onChange = std::move(onChange);
    // A file a sweep saw moved was written before the sweep listed it: the
    // writes that moved it are over.
    const bool shared = m_share.start(paths, [this](const QString &name, bool swept) {
        written(name, swept ? std::min(m_quietMs, ShareWatch::kSweptQuietMs) : -1);
    });
    // Writes made before the watch was up (after the caller read the files)
    // start no poll of their own: one poll follows once it is up, after the
    // sweeps' first listing where they run, else as soon as this returns.
    if (m_share.sweepIntervalMs() == 0)
        written(QString());
    m_remote = FileAccess::isRemote(paths.first());
    if (m_remote) {
        if (!shared)
            m_onChange = nullptr; // the timer alone polls
        return;
    }
    if (m_share.notifying())
        return; // a Windows share: the notification ShareWatch armed covers the folders
    m_paths = paths;
    if (!watchFolders())
        startFallback();
    Rearm();
}

void ChangeTrigger::startFallback()
{
    // Without inotify or a folder tree's notification: the folders (files
    // added, removed, renamed) and the files themselves (written in place),
    // each looked at as it is added.
    for (const QString &folder : std::as_const(m_folders))
        m_watchedNames.insert(folder, watchedNamesIn(folder));
    m_watcher = new QFileSystemWatcher(this);
    m_watcher->addPaths(m_paths);
    connect(m_watcher, &QFileSystemWatcher::fileChanged, this,
            [this](const QString &path) { written(QFileInfo(path).fileName()); });
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this, &ChangeTrigger::folderChanged);
}

int ChangeTrigger::filesWatchedOneByOne() const
{
    return m_watcher ? int(m_watcher->files().size()) : 0;
}

void ChangeTrigger::folderChanged(const QString &folder)
{
    if (!QFileInfo(folder).isDir()) {
        written(QString()); // the folder went: poll, and watch it again once it is back
        return;
    }
    watchFilesAgain();
    QSet<QString> names = watchedNamesIn(folder);
    if (names == m_watchedNames.value(folder))
        return; // only other items' files came or went
    m_watchedNames.insert(folder, std::move(names));
    written(QString());
}

bool ChangeTrigger::fallbackArm(const QString &folder, QString &reason)
{
    if (!m_watcher)
        return false;
    if (m_watcher->directories().contains(folder))
        return true;
    if (!QFileInfo(folder).isDir()) {
        reason = QStringLiteral("the folder does not exist");
        return false;
    }
    if (!m_watcher->addPath(folder)) {
        reason = QStringLiteral("the system refused to watch it");
        return false;
    }
    // Made again: the files in it are new ones, and so are their names.
    watchFilesAgain();
    m_watchedNames.insert(folder, watchedNamesIn(folder));
    return true;
}

void ChangeTrigger::watchFilesAgain()
{
    // A watched file that was replaced or created again is watched again.
    QStringList lost;
    const QStringList watched = m_watcher->files();
    for (const QString &path : std::as_const(m_paths))
        if (!watched.contains(path) && QFileInfo::exists(path))
            lost << path;
    if (!lost.isEmpty())
        m_watcher->addPaths(lost);
}

QSet<QString> ChangeTrigger::watchedNamesIn(const QString &folder) const
{
    QSet<QString> found;
    for (const QString &name : QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (m_names.contains(ShareWatch::stem(name)))
            found.insert(name);
    return found;
}

bool ChangeTrigger::armTree(QString &reason)
{
    const auto changed = [this](const QString &path, bool nameChanged) {
        if (path.isEmpty() || (nameChanged && m_treeFolders.contains(path.toLower())))
            return written(QString()); // changes were lost, or a watched folder came or went
        written(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
    };
    return m_tree.start(m_root, changed, reason);
}

void ChangeTrigger::written(const QString &name, int quietMs)
{
    if (!name.isEmpty() && !m_names.contains(ShareWatch::stem(name)))
        return; // another item's file
    if (!m_quiet.isActive())
        m_firstWrite.start();
    else if (m_firstWrite.elapsed() >= m_maxWaitMs)
        return; // writes without end: the poll runs when the timer runs out
    m_quiet.start(quietMs < 0 ? m_quietMs : quietMs);
}

#ifdef Q_OS_LINUX
bool ChangeTrigger::watchFolders()
{
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0)
        return false;
    m_notifier = new QSocketNotifier(m_fd, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ChangeTrigger::readEvents);
    return true;
}

bool ChangeTrigger::arm(const QString &folder, QString &reason)
{
    if (m_fd < 0)
        return fallbackArm(folder, reason);
    const uint32_t mask = IN_MODIFY | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM |
                          IN_MOVED_TO | IN_MOVE_SELF;
    // The same folder gives the same watch; a folder made again or a mount
    // put over it gives a new one, and the old one goes.
    const int watch = inotify_add_watch(m_fd, QFile::encodeName(folder).constData(), mask);
    const int before = m_watchOf.value(folder, -1);
    if (before >= 0 && before != watch) {
        inotify_rm_watch(m_fd, before);
        m_folderOf.remove(before);
    }
    m_watchOf.insert(folder, watch);
    if (watch >= 0) {
        m_folderOf.insert(watch, folder);
        return true;
    }
    reason = errno == ENOSPC ? QStringLiteral("the per-user limit of inotify watches is reached "
                                              "(fs.inotify.max_user_watches)")
                             : QString::fromLocal8Bit(strerror(errno));
    return false;
}

bool ChangeTrigger::dropWatch(int watch)
{
    const QString folder = m_folderOf.take(watch);
    if (folder.isEmpty())
        return false; // one this program removed
    if (m_watchOf.value(folder) == watch)
        m_watchOf.insert(folder, -1);
    inotify_rm_watch(m_fd, watch); // moved away: no longer wanted; else gone already
    return true;
}

void ChangeTrigger::readEvents()
{
    alignas(inotify_event) char buffer[16384];
    for (;;) {
        const ssize_t length = ::read(m_fd, buffer, sizeof buffer);
        if (length <= 0)
            return; // EAGAIN: all read
        for (ssize_t at = 0; at < length;) {
            const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
            if (event->mask & (IN_IGNORED | IN_MOVE_SELF)) {
                // The folder went (deleted, moved away, unmounted): its watch
                // no longer follows the path. Poll; the path is watched again
                // before it.
                if (dropWatch(event->wd))
                    written(QString());
            } else if (event->mask & IN_Q_OVERFLOW) {
                written(QString()); // events were lost: poll to be sure
            } else if (event->len > 0) {
                written(QFile::decodeName(event->name));
            }
            at += ssize_t(sizeof(inotify_event) + event->len);
        }
    }
}
#else
bool ChangeTrigger::watchFolders()
{
#ifdef Q_OS_WIN
    // One notification on the folder that holds them all (the data folder),
    // which also sees them come and go: it costs one handle and looks at no
    // file.
    m_root = ShareWatch::treeOf(m_folders);
    for (const QString &folder : std::as_const(m_folders)) {
        QString below = folder.mid(m_root.size());
        if (below.startsWith(QLatin1Char('/')))
            below.remove(0, 1);
        if (!below.isEmpty())
            m_treeFolders.insert(below.toLower());
    }
    return !m_root.isEmpty();
#else
    return false;
#endif
}

bool ChangeTrigger::arm(const QString &folder, QString &reason)
{
    return fallbackArm(folder, reason);
}

void ChangeTrigger::readEvents() {}

bool ChangeTrigger::dropWatch(int)
{
    return false;
}
#endif
