#pragma once

#include "engine/ZelError.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

class QFile;
class QFileDevice;

// Byte-level access to the log files. Every failure is raised as a ZelError
// whose source is the calling routine and whose description names the file.
namespace LogFileIo {

// The largest file that is read into memory whole: four times the largest
// size limit the settings dialog offers (65536 KB).
constexpr qint64 kMaxWholeRead = 256LL * 1024 * 1024;

// Length in bytes; a missing file counts as empty.
qint64 length(const QString &path);
// All bytes of the file; a missing file reads as empty. Files larger than
// kMaxWholeRead are refused.
QByteArray readAll(const QString &path, const QString &source);
// Offset of the last `byte` in the file, searched backwards from the end one
// chunk at a time; -1 when the file (or a missing file) has none.
qint64 lastIndexOf(const QString &path, char byte, const QString &source);
// Appends `bytes`, creating the file. When the write fails, the file is cut
// back to its old length so no partial entry stays behind.
void append(const QString &path, const QByteArray &bytes, const QString &source);

// Opens `file` in `mode` when it is a regular file (never blocking on a FIFO
// or a device in its place); raises openError() otherwise.
void open(QFile &file, QIODevice::OpenMode mode, const QString &source);
// The error for a file that could not be opened in `mode`; `reason` replaces
// the file's own error text when given.
ZelError openError(const QFileDevice &file, QIODevice::OpenMode mode, const QString &source,
                   const QString &reason = QString());
// The error for a failed read or write on an open file.
ZelError ioError(const QFileDevice &file, const QString &source);

} // namespace LogFileIo
