#pragma once

#include "VssItemFile.h"

#include <QHash>

class VssSession;

// The last consistent state read from each item file. Every event a watcher
// reports rewrites the item's DH record (or, for a check-out handed from one
// user to another, its live CF record), so a first small read of the file
// start decides whether anything can have changed; only then is the whole
// file read and parsed again.
class VssItemCache
{
public:
    struct Entry
    {
        VssItemState state;
        QByteArray fingerprint; // DH payload + live CF records, as read
        bool historyLoaded = false;
        std::vector<VssHistoryEntry> history;
    };

    explicit VssItemCache(VssSession &session) : m_session(session) {}

    // The current state of the item file `physical`; `withHistory` also
    // loads its whole history. Raises RepositoryError when no consistent
    // read succeeds (torn write, damaged or missing file).
    const Entry &read(const QByteArray &physical, bool withHistory = false);

    // How many times an item file was parsed in full (tests, benchmarks).
    int fullReads() const { return m_fullReads; }

private:
    QString tryRead(const QString &path, const QByteArray &physical, bool withHistory);

    VssSession &m_session;
    QHash<QByteArray, Entry> m_entries;
    int m_fullReads = 0;
};
