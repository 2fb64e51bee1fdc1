#pragma once

#include "VssItemFile.h"
#include "VssStampGate.h"

#include <QElapsedTimer>
#include <QHash>
#include <QString>

#include <vector>

class VssSession;

// One logical item: a place in the project tree.
struct VssItemRef
{
    QString spec;
    QString name;
    int type = 0; // 0 project, 1 file
    QByteArray physical;
    int pinned = 0; // pinned version in this project, 0 = not pinned
};

// The logical tree: project listings (from each project's current data file)
// and the resolution of specs through them. A listing is kept with the DH
// payload it was read under and read again only when that header changes;
// the header is read again only when the item file's stamp changed or has
// not settled.
class VssProjectTree
{
public:
    struct Child
    {
        QString name;
        int type = 0; // 0 project, 1 file
        bool deleted = false;
        QByteArray physical;
        int pinned = 0;
    };

    explicit VssProjectTree(VssSession &session) : m_session(session) {}

    static VssItemRef root();
    // Raises RepositoryError when a component is missing or a non-final
    // component is a file. With `deleted`, the last component may name a
    // deleted entry (a live one of that name is preferred).
    VssItemRef resolve(const QString &spec, bool deleted = false);
    // The entries of a project, in stored order.
    std::vector<VssItemRef> children(const VssItemRef &project, bool includeDeleted);

    // A poll begins: each listing it needs is looked at again (its stamp),
    // so a file added just after the last poll shows in this one; until it
    // ends, once (a poll of many files over a share takes seconds).
    void beginPoll()
    {
        ++m_poll;
        m_polling = true;
    }
    void endPoll() { m_polling = false; }

    int listingReads() const { return m_listingReads; }
    // Reads of a project's header to see whether its listing changed.
    int headerReads() const { return m_headerReads; }

private:
    // Where a (case-folded) name occurs among the children; -1: nowhere.
    struct NameIndex
    {
        int lastLive = -1;
        int firstDeleted = -1;
    };

    struct Listing
    {
        QByteArray headerPayload;
        std::vector<Child> children;
        QHash<QString, NameIndex> byName;
        quint64 generation = 0; // new for every listing read
        QElapsedTimer checked;
        quint64 checkedInPoll = 0;
        // Whether the item file's stamp alone tells that the listing holds.
        VssStampGate gate;
    };

    // A resolved spec and the listings (physical name, generation) it
    // was resolved through.
    struct Resolved
    {
        VssItemRef item;
        std::vector<std::pair<QByteArray, quint64>> listings;
    };
    // Enough for every watched file; past it the remembered specs start over.
    static constexpr int MaxResolvedSpecs = 100000;

    VssItemRef walk(const QString &spec, bool deleted,
                    std::vector<std::pair<QByteArray, quint64>> &listings);
    bool listingsUnchanged(const Resolved &resolved);

    const Listing &listing(const QByteArray &physical);
    // `sizeHint`: the item file's size as its stamp showed it, -1 unknown;
    // `byHeader`: a header that ends where the file does may stand alone.
    QString tryReadListing(const QByteArray &physical, qint64 sizeHint, bool byHeader,
                           QString &path);
    static QString childSpec(const QString &parent, const QString &name);

    VssSession &m_session;
    QHash<QByteArray, Listing> m_listings;
    QHash<QString, Resolved> m_resolved[2]; // by spec as asked; [1]: deleted allowed
    quint64 m_generations = 0;
    quint64 m_poll = 0;
    bool m_polling = false;
    int m_listingReads = 0;
    int m_headerReads = 0;
};
