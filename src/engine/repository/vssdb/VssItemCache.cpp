#include "VssItemCache.h"

#include "VssActionText.h"
#include "VssItemRead.h"
#include "VssLayout.h"
#include "VssRecord.h"
#include "VssSession.h"
#include "engine/Repository.h"

#include <QSet>

namespace {

// Files with longer live check-out chains are parsed on every read.
constexpr int MaxChainCompared = 64;

// The raw bytes of the live check-out chain. False when a chain record is
// not inside `file` (the whole file must then be read).
bool checkoutChain(const VssBytes &file, const VssHeader &header, QByteArray &out)
{
    using namespace VssLayout;
    out.clear();
    if (header.type != DiskFile)
        return true;
    QSet<qint32> seen;
    for (qint32 offset = header.liveCheckout; offset != 0;) {
        if (seen.contains(offset) || seen.size() > MaxChainCompared)
            return false;
        seen.insert(offset);
        const qint64 length = RecordHeaderSize + CF::PayloadSize;
        if (!file.has(offset, length))
            return false;
        out.append(file.view().sliced(offset, length));
        offset = file.i32(offset + RecordHeaderSize + CF::Previous);
    }
    return true;
}

// Whether the first bytes of an item file show what `cached` was read from:
// the same file header and DH record, byte for byte, and the same live CF
// records. Records identical to ones already checked need no second check.
// The file must reach the end the header names: a read shorter than asked
// for is the whole file; the length of a longer one is the one its stamp
// showed, as asking for it would cost a call per file and poll.
bool unchangedSince(const QByteArray &bytes, qint64 asked, qint64 sizeHint,
                    const VssItemCache::Entry &cached)
{
    QByteArray chain;
    return !cached.head.isEmpty() && bytes.startsWith(cached.head) &&
           VssItemRead::mayReach(cached.state.header.endOffset, bytes, asked, sizeHint) &&
           checkoutChain(VssBytes(bytes), cached.state.header, chain) &&
           chain == cached.checkoutRecords;
}

} // namespace

VssItemCache::EntryPtr VssItemCache::read(const QByteArray &physical, Need need)
{
    // An unchanged poll of a watched file costs one stat call (or its share
    // of a folder listing) once its stamp settled, instead of open, read and
    // close.
    const auto known = m_entries.find(physical);
    const VssStampGate::Look now =
        VssStampGate::look(m_session, physical, known != m_entries.end());
    VssStampGate gate;
    if (known != m_entries.end()) {
        if (known->gate.holds(now) && gives(*known->entry, need)) {
            known->readAt = m_clock.elapsed();
            return known->entry;
        }
        gate = known->gate;
    }
    // Met for the first time (a start), unwritten for a while: the header
    // tells. Its newest record is read when the file changed, or when the
    // record itself is asked for.
    const qint64 settleMs = m_session.options().stampSettleMs;
    const bool byHeader =
        need == Need::Header && known == m_entries.end() && settleMs >= 0 && now.oldBy(settleMs);
    m_session.readConsistently(physical, [&](QString &path) {
        return tryRead(physical, need, byHeader, now.stamp.size, path);
    });
    if (!m_session.options().keepReadStates)
        return m_entries.take(physical).entry;
    gate.readAfter(now, settleMs);
    Slot &slot = m_entries[physical];
    slot.readAt = m_clock.elapsed();
    slot.gate = gate;
    return slot.entry;
}

void VssItemCache::remember(const QByteArray &physical, EntryPtr entry)
{
    const VssDbOptions &options = m_session.options();
    if (m_entries.size() >= std::max(m_sweepAt, qsizetype(options.itemsKept))) {
        const qint64 before = m_clock.elapsed() - options.itemForgetMs;
        m_entries.removeIf([before](const auto &item) { return item.value().readAt < before; });
        m_sweepAt = 2 * m_entries.size();
    }
    m_entries.insert(physical, Slot{std::move(entry), m_clock.elapsed(), {}});
}

QString VssItemCache::tryRead(const QByteArray &physical, Need need, bool byHeader, qint64 sizeHint,
                              QString &path)
{
    QString error;
    const std::unique_ptr<FileAccess::Reader> reader =
        m_session.folder().openItemFile(physical, error, &path);
    if (!reader)
        return error;
    ++m_fileReads;
    const qint64 asked = VssItemRead::headSize(sizeHint);
    QByteArray bytes;
    error = reader->read(bytes, asked);
    if (!error.isEmpty())
        return error;
    const auto slot = m_entries.constFind(physical);
    const EntryPtr cached = slot != m_entries.constEnd() ? slot->entry : nullptr;
    if (cached && gives(*cached, need) && unchangedSince(bytes, asked, sizeHint, *cached))
        return {}; // nothing written since the last consistent read

    auto entry = std::make_shared<Entry>();
    const bool withVersions = need == Need::Versions;
    // A file read whole at once is parsed whole.
    entry->newestUnread =
        byHeader && bytes.size() == asked &&
        VssItemFile::parseHeadState(VssBytes(bytes), sizeHint, entry->state).isEmpty();
    if (withVersions && bytes.size() == asked)
        error = reader->read(bytes);
    if (error.isEmpty() && !entry->newestUnread)
        error = withVersions
                    ? VssItemFile::parseState(VssBytes(bytes), entry->state)
                    : VssItemRead::readState(*reader, bytes, asked, sizeHint, entry->state);
    if (!error.isEmpty())
        return error;
    ++m_fullReads;
    const VssBytes file(bytes);
    if (withVersions) {
        std::vector<VssHistoryEntry> history;
        error = VssItemFile::parseHistory(file, entry->state.header, history);
        if (error.isEmpty())
            entry->versions = std::make_shared<const std::vector<VSSVersion>>(versionsOf(history));
    }
    if (!error.isEmpty())
        return error;
    // parseState checked every record of the chain; only a chain too long
    // to compare is left out, and such a file is parsed on every read.
    if (checkoutChain(file, entry->state.header, entry->checkoutRecords)) {
        using namespace VssLayout;
        entry->head =
            bytes.left(DH::FileOffset + RecordHeaderSize + entry->state.headerPayload.size());
    }
    // The payload's bytes are kept once, in `head`: a watcher holds an entry
    // per watched file.
    entry->state.headerPayload = QByteArray();
    entry->newestDate = VssActionText::wallClockDate(entry->state.newest.time);
    remember(physical, std::move(entry));
    return {};
}

std::vector<VSSVersion> VssItemCache::versionsOf(const std::vector<VssHistoryEntry> &history) const
{
    VssSession &session = m_session;
    const auto nameOf = [&session](const VssNameBlock &block) {
        return session.displayNameOrShort(block);
    };
    const auto decode = [&session](const QByteArray &bytes) { return session.decode(bytes); };
    std::vector<VSSVersion> result;
    result.reserve(history.size());
    for (const VssHistoryEntry &entry : history) {
        VSSVersion version;
        version.VersionNumber = entry.version;
        version.Date = VssActionText::wallClockDate(entry.time);
        version.Username = session.decode(entry.user);
        version.Action = VssActionText::describe(entry, nameOf, decode);
        version.Label = session.decode(entry.label);
        result.push_back(std::move(version));
    }
    return result;
}
