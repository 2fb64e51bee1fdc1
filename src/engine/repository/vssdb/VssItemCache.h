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
// stands for that first read (VssStampGate). A file met for the first time
// whose stamp shows it unwritten for the settle time by the place's clock
// is read by its header alone (VssItemFile::parseHeadState): on a share its
// newest history record lies kilobytes further on, a second read.
class VssItemCache
{
public:
    // What a read must give.
    enum class Need
    {
        Header,  // the check-out state, the newest version's number and date
        Newest,  // also the newest history record itself (its user)
        Versions // also the whole history
    };

    // One consistent read of an item file; never changed once handed out,
    // so an item may keep it as its snapshot.
    struct Entry
    {
        VssItemState state;         // without its headerPayload
        QDateTime newestDate;       // date of state.newest
        QByteArray head;            // file header and DH record, as read
        QByteArray checkoutRecords; // the live CF records, as read
        // Read by the header alone: state.newest holds its number and time
        // only, and the record is unchecked.
        bool newestUnread = false;
        // The whole history as Versions() lists it, newest first; null
        // until asked for. Built once per header state.
        std::shared_ptr<const std::vector<VSSVersion>> versions;
    };
    using EntryPtr = std::shared_ptr<const Entry>;

    explicit VssItemCache(VssSession &session) : m_session(session) { m_clock.start(); }

    // The current state of the item file `physical`, with what `need`
    // asks for. Raises RepositoryError when no consistent read succeeds
    // (torn write, damaged or missing file).
    EntryPtr read(const QByteArray &physical, Need need = Need::Header);
    static bool gives(const Entry &entry, Need need)
    {
        return need == Need::Versions ? entry.versions != nullptr
                                      : need == Need::Header || !entry.newestUnread;
    }

    // Items remembered (bounded as the options' itemsKept tells).
    qsizetype size() const { return m_entries.size(); }

    // How many times an item file was parsed in full (tests, benchmarks).
    int fullReads() const { return m_fullReads; }
    // How many times an item file was opened and read (tests, benchmarks).
    int fileReads() const { return m_fileReads; }

private:
    // `byHeader`: the header alone may tell the state (Need::Header).
    QString tryRead(const QByteArray &physical, Need need, bool byHeader, qint64 sizeHint,
                    QString &path);
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
