#pragma once

#include "VssItemFile.h"
#include "VssStampGate.h"
#include "engine/Repository.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>

#include <memory>

class VssSession;

// The last consistent state read from each item file. Every event a watcher
// reports rewrites the item's DH record (or, for a check-out handed from one
// user to another, its live CF record), so a first small read of the file
// start decides whether anything can have changed; only then is the whole
// file read and parsed again. Once the file's stamp settled, a look at
// the stamp (a stat call or a listing's entry) that finds it unchanged
// stands for that first read (VssStampGate).
class VssItemCache
{
public:
    // One consistent read of an item file; never changed once handed out,
    // so an item may keep it as its snapshot.
    struct Entry
    {
        VssItemState state;         // without its headerPayload
        QDateTime newestDate;       // date of state.newest
        QByteArray head;            // file header and DH record, as read
        QByteArray checkoutRecords; // the live CF records, as read
        // The whole history as Versions() lists it, newest first; null
        // until asked for. Built once per header state.
        std::shared_ptr<const std::vector<VSSVersion>> versions;
    };
    using EntryPtr = std::shared_ptr<const Entry>;

    explicit VssItemCache(VssSession &session) : m_session(session) { m_clock.start(); }

    // The current state of the item file `physical`; `withVersions` also
    // loads its whole history. Raises RepositoryError when no consistent
    // read succeeds (torn write, damaged or missing file).
    EntryPtr read(const QByteArray &physical, bool withVersions = false);

    // Items remembered (bounded as the options' itemsKept tells).
    qsizetype size() const { return m_entries.size(); }

    // How many times an item file was parsed in full (tests, benchmarks).
    int fullReads() const { return m_fullReads; }
    // How many times an item file was opened and read (tests, benchmarks).
    int fileReads() const { return m_fileReads; }

private:
    QString tryRead(const QByteArray &physical, bool withVersions, qint64 sizeHint, QString &path);
    std::vector<VSSVersion> versionsOf(const std::vector<VssHistoryEntry> &history) const;

    struct Slot
    {
        EntryPtr entry;
        qint64 readAt = 0; // m_clock's time
        VssStampGate gate; // whether the item file's stamp alone tells that `entry` holds
    };
    void remember(const QByteArray &physical, EntryPtr entry);

    VssSession &m_session;
    QHash<QByteArray, Slot> m_entries;
    qsizetype m_sweepAt = 0;
    QElapsedTimer m_clock;
    int m_fullReads = 0;
    int m_fileReads = 0;
};
