#pragma once

#include "repository/fileaccess/FileAccess.h"

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <functional>
#include <memory>

// Writes that other machines make to a database on a file share, which the
// local folder watcher never sees. A place with a change notification of
// its own (smb://: the server's) reports them; besides, and on a network
// mount (FUSE, NFS, CIFS) instead, the watched files' folders are swept every
// 1 to 2.5 s (15 s once a notification came) where that costs the server at
// most 50 requests a second: one listing per folder where listings carry
// sizes and times (every data folder of a database: about 2 s), else a look
// at each file (at most 41 files).
// The listings run on a thread of their own, so that a slow server never
// stalls the event loop; each changed file's name comes back into it and
// goes to the callback, as the folder watcher's writes do.
//
// VSS rewrites an item file in place at a check-out or an undo, and Samba
// tells a watch of a folder tree of that only for the folder the watch was
// made on (its kernel notification), not for its subfolders, where the item
// files are. It does tell of `status.dat` in the data folder itself, which
// VSS rewrites at every check-out, undo and check-in: that starts a sweep at
// once. Sweeps keep one sweep's requests in hand for this, so the server
// still gets at most 50 requests a second on average. Until the server's
// first word (and where it tells nothing), a look at status.dat every
// second stands for the period's sweep: a look that finds it moved sweeps
// at once, and the whole sweep comes every 15 s as a net.
class QThread;

class ShareWatch : public QObject
{
public:
    // Requests a look at one file (create, getinfo, close) or one listing
    // (create, a find, the find that ends it, close: measured for 776
    // entries) costs an SMB server.
    static constexpr int kRequestsPerLook = 3;
    static constexpr int kRequestsPerListing = 4;
    static constexpr int kMaxRequestsPerSecond = 50;
    // A sweep that cannot come this often within that budget is left out.
    static constexpr int kLongestSweepMs = 2500;
    // A notification of status.dat is swept after this long, so that the
    // writes of one operation are all seen; what is told within kEchoMs
    // of that sweep is taken as the same writes.
    static constexpr int kSettleMs = 150;
    static constexpr int kEchoMs = 500;
    // The quiet time before a poll of what a sweep saw moved (the writes
    // were over when it listed them; a second name of the same sweep
    // comes within it).
    static constexpr int kSweptQuietMs = 50;
    // Once the server has told of a write of status.dat, its word starts
    // the sweep a check-out, undo or check-in needs; the period's sweep is
    // then only a net under it, so that watching costs the server a few
    // requests a second while nothing changes, not 50.
    static constexpr int kNotifiedSweepMs = 15000;
    // Before that word, status.dat is looked at this often instead (3
    // requests), the whole sweep coming every kNotifiedSweepMs, as long as
    // what moved was always told by status.dat too (a file a sweep finds
    // moved without a move of status.dat within kStatusToldMs before makes
    // the period's sweeps come back: a database whose status.dat is not
    // rewritten).
    static constexpr int kStatusLookMs = 1000;
    static constexpr int kStatusToldMs = kNotifiedSweepMs + kLongestSweepMs;

    explicit ShareWatch(QObject *parent = nullptr);
    ~ShareWatch() override;

    // Watches `files` (paths of one database); false when nothing is to be
    // done here (a local disk, or a sweep that would cost too much).
    // `onChange` gets each written file's name, and whether a sweep saw it
    // moved (its writes are over), not the place's notification; an empty
    // name once the first sweep has listed what is there (writes before
    // that were not seen).
    bool start(const QStringList &files, std::function<void(const QString &, bool)> onChange);
    void stop();

    // The folder holding `path`, for local and remote paths alike.
    static QString folderOf(const QString &path);
    // The folder whose notification covers every one of `folders` (given
    // by folderOf) and sees them come and go: the folder holding them (a
    // database's data folder, where status.dat is too), or the parent of
    // the one folder; empty where they share none.
    static QString treeOf(const QSet<QString> &folders);
    // An item file and its data files ("abcdefgh", "abcdefgh.a") share the
    // stem, in lower case.
    static QString stem(const QString &fileName);
    // The milliseconds between sweeps of `files` in `folders`, or 0 when a
    // sweep would cost more than the server is to bear.
    static int sweepPeriodMs(int files, int folders, bool listingsCarryStamps);

    // A poll begins: it looks at every watched file, so the sweep under way
    // ends after its listing, and one owed to a notification is dropped.
    // Where a sweep has yet to list a folder, the next one compares it with
    // what it showed before: a write the poll saw may start one poll more,
    // none is missed.
    void pollBegins();

    bool notifying() const { return m_notifying; }
    int sweepIntervalMs() const { return m_sweep.isActive() ? m_sweep.interval() : 0; }

private:
    void notified(const QString &name);
    // The requests the server may be sent now: refilled at 50 a second up
    // to a sweep more than a period's sweep needs.
    double credit();
    void sweepNow();
    // A sweep owed to a change: after kSettleMs, once the credit allows.
    void sweepSoon();
    // The period's pace while the server says nothing: looks at status.dat
    // where they stand for sweeps, else sweeps.
    void paceUnnotified();
    void startSweep(bool statusOnly = false);
    // A sweep of every folder, or a look at status.dat alone; `checkTold`:
    // whether a file moved while status.dat did not makes the sweeps return.
    void sweep(bool statusOnly, bool checkTold);
    // On the sweep's thread: whether status.dat moved since the last look.
    bool statusMoved();
    // Whether `path` moved since the last sweep (its name then handed on).
    bool compare(const QString &path, const FileStamp &now);

    // The sweep under way, on a thread of its own; m_files is not changed
    // and m_seen and m_order are touched by no other thread while it runs.
    std::unique_ptr<QThread> m_thread;
    std::atomic<bool> m_cancel{false};
    std::atomic<bool> m_compared{false}; // a sweep saw every folder: later ones compare
    bool m_again = false;                // a sweep was due while one was under way
    int m_sweeps = 0;     // sweeps started: a late word of an earlier one's end is ignored
    int m_firstSweep = 0; // the start's sweep, whose end is told
    // status.dat where the watched files' folders are in one data folder
    // (empty: none); whether looks at it stand for sweeps; its stamp at the
    // last look and when that look saw it move (steady ms; the thread's).
    QString m_status;
    std::atomic<bool> m_statusTells{false};
    FileStamp m_statusStamp;
    std::atomic<qint64> m_statusMovedMs{-1};
    QElapsedTimer m_wholeSweep; // since the last sweep of every folder began
    QElapsedTimer m_clock;      // steady, for m_statusMovedMs
    bool m_looks = false;       // the period's turn is a look at status.dat

    std::shared_ptr<FileAccess> m_place;
    std::function<void(const QString &, bool)> m_onChange;
    QHash<QString, QStringList> m_files; // folder -> watched paths in it
    QHash<QString, FileStamp> m_seen;    // path -> stamp at the last sweep
    QStringList m_order;                 // the folders, where files moved lately first
    QHash<QString, QString> m_folderOf;  // a watched file's stem (lower case) -> its folder
    QString m_first; // a folder whose file the server named: the next sweep lists it first
    QTimer m_sweep;
    QTimer m_due; // a sweep owed to a notification, once the credit allows
    QElapsedTimer m_notifiedSweep;
    bool m_notifying = false;
    int m_period = 0;     // ms between sweeps while the server says nothing
    double m_cost = 0;    // requests per sweep
    double m_reserve = 0; // the most credit kept: a sweep plus a period's refill
    double m_credit = 0;
    QElapsedTimer m_refilled;
};
