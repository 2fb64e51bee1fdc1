#include "ShareWatch.h"

#include <QFile>
#include <QSet>
#include <QThread>

#ifdef Q_OS_LINUX
#include <sys/vfs.h>
#elif defined(Q_OS_WIN)
#include <qt_windows.h>
#endif

namespace {

// File systems whose server other machines write to: a local watch does not
// see their writes.
bool onNetworkMount(const QString &path)
{
#ifdef Q_OS_LINUX
    struct statfs info;
    if (::statfs(QFile::encodeName(path).constData(), &info) != 0)
        return false;
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0x65735546UL: // FUSE (smbnetfs, sshfs, ...)
    case 0x6969UL:     // NFS
    case 0xFF534D42UL: // CIFS
    case 0xFE534D42UL: // SMB2
    case 0x517BUL:     // SMB
        return true;
    default:
        return false;
    }
#elif defined(Q_OS_WIN)
    // A UNC path, or a drive letter given to a share.
    if (path.startsWith(QLatin1String("//")))
        return true;
    const QString root = path.left(2) + QLatin1Char('\\');
    return path.size() >= 2 && path[1] == QLatin1Char(':') &&
           GetDriveTypeW(reinterpret_cast<const wchar_t *>(root.utf16())) == DRIVE_REMOTE;
#else
    Q_UNUSED(path);
    return false;
#endif
}

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

} // namespace

ShareWatch::ShareWatch(QObject *parent) : QObject(parent)
{
    // The period's sweep waits for the credit to be full again, so that a
    // sweep stays in hand; a tenth of a sweep either way, as timers fire a
    // little early or late.
    m_clock.start();
    connect(&m_sweep, &QTimer::timeout, this, [this] {
        if (m_looks && m_wholeSweep.isValid() && m_wholeSweep.elapsed() < kNotifiedSweepMs) {
            if (!(m_thread && m_thread->isRunning()) && credit() >= m_cost + kRequestsPerLook) {
                m_credit -= kRequestsPerLook;
                startSweep(true);
            }
            return;
        }
        if (credit() >= m_reserve - m_cost / 10)
            sweepNow();
    });
    m_due.setSingleShot(true);
    connect(&m_due, &QTimer::timeout, this, [this] {
        const double missing = m_cost * 0.9 - credit();
        if (missing > 0)
            return m_due.start(int(missing * 1000 / kMaxRequestsPerSecond) + 1);
        m_notifiedSweep.start();
        sweepNow();
    });
}

ShareWatch::~ShareWatch()
{
    stop();
}

QString ShareWatch::folderOf(const QString &path)
{
    QString p = QString(path).replace(QLatin1Char('\\'), QLatin1Char('/'));
    return p.left(p.lastIndexOf(QLatin1Char('/')));
}

QString ShareWatch::treeOf(const QSet<QString> &folders)
{
    QString common = *folders.cbegin();
    for (const QString &folder : folders)
        while (folder.compare(common, Qt::CaseInsensitive) != 0 &&
               !folder.startsWith(common + QLatin1Char('/'), Qt::CaseInsensitive)) {
            if (!common.contains(QLatin1Char('/')))
                return {}; // two drives or servers
            common = folderOf(common);
        }
    if (folders.contains(common)) // all in one folder: its parent sees it go
        common = folderOf(common);
    const bool drive = common.size() == 2 && common.endsWith(QLatin1Char(':'));
    return drive ? common + QLatin1Char('/') : common;
}

QString ShareWatch::stem(const QString &fileName)
{
    return fileName.section(QLatin1Char('.'), 0, 0).toLower();
}

int ShareWatch::sweepPeriodMs(int files, int folders, bool listingsCarryStamps)
{
    const qint64 requests = listingsCarryStamps ? qint64(folders) * kRequestsPerListing
                                                : qint64(files) * kRequestsPerLook;
    const qint64 ms = std::max<qint64>(1000, requests * 1000 / kMaxRequestsPerSecond);
    return ms <= kLongestSweepMs ? int(ms) : 0;
}

