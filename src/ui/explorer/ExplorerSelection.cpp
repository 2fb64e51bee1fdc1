#include "ExplorerSelection.h"

namespace ExplorerSelection {

void CopySuspects(const Suspects &source, Suspects &destination)
{
    for (const Suspect &entry : source)
        destination.Add(entry.Key(), entry.Status(), entry.ImageIndex(), entry.DateIn(),
                        entry.Key());
}

QDateTime ZeroDate()
{
    return WallClockTime(QDate(1899, 12, 30), QTime(0, 0));
}

InitialState ReadInitialState(const VSSItem &file)
{
    InitialState state;
    state.Status = qint16(file.IsCheckedOut());
    state.ImageIndex = qint16(state.Status + 1);
    state.DateIn = file.NewestVersionDate();
    if (!state.DateIn.isValid())
        state.DateIn = ZeroDate();
    return state;
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
