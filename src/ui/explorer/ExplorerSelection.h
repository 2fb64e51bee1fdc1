#pragma once

#include "engine/Repository.h"
#include "engine/Suspects.h"

#include <QDateTime>

// The explorer's copy of the watched list and the state it gives a file
// that the user adds. No widgets here.
namespace ExplorerSelection {

// Appends a copy of every entry of `source` (Key, Status, ImageIndex,
// DateIn; the Key also as list key) to `destination`, in order.
void CopySuspects(const Suspects &source, Suspects &destination);

// The zero date: what a file without a matching history entry gets.
QDateTime ZeroDate();

struct InitialState
{
    qint16 Status = 0;
    qint16 ImageIndex = 1;
    QDateTime DateIn;
};

// Status = IsCheckedOut, ImageIndex = Status + 1, DateIn = the latest date
// among the file's history entries carrying its current version number
// (the zero date when none does).
InitialState ReadInitialState(const VSSItem &file);

// Looks the file `spec` up and adds it to `workList` with its initial
// state. False when it is already there (nothing is read then) or, with
// `checkType`, when the item is not a file. Raises on a repository
// failure, adding nothing.
bool AddFile(VSSDatabase &db, const QString &spec, Suspects &workList, bool checkType);

} // namespace ExplorerSelection
