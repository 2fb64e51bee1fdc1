#pragma once

#include "VssItemFile.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace VssActionText {

// The text a history entry shows, e.g. "Checked in $/Proj" or "Added a.txt".
// `nameOf` turns a name block into its display name.
QString describe(const VssHistoryEntry &entry,
                 const std::function<QString(const VssNameBlock &)> &nameOf,
                 const std::function<QString(const QByteArray &)> &decode);

// A stored timestamp: the writer's wall-clock time counted as if it were
// UTC. The result is that same wall-clock time (see WallClock.h).
QDateTime wallClockDate(quint32 stored);

} // namespace VssActionText
