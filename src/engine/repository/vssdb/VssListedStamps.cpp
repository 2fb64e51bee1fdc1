#include "VssListedStamps.h"

#include "engine/SteadyMs.h"

#include <algorithm>

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

} // namespace

FileStamp VssListedStamps::stamp(FileAccess &files, const QString &folder, QStringView name,
                                 qint64 idleMs, qint64 &takenMs)
{
    quint64 key = 0;
    if (!packName(name, key))
        return {};
    // A new pass after a pause: neither a look nor a call to the place.
    const qint64 now = steadyMs();
    if (std::min(files.idleMs(), now - m_lastLookMs) >= idleMs)
        beginRound();
    m_lastLookMs = now;
    auto listing = m_folders.find(folder);
    if (listing == m_folders.end())
        listing = m_folders.insert(folder, {});
    if (listing->round != m_round) {
        list(files, folder, *listing);
        listing->round = m_round;
        listing->takenMs = steadyMs();
    }
    takenMs = listing->takenMs;
    return listing->items.value(key);
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
                listing.items.insert(key, entry.stamp);
        }
}
