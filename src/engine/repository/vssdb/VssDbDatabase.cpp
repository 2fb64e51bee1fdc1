#include "VssDbDatabase.h"

#include "VssActionText.h"

void VssDbDatabase::Open(const QString &iniPath, const QString &user, const QString &password)
{
    m_context.reset();
    auto context = std::make_shared<VssDbContext>(m_options);
    context->session.open(iniPath, user, password);
    m_context = std::move(context);
}

QString VssDbDatabase::CodePage() const
{
    return m_context ? m_context->session.codePageName() : m_options.codePage;
}

std::shared_ptr<VssDbContext> VssDbDatabase::requireOpen() const
{
    if (!m_context)
        throw RepositoryError(QStringLiteral("The database is not open"));
    return m_context;
}

VSSItemPtr VssDbDatabase::VSSItem(const QString &spec, bool deleted)
{
    auto context = requireOpen();
    return std::make_shared<VssDbItem>(context, context->tree.resolve(spec, deleted));
}

void VssDbDatabase::BeginPoll(bool afterLookUps)
{
    if (m_context) {
        if (!afterLookUps)
            m_context->session.beginPoll(); // else the pass over the listings goes on
        m_context->tree.beginPoll();
    }
}

void VssDbDatabase::EndPoll()
{
    if (m_context) {
        m_context->tree.endPoll();
        m_context->session.endPoll();
    }
}

std::vector<VSSItemPtr> VssDbItem::Items(bool includeDeleted) const
{
    std::vector<VSSItemPtr> result;
    for (VssItemRef &child : m_context->tree.children(m_ref, includeDeleted))
        result.push_back(std::make_shared<VssDbItem>(m_context, std::move(child)));
    return result;
}

VssItemCache::EntryPtr VssDbItem::snapshot(Need need) const
{
    const int window = m_context->session.options().itemReuseMs;
    if (m_snapshot && window > 0 && !m_snapshotAge.hasExpired(window) &&
        VssItemCache::gives(*m_snapshot, need))
        return m_snapshot;
    m_snapshot = m_context->items.read(m_ref.physical, need);
    m_snapshotAge.start();
    return m_snapshot;
}

std::vector<VssCheckoutRecord> VssDbItem::liveCheckouts() const
{
    if (m_ref.type != File)
        return {};
    return snapshot()->state.checkouts;
}

int VssDbItem::IsCheckedOut() const
{
    const auto live = liveCheckouts();
    if (live.empty())
        return 0;
    const QString me = m_context->session.userName();
    for (const VssCheckoutRecord &record : live)
        if (m_context->session.decode(record.user).compare(me, Qt::CaseInsensitive) == 0)
            return 2;
    return 1;
}

VSSCheckouts VssDbItem::Checkouts() const
{
    const VssSession &session = m_context->session;
    std::vector<VSSCheckout> list;
    for (const VssCheckoutRecord &record : liveCheckouts())
        list.push_back(VSSCheckout{session.decode(record.user),
                                   VssActionText::wallClockDate(record.time), record.version,
                                   session.decode(record.folder), session.decode(record.machine),
                                   session.decode(record.comment)});
    return VSSCheckouts(std::move(list));
}

int VssDbItem::VersionNumber() const
{
    const int newest = snapshot()->state.newest.version;
    // A pinned entry shows the file as it was at the pinned version.
    return m_ref.pinned > 0 ? std::min(newest, m_ref.pinned) : newest;
}

QDateTime VssDbItem::NewestVersionDate() const
{
    if (m_ref.pinned > 0) {
        for (const VSSVersion &version : *snapshot(Need::Versions)->versions)
            if (version.VersionNumber <= m_ref.pinned)
                return version.Date;
        return {};
    }
    return snapshot()->newestDate;
}

QString VssDbItem::NewestVersionUser() const
{
    if (m_ref.pinned > 0)
        return VSSItem::NewestVersionUser();
    return m_context->session.decode(snapshot(Need::Newest)->state.newest.user);
}

QString VssDbItem::ChangeFile() const
{
    return m_context->session.folder().itemPath(m_ref.physical);
}

std::vector<VSSVersion> VssDbItem::Versions(int) const
{
    const VssItemCache::EntryPtr entry = snapshot(Need::Versions);
    const std::vector<VSSVersion> &all = *entry->versions;
    if (m_ref.pinned <= 0)
        return all;
    std::vector<VSSVersion> result;
    for (const VSSVersion &version : all)
        if (version.VersionNumber <= m_ref.pinned)
            result.push_back(version);
    return result;
}
