#pragma once

#include "engine/Repository.h"

#include <QHash>

#include <functional>

// Walks a project tree depth first in stored order, handing each item to
// `visit` as soon as it is read. Each project is walked once: a project
// listed a second time (a damaged database, or one that contains itself) is
// reported, not walked again, so the work stays proportional to the
// database. A failing item is reported and the walk goes on with the next.
// `proceed` (when given) is asked before each item; false stops the walk.
class RepositoryWalk
{
public:
    using Visit = std::function<void(const VSSItem &item)>;
    using Failure = std::function<void(const QString &spec, const QString &description)>;
    using Proceed = std::function<bool()>;

    RepositoryWalk(Visit visit, Failure failure, Proceed proceed = {})
        : m_visit(std::move(visit)), m_failure(std::move(failure)), m_proceed(std::move(proceed))
    {}

    // Returns false when any item failed or the walk was cancelled.
    bool walk(const VSSItem &item) { return walk(item, 0); }
    // Whether this walk has already walked the project `item`.
    bool walked(const VSSItem &item) const { return m_projects.contains(identity(item)); }
    bool cancelled() const { return m_cancelled; }

    // An item below the one walked that this returns true for is neither
    // visited nor, when a project, walked (a watched project's exclude
    // patterns).
    std::function<bool(const VSSItem &item)> leaveOut;

    // Runs after each project's listing was walked (the tool flushes its
    // output there).
    std::function<void()> projectDone;

private:
    bool walk(const VSSItem &item, int depth);
    static QString identity(const VSSItem &item);

    Visit m_visit;
    Failure m_failure;
    Proceed m_proceed;
    bool m_cancelled = false;
    QHash<QString, QString> m_projects; // identity -> spec first walked
};
