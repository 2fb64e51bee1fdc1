#pragma once

#include "VssItemCache.h"
#include "VssProjectTree.h"
#include "VssSession.h"
#include "engine/Repository.h"

#include <QElapsedTimer>

#include <memory>

// The state one open database shares with the items it hands out.
struct VssDbContext
{
    explicit VssDbContext(const VssDbOptions &options)
        : session(options), items(session), tree(session)
    {}
    VssSession session;
    VssItemCache items;
    VssProjectTree tree;
};

// The native, read-only reader of a VSS database folder.
class VssDbDatabase : public VSSDatabase
{
public:
    explicit VssDbDatabase(VssDbOptions options = {}) : m_options(std::move(options)) {}

    void Open(const QString &iniPath, const QString &user, const QString &password) override;
    VSSItemPtr VSSItem(const QString &spec, bool deleted = false) override;
    void SetCodePage(const QString &codePage) override { m_options.codePage = codePage; }
    QString CodePage() const override;
    bool Moved(bool force = false) override
    {
        return m_context && m_context->session.dataPathMoved(force);
    }
    void BeginPoll(bool afterLookUps = false) override;
    void EndPoll() override;

    // Null before a successful Open.
    const VssDbContext *context() const { return m_context.get(); }

private:
    std::shared_ptr<VssDbContext> requireOpen() const;

    VssDbOptions m_options;
    std::shared_ptr<VssDbContext> m_context;
};

// One logical item. A live view: a state query reads the item file's current
// state (cheaply when nothing was written since the last read), unless this
// object read it within the options' itemReuseMs.
class VssDbItem : public VSSItem
{
public:
    VssDbItem(std::shared_ptr<VssDbContext> context, VssItemRef ref)
        : m_context(std::move(context)), m_ref(std::move(ref))
    {}

    QString Spec() const override { return m_ref.spec; }
    QString Name() const override { return m_ref.name; }
    int Type() const override { return m_ref.type; }
    std::vector<VSSItemPtr> Items(bool includeDeleted = false) const override;
    int IsCheckedOut() const override;
    int VersionNumber() const override;
    std::vector<VSSVersion> Versions(int flags = 0) const override;
    VSSCheckouts Checkouts() const override;

    // Without loading the history unless the item is pinned. Versions of
    // one log never share a number (a label takes the next one), so the
    // newest entry alone carries VersionNumber.
    QDateTime NewestVersionDate() const override;
    QString NewestVersionUser() const override;
    QString ChangeFile() const override;
    QByteArray physicalName() const { return m_ref.physical; }

private:
    using Need = VssItemCache::Need;
    VssItemCache::EntryPtr snapshot(Need need = Need::Header) const;
    std::vector<VssCheckoutRecord> liveCheckouts() const;

    std::shared_ptr<VssDbContext> m_context;
    VssItemRef m_ref;
    mutable VssItemCache::EntryPtr m_snapshot;
    mutable QElapsedTimer m_snapshotAge;
};
