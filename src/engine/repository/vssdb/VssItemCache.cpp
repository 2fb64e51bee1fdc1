#include "VssItemCache.h"

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

const VssItemCache::Entry &VssItemCache::read(const QByteArray &physical, bool withHistory)
{
    const QString path = m_session.folder().itemPath(physical);
    if (path.isEmpty())
        throw RepositoryError(
            QStringLiteral("Invalid physical item name \"%1\"").arg(QString::fromLatin1(physical)));
    QString error;
    const int attempts = std::max(1, m_session.options().readAttempts);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (attempt > 0)
            QThread::msleep(5 * attempt); // let a writer finish
        error = tryRead(path, physical, withHistory);
        if (error.isEmpty())
            return m_entries[physical];
    }
    m_session.fail(path, error);
}

QString VssItemCache::tryRead(const QString &path, const QByteArray &physical, bool withHistory)
{
    QByteArray bytes;
    qint64 size = 0;
    QString error = VssDataFolder::readFile(path, bytes, PrefixRead, &size);
    if (!error.isEmpty())
        return error;
    auto cached = m_entries.find(physical);
    VssItemState probe;
    QByteArray fingerprint;
    if (cached != m_entries.end() && (!withHistory || cached->historyLoaded) &&
        VssItemFile::parseHeader(VssBytes(bytes), probe).isEmpty() &&
        probe.header.endOffset <= size && fingerprintOf(VssBytes(bytes), probe, fingerprint) &&
        fingerprint == cached->fingerprint)
        return {}; // nothing written since the last consistent read

    if (bytes.size() == PrefixRead) {
        error = VssDataFolder::readFile(path, bytes);
        if (!error.isEmpty())
            return error;
    }
    ++m_fullReads;
    const VssBytes file(bytes);
    Entry entry;
    error = VssItemFile::parseState(file, entry.state);
    if (error.isEmpty() && withHistory) {
        error = VssItemFile::parseHistory(file, entry.state.header, entry.history);
        entry.historyLoaded = true;
    }
    if (error.isEmpty() && !fingerprintOf(file, entry.state, entry.fingerprint))
        error = QStringLiteral("check-out chain lies outside the file");
    if (!error.isEmpty())
        return error;
    m_entries.insert(physical, std::move(entry));
    return {};
}
