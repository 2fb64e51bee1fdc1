#pragma once

#include <QDateTime>
#include <QString>

class QFileDevice;

// When the event log came to be. Every rewrite (an amendment, a trim) puts a
// new file in the old one's place, so the birth time the system keeps (statx
// on Linux, the creation time on Windows) is carried over to it: on Windows
// as the new file's creation time, on Linux in an extended attribute where
// the file system takes one.
namespace LogBirth {

// The birth time of the file at `path`; invalid when the system keeps none.
QDateTime of(const QString &path);
// Gives `replacement` (open, about to take the place of `path`) the birth
// time of `path`. Nothing happens where that cannot be done.
void carryOver(const QString &path, QFileDevice &replacement);

} // namespace LogBirth
