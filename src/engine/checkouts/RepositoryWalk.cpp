#include "RepositoryWalk.h"

#include "engine/repository/vssdb/VssDbDatabase.h"

namespace {

// Deeper than any real project tree; guards the stack of the walk.
constexpr int MaxDepth = 128;

} // namespace

// What makes a project the same project wherever it is listed: its item
// file (other backends: its spec).
QString RepositoryWalk::identity(const VSSItem &item)
{
    const auto *native = dynamic_cast<const VssDbItem *>(&item);
    return native ? QString::fromLatin1(native->physicalName()) : item.Spec();
}

bool RepositoryWalk::walk(const VSSItem &item, int depth)
{
    if (m_cancelled || (m_proceed && !m_proceed())) {
        m_cancelled = true;
        return false;
    }
    if (depth > 0 && !m_excludes.isEmpty() && m_excludes.matches(item.Spec(), item.Name()))
        return true;
    bool ok = true;
    try {
        if (depth > MaxDepth)
            throw RepositoryError(QStringLiteral("projects nested too deep"));
        m_visit(item);
        if (item.Type() == VSSItem::File)
            return true;
        const QString id = identity(item);
        const auto first = m_projects.constFind(id);
        if (first != m_projects.constEnd()) {
            if (first->tree != m_tree)
                return true;
            throw RepositoryError(QStringLiteral("the project is listed again here (first "
                                                 "as %1); not walked twice")
                                      .arg(first->spec));
        }
        m_projects.insert(id, {item.Spec(), m_tree});
        for (const VSSItemPtr &child : item.Items(false))
            ok = walk(*child, depth + 1) && ok;
        if (projectDone)
            projectDone();
    } catch (const RepositoryError &e) {
        m_failure(item.Spec(), e.description());
        ok = false;
    }
    return ok && !m_cancelled;
}
