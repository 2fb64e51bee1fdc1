#include "ExplorerSelection.h"

namespace ExplorerSelection {

void CopySuspects(const Suspects &source, Suspects &destination)
{
    for (const Suspect &entry : source)
        destination.AddCopy(entry);
}

bool AddFile(VSSDatabase &db, const QString &spec, Suspects &workList, bool checkType)
{
    if (workList.Exists(spec))
        return false;
    const VSSItemPtr file = db.VSSItem(spec, false);
    if (!file)
        throw RepositoryError(QStringLiteral("No item for %1").arg(spec));
    if (checkType && file->Type() != VSSItem::File)
        return false; // projects are never added
    const InitialState state = ReadInitialState(*file);
    return workList.Add(spec, state.Status, state.ImageIndex, state.DateIn, spec) != nullptr;
}

} // namespace ExplorerSelection
