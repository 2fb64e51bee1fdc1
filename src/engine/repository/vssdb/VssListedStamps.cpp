#include "VssListedStamps.h"

#include <algorithm>
#include <chrono>

namespace {

// An item file's name as a key: its eight letters, spelling kept. False for
// any other name (data files, names.dat, folders).
bool packName(QStringView name, quint64 &key)
{
    if (name.size() != 8)
        return false;
    key = 0;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (!((u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z')))
            return false;
        key = key << 8 | u;
    }
    return true;
}

qint64 steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

} // namespace

FileStamp VssListedStamps::stamp(FileAccess &files, const QString &folder, QStringView name,
                                 qint64 reuseMs, qint64 &takenMs)
{
    quint64 key = 0;
    if (!packName(name, key))
        return {};
    auto listing = m_folders.find(folder);
    if (listing == m_folders.end())
        listing = m_folders.insert(folder, {});
    auto seen = listing->items.find(key);
    const bool thisRound = listing->round == m_round;
    const bool fresh = thisRound && steadyMs() - listing->takenMs <= reuseMs;
    const bool answered = seen != listing->items.end() && seen->answered;
    if (thisRound && answered && files.statsMatchListings()) {
        // A second look in the round: this file's stamp afresh, not its
        // whole folder's (a listing of a large folder takes 30 times as long
        // on a share, and a session's start looks at each project again
        // every second).
        FileStamp now;
        if (files.stat(folder + QLatin1Char('/') + name.toString(), &now) != FileKind::Regular)
            now = {};
        takenMs = steadyMs();
        m_newestChangeNs = std::max(m_newestChangeNs, now.changedNs);
        return now;
    }
    if (!fresh || answered) {
        list(files, folder, *listing);
        listing->round = m_round;
        listing->takenMs = steadyMs();
        seen = listing->items.find(key);
    }
    takenMs = listing->takenMs;
    if (seen == listing->items.end())
        return {};
    seen->answered = true;
    return seen->stamp;
}

void VssListedStamps::list(FileAccess &files, const QString &folder, Listing &listing)
{
    std::vector<FolderEntry> entries;
    listing.items.clear(); // a folder that cannot be listed gives no stamps
    if (!files.list(folder, entries).isEmpty())
        return;
    listing.items.reserve(qsizetype(entries.size()));
    quint64 key = 0;
    for (const FolderEntry &entry : entries)
        if (entry.kind == FileKind::Regular && entry.stamp.isValid()) {
            m_newestChangeNs = std::max(m_newestChangeNs, entry.stamp.changedNs);
            if (packName(entry.name, key))
                listing.items.insert(key, {entry.stamp, false});
        }
}
