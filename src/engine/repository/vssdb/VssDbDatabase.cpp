#include "VssDbDatabase.h"

#include "VssActionText.h"

void VssDbDatabase::Open(const QString &iniPath, const QString &user, const QString &password)
{
    m_context.reset();
    auto context = std::make_shared<VssDbContext>(m_options);
    context->session.open(iniPath, user, password);
    m_context = std::move(context);
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

std::vector<VSSItemPtr> VssDbItem::Items(bool includeDeleted) const
{
    std::vector<VSSItemPtr> result;
    for (VssItemRef &child : m_context->tree.children(m_ref, includeDeleted))
        result.push_back(std::make_shared<VssDbItem>(m_context, std::move(child)));
    return result;
}

std::vector<VssCheckoutRecord> VssDbItem::liveCheckouts() const
{
    if (m_ref.type != File)
        return {};
    return m_context->items.read(m_ref.physical).state.checkouts;
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
    std::vector<VSSCheckout> list;
    for (const VssCheckoutRecord &record : liveCheckouts())
        list.push_back(VSSCheckout{m_context->session.decode(record.user)});
    return VSSCheckouts(std::move(list));
}

int VssDbItem::VersionNumber() const
{
    const int newest = m_context->items.read(m_ref.physical).state.newest.version;
    // A pinned entry shows the file as it was at the pinned version.
    return m_ref.pinned > 0 ? std::min(newest, m_ref.pinned) : newest;
}

QDateTime VssDbItem::NewestVersionDate() const
{
    if (m_ref.pinned > 0) {
        const auto versions = Versions();
        return versions.empty() ? QDateTime() : versions.front().Date;
    }
    return VssActionText::localDate(m_context->items.read(m_ref.physical).state.newest.time);
}

std::vector<VSSVersion> VssDbItem::Versions(int) const
{
    const std::vector<VssHistoryEntry> history =
        m_context->items.read(m_ref.physical, true).history;
    VssSession &session = m_context->session;
    const auto nameOf = [&session](const VssNameBlock &block) {
        return session.displayNameOrShort(block);
    };
    const auto decode = [&session](const QByteArray &bytes) { return session.decode(bytes); };
    std::vector<VSSVersion> result;
    result.reserve(history.size());
    for (const VssHistoryEntry &entry : history) {
        if (m_ref.pinned > 0 && entry.version > m_ref.pinned)
            continue;
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