bool ShareWatch::start(const QStringList &files,
                       std::function<void(const QString &, bool)> onChange)
{
    stop();
    if (files.isEmpty())
        return false;
    const bool remote = FileAccess::isRemote(files.first());
    if (!remote && !onNetworkMount(folderOf(files.first())))
        return false;
    m_place = remote ? FileAccess::forPath(files.first()) : FileAccess::local();
    if (!m_place)
        return false;
    m_onChange = std::move(onChange);
    QSet<QString> folders;
    for (const QString &file : files) {
        m_files[folderOf(file)] << file;
        m_folderOf.insert(stem(fileName(file)), folderOf(file));
        folders.insert(folderOf(file));
    }
    m_order = m_files.keys();
    // The data folder holds the folders of the item files and status.dat;
    // the place's own notification (an SMB server's; on Windows the folder
    // tree's, which a share's server answers) tells of every write below it.
    const QString data = folderOf(*folders.cbegin());
    bool common = true;
    for (const QString &folder : std::as_const(folders))
        common = common && (folder == data || folderOf(folder) == data);
    if (common)
        m_status = data + QStringLiteral("/status.dat");
    const QString tree = treeOf(folders);
    m_notifying =
        !tree.isEmpty() && m_place->watch(tree, [this](const QString &name) { notified(name); });
    // Samba tells a recursive watch of files added, renamed, removed or
    // truncated, but of a file rewritten in place (a check-out) only when
    // that sets its archive attribute: the sweep adds those where the
    // server bears it.
    const bool listings = m_place->listingsCarryStamps();
    const int period = sweepPeriodMs(int(files.size()), int(folders.size()), listings);
    if (period > 0) {
        m_cost = listings ? double(folders.size()) * kRequestsPerListing
                          : double(files.size()) * kRequestsPerLook;
        m_reserve = m_cost + double(kMaxRequestsPerSecond) * period / 1000;
        m_credit = m_reserve;
        m_refilled.start();
        sweepNow(); // what is there now
        m_firstSweep = m_sweeps;
        m_period = period;
        m_sweep.start(period);
    }
    if (m_notifying || period > 0)
        return true;
    stop();
    return false;
}

void ShareWatch::stop()
{
    m_sweep.stop();
    m_due.stop();
    m_notifiedSweep.invalidate();
    m_cancel = true;
    if (m_thread)
        m_thread->wait(); // the listing under way: a sweep ends between listings
    m_thread.reset();
    m_cancel = false;
    m_again = false;
    if (m_place && m_notifying)
        m_place->stopWatching();
    m_notifying = false;
    m_place.reset();
    m_files.clear();
    m_order.clear();
    m_folderOf.clear();
    m_first.clear();
    m_seen.clear();
    m_compared = false;
    m_status.clear();
    m_statusTells = false;
    m_statusStamp = {};
    m_statusMovedMs = -1;
    m_wholeSweep.invalidate();
    m_looks = false;
}

void ShareWatch::pollBegins()
{
    if (!m_compared)
        return; // the first sweep: what later ones compare with
    m_due.stop();
    m_again = false;
    m_cancel = true;
}

void ShareWatch::notified(const QString &name)
{
    // No name: the server's notification broke (it is made again); the
    // sweeps tell of changes until its next word.
    if (name.isEmpty() && m_sweep.isActive())
        paceUnnotified();
    if (name.compare(QLatin1String("status.dat"), Qt::CaseInsensitive) != 0) {
        // The sweep its operation's write of status.dat starts finds this
        // file first, and the poll comes as soon as it is found.
        m_first = m_folderOf.value(stem(name));
        return m_onChange(name, false);
    }
    // One write of it is told several times (the write, the time update at
    // its close): a sweep stands for what is told within kEchoMs of it.
    // The server tells of the writes a change makes: the period's sweep
    // is a net from now on.
    if (m_sweep.isActive() && (m_looks || m_sweep.interval() < kNotifiedSweepMs)) {
        m_looks = false;
        m_sweep.setInterval(kNotifiedSweepMs);
    }
    sweepSoon();
}

void ShareWatch::sweepSoon()
{
    if (!m_sweep.isActive() || m_due.isActive() ||
        (m_notifiedSweep.isValid() && m_notifiedSweep.elapsed() < kEchoMs))
        return;
    m_due.start(kSettleMs);
}

void ShareWatch::paceUnnotified()
{
    m_looks = m_statusTells;
    m_sweep.setInterval(m_looks ? kStatusLookMs : m_period);
}

