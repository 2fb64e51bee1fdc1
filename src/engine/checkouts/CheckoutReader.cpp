#include "CheckoutReader.h"

#include "engine/Suspects.h"

#include <QSet>

namespace CheckoutReader {

CheckoutRoots rootsOf(const Suspects &watched)
{
    CheckoutRoots roots;
    for (const Suspect &entry : watched)
        roots.append({entry.Key(), entry.Excludes()});
    return roots;
}

bool read(VSSDatabase &db, const CheckoutRoots &roots, const Sink &sink,
          const RepositoryWalk::Failure &failure, const RepositoryWalk::Proceed &proceed)
{
    QSet<QString> files; // reached already, through another root
    const auto visit = [&](const VSSItem &item) {
        if (item.Type() != VSSItem::File)
            return;
        const VSSCheckouts list = item.Checkouts();
        if (list.Count() == 0)
            return;
        if (roots.size() > 1) {
            const QString folded = item.Spec().toCaseFolded();
            if (files.contains(folded))
                return;
            files.insert(folded);
        }
        for (int i = 1; i <= list.Count(); ++i)
            sink(CheckedOutFile{item.Spec(), list.Item(i)});
    };
    // Roots that leave nothing out share one walk, so a project inside
    // another is read once; a project with exclude patterns is walked on its
    // own, unless such a root has read all of it already.
    RepositoryWalk whole(visit, failure, proceed);
    bool ok = true, cancelled = false;
    for (const CheckoutRoot &root : roots) {
        if (cancelled)
            return false;
        VSSItemPtr item;
        try {
            item = db.VSSItem(root.spec);
        } catch (const RepositoryError &e) {
            failure(root.spec, e.description());
            ok = false;
            continue;
        }
        if (root.excludes.isEmpty() || item->Type() == VSSItem::File) {
            ok = whole.walk(*item) && ok;
            cancelled = whole.cancelled();
        } else if (!whole.walked(*item)) {
            RepositoryWalk own(visit, failure, proceed);
            own.leaveOut(root.excludes);
            ok = own.walk(*item) && ok;
            cancelled = own.cancelled();
        }
    }
    return ok && !cancelled;
}

} // namespace CheckoutReader
