#pragma once

#include <QIODevice>
#include <QString>

class QFile;

// The program's own files opened by name (the event log, the trace log, the
// settings file, the lock files): only a regular file is opened, and opening
// never blocks, so a FIFO or a device put in place of one cannot hang the
// program.
namespace RegularFile {

// Opens `file` (by its fileName()) in `mode`, creating it when writing.
// Returns an empty text on success, else why it failed ("not a regular
// file", or the system's words).
QString open(QFile &file, QIODevice::OpenMode mode);
// Whether nothing is at `path` or a regular file is (links followed).
bool absentOrRegular(const QString &path);

} // namespace RegularFile