double ShareWatch::credit()
{
    m_credit =
        std::min(m_reserve, m_credit + double(m_refilled.restart()) * kMaxRequestsPerSecond / 1000);
    return m_credit;
}

void ShareWatch::sweepNow()
{
    m_credit -= m_cost;
    if (m_thread && m_thread->isRunning())
        m_again = true; // once the one under way is done
    else
        startSweep();
}

void ShareWatch::startSweep(bool statusOnly)
{
    if (m_thread)
        m_thread->wait(); // ended: let it finish leaving
    m_cancel = false;
    if (!statusOnly) {
        m_wholeSweep.start();
        if (m_order.contains(m_first))
            m_order.move(m_order.indexOf(m_first), 0);
        m_first.clear();
    }
    m_thread.reset(
        QThread::create([this, statusOnly, checkTold = m_looks] { sweep(statusOnly, checkTold); }));
    // Told after the thread's last step: waiting for it then is brief.
    connect(m_thread.get(), &QThread::finished, this, [this, number = ++m_sweeps] {
        if (number == m_firstSweep && m_place) {
            m_onChange(QString(), true); // writes before it were not seen
            if (m_place && m_sweep.isActive() && m_sweep.interval() < kNotifiedSweepMs)
                paceUnnotified();
        }
        if (number == m_sweeps && std::exchange(m_again, false))
            startSweep();
    });
    m_thread->start();
}

// On the sweep's thread: only the listings (or looks) and the stamps seen by
// sweeps; a moved file's name is handed to the event loop. A look at
// status.dat alone sweeps at once where it moved.
void ShareWatch::sweep(bool statusOnly, bool checkTold)
{
    if (statusOnly) {
        if (statusMoved())
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_place)
                        sweepSoon();
                },
                Qt::QueuedConnection);
        return;
    }
    bool anyMoved = false;
    std::vector<FolderEntry> entries;
    // The folders where files moved lately first: a check-out's check-in
    // or undo comes sooner.
    const QStringList order = m_order;
    for (const QString &folder : order) {
        if (m_cancel)
            return;
        bool moved = false;
        const QStringList paths = m_files.value(folder);
        if (m_place->listingsCarryStamps()) {
            if (!m_place->list(folder, entries).isEmpty())
                continue; // the next sweep or the timer's poll
            // A poll began meanwhile and may have listed this folder
            // before: the next sweep compares it.
            if (m_cancel)
                return;
            QHash<QString, FileStamp> listed;
            for (const FolderEntry &e : entries)
                listed.insert(e.name.toLower(), e.stamp);
            for (const QString &path : paths)
                moved |= compare(path, listed.value(fileName(path).toLower()));
        } else {
            for (const QString &path : paths) {
                if (m_cancel)
                    return;
                FileStamp stamp;
                m_place->stat(path, &stamp);
                moved |= compare(path, stamp);
            }
        }
        if (moved)
            m_order.move(m_order.indexOf(folder), 0);
        anyMoved |= moved;
    }
    if (!m_compared && !m_status.isEmpty()) {
        statusMoved(); // what later looks compare with
        m_statusTells = m_statusStamp.isValid();
    } else if (anyMoved && checkTold) {
        // A file moved, and status.dat did not tell: the sweeps come back.
        const qint64 told = m_statusMovedMs;
        if (told < 0 || m_clock.elapsed() - told > kStatusToldMs) {
            m_statusTells = false;
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_place && m_looks)
                        paceUnnotified();
                },
                Qt::QueuedConnection);
        }
    }
    m_compared = true;
}

bool ShareWatch::statusMoved()
{
    FileStamp now;
    if (m_place->stat(m_status, &now) != FileKind::Regular)
        now = {};
    const bool moved = m_statusStamp.isValid() && now != m_statusStamp;
    m_statusStamp = now;
    if (moved)
        m_statusMovedMs = m_clock.elapsed();
    return moved;
}

bool ShareWatch::compare(const QString &path, const FileStamp &now)
{
    const auto seen = m_seen.find(path);
    if (seen == m_seen.end()) {
        m_seen.insert(path, now);
        return false;
    }
    if (*seen == now)
        return false;
    *seen = now;
    QMetaObject::invokeMethod(
        this,
        [this, name = fileName(path)] {
            if (m_place)
                m_onChange(name, true);
        },
        Qt::QueuedConnection);
    return true;
}
