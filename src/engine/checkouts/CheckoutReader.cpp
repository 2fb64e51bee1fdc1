#include "CheckoutReader.h"

#include <QSet>

namespace CheckoutReader {

bool read(VSSDatabase &db, const QStringList &roots, const Sink &sink,
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
            if (files.contains(item.Spec()))
                return;
            files.insert(item.Spec());
        }
        for (int i = 1; i <= list.Count(); ++i)
            sink(CheckedOutFile{item.Spec(), list.Item(i)});
    };
    RepositoryWalk walk(visit, failure, proceed);
    bool ok = true;
    for (const QString &root : roots) {
        if (walk.cancelled())
            return false;
        VSSItemPtr item;
        try {
            item = db.VSSItem(root);
        } catch (const RepositoryError &e) {
            failure(root, e.description());
            ok = false;
            continue;
        }
        // A watched project inside another one was walked with it.
        if (item->Type() == VSSItem::File || !walk.walked(*item))
            ok = walk.walk(*item) && ok;
    }
    return ok && !walk.cancelled();
}

} // namespace CheckoutReader
