#pragma once

#include "engine/ExcludePatterns.h"
#include "engine/Repository.h"

#include <QHash>

#include <functional>

// Walks a project tree depth first in stored order, handing each item to
// `visit` as soon as it is read. Each project is walked once: a project
// listed a second time within one tree (a damaged database, or one that
// contains itself) is reported, not walked again, so the work stays
// proportional to the database; one reached again from a later tree given
// to the same walk (a watched project inside another) is passed over
// silently. A failing item is reported and the walk goes on with the next.
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
    bool walk(const VSSItem &item)
    {
        ++m_tree;
        return walk(item, 0);
    }
    // Whether this walk has already walked the project `item`.
    bool walked(const VSSItem &item) const { return m_projects.contains(identity(item)); }
    bool cancelled() const { return m_cancelled; }

    // A watched project's exclude patterns: an item below the one walked
    // that they match is neither visited nor, when a project, walked.
    void leaveOut(const QStringList &patterns) { m_excludes = ExcludePatterns(patterns); }

    // Runs after each project's listing was walked (the tool flushes its
    // output there).
    std::function<void()> projectDone;

private:
    bool walk(const VSSItem &item, int depth);
    static QString identity(const VSSItem &item);

    Visit m_visit;
    Failure m_failure;
    Proceed m_proceed;
    ExcludePatterns m_excludes;
    bool m_cancelled = false;
    int m_tree = 0; // trees walked so far
    struct Walked
    {
        QString spec; // where it was first walked
        int tree;
    };
    QHash<QString, Walked> m_projects; // by identity
};
