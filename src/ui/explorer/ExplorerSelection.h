#pragma once

#include "engine/InitialState.h"
#include "engine/Repository.h"
#include "engine/Suspects.h"

#include <QDateTime>

// The explorer's copy of the watched list and the state it gives a file
// that the user adds. No widgets here.
namespace ExplorerSelection {

// Appends a copy of every entry of `source` (Key, Status, ImageIndex,
// DateIn, a project's patterns and states; the Key also as list key) to
// `destination`, in order.
void CopySuspects(const Suspects &source, Suspects &destination);

using ::InitialState;
using ::ReadInitialState;
using ::ZeroDate;

// Looks the file `spec` up and adds it to `workList` with its initial
// state. False when it is already there (nothing is read then) or, with
// `checkType`, when the item is not a file. Raises on a repository
// failure, adding nothing.
bool AddFile(VSSDatabase &db, const QString &spec, Suspects &workList, bool checkType);

} // namespace ExplorerSelection
