#include "VssProjectTree.h"

#include "VssItemRead.h"
#include "VssLayout.h"
#include "VssSession.h"
#include "engine/Repository.h"

using namespace VssLayout;

VssItemRef VssProjectTree::root()
{
    VssItemRef ref;
    ref.spec = QStringLiteral("$/");
    ref.name = QStringLiteral("$/");
    ref.type = VSSItem::Project;
    ref.physical = "AAAAAAAA";
    return ref;
}

QString VssProjectTree::childSpec(const QString &parent, const QString &name)
{
    return parent.endsWith(QLatin1Char('/')) ? parent + name : parent + QLatin1Char('/') + name;
}

VssItemRef VssProjectTree::resolve(const QString &spec, bool deleted)
{
    // A spec resolved before stands while every listing it went through is
    // the one it was resolved with.
    QHash<QString, Resolved> &known = m_resolved[deleted ? 1 : 0];
    const auto hit = known.constFind(spec);
    if (hit != known.constEnd() && listingsUnchanged(*hit))
        return hit->item;
    Resolved resolved;
    resolved.item = walk(spec, deleted, resolved.listings);
    if (resolved.item.spec == spec)
        resolved.item.spec = spec; // one copy of the text for a watched file
    if (known.size() >= MaxResolvedSpecs)
        known.clear();
    known.insert(spec, resolved);
    return resolved.item;
}

bool VssProjectTree::listingsUnchanged(const Resolved &resolved)
{
    for (const auto &[physical, generation] : resolved.listings)
        if (listing(physical).generation != generation)
            return false;
    return true;
}

VssItemRef VssProjectTree::walk(const QString &spec, bool deleted,
                                std::vector<std::pair<QByteArray, quint64>> &listings)
{
    const QString trimmed = spec.trimmed();
    if (!trimmed.startsWith(QLatin1Char('$')))
        throw RepositoryError(QStringLiteral("\"%1\" is not a valid SourceSafe path").arg(spec));
    const QStringList parts = trimmed.mid(1).split(QLatin1Char('/'), Qt::SkipEmptyParts);
    VssItemRef item = root();
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QString &part = parts[i];
        const bool last = i + 1 == parts.size();
        if (item.type != VSSItem::Project)
            throw RepositoryError(QStringLiteral("%1 is a file, not a project").arg(item.spec));
        const Listing &list = listing(item.physical);
        listings.emplace_back(item.physical, list.generation);
        // A live entry wins over deleted ones of the same name.
        const NameIndex match = list.byName.value(part.toCaseFolded());
        const int index = match.lastLive >= 0 ? match.lastLive
                          : deleted && last   ? match.firstDeleted
                                              : -1;
        const Child *found = index >= 0 ? &list.children[size_t(index)] : nullptr;
        if (!found)
            throw RepositoryError(QStringLiteral("%1 does not exist (names read in code page %2)")
                                      .arg(childSpec(item.spec, part), m_session.codePageName()));
        VssItemRef next;
        next.spec = childSpec(item.spec, found->name);
        next.name = found->name;
        next.type = found->type;
        next.physical = found->physical;
        next.pinned = found->pinned;
        item = std::move(next);
    }
    return item;
}

std::vector<VssItemRef> VssProjectTree::children(const VssItemRef &project, bool includeDeleted)
{
    std::vector<VssItemRef> result;
    if (project.type != VSSItem::Project)
        return result;
    const Listing &list = listing(project.physical);
    for (const Child &child : list.children) {
        if (child.deleted && !includeDeleted)
            continue;
        result.push_back({childSpec(project.spec, child.name), child.name, child.type,
                          child.physical, child.pinned});
    }
    if (!m_session.options().keepReadStates)
        m_listings.remove(project.physical);
    return result;
}

const VssProjectTree::Listing &VssProjectTree::listing(const QByteArray &physical)
{
    const VssDbOptions &options = m_session.options();
    const auto cached = m_listings.find(physical);
    const bool known = cached != m_listings.end();
    const int window = options.projectRecheckMs;
    if (known && window > 0 && cached->checkedInPoll == m_poll && cached->checked.isValid() &&
        (m_polling || !cached->checked.hasExpired(window)))
        return *cached;
    const VssStampGate::Look now = VssStampGate::look(m_session, physical, known);
    if (known && cached->gate.holds(now)) {
        cached->checked.start();
        cached->checkedInPoll = m_poll;
        return *cached;
    }
    VssStampGate gate = known ? cached->gate : VssStampGate();
    // Met first (a start) and unwritten for a while, as the item cache
    // reads a file: the listing needs nothing of the project's history.
    const bool byHeader = !known && options.stampSettleMs >= 0 && now.oldBy(options.stampSettleMs);
    m_session.readConsistently(physical, [&](QString &path) {
        return tryReadListing(physical, now.stamp.size, byHeader, path);
    });
    gate.readAfter(now, options.stampSettleMs);
    Listing &list = m_listings[physical]; // possibly read afresh
    list.gate = gate;
    list.checkedInPoll = m_poll;
    return list;
}

