#include "VssItemCache.h"

#include "VssActionText.h"
#include "VssLayout.h"
#include "VssRecord.h"
#include "VssSession.h"
#include "engine/Repository.h"

#include <QSet>
#include <QThread>

namespace {

// The first read takes this many bytes: the header, the DH record and the
// first CF record with room to spare; small item files are read whole.
constexpr qint64 PrefixRead = 4096;
constexpr int MaxChainInFingerprint = 64;

// The DH payload and the raw bytes of the live check-out chain. False when a
// chain record is not inside `file` (the whole file must then be read).
bool fingerprintOf(const VssBytes &file, const VssItemState &state, QByteArray &out)
{
    using namespace VssLayout;
    out = state.headerPayload;
    if (state.header.type != DiskFile)
        return true;
    QSet<qint32> seen;
    for (qint32 offset = state.header.liveCheckout; offset != 0;) {
        if (seen.contains(offset) || seen.size() > MaxChainInFingerprint)
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

} // namespace

VssItemCache::EntryPtr VssItemCache::read(const QByteArray &physical, bool withVersions)
{
    if (!VssDataFolder::isPhysicalName(physical))
        throw RepositoryError(
            QStringLiteral("Invalid physical item name \"%1\"").arg(QString::fromLatin1(physical)));
    QString path;
    QString error;
    const int attempts = std::max(1, m_session.options().readAttempts);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(5 * attempt); // let a writer finish
        error = tryRead(physical, withVersions, path);
        if (error.isEmpty())
            return m_entries.value(physical);
    }
    m_session.fail(path, error);
}

QString VssItemCache::tryRead(const QByteArray &physical, bool withVersions, QString &path)
{
    const VssDataFolder &folder = m_session.folder();
    QByteArray bytes;
    qint64 size = 0;
    ++m_fileReads;
    QString error = folder.readItemFile(physical, bytes, PrefixRead, &size, &path);
    if (!error.isEmpty())
        return error;
    const auto cached = m_entries.constFind(physical);
    VssItemState probe;
    QByteArray fingerprint;
    if (cached != m_entries.constEnd() && (!withVersions || (*cached)->versions) &&
        VssItemFile::parseHeader(VssBytes(bytes), probe).isEmpty() &&
        probe.header.endOffset <= size && fingerprintOf(VssBytes(bytes), probe, fingerprint) &&
        fingerprint == (*cached)->fingerprint)
        return {}; // nothing written since the last consistent read

    if (bytes.size() == PrefixRead) {
        ++m_fileReads;
        error = folder.readItemFile(physical, bytes, -1, nullptr, &path);
        if (!error.isEmpty())
            return error;
    }
    ++m_fullReads;
    const VssBytes file(bytes);
    auto entry = std::make_shared<Entry>();
    error = VssItemFile::parseState(file, entry->state);
    if (error.isEmpty() && withVersions) {
        std::vector<VssHistoryEntry> history;
        error = VssItemFile::parseHistory(file, entry->state.header, history);
        if (error.isEmpty())
            entry->versions = std::make_shared<const std::vector<VSSVersion>>(versionsOf(history));
    }
    if (error.isEmpty() && !fingerprintOf(file, entry->state, entry->fingerprint))
        error = QStringLiteral("check-out chain lies outside the file");
    if (!error.isEmpty())
        return error;
    entry->newestDate = VssActionText::localDate(entry->state.newest.time);
    m_entries.insert(physical, std::move(entry));
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
        version.Date = VssActionText::localDate(entry.time);
        version.Username = session.decode(entry.user);
        version.Action = VssActionText::describe(entry, nameOf, decode);
        version.Label = session.decode(entry.label);
        result.push_back(std::move(version));
    }
    return result;
}