QString VssProjectTree::tryReadListing(const QByteArray &physical, qint64 sizeHint, bool byHeader,
                                       QString &path)
{
    const VssDataFolder &folder = m_session.folder();
    QString error;
    std::unique_ptr<FileAccess::Reader> reader = folder.openItemFile(physical, error, &path);
    if (!reader)
        return error;
    // A first small read decides whether the listing can have changed.
    const qint64 asked = VssItemRead::headSize(sizeHint);
    QByteArray first;
    error = reader->read(first, asked);
    if (!error.isEmpty())
        return error;
    ++m_headerReads;
    VssItemState state;
    auto cached = m_listings.find(physical);
    if (cached != m_listings.end() && VssItemFile::parseHeader(VssBytes(first), state).isEmpty() &&
        VssItemRead::mayReach(state.header.endOffset, first, asked, sizeHint) &&
        cached->headerPayload == state.headerPayload) {
        cached->checked.start();
        return {};
    }
    const bool headerAlone = byHeader && first.size() == asked &&
                             VssItemFile::parseHeader(VssBytes(first), state).isEmpty() &&
                             state.header.endOffset == sizeHint;
    if (!headerAlone)
        error = VssItemRead::readState(*reader, first, asked, sizeHint, state);
    if (!error.isEmpty())
        return error;
    if (state.header.type != DiskProject)
        return QStringLiteral("item file is not a project");

    ++m_listingReads;
    std::vector<VssProjectEntry> entries;
    QString dataPath;
    QByteArray data;
    // As long as the header's count of entries makes it: one read, no look
    // at its size.
    const qint64 expected = state.header.entryCount * (RecordHeaderSize + JP::PayloadSize);
    error = folder.readDataFile(physical, state.header.dataExtension, data, &dataPath, expected);
    if (dataPath.isEmpty())
        return QStringLiteral("item header names no valid data file");
    // A project that never had entries may have no data file.
    if (!error.isEmpty() &&
        !(state.header.entryCount == 0 && folder.files()->stat(dataPath) == FileKind::Missing))
        return error;
    error = VssItemFile::parseProjectData(VssBytes(data), state.header, entries);
    if (!error.isEmpty())
        return QStringLiteral("%1 (%2)").arg(error, dataPath);

    // The data file is replaced as a whole: it belongs to the header only if
    // the header did not change while we read it (read again through the
    // item file still open: no second open on a share).
    QByteArray again;
    error = reader->read(again, DH::PrefixSize);
    VssItemState second;
    if (error.isEmpty())
        error = VssItemFile::parseHeader(VssBytes(again), second);
    if (!error.isEmpty())
        return error;
    if (second.headerPayload != state.headerPayload)
        return QStringLiteral("project changed while it was read");

    Listing list;
    list.headerPayload = state.headerPayload;
    for (const VssProjectEntry &entry : entries) {
        if (!VssDataFolder::isPhysicalName(entry.physical) ||
            (entry.type != DiskProject && entry.type != DiskFile))
            return QStringLiteral("damaged project entry in %1").arg(dataPath);
        Child child;
        child.name = m_session.displayName(entry.name);
        child.type = entry.type == DiskProject ? VSSItem::Project : VSSItem::File;
        child.deleted = (entry.flags & JP::FlagDeleted) != 0;
        child.physical = entry.physical.toUpper();
        child.pinned = entry.pinned;
        NameIndex &at = list.byName[child.name.toCaseFolded()];
        const int index = int(list.children.size());
        if (!child.deleted)
            at.lastLive = index;
        else if (at.firstDeleted < 0)
            at.firstDeleted = index;
        list.children.push_back(std::move(child));
    }
    list.generation = ++m_generations;
    list.checked.start();
    m_listings.insert(physical, std::move(list));
    return {};
}
